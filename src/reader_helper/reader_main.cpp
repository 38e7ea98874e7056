// tessaly-reader: the editor's reader process. It reads one model file, handed over as its
// standard input, and writes one reply (reader/reader_stream.h) to its standard output:
//
//   tessaly-reader read-vrml   NAME CPU_SECONDS ADDRESS_MEGABYTES
//   tessaly-reader read-assimp NAME CPU_SECONDS ADDRESS_MEGABYTES   (the current folder is the
//                                                                    model folder)
//   tessaly-reader extensions   (the extensions Assimp reads, one a line)
//   tessaly-reader export CPU_SECONDS ADDRESS_MEGABYTES   (reader_helper/export_mode.h: an
//                                                          export request in, the files out)
//
// The first word names the mode. Exit status 0 with a reply; 3 when memory ran out; 2 for a
// call it does not understand; 4 when the input could not be read.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "reader/reader_stream.h"
#include "reader_helper/assimp_reading.h"
#include "reader_helper/export_mode.h"
#include "reader_helper/process_limits.h"
#include "reader_helper/vrml_with_coin.h"

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

constexpr int EXIT_USAGE = 2;
constexpr int EXIT_OUT_OF_MEMORY = 3;
constexpr int EXIT_NO_INPUT = 4;

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

ReaderReply readVrml(std::string_view text) {
    ReaderReply reply;
    // The parser reads a local Inline's file itself (a device would hold it until its time is up):
    // it gets no file to open.
    if (!openNoMoreFiles()) {
        reply.note = "the reader process could not shut itself off from files";
        return reply;
    }
    const CoinReadOutcome outcome = readVrmlWithCoin(text, reply.lists, GraphLimits{});
    reply.status = outcome.parsed ? ReaderReply::Status::Read : ReaderReply::Status::Rejected;
    reply.note = outcome.message;
    return reply;
}

ReaderReply readOtherFormat(std::span<const char> bytes, const std::string& name) {
    ReaderReply reply;
    const int folder = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const AssimpReadOutcome outcome =
        readWithAssimp(bytes, name, folder, reply.lists, GraphLimits{});
    reply.status = outcome.read ? ReaderReply::Status::Read : ReaderReply::Status::Rejected;
    reply.note = outcome.message;
    return reply;
}

int readMode(std::string_view mode, int argc, char** argv) {
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
    const ReaderReply reply =
        mode == "read-vrml" ? readVrml({bytes.data(), bytes.size()}) : readOtherFormat(bytes, name);
    if (!writeReply(reply)) {
        return EXIT_NO_INPUT;
    }
    // The pipe still refers to the lists' pages until the editor has read them: nothing may be
    // freed and written over before the process is gone.
    ::_exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    try {
        if (mode == "extensions") {
            for (const std::string& extension : assimpExtensions()) {
                std::printf("%s\n", extension.c_str());
            }
            return 0;
        }
        if (mode == "read-vrml" || mode == "read-assimp") {
            return readMode(mode, argc, argv);
        }
        if (mode == "export") {
            return runExportMode(argc, argv);
        }
    } catch (const std::bad_alloc&) {
        return EXIT_OUT_OF_MEMORY;
    }
    std::fprintf(stderr,
                 "usage: tessaly-reader read-vrml|read-assimp NAME CPU_SECONDS "
                 "ADDRESS_MEGABYTES < FILE, tessaly-reader export CPU_SECONDS ADDRESS_MEGABYTES < "
                 "REQUEST, or tessaly-reader extensions\n");
    return EXIT_USAGE;
}
