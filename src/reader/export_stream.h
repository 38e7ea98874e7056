#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reader/export_format.h"
#include "reader/export_scene.h"
#include "reader/mesh_lists.h"

// The export exchange with the reader process, in the machine's own byte order (both ends are the
// same build). Numbers are u32 or u64; a text or a list is its u64 count, then its items.
//
//   request  "TSXQ" version format  baseName  models: (name, points, normals, coordIndex,
//            normalIndex)...  objects: (u32 model, 16 floats)...
//   reply    "TSXR" version  u64 bytes that follow  u32 written  message  blobs: (suffix, bytes)...
//
// Both sides send from lists they already hold: a stream is a sequence of pieces, small ones it
// owns and large ones borrowed, written one after the other. Readers trust nothing: every count is
// checked against the bytes that remain before anything is allocated.

struct StreamPieces {
    std::vector<std::span<const std::byte>> pieces;
    uint64_t totalBytes = 0;

    // Copies small data into storage of its own.
    void own(const void* data, size_t size);
    void u32(uint32_t value) { own(&value, sizeof value); }
    void u64(uint64_t value) { own(&value, sizeof value); }
    void text(std::string_view value);
    // Borrows: the data must outlive the pieces.
    void borrow(const void* data, size_t size);

private:
    std::deque<std::vector<std::byte>> owned;  // stable addresses as it grows
};

StreamPieces exportRequestPieces(const ExportScene& scene, ExportFormat format,
                                 std::string_view baseName);

// A request as the reader process holds it after decoding: the lists are its own.
struct ExportRequest {
    ExportFormat format = ExportFormat::Glb;
    std::string baseName;
    std::vector<std::string> names;
    std::vector<MeshLists> lists;
    std::vector<ExportObject> objects;

    // Views of the lists above, valid while this request lives unchanged.
    ExportScene scene() const;
};

// Why `bytes` is not one complete request (or holds more), or nothing when `request` holds it.
std::optional<std::string> decodeExportRequest(std::span<const std::byte> bytes,
                                               ExportRequest& request);

// The reply borrows the blobs' bytes.
StreamPieces exportReplyPieces(bool written, std::string_view message,
                               const std::vector<ExportBlob>& blobs);

// A reply as the editor reads it: the blobs are views into the bytes received.
struct ExportReply {
    bool written = false;
    std::string message;
    struct Blob {
        std::string suffix;
        std::string_view bytes;
    };
    std::vector<Blob> blobs;
};

// The byte count that the reply's first 16 bytes announce, so that a reader can take the rest
// into one buffer of the right size; nothing when they are not a reply's start.
std::optional<uint64_t> exportReplyLength(std::span<const std::byte, 16> start);
// Why `bytes` (the whole reply, start included) is not one complete reply, or nothing when `reply`
// holds it.
std::optional<std::string> decodeExportReply(std::span<const std::byte> bytes, ExportReply& reply);
