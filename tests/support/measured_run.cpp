#include "support/measured_run.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

long statusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(in, line)) {
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':') {
            return std::stol(line.substr(length + 1));
        }
    }
    return -1;
}

bool readAll(int fd, char* to, size_t size) {
    while (size > 0) {
        const ssize_t got = ::read(fd, to, size);
        if (got <= 0) {
            return false;
        }
        to += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

}  // namespace

MeasuredRun runMeasured(const std::function<void()>& work, void* result, size_t size) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        // Resets the peak resident size to the current one (Linux: clear_refs value 5).
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = statusKb("VmRSS");
        work();
        const long growth = statusKb("VmHWM") - before;
        std::vector<char> message(sizeof growth + size);
        std::memcpy(message.data(), &growth, sizeof growth);
        std::memcpy(message.data() + sizeof growth, result, size);
        const bool sent =
            ::write(fds[1], message.data(), message.size()) == static_cast<ssize_t>(message.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(fds[1]);
    MeasuredRun run;
    long growth = -1;
    const bool got = child > 0 &&
                     readAll(fds[0], reinterpret_cast<char*>(&growth), sizeof growth) &&
                     readAll(fds[0], static_cast<char*>(result), size);
    ::close(fds[0]);
    int status = 0;
    if (child > 0) {
        ::waitpid(child, &status, 0);
    }
    run.finished = got && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.peakGrowthKb = got ? growth : -1;
    return run;
}
