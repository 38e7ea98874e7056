#include "support/command_run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "support/harness.h"

namespace fs = std::filesystem;

namespace {

std::string textOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

CommandRun runWithoutDisplay(const fs::path& folder, const std::vector<std::string>& arguments) {
    const fs::path out = folder.parent_path() / (folder.filename().string() + ".out");
    const fs::path err = folder.parent_path() / (folder.filename().string() + ".err");
    const pid_t child = fork();
    if (child == 0) {
        const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (chdir(folder.c_str()) != 0 || outFd < 0 || errFd < 0) {
            _exit(126);
        }
        dup2(outFd, 1);
        dup2(errFd, 2);
        unsetenv("DISPLAY");
        std::vector<std::string> copies = arguments;
        std::vector<char*> argv{const_cast<char*>(TESSALY_PROGRAM)};
        for (std::string& argument : copies) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        execv(TESSALY_PROGRAM, argv.data());
        _exit(127);
    }
    CommandRun run;
    int status = 0;
    const bool ended = waitUntil([&] { return waitpid(child, &status, WNOHANG) == child; },
                                 std::chrono::milliseconds(120000));
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = textOf(out);
    run.err = textOf(err);
    fs::remove(out);
    fs::remove(err);
    return run;
}
