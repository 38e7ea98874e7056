#include "library/mapping_guard.h"

#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>

namespace {

// The innermost guard of this thread. Initial-exec TLS is a plain load from the thread pointer,
// safe to read in a signal handler (no lazy allocation).
__attribute__((tls_model("initial-exec"))) thread_local MappingGuard* innermost = nullptr;

std::mutex installMutex;
int installedGuards = 0;  // guards alive on all threads; the handler is in place while > 0
struct sigaction previousAction {};
uintptr_t pageSize = 0;

// Hands a SIGBUS that is not ours to whoever would have had it.
void forward(int signal, siginfo_t* info, void* context) {
    if (previousAction.sa_flags & SA_SIGINFO) {
        previousAction.sa_sigaction(signal, info, context);
        return;
    }
    if (previousAction.sa_handler == SIG_IGN && info->si_code <= 0) {
        return;  // sent by a process, and ignored before the guard came
    }
    if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
        previousAction.sa_handler(signal);
        return;
    }
    // The default action ends the process; a fault that is ignored would only recur. The signal
    // is blocked while this handler runs, so it arrives as soon as the handler returns.
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    ::sigaction(signal, &defaultAction, nullptr);
    ::raise(signal);
}

void onBusError(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    const uintptr_t address = reinterpret_cast<uintptr_t>(info->si_addr);
    // si_code > 0: raised by the kernel for this access, so si_addr is the address touched.
    for (MappingGuard* guard = innermost; guard && info->si_code > 0; guard = guard->outer) {
        if (address < guard->begin || address >= guard->end) {
            continue;
        }
        // The lost page and every page after it read as zeros from now on: one fault per loss.
        const uintptr_t page = address & ~(pageSize - 1);
        const long mapped = ::syscall(SYS_mmap, page, guard->end - page, PROT_READ,
                                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (static_cast<uintptr_t>(mapped) == page) {
            guard->lost = 1;
            errno = savedErrno;
            return;
        }
        break;
    }
    errno = savedErrno;
    forward(signal, info, context);
}

}  // namespace

MappingGuard::MappingGuard(const void* mapping, size_t length) {
    {
        const std::lock_guard<std::mutex> lock(installMutex);
        if (installedGuards++ == 0) {
            pageSize = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
            struct sigaction action {};
            action.sa_sigaction = onBusError;
            action.sa_flags = SA_SIGINFO | SA_ONSTACK;
            sigemptyset(&action.sa_mask);
            ::sigaction(SIGBUS, &action, &previousAction);
        }
    }
    begin = reinterpret_cast<uintptr_t>(mapping);
    end = (begin + length + pageSize - 1) & ~(pageSize - 1);
    outer = innermost;
    // The handler may run at any instruction of this thread: it must find the guard complete.
    std::atomic_signal_fence(std::memory_order_release);
    innermost = this;
}

MappingGuard::~MappingGuard() {
    innermost = outer;
    const std::lock_guard<std::mutex> lock(installMutex);
    if (--installedGuards == 0) {
        ::sigaction(SIGBUS, &previousAction, nullptr);
    }
}
