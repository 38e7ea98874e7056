#include "reader_helper/process_limits.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>

namespace {

bool setLimit(int resource, rlim_t soft, rlim_t hard) {
    const rlimit limit{soft, hard};
    return ::setrlimit(resource, &limit) == 0;
}

void closeInheritedDescriptors() {
    if (::syscall(SYS_close_range, 3U, UINT_MAX, 0U) == 0) {
        return;
    }
    for (int fd = 3; fd < 1024; ++fd) {
        ::close(fd);
    }
}

}  // namespace

bool limitThisProcess(const ProcessLimits& limits) {
    closeInheritedDescriptors();
    bool ok = setLimit(RLIMIT_CORE, 0, 0);
    ok = setLimit(RLIMIT_FSIZE, 0, 0) && ok;
    ok = setLimit(RLIMIT_NOFILE, limits.openFiles, limits.openFiles) && ok;
    // The soft limit sends SIGXCPU, the hard one a second later SIGKILL.
    ok = setLimit(RLIMIT_CPU, limits.cpuSeconds, limits.cpuSeconds + 1) && ok;
#if !defined(__SANITIZE_ADDRESS__)
    // An address sanitizer reserves terabytes of shadow memory up front: a sanitized build runs
    // without this limit and relies on the sanitizer's own (see reader_main.cpp).
    const rlim_t bytes = static_cast<rlim_t>(limits.addressSpaceMegabytes) << 20;
    ok = setLimit(RLIMIT_AS, bytes, bytes) && ok;
#endif
    return ok;
}

bool openNoMoreFiles() {
    // Descriptors 0, 1 and 2 stay; any new one would be 3 or more.
    return setLimit(RLIMIT_NOFILE, 3, 3);
}
