// What both reader programs do with a model file: limits, the file mapped, the reply written.
#include "reader_helper/read_mode.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "reader_helper/process_limits.h"

#if defined(__SANITIZE_ADDRESS__)
// A sanitized build cannot limit its address space (process_limits.cpp): the sanitizer's
// allocator stops at a fixed size instead. Crashes and the sanitizer's findings end the process
// by a signal, as crashes of the plain build do, so that the editor reports them as crashes. Its
// leak report would turn every read into a failure: the process ends without tearing the
// parsers' graphs down.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0:abort_on_error=1:handle_segv=0:handle_sigbus=0:handle_sigfpe=0:"
           "handle_sigill=0:handle_abort=0:max_allocation_size_mb=3072:hard_rss_limit_mb=3072";
}
#endif

namespace {

// The whole of standard input, mapped (nothing is copied), or false when it cannot be. Only the
// size the file had when it was opened is mapped. A file cut short meanwhile ends this process
// by SIGBUS when a lost page is touched; the editor sees the change and refuses the file anyway.
bool mapInput(std::span<const char>& bytes) {
    struct stat info {};
    if (::fstat(0, &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    if (info.st_size == 0) {
        bytes = {};
        return true;
    }
    void* mapped = ::mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, 0, 0);
    if (mapped == MAP_FAILED) {
        return false;
    }
    bytes = {static_cast<const char*>(mapped), static_cast<size_t>(info.st_size)};
    return true;
}

// Writes to standard output. Large parts go to a pipe by reference to their pages (vmsplice)
// rather than by copy: the process writes nothing more into them and ends soon after, and the
// editor's read is then the only copy. Anything but a pipe takes ordinary writes.
bool writeAll(std::span<const std::byte> bytes) {
    static bool spliceable = true;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = -1;
        if (spliceable && bytes.size() - done >= (1 << 16)) {
            iovec part{const_cast<std::byte*>(bytes.data() + done), bytes.size() - done};
            put = ::vmsplice(1, &part, 1, 0);
            if (put < 0 && errno != EINTR) {
                spliceable = false;
                continue;
            }
        } else {
            put = ::write(1, bytes.data() + done, bytes.size() - done);
        }
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        done += static_cast<size_t>(put);
    }
    return true;
}

bool writeReply(const ReaderReply& reply) {
    bool ok = true;
    encodeReplyInParts(reply, [&](std::span<const std::byte> part) { ok = ok && writeAll(part); });
    return ok;
}

}  // namespace

int runReadMode(int argc, char** argv, const ModelReading& read) {
    if (argc != 5) {
        return EXIT_USAGE;
    }
    const std::string name = argv[2];
    ProcessLimits limits;
    limits.cpuSeconds = static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10));
    limits.addressSpaceMegabytes = std::strtoul(argv[4], nullptr, 10);
    if (limits.cpuSeconds == 0 || limits.addressSpaceMegabytes == 0 || !limitThisProcess(limits)) {
        return EXIT_USAGE;
    }
    std::span<const char> bytes;
    if (!mapInput(bytes)) {
        return EXIT_NO_INPUT;
    }
    const ReaderReply reply = read(bytes, name);
    if (!writeReply(reply)) {
        return EXIT_NO_INPUT;
    }
    // The pipe still refers to the lists' pages until the editor has read them: nothing may be
    // freed and written over before the process is gone.
    ::_exit(0);
}
