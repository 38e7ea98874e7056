// libFuzzer target for the editor's decoding of what a reader process sends: whatever the bytes,
// decoding either refuses them or gives lists that drawing can use, and never allocates more
// than the limits allow (the fuzzer's memory limit catches that). A decoded reply is encoded
// again and must give the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "mesh_invariants.h"
#include "reader/reader_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StreamLimits limits;
    limits.points = 100'000;
    limits.triangles = 100'000;
    const std::span<const std::byte> bytes{reinterpret_cast<const std::byte*>(data), size};
    ReaderReply reply;
    if (decodeReply(bytes, reply, limits)) {
        return 0;
    }
    checkMeshLists(reply.lists);
    const std::vector<std::byte> again = encodeReply(reply);
    if (again.size() != size || std::memcmp(again.data(), data, size) != 0) {
        failInvariant("a decoded reply encodes to other bytes");
    }
    return 0;
}
