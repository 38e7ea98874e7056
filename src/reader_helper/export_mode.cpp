#include "reader_helper/export_mode.h"

#include <malloc.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <new>
#include <vector>

#include "reader/export_stream.h"
#include "reader_helper/assimp_export.h"
#include "reader_helper/process_limits.h"

namespace {

constexpr int EXIT_USAGE = 2;
constexpr int EXIT_OUT_OF_MEMORY = 3;
constexpr int EXIT_NO_INPUT = 4;

bool readAll(int fd, std::vector<std::byte>& bytes) {
    size_t done = 0;
    bytes.resize(1 << 20);
    for (;;) {
        if (done == bytes.size()) {
            bytes.resize(bytes.size() * 2);
        }
        const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    bytes.shrink_to_fit();
    return true;
}

bool writeAll(int fd, const StreamPieces& stream) {
    for (std::span<const std::byte> piece : stream.pieces) {
        while (!piece.empty()) {
            const ssize_t put = write(fd, piece.data(), piece.size());
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                return false;
            }
            piece = piece.subspan(static_cast<size_t>(put));
        }
    }
    return true;
}

int exportRequest() {
    // The exporters allocate and free large arrays one after another (the scene, Assimp's copy of
    // it, its buffers): taken from the heap and reused, not mapped afresh, they cost no new pages.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    ExportRequest request;
    {
        std::vector<std::byte> bytes;
        if (!readAll(0, bytes)) {
            return EXIT_NO_INPUT;
        }
        if (const auto refusal = decodeExportRequest(bytes, request)) {
            const StreamPieces reply =
                exportReplyPieces(false, "not exported: a bad request (" + *refusal + ")", {});
            return writeAll(1, reply) ? 0 : EXIT_NO_INPUT;
        }
    }
    const AssimpExportOutcome outcome =
        exportWithAssimp(request.scene(), request.format, request.baseName);
    request = {};
    return writeAll(1, exportReplyPieces(outcome.written, outcome.message, outcome.blobs))
               ? 0
               : EXIT_NO_INPUT;
}

}  // namespace

int runExportMode(int argc, char** argv) {
    if (argc != 4) {
        return EXIT_USAGE;
    }
    // The reply goes through a socket, which the limit on file writing does not cover.
    ProcessLimits limits;
    limits.cpuSeconds = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10));
    limits.addressSpaceMegabytes = std::strtoul(argv[3], nullptr, 10);
    if (limits.cpuSeconds == 0 || limits.addressSpaceMegabytes == 0 || !limitThisProcess(limits)) {
        return EXIT_USAGE;
    }
    try {
        return exportRequest();
    } catch (const std::bad_alloc&) {
        return EXIT_OUT_OF_MEMORY;
    }
}
