// libFuzzer target for the two ends of the export exchange: the reader process's decoding of a
// request and the editor's decoding of a reply. Whatever the bytes, decoding either refuses them
// or gives what encodes to the very same bytes again, every triangle corner inside its points.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "mesh_invariants.h"
#include "reader/export_stream.h"

namespace {

bool sameBytes(const StreamPieces& stream, const uint8_t* data, size_t size) {
    if (stream.totalBytes != size) {
        return false;
    }
    size_t at = 0;
    for (const auto& piece : stream.pieces) {
        // An empty piece may have no storage at all: memcmp must not see its null pointer.
        if (!piece.empty() && std::memcmp(piece.data(), data + at, piece.size()) != 0) {
            return false;
        }
        at += piece.size();
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const std::byte> bytes{reinterpret_cast<const std::byte*>(data), size};
    ExportRequest request;
    if (!decodeExportRequest(bytes, request)) {
        for (const MeshLists& lists : request.lists) {
            for (const IndexTriple& t : lists.coordIndex) {
                const auto points = static_cast<int64_t>(lists.points.size());
                if (t.a < 0 || t.b < 0 || t.c < 0 || t.a >= points || t.b >= points ||
                    t.c >= points) {
                    failInvariant("a decoded triangle outside its points");
                }
            }
        }
        if (!sameBytes(exportRequestPieces(request.scene(), request.format, request.baseName), data,
                       size)) {
            failInvariant("a decoded request encodes to other bytes");
        }
    }
    ExportReply reply;
    if (!decodeExportReply(bytes, reply)) {
        std::vector<ExportBlob> blobs;
        for (const ExportReply::Blob& blob : reply.blobs) {
            blobs.push_back({blob.suffix, std::string(blob.bytes)});
        }
        if (!sameBytes(exportReplyPieces(reply.written, reply.message, blobs), data, size)) {
            failInvariant("a decoded reply encodes to other bytes");
        }
    }
    return 0;
}
