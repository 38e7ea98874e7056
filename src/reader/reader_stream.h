#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reader/mesh_lists.h"

// The byte stream between the editor and its reader process: model lists and texts, in the
// machine's own byte order (both ends are the same build on the same machine). Writing appends
// to a byte vector; reading takes a span and trusts nothing in it: every count is checked
// against the limits and against the bytes that remain before anything is allocated, and every
// index against the list it points into.

// The most a stream may claim.
struct StreamLimits {
    size_t points = 16'000'000;  // also normals
    size_t triangles = 16'000'000;
    size_t textBytes = 64 * 1024;
};

// Appends to `out`.
void encodeText(std::string_view text, std::vector<std::byte>& out);
void encodeMeshLists(const MeshLists& lists, std::vector<std::byte>& out);

// Reads from the front of `in` and advances it past what was read.
struct StreamReader {
    std::span<const std::byte> rest;
    const StreamLimits& limits;
    std::string error;  // why reading stopped; empty while all is well

    bool text(std::string& out);
    bool meshLists(MeshLists& out);
    bool u32(uint32_t& value);
    bool u64(uint64_t& value);
    bool fail(std::string why);

private:
    bool bytes(void* out, size_t count);
    // Reads a count and checks that `count * itemBytes` more bytes are there.
    bool count(uint64_t& value, uint64_t limit, size_t itemBytes, const char* what);
};

// What the reader process says about one model file.
struct ReaderReply {
    enum class Status : uint32_t {
        Read = 0,      // the lists are the model; `note` may say something about it
        Rejected = 1,  // the file is not read; `note` says why in the parser's words
    };
    Status status = Status::Rejected;
    std::string note;
    MeshLists lists;
};

std::vector<std::byte> encodeReply(const ReaderReply& reply);

// The same bytes handed to `put` part after part, the lists straight from their memory: a
// large reply is written without being copied first.
void encodeReplyInParts(const ReaderReply& reply,
                        const std::function<void(std::span<const std::byte>)>& put);

// Takes a reply in pieces as they arrive from the reader process and appends each list's items
// to it through a small buffer, so that a reply never lies in memory twice. Each count is checked
// against the limits before its list is allocated, and each item as it arrives.
struct ReplyReader {
    explicit ReplyReader(const StreamLimits& streamLimits) : limits(streamLimits) {}

    // False once the stream is refused (`error` says why); the bytes after that are not read.
    bool take(std::span<const std::byte> bytes);
    // Where the next bytes of the reply go (at most this many), so that they can be read there
    // directly; then `advance(count)` says that many are there. Empty when the reply is complete
    // or refused.
    std::span<std::byte> space();
    bool advance(size_t count);
    // Why what was taken is not one complete, sound reply, or nothing when `reply` now holds it.
    std::optional<std::string> finish(ReaderReply& reply);

    std::string error;
    size_t taken = 0;  // bytes taken so far
    // The whole stream's size when it is known beforehand: a count that claims more than the
    // bytes left is refused before anything is allocated.
    size_t knownSize = SIZE_MAX;

private:
    bool fieldDone();
    void appendArrived();

    const StreamLimits& limits;
    ReaderReply building;
    int field = 0;  // which part of the reply comes next
    std::byte fixed[8]{};
    std::byte* target = fixed;
    size_t remaining = 4;
    // A list arrives in this small buffer and is appended to its vector from there while it is
    // still in the cache: the vector is never filled with zeros first only to be overwritten.
    std::unique_ptr<std::byte[]> arriving;
    size_t arrivingSize = 0;
    size_t arrived = 0;  // bytes in `arriving` not yet appended (less than one item between reads)
    int arrivingList = -1;  // which of the four lists is arriving, -1 while none is
};

// Why `bytes` is not one complete reply, or nothing when `reply` now holds it.
std::optional<std::string> decodeReply(std::span<const std::byte> bytes, ReaderReply& reply,
                                       const StreamLimits& limits = {});
