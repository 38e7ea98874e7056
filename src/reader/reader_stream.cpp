#include "reader/reader_stream.h"

#include <cmath>
#include <cstring>

namespace {

// The first bytes of every reply: a stream from anything else is not taken for one.
constexpr uint32_t REPLY_MAGIC = 0x524c5354;  // "TSLR"
constexpr uint32_t REPLY_VERSION = 1;

void append(std::vector<std::byte>& out, const void* data, size_t count) {
    const auto* bytes = static_cast<const std::byte*>(data);
    out.insert(out.end(), bytes, bytes + count);
}

void appendU32(std::vector<std::byte>& out, uint32_t value) {
    append(out, &value, sizeof value);
}

void appendU64(std::vector<std::byte>& out, uint64_t value) {
    append(out, &value, sizeof value);
}

template <typename T>
void appendList(std::vector<std::byte>& out, const std::vector<T>& list) {
    appendU64(out, list.size());
    append(out, list.data(), list.size() * sizeof(T));
}

bool finite(const Vec3d& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool within(const IndexTriple& t, size_t size) {
    const auto in = [size](int32_t i) { return i >= 0 && static_cast<size_t>(i) < size; };
    return in(t.a) && in(t.b) && in(t.c);
}

}  // namespace

void encodeText(std::string_view text, std::vector<std::byte>& out) {
    appendU64(out, text.size());
    append(out, text.data(), text.size());
}

void encodeMeshLists(const MeshLists& lists, std::vector<std::byte>& out) {
    appendList(out, lists.points);
    appendList(out, lists.normals);
    appendList(out, lists.coordIndex);
    appendList(out, lists.normalIndex);
    appendU64(out, lists.twoSidedTriangles);
}

bool StreamReader::fail(std::string why) {
    if (error.empty()) {
        error = std::move(why);
    }
    return false;
}

bool StreamReader::bytes(void* out, size_t count) {
    if (count > rest.size()) {
        return fail("the stream is cut short");
    }
    if (count > 0) {
        std::memcpy(out, rest.data(), count);
    }
    rest = rest.subspan(count);
    return true;
}

bool StreamReader::u32(uint32_t& value) {
    return bytes(&value, sizeof value);
}

bool StreamReader::u64(uint64_t& value) {
    return bytes(&value, sizeof value);
}

bool StreamReader::count(uint64_t& value, uint64_t limit, size_t itemBytes, const char* what) {
    if (!u64(value)) {
        return false;
    }
    if (value > limit) {
        return fail("more " + std::string(what) + " than the limit of " + std::to_string(limit));
    }
    if (value > rest.size() / itemBytes) {
        return fail("the stream is cut short");
    }
    return true;
}

bool StreamReader::text(std::string& out) {
    uint64_t size = 0;
    if (!count(size, limits.textBytes, 1, "text bytes")) {
        return false;
    }
    out.resize(size);
    return bytes(out.data(), size);
}

bool StreamReader::meshLists(MeshLists& out) {
    uint64_t size = 0;
    MeshLists lists;
    if (!count(size, limits.points, sizeof(Vec3d), "points")) {
        return false;
    }
    lists.points.resize(size);
    bytes(lists.points.data(), size * sizeof(Vec3d));
    if (!count(size, limits.points, sizeof(Vec3d), "normals")) {
        return false;
    }
    lists.normals.resize(size);
    bytes(lists.normals.data(), size * sizeof(Vec3d));
    if (!count(size, limits.triangles, sizeof(IndexTriple), "triangles")) {
        return false;
    }
    lists.coordIndex.resize(size);
    bytes(lists.coordIndex.data(), size * sizeof(IndexTriple));
    if (!count(size, limits.triangles, sizeof(IndexTriple), "normal triples")) {
        return false;
    }
    lists.normalIndex.resize(size);
    bytes(lists.normalIndex.data(), size * sizeof(IndexTriple));
    uint64_t twoSided = 0;
    if (!u64(twoSided)) {
        return false;
    }
    for (const Vec3d& v : lists.points) {
        if (!finite(v)) {
            return fail("a point that is not a finite number");
        }
    }
    for (const Vec3d& v : lists.normals) {
        if (!finite(v)) {
            return fail("a normal that is not a finite number");
        }
    }
    for (const IndexTriple& t : lists.coordIndex) {
        if (!within(t, lists.points.size())) {
            return fail("a triangle with a corner outside the points");
        }
    }
    if (!lists.normalIndex.empty() && lists.normalIndex.size() != lists.coordIndex.size()) {
        return fail("normal triples that do not match the triangles");
    }
    for (const IndexTriple& t : lists.normalIndex) {
        if (!within(t, lists.normals.size())) {
            return fail("a normal triple outside the normals");
        }
    }
    if (twoSided > lists.coordIndex.size()) {
        return fail("more two-sided triangles than triangles");
    }
    lists.twoSidedTriangles = static_cast<size_t>(twoSided);
    out = std::move(lists);
    return true;
}

std::vector<std::byte> encodeReply(const ReaderReply& reply) {
    std::vector<std::byte> out;
    appendU32(out, REPLY_MAGIC);
    appendU32(out, REPLY_VERSION);
    appendU32(out, static_cast<uint32_t>(reply.status));
    encodeText(reply.note, out);
    encodeMeshLists(reply.lists, out);
    return out;
}

std::optional<std::string> decodeReply(std::span<const std::byte> bytes, ReaderReply& reply,
                                       const StreamLimits& limits) {
    StreamReader in{bytes, limits, {}};
    uint32_t magic = 0, version = 0, status = 0;
    ReaderReply decoded;
    if (in.u32(magic) && magic != REPLY_MAGIC) {
        in.fail("not a reply of the reader process");
    } else if (in.u32(version) && version != REPLY_VERSION) {
        in.fail("a reply of another version of the reader process");
    } else if (in.u32(status) && status > static_cast<uint32_t>(ReaderReply::Status::Rejected)) {
        in.fail("an unknown status");
    } else if (in.text(decoded.note) && in.meshLists(decoded.lists) && !in.rest.empty()) {
        in.fail("bytes after the end of the reply");
    }
    if (!in.error.empty()) {
        return in.error;
    }
    decoded.status = static_cast<ReaderReply::Status>(status);
    reply = std::move(decoded);
    return std::nullopt;
}
