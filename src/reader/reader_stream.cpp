#include "reader/reader_stream.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace {

// The first bytes of every reply: a stream from anything else is not taken for one.
constexpr uint32_t REPLY_MAGIC = 0x524c5354;  // "TSLR"
constexpr uint32_t REPLY_VERSION = 1;

// Asks for huge pages under a large list before it is first touched: a fault per small page
// costs about as much as reading the list from the pipe. Only whole huge pages inside the block
// are marked; where the system has none to give, nothing changes.
void inHugePages(void* block, size_t bytes) {
    constexpr uintptr_t HUGE_PAGE = 2u << 20;
    const auto start = reinterpret_cast<uintptr_t>(block);
    const uintptr_t from = (start + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    const uintptr_t to = (start + bytes) & ~(HUGE_PAGE - 1);
    if (to > from) {
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    }
}

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

// Why drawing could not use the lists, or nothing when it can.
std::optional<std::string> unsoundLists(const MeshLists& lists) {
    for (const Vec3d& v : lists.points) {
        if (!finite(v)) {
            return "a point that is not a finite number";
        }
    }
    for (const Vec3d& v : lists.normals) {
        if (!finite(v)) {
            return "a normal that is not a finite number";
        }
    }
    for (const IndexTriple& t : lists.coordIndex) {
        if (!within(t, lists.points.size())) {
            return "a triangle with a corner outside the points";
        }
    }
    // Drawing takes triangle i's corner normals from triple i: every triangle needs one.
    if (lists.normalIndex.size() != lists.coordIndex.size()) {
        return "normal triples that do not match the triangles";
    }
    for (const IndexTriple& t : lists.normalIndex) {
        if (!within(t, lists.normals.size())) {
            return "a normal triple outside the normals";
        }
    }
    if (lists.twoSidedTriangles > lists.coordIndex.size()) {
        return "more two-sided triangles than triangles";
    }
    return std::nullopt;
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
    lists.twoSidedTriangles = static_cast<size_t>(twoSided);
    if (std::optional<std::string> why = unsoundLists(lists)) {
        return fail(*why);
    }
    out = std::move(lists);
    return true;
}

void encodeReplyInParts(const ReaderReply& reply,
                        const std::function<void(std::span<const std::byte>)>& put) {
    std::vector<std::byte> head;
    appendU32(head, REPLY_MAGIC);
    appendU32(head, REPLY_VERSION);
    appendU32(head, static_cast<uint32_t>(reply.status));
    encodeText(reply.note, head);
    const auto list = [&](const auto& items) {
        appendU64(head, items.size());
        put(head);
        head.clear();
        put(std::as_bytes(std::span(items)));
    };
    list(reply.lists.points);
    list(reply.lists.normals);
    list(reply.lists.coordIndex);
    list(reply.lists.normalIndex);
    appendU64(head, reply.lists.twoSidedTriangles);
    put(head);
}

std::vector<std::byte> encodeReply(const ReaderReply& reply) {
    std::vector<std::byte> out;
    encodeReplyInParts(reply, [&](std::span<const std::byte> part) {
        out.insert(out.end(), part.begin(), part.end());
    });
    return out;
}

// The parts of a reply in order: magic, version, status, note (count, bytes), the four lists
// (count, items each), the two-sided count.
namespace {
enum Field {
    MAGIC,
    VERSION,
    STATUS,
    NOTE_SIZE,
    NOTE,
    POINT_COUNT,
    POINTS,
    NORMAL_COUNT,
    NORMALS,
    TRIANGLE_COUNT,
    TRIANGLES,
    NORMAL_TRIPLE_COUNT,
    NORMAL_TRIPLES,
    TWO_SIDED,
    END,
};

// A list's bytes are read this many at a time: small enough to stay in the cache.
constexpr size_t ARRIVING_BYTES = 256 * 1024;
}  // namespace

bool ReplyReader::fieldDone() {
    uint32_t small = 0;
    uint64_t count = 0;
    std::memcpy(&small, fixed, sizeof small);
    std::memcpy(&count, fixed, sizeof count);
    MeshLists& lists = building.lists;
    // Where the next part goes and how long it is; counts are checked before allocating.
    const auto next = [&](void* to, size_t bytes) {
        target = static_cast<std::byte*>(to);
        remaining = bytes;
    };
    const auto list = [&](auto& vector, uint64_t limit, const char* what) {
        if (count > limit) {
            error = "more " + std::string(what) + " than the limit of " + std::to_string(limit);
            return false;
        }
        if (count > (knownSize - taken) / sizeof(vector[0])) {
            error = "the stream is cut short";
            return false;
        }
        vector.clear();
        vector.reserve(static_cast<size_t>(count));
        inHugePages(vector.data(), vector.capacity() * sizeof(vector[0]));
        next(nullptr, static_cast<size_t>(count) * sizeof(vector[0]));
        arrivingList = count > 0 ? field : -1;
        if (arrivingList >= 0 && !arriving) {
            // Room for at least one item; a short reply known beforehand needs no more.
            arrivingSize = std::max<size_t>(std::min(ARRIVING_BYTES, knownSize - taken), 32);
            arriving = std::make_unique_for_overwrite<std::byte[]>(arrivingSize);
        }
        return true;
    };
    switch (field++) {
        case MAGIC:
            if (small != REPLY_MAGIC) {
                error = "not a reply of the reader process";
                return false;
            }
            next(fixed, 4);
            return true;
        case VERSION:
            if (small != REPLY_VERSION) {
                error = "a reply of another version of the reader process";
                return false;
            }
            next(fixed, 4);
            return true;
        case STATUS:
            if (small > static_cast<uint32_t>(ReaderReply::Status::Rejected)) {
                error = "an unknown status";
                return false;
            }
            building.status = static_cast<ReaderReply::Status>(small);
            next(fixed, 8);
            return true;
        case NOTE_SIZE:
            if (count > limits.textBytes) {
                error = "more text bytes than the limit of " + std::to_string(limits.textBytes);
                return false;
            }
            building.note.resize(static_cast<size_t>(count));
            next(building.note.data(), building.note.size());
            return true;
        case POINT_COUNT:
            return list(lists.points, limits.points, "points");
        case NORMAL_COUNT:
            return list(lists.normals, limits.points, "normals");
        case TRIANGLE_COUNT:
            return list(lists.coordIndex, limits.triangles, "triangles");
        case NORMAL_TRIPLE_COUNT:
            return list(lists.normalIndex, limits.triangles, "normal triples");
        case TWO_SIDED:
            lists.twoSidedTriangles = static_cast<size_t>(count);
            if (count > lists.coordIndex.size()) {
                error = "more two-sided triangles than triangles";
                return false;
            }
            next(nullptr, 0);
            return true;
        default:  // a list or the note is complete: the next count follows
            next(fixed, 8);
            return true;
    }
}

std::span<std::byte> ReplyReader::space() {
    while (error.empty() && remaining == 0 && field < END) {
        if (!fieldDone()) {
            return {};
        }
    }
    if (!error.empty()) {
        return {};
    }
    if (arrivingList >= 0) {
        return {arriving.get() + arrived, std::min(arrivingSize - arrived, remaining)};
    }
    return {target, remaining};
}

// Appends the whole items that have arrived to the list they belong to; the bytes of a partial
// item wait at the front for the rest of it. Each item is checked first, while it is in the
// cache (the lists an index points into arrived before it): the finished lists need no second
// pass.
void ReplyReader::appendArrived() {
    const auto append = [&](auto& vector, const auto& sound, const char* unsound) {
        using Item = std::remove_reference_t<decltype(vector[0])>;
        const size_t whole = arrived / sizeof(Item);
        const auto* items = reinterpret_cast<const Item*>(arriving.get());
        if (!std::all_of(items, items + whole, sound)) {
            error = unsound;
            return;
        }
        vector.insert(vector.end(), items, items + whole);
        const size_t used = whole * sizeof(Item);
        std::memmove(arriving.get(), arriving.get() + used, arrived - used);
        arrived -= used;
    };
    MeshLists& lists = building.lists;
    const auto isFinite = [](const Vec3d& v) { return finite(v); };
    const auto toPoint = [&](const IndexTriple& t) { return within(t, lists.points.size()); };
    const auto toNormal = [&](const IndexTriple& t) { return within(t, lists.normals.size()); };
    switch (arrivingList) {
        case POINTS:
            append(lists.points, isFinite, "a point that is not a finite number");
            break;
        case NORMALS:
            append(lists.normals, isFinite, "a normal that is not a finite number");
            break;
        case TRIANGLES:
            append(lists.coordIndex, toPoint, "a triangle with a corner outside the points");
            break;
        default:
            append(lists.normalIndex, toNormal, "a normal triple outside the normals");
            break;
    }
    if (remaining == 0) {
        arrivingList = -1;
    }
}

bool ReplyReader::advance(size_t count) {
    remaining -= count;
    taken += count;
    if (arrivingList >= 0) {
        arrived += count;
        appendArrived();
    } else {
        target += count;
    }
    return error.empty();
}

bool ReplyReader::take(std::span<const std::byte> bytes) {
    for (;;) {
        const std::span<std::byte> room = space();
        if (!error.empty()) {
            return false;
        }
        if (bytes.empty()) {
            return true;
        }
        if (room.empty()) {
            error = "bytes after the end of the reply";
            return false;
        }
        const size_t part = std::min(room.size(), bytes.size());
        std::memcpy(room.data(), bytes.data(), part);
        advance(part);
        bytes = bytes.subspan(part);
    }
}

std::optional<std::string> ReplyReader::finish(ReaderReply& reply) {
    if (error.empty() && (remaining > 0 || field < END)) {
        take({});
    }
    if (error.empty() && (remaining > 0 || field < END)) {
        error = "the stream is cut short";
    }
    // The items were checked as they arrived; what is left is whether the lists fit together.
    if (error.empty() && building.lists.normalIndex.size() != building.lists.coordIndex.size()) {
        error = "normal triples that do not match the triangles";
    }
    if (!error.empty()) {
        return error;
    }
    reply = std::move(building);
    building = {};
    return std::nullopt;
}

std::optional<std::string> decodeReply(std::span<const std::byte> bytes, ReaderReply& reply,
                                       const StreamLimits& limits) {
    ReplyReader reader(limits);
    reader.knownSize = bytes.size();
    reader.take(bytes);
    return reader.finish(reply);
}
