#include "library/isolated_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

// The child's exit statuses besides 0; a sanitizer that stops the child exits with 1.
constexpr int OUT_OF_MEMORY = 3;
constexpr int WORK_FAILED = 4;

// A process's resident anonymous and shared-memory bytes (0 when they cannot be read). A forked
// child starts with its parent's anonymous pages counted (shared until written) and with none of
// its file or shared mappings counted: its growth is its anonymous and shared-memory size (its
// output file is shared memory) over the parent's anonymous size at the fork.
struct Resident {
    size_t anonymous = 0;
    size_t shared = 0;
};

Resident residentOf(pid_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/status", static_cast<int>(pid));
    std::FILE* file = std::fopen(path, "r");
    Resident resident;
    if (!file) {
        return resident;
    }
    char line[256];
    while (std::fgets(line, sizeof line, file)) {
        unsigned long kb = 0;
        if (std::sscanf(line, "RssAnon: %lu", &kb) == 1) {
            resident.anonymous = kb * 1024;
        } else if (std::sscanf(line, "RssShmem: %lu", &kb) == 1) {
            resident.shared = kb * 1024;
        }
    }
    std::fclose(file);
    return resident;
}

int makeOutputFile() {
    const int fd = static_cast<int>(::syscall(SYS_memfd_create, "tessaly-isolated", MFD_CLOEXEC));
    if (fd >= 0) {
        return fd;
    }
    return ::open("/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
}

// A crash in the child ends it by its signal, quietly: the handlers it inherited (a sanitizer's
// report, a fuzzer's writing of the input that crashed) belong to the parent.
void dieQuietly() {
    for (const int sig : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP}) {
        ::signal(sig, SIG_DFL);
    }
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_death_callback(nullptr);
#endif
}

[[noreturn]] void runChild(const std::function<bool(int)>& work, int fd) {
    dieQuietly();
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
    }
    int status = WORK_FAILED;
    try {
        status = work(fd) ? 0 : WORK_FAILED;
    } catch (const std::bad_alloc&) {
        status = OUT_OF_MEMORY;
    } catch (...) {
        status = WORK_FAILED;
    }
    ::_exit(status);
}

std::string describeEnd(int status) {
    if (WIFSIGNALED(status)) {
        return "it crashed (signal " + std::to_string(WTERMSIG(status)) + ", " +
               strsignal(WTERMSIG(status)) + ")";
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == WORK_FAILED) {
        return "it could not finish its work";
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == OUT_OF_MEMORY) {
        return "it ran out of memory";
    }
    return "it crashed (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
}

}  // namespace

IsolatedRun::~IsolatedRun() {
    if (mapping) {
        ::munmap(mapping, mappedLength);
    }
}

void runIsolated(IsolatedRun& run, const std::function<bool(int fd)>& work, double seconds,
                 size_t memoryBytes) {
    const int fd = makeOutputFile();
    if (fd < 0) {
        run.outcome = IsolatedRun::Outcome::NotStarted;
        run.detail = std::string("no output file: ") + std::strerror(errno);
        return;
    }
    const size_t residentBefore = residentOf(::getpid()).anonymous;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0) {
        run.outcome = IsolatedRun::Outcome::NotStarted;
        run.detail = std::string("no child process: ") + std::strerror(errno);
        ::close(fd);
        return;
    }
    if (child == 0) {
        runChild(work, fd);
    }

    // A process descriptor becomes readable when the child ends; without one, short sleeps.
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
    int status = 0;
    run.outcome = IsolatedRun::Outcome::Failed;
    for (int nap = 1;; nap = std::min(nap * 2, 20)) {
        const pid_t ended = ::waitpid(child, &status, WNOHANG);
        if (ended == child || (ended < 0 && errno != EINTR)) {
            break;
        }
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const Resident now = residentOf(child);
        const size_t resident = now.anonymous + now.shared;
        const bool late = elapsed > seconds;
        const bool big = resident > residentBefore && resident - residentBefore > memoryBytes;
        if (late || big) {
            ::kill(child, SIGKILL);
            while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            run.outcome =
                late ? IsolatedRun::Outcome::TimedOut : IsolatedRun::Outcome::TooMuchMemory;
            break;
        }
        if (pidfd >= 0) {
            pollfd wait{pidfd, POLLIN, 0};
            ::poll(&wait, 1, 20);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(nap));
        }
    }
    if (pidfd >= 0) {
        ::close(pidfd);
    }

    if (run.outcome == IsolatedRun::Outcome::Failed && WIFEXITED(status) &&
        WEXITSTATUS(status) == 0) {
        struct stat info {};
        if (::fstat(fd, &info) == 0 && info.st_size > 0) {
            void* mapped =
                ::mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (mapped != MAP_FAILED) {
                run.mapping = mapped;
                run.mappedLength = static_cast<size_t>(info.st_size);
                run.bytes = {static_cast<const char*>(mapped), run.mappedLength};
                run.outcome = IsolatedRun::Outcome::Finished;
            }
        }
        if (run.outcome != IsolatedRun::Outcome::Finished) {
            run.detail = "its output could not be read";
        }
    } else if (run.outcome == IsolatedRun::Outcome::Failed) {
        run.detail = describeEnd(status);
    }
    ::close(fd);
}
