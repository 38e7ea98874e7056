#include "reader/reader_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <deque>
#include <memory>

#include "reader/helper_program.h"

namespace {

using Clock = std::chrono::steady_clock;

// The reader program's exit statuses besides 0 (reader_main.cpp).
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_OUT_OF_MEMORY = 3;
constexpr int EXIT_NO_INPUT = 4;

std::string seconds(double value) {
    return std::to_string(static_cast<long long>(std::ceil(value))) + " s";
}

// Why a model folder entry cannot be handed over, or empty when `fd` is a regular file.
std::string kindOfEntry(const struct stat& info) {
    if (S_ISREG(info.st_mode)) {
        return {};
    }
    if (S_ISDIR(info.st_mode)) {
        return "a folder";
    }
    if (S_ISFIFO(info.st_mode)) {
        return "a FIFO";
    }
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) {
        return "a device";
    }
    if (S_ISSOCK(info.st_mode)) {
        return "a socket";
    }
    return "not a regular file";
}

std::string openFailure(int error) {
    switch (error) {
        case ELOOP:
            return "a link loop";
        case ENOENT:
            return "a link to nothing, or gone";
        case EACCES:
            return "no permission to read it";
        default:
            return std::strerror(error);
    }
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

struct Running {
    size_t job = 0;
    pid_t pid = -1;
    int pidfd = -1;
    int output = -1;  // read end of the reply pipe; -1 once at its end
    int file = -1;
    struct stat opened {};
    std::unique_ptr<ReplyReader> reply;
    Clock::time_point deadline;
    double allowedSeconds = 0;
    size_t megabytes = 0;
    unsigned cpuSeconds = 0;
    bool exited = false;
    int status = 0;
    std::string waitError;
    bool killedForTime = false;
    bool killedForTotal = false;
    bool malformed = false;
};

void closeAll(Running& run) {
    for (int* fd : {&run.pidfd, &run.output, &run.file}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

// Opens the file and starts a process on it; false with `why` when the file cannot be read or
// no process started.
bool start(const ReadingJob& job, const ReadingAllowance& allowance, Running& run, std::string& why,
           bool& unreadable) {
    const std::string path = job.folder + "/" + job.name;
    run.file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    unreadable = true;
    if (run.file < 0) {
        why = openFailure(errno);
        return false;
    }
    if (::fstat(run.file, &run.opened) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (why = kindOfEntry(run.opened); !why.empty()) {
        return false;
    }
    unreadable = false;
    const std::string program = allowance.program.empty() ? readerProgramPath() : allowance.program;
    if (program.empty()) {
        why = "the reader process's program (lib/tessaly/tessaly-reader) is missing";
        return false;
    }
    const double fileMegabytes = static_cast<double>(run.opened.st_size) / (1 << 20);
    run.allowedSeconds = allowance.seconds + allowance.secondsPerMegabyte * fileMegabytes;
    run.deadline =
        Clock::now() + std::chrono::milliseconds(static_cast<long long>(run.allowedSeconds * 1000));
    run.cpuSeconds = static_cast<unsigned>(std::ceil(run.allowedSeconds)) + 1;
    run.megabytes =
        allowance.megabytes +
        static_cast<size_t>(static_cast<double>(allowance.megabytesPerMegabyte) * fileMegabytes);
    run.reply = std::make_unique<ReplyReader>(allowance.stream);

    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        why = std::string("no pipe: ") + std::strerror(errno);
        return false;
    }
    const std::string mode = job.mode == ReaderMode::Vrml ? "read-vrml" : "read-assimp";
    const std::string cpu = std::to_string(run.cpuSeconds);
    const std::string memory = std::to_string(run.megabytes);
    const char* argv[] = {program.c_str(), mode.c_str(),   job.name.c_str(),
                          cpu.c_str(),     memory.c_str(), nullptr};
    // Nothing of the editor's environment, but large blocks in huge pages: the parsers and the
    // lists fill hundreds of megabytes for a large model, and a fault per small page took as long
    // as the parsing itself.
    char hugePages[] = "GLIBC_TUNABLES=glibc.malloc.hugetlb=1";
    char* environment[] = {hugePages, nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, run.file, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, job.folder.c_str());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int failed = ::posix_spawn(&run.pid, program.c_str(), &actions, &attributes,
                                     const_cast<char* const*>(argv), environment);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(pipeEnds[1]);
    run.output = pipeEnds[0];
    if (failed != 0) {
        why = std::string("the reader process did not start: ") + std::strerror(failed);
        return false;
    }
    ::fcntl(run.output, F_SETFL, O_NONBLOCK);
    // Fewer, larger hand-overs for large models (the system may give less).
    ::fcntl(run.output, F_SETPIPE_SZ, 1 << 20);
    run.pidfd = static_cast<int>(::syscall(SYS_pidfd_open, run.pid, 0));
    return true;
}

// Reads what the process sent so far straight into the lists it fills.
void drain(Running& run) {
    for (;;) {
        std::span<std::byte> space = run.reply->space();
        std::byte beyond[1];
        if (space.empty()) {
            space = beyond;  // complete or refused: whatever still comes is one byte too many
        }
        const ssize_t got = ::read(run.output, space.data(), space.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return;  // nothing more for now
        }
        if (got == 0) {
            ::close(run.output);
            run.output = -1;
            return;
        }
        if (space.data() == beyond) {
            run.reply->error =
                run.reply->error.empty() ? "bytes after the end of the reply" : run.reply->error;
        }
        if (space.data() == beyond || !run.reply->advance(static_cast<size_t>(got))) {
            // Refused: nothing more is read, and the process goes.
            run.malformed = true;
            ::kill(run.pid, SIGKILL);
            ::close(run.output);
            run.output = -1;
            return;
        }
    }
}

void reap(Running& run, bool wait) {
    for (;;) {
        const pid_t ended = ::waitpid(run.pid, &run.status, wait ? 0 : WNOHANG);
        if (ended == run.pid) {
            run.exited = true;
            return;
        }
        if (ended == 0) {
            return;
        }
        if (errno != EINTR) {
            run.waitError =
                std::string("waiting for the reader process failed: ") + std::strerror(errno);
            run.exited = true;
            return;
        }
    }
}

std::string howItEnded(const Running& run) {
    const int status = run.status;
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        if (sig == SIGXCPU || (sig == SIGKILL && !run.killedForTime)) {
            return "the reader process was killed (signal " + std::to_string(sig) + ", " +
                   strsignal(sig) + ") at its CPU time limit of " + std::to_string(run.cpuSeconds) +
                   " s or for lack of memory";
        }
        if (sig == SIGXFSZ) {
            return "the reader process was stopped at its file size limit (it tried to write a "
                   "file)";
        }
        return "the reader process crashed (signal " + std::to_string(sig) + ", " + strsignal(sig) +
               ")";
    }
    switch (WEXITSTATUS(status)) {
        case EXIT_OUT_OF_MEMORY:
            return "the reader process ran out of memory at its limit of " +
                   std::to_string(run.megabytes) + " MB";
        case EXIT_USAGE:
            return "the reader process did not understand its call";
        case EXIT_NO_INPUT:
            return "the reader process could not read the file";
        default:
            return "the reader process ended with exit status " +
                   std::to_string(WEXITSTATUS(status));
    }
}

ReadingOutcome decide(Running& run, double totalSeconds) {
    ReadingOutcome outcome;
    outcome.end = ReadingOutcome::End::Failed;
    if (run.killedForTotal) {
        outcome.end = ReadingOutcome::End::NotRun;
        outcome.why =
            "the reader processes' start-up allowance of " + seconds(totalSeconds) + " was spent";
    } else if (!run.waitError.empty()) {
        outcome.why = run.waitError;
    } else if (run.killedForTime) {
        outcome.why = "the reader process did not finish within " + seconds(run.allowedSeconds);
    } else if (run.malformed) {
        outcome.why = "the reader process sent a malformed reply (" + run.reply->error + ")";
    } else if (!WIFEXITED(run.status) || WEXITSTATUS(run.status) != 0) {
        outcome.why = howItEnded(run);
    } else if (run.reply->taken == 0) {
        outcome.why = "the reader process ended without a reply";
    } else if (std::optional<std::string> error = run.reply->finish(outcome.reply)) {
        outcome.why = "the reader process sent a malformed reply (" + *error + ")";
    } else {
        outcome.end = ReadingOutcome::End::Replied;
    }
    struct stat now {};
    if (outcome.end != ReadingOutcome::End::NotRun &&
        (::fstat(run.file, &now) != 0 || !sameFile(now, run.opened))) {
        outcome = {};
        outcome.end = ReadingOutcome::End::Changed;
        outcome.why = "the file changed while it was read";
    }
    return outcome;
}

}  // namespace

void readInReaderProcesses(const std::vector<ReadingJob>& jobs, const ReadingAllowance& allowance,
                           const std::function<void(size_t, ReadingOutcome&&)>& decided) {
    unsigned parallel = allowance.parallel;
    if (parallel == 0) {
        const long processors = ::sysconf(_SC_NPROCESSORS_ONLN);
        parallel = processors > 0 ? static_cast<unsigned>(processors) : 1;
    }
    const auto totalDeadline =
        Clock::now() +
        std::chrono::milliseconds(static_cast<long long>(allowance.totalSeconds * 1000));
    std::deque<Running> running;
    size_t next = 0;
    bool totalSpent = false;
    while (next < jobs.size() || !running.empty()) {
        while (!totalSpent && running.size() < parallel && next < jobs.size()) {
            Running run;
            run.job = next++;
            std::string why;
            bool unreadable = false;
            if (start(jobs[run.job], allowance, run, why, unreadable)) {
                running.push_back(std::move(run));
                continue;
            }
            closeAll(run);
            ReadingOutcome outcome;
            outcome.end =
                unreadable ? ReadingOutcome::End::Unreadable : ReadingOutcome::End::Failed;
            outcome.why = why;
            decided(run.job, std::move(outcome));
        }
        if (totalSpent) {
            for (; next < jobs.size(); ++next) {
                ReadingOutcome outcome;
                outcome.why = "the reader processes' start-up allowance of " +
                              seconds(allowance.totalSeconds) + " was spent";
                decided(next, std::move(outcome));
            }
        }
        if (running.empty()) {
            continue;
        }

        std::vector<pollfd> waits;
        bool pidfdsEverywhere = true;
        auto nearest = totalDeadline;
        for (const Running& run : running) {
            if (run.output >= 0) {
                waits.push_back({run.output, POLLIN, 0});
            }
            if (!run.exited && run.pidfd >= 0) {
                waits.push_back({run.pidfd, POLLIN, 0});
            }
            pidfdsEverywhere = pidfdsEverywhere && run.pidfd >= 0;
            if (!run.killedForTime) {
                nearest = std::min(nearest, run.deadline);
            }
        }
        const auto now = Clock::now();
        long long wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(nearest - now).count() + 1;
        wait = std::clamp<long long>(wait, 0, pidfdsEverywhere ? 1000 : 20);
        ::poll(waits.data(), waits.size(), static_cast<int>(wait));

        const auto after = Clock::now();
        const bool spentNow = !totalSpent && after >= totalDeadline;
        totalSpent = totalSpent || spentNow;
        for (auto it = running.begin(); it != running.end();) {
            Running& run = *it;
            if (run.output >= 0) {
                drain(run);
            }
            if (!run.exited) {
                reap(run, false);
            }
            if (!run.exited && spentNow) {
                run.killedForTotal = true;
                ::kill(run.pid, SIGKILL);
                reap(run, true);
            } else if (!run.exited && !run.killedForTime && after >= run.deadline) {
                run.killedForTime = true;
                ::kill(run.pid, SIGKILL);
            }
            if (run.exited && (run.output < 0 || run.killedForTotal || !run.waitError.empty())) {
                ReadingOutcome outcome = decide(run, allowance.totalSeconds);
                closeAll(run);
                const size_t job = run.job;
                it = running.erase(it);
                decided(job, std::move(outcome));
            } else {
                ++it;
            }
        }
    }
}
