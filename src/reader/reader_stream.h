#pragma once

#include <cstddef>
#include <cstdint>
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

// Why `bytes` is not one complete reply, or nothing when `reply` now holds it.
std::optional<std::string> decodeReply(std::span<const std::byte> bytes, ReaderReply& reply,
                                       const StreamLimits& limits = {});
