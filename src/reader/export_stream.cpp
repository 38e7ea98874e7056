#include "reader/export_stream.h"

#include <cmath>
#include <cstring>

namespace {

constexpr uint32_t REQUEST_MAGIC = 0x51585354;  // "TSXQ"
constexpr uint32_t REPLY_MAGIC = 0x52585354;    // "TSXR"
constexpr uint32_t VERSION = 1;
constexpr uint64_t TEXT_LIMIT = 64 * 1024;

template <typename T>
void borrowList(StreamPieces& out, std::span<const T> list) {
    out.u64(list.size());
    out.borrow(list.data(), list.size_bytes());
}

// Reads from the front of `rest`.
struct Reader {
    std::span<const std::byte> rest;
    std::string error;

    bool fail(const char* why) {
        if (error.empty()) {
            error = why;
        }
        return false;
    }
    bool bytes(void* out, size_t size) {
        if (size > rest.size()) {
            return fail("the stream is cut short");
        }
        if (size > 0) {
            std::memcpy(out, rest.data(), size);
        }
        rest = rest.subspan(size);
        return true;
    }
    bool u32(uint32_t& value) { return bytes(&value, sizeof value); }
    bool u64(uint64_t& value) { return bytes(&value, sizeof value); }
    // A count of items that must all still be there.
    bool count(uint64_t& value, size_t itemBytes, uint64_t limit = UINT64_MAX) {
        if (!u64(value)) {
            return false;
        }
        if (value > limit) {
            return fail("a count beyond its limit");
        }
        if (value > rest.size() / itemBytes) {
            return fail("the stream is cut short");
        }
        return true;
    }
    bool text(std::string& out) {
        uint64_t size = 0;
        if (!count(size, 1, TEXT_LIMIT)) {
            return false;
        }
        out.assign(reinterpret_cast<const char*>(rest.data()), size);
        rest = rest.subspan(size);
        return true;
    }
    bool view(std::string_view& out, uint64_t limit) {
        uint64_t size = 0;
        if (!count(size, 1, limit)) {
            return false;
        }
        out = {reinterpret_cast<const char*>(rest.data()), size};
        rest = rest.subspan(size);
        return true;
    }
    template <typename T>
    bool list(std::vector<T>& out) {
        uint64_t size = 0;
        if (!count(size, sizeof(T), INT32_MAX)) {
            return false;
        }
        out.resize(size);
        return bytes(out.data(), size * sizeof(T));
    }
};

bool finite(const Vec3d& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool readLists(Reader& in, MeshLists& lists) {
    if (!in.list(lists.points) || !in.list(lists.normals) || !in.list(lists.coordIndex) ||
        !in.list(lists.normalIndex)) {
        return false;
    }
    for (const Vec3d& v : lists.points) {
        if (!finite(v)) {
            return in.fail("a point that is not a finite number");
        }
    }
    const auto size = static_cast<int64_t>(lists.points.size());
    for (const IndexTriple& t : lists.coordIndex) {
        if (t.a < 0 || t.b < 0 || t.c < 0 || t.a >= size || t.b >= size || t.c >= size) {
            return in.fail("a triangle with a corner outside the points");
        }
    }
    // Normal lists that do not serve every triangle are the exporters' to replace.
    return true;
}

}  // namespace

void StreamPieces::own(const void* data, size_t size) {
    const auto* bytes = static_cast<const std::byte*>(data);
    owned.emplace_back(bytes, bytes + size);
    pieces.emplace_back(owned.back().data(), size);
    totalBytes += size;
}

void StreamPieces::text(std::string_view value) {
    u64(value.size());
    own(value.data(), value.size());
}

void StreamPieces::borrow(const void* data, size_t size) {
    if (size > 0) {
        pieces.emplace_back(static_cast<const std::byte*>(data), size);
        totalBytes += size;
    }
}

StreamPieces exportRequestPieces(const ExportScene& scene, ExportFormat format,
                                 std::string_view baseName) {
    StreamPieces out;
    out.u32(REQUEST_MAGIC);
    out.u32(VERSION);
    out.u32(static_cast<uint32_t>(format));
    out.text(baseName);
    out.u64(scene.models.size());
    for (const ExportModel& model : scene.models) {
        out.text(model.name);
        borrowList(out, model.points);
        borrowList(out, model.normals);
        borrowList(out, model.coordIndex);
        borrowList(out, model.normalIndex);
    }
    out.u64(scene.objects.size());
    for (const ExportObject& object : scene.objects) {
        out.u32(object.model);
        out.own(object.matrix.data(), sizeof object.matrix);
    }
    return out;
}

ExportScene ExportRequest::scene() const {
    ExportScene scene;
    for (size_t i = 0; i < lists.size(); ++i) {
        const MeshLists& l = lists[i];
        scene.models.push_back({names[i], l.points, l.normals, l.coordIndex, l.normalIndex});
    }
    scene.objects = objects;
    return scene;
}

std::optional<std::string> decodeExportRequest(std::span<const std::byte> bytes,
                                               ExportRequest& request) {
    Reader in{bytes, {}};
    uint32_t magic = 0, version = 0, format = 0;
    if (!in.u32(magic) || magic != REQUEST_MAGIC || !in.u32(version) || version != VERSION) {
        return "not an export request";
    }
    if (!in.u32(format) || format > static_cast<uint32_t>(ExportFormat::Wrl)) {
        return "an unknown format";
    }
    request.format = static_cast<ExportFormat>(format);
    uint64_t models = 0, objects = 0;
    // Every model takes at least its name's and four lists' counts.
    if (!in.text(request.baseName) || !in.count(models, 5 * sizeof(uint64_t))) {
        return in.error;
    }
    request.names.resize(models);
    request.lists.resize(models);
    for (uint64_t m = 0; m < models; ++m) {
        if (!in.text(request.names[m]) || !readLists(in, request.lists[m])) {
            return in.error;
        }
    }
    if (!in.count(objects, sizeof(uint32_t) + sizeof(Matrix4))) {
        return in.error;
    }
    request.objects.resize(objects);
    for (ExportObject& object : request.objects) {
        in.u32(object.model);
        in.bytes(object.matrix.data(), sizeof object.matrix);
        if (object.model >= models) {
            return "an object without a model";
        }
    }
    if (!in.rest.empty()) {
        return "bytes after the request";
    }
    return std::nullopt;
}

StreamPieces exportReplyPieces(bool written, std::string_view message,
                               const std::vector<ExportBlob>& blobs) {
    uint64_t body = sizeof(uint32_t) + sizeof(uint64_t) + message.size() + sizeof(uint64_t);
    for (const ExportBlob& blob : blobs) {
        body += 2 * sizeof(uint64_t) + blob.suffix.size() + blob.bytes.size();
    }
    StreamPieces out;
    out.u32(REPLY_MAGIC);
    out.u32(VERSION);
    out.u64(body);
    out.u32(written ? 1 : 0);
    out.text(message);
    out.u64(blobs.size());
    for (const ExportBlob& blob : blobs) {
        out.text(blob.suffix);
        out.u64(blob.bytes.size());
        out.borrow(blob.bytes.data(), blob.bytes.size());
    }
    return out;
}

std::optional<uint64_t> exportReplyLength(std::span<const std::byte, 16> start) {
    uint32_t magic = 0, version = 0;
    uint64_t length = 0;
    std::memcpy(&magic, start.data(), 4);
    std::memcpy(&version, start.data() + 4, 4);
    std::memcpy(&length, start.data() + 8, 8);
    if (magic != REPLY_MAGIC || version != VERSION) {
        return std::nullopt;
    }
    return length;
}

std::optional<std::string> decodeExportReply(std::span<const std::byte> bytes, ExportReply& reply) {
    if (bytes.size() < 16) {
        return "the reply is cut short";
    }
    const auto length = exportReplyLength(bytes.first<16>());
    if (!length) {
        return "not an export reply";
    }
    if (*length != bytes.size() - 16) {
        return "the reply is cut short or too long";
    }
    Reader in{bytes.subspan(16), {}};
    uint32_t written = 0;
    uint64_t blobs = 0;
    if (!in.u32(written) || written > 1 || !in.text(reply.message) ||
        !in.count(blobs, 2 * sizeof(uint64_t), 16)) {
        return in.error.empty() ? "a malformed reply" : in.error;
    }
    reply.written = written == 1;
    reply.blobs.resize(blobs);
    for (ExportReply::Blob& blob : reply.blobs) {
        if (!in.text(blob.suffix) || !in.view(blob.bytes, UINT64_MAX)) {
            return in.error;
        }
    }
    if (!in.rest.empty()) {
        return "bytes after the reply";
    }
    return std::nullopt;
}
