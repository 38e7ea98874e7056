#include "library/face_set_stream.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr uint32_t MAGIC = 0x54565331;  // "TVS1"

enum Tag : uint32_t { VECTORS = 1, INDICES, PLACEMENT, REJECTED, END };

// Every record: tag, padding, element count, then the elements, padded to 4 bytes.
struct RecordHeader {
    uint32_t tag;
    uint32_t unused;
    uint64_t count;
};

constexpr size_t BUFFER_SIZE = 1 << 16;

size_t padded(size_t bytes) {
    return (bytes + 3) & ~size_t{3};
}

}  // namespace

FaceSetWriter::FaceSetWriter(int descriptor) : fd(descriptor) {
    buffer.reserve(BUFFER_SIZE);
    write(&MAGIC, sizeof MAGIC);
}

void FaceSetWriter::vectors(const Vec3f* data, size_t count) {
    record(VECTORS, count, data, count * sizeof(Vec3f));
}

void FaceSetWriter::indices(const int32_t* data, size_t count) {
    record(INDICES, count, data, count * sizeof(int32_t));
}

void FaceSetWriter::placement(const FaceSetPlacement& placement) {
    record(PLACEMENT, 1, &placement, sizeof placement);
}

void FaceSetWriter::rejected(std::string_view why) {
    record(REJECTED, why.size(), why.data(), why.size());
}

bool FaceSetWriter::end() {
    record(END, 0, nullptr, 0);
    flush();
    return ok;
}

void FaceSetWriter::record(uint32_t tag, uint64_t count, const void* data, size_t bytes) {
    const RecordHeader header{tag, 0, count};
    write(&header, sizeof header);
    write(data, bytes);
    static const char zeros[4] = {};
    write(zeros, padded(bytes) - bytes);
}

// Small pieces gather in the buffer; a list larger than the buffer goes out in one call.
void FaceSetWriter::write(const void* data, size_t bytes) {
    if (buffer.size() + bytes > BUFFER_SIZE) {
        flush();
    }
    if (bytes >= BUFFER_SIZE) {
        writeAll(data, bytes);
        return;
    }
    const char* from = static_cast<const char*>(data);
    buffer.insert(buffer.end(), from, from + bytes);
}

void FaceSetWriter::flush() {
    writeAll(buffer.data(), buffer.size());
    buffer.clear();
}

void FaceSetWriter::writeAll(const void* data, size_t bytes) {
    const char* next = static_cast<const char*>(data);
    while (ok && bytes > 0) {
        const ssize_t done = ::write(fd, next, bytes);
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            ok = false;
            return;
        }
        next += done;
        bytes -= static_cast<size_t>(done);
    }
}

bool decodeFaceSets(std::string_view bytes, FaceSets& sets, std::string& rejection) {
    uint32_t magic = 0;
    if (bytes.size() < sizeof magic) {
        return false;
    }
    std::memcpy(&magic, bytes.data(), sizeof magic);
    if (magic != MAGIC) {
        return false;
    }
    size_t pos = sizeof magic;
    while (bytes.size() - pos >= sizeof(RecordHeader)) {
        RecordHeader header;
        std::memcpy(&header, bytes.data() + pos, sizeof header);
        pos += sizeof header;
        const char* data = bytes.data() + pos;
        const size_t left = bytes.size() - pos;
        auto take = [&](size_t elementSize) {
            if (header.count > left / elementSize || padded(header.count * elementSize) > left) {
                return false;
            }
            pos += padded(header.count * elementSize);
            return true;
        };
        switch (header.tag) {
            case VECTORS:
                if (!take(sizeof(Vec3f))) {
                    return false;
                }
                sets.vectors.emplace_back(reinterpret_cast<const Vec3f*>(data), header.count);
                break;
            case INDICES:
                if (!take(sizeof(int32_t))) {
                    return false;
                }
                sets.indices.emplace_back(reinterpret_cast<const int32_t*>(data), header.count);
                break;
            case PLACEMENT: {
                if (header.count != 1 || !take(sizeof(FaceSetPlacement))) {
                    return false;
                }
                FaceSetPlacement placement;
                std::memcpy(&placement, data, sizeof placement);
                sets.placements.push_back(placement);
                break;
            }
            case REJECTED:
                if (!take(1)) {
                    return false;
                }
                rejection.assign(data, header.count);
                break;
            case END:
                return pos == bytes.size();
            default:
                return false;
        }
    }
    return false;
}
