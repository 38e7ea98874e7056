#include "library/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

#include "library/mapping_guard.h"

namespace {

// A file whose size the system does not report is read up to this many bytes. Only a file that
// grows without end (another process writing it as fast as it is read) reaches it; it is then
// treated as changed.
constexpr size_t UNSIZED_LIMIT = size_t{64} << 20;

// Reads up to `limit` bytes. Like a stream that meets a read error, what was read before it
// stays and the rest is lost. True when the limit was reached before the end of the file.
bool readUpTo(int fd, size_t limit, std::string& out) {
    char buffer[1 << 16];
    while (out.size() < limit) {
        const size_t wanted = std::min(sizeof buffer, limit - out.size());
        const ssize_t got = ::read(fd, buffer, wanted);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        out.append(buffer, static_cast<size_t>(got));
    }
    char more;
    return ::read(fd, &more, 1) > 0;
}

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

MappedFile::~MappedFile() {
    if (text.mapping) {
        ::munmap(text.mapping, mappedLength);
    }
    if (fd >= 0) {
        ::close(fd);
    }
}

bool MappedFile::open(const std::string& path) {
    // O_NONBLOCK keeps a FIFO named like a model from blocking the start-up.
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        return false;
    }
    const size_t size = static_cast<size_t>(opened.st_size);
    void* mapping = MAP_FAILED;
    if (size > 0) {
        mapping = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    }
    if (mapping != MAP_FAILED) {
        // Each section reader goes through the file front to back.
        ::madvise(mapping, size, MADV_SEQUENTIAL);
        mappedLength = size;
        text.mapping = mapping;
        text.bytes = {static_cast<const char*>(mapping), mappedLength};
    } else {
        cutShort = readUpTo(fd, size > 0 ? size : UNSIZED_LIMIT, contents);
        text.bytes = contents;
    }
    return true;
}

bool MappedFile::readUnchanged(const std::function<void()>& read) {
    bool pageLost = false;
    if (text.mapping) {
        MappingGuard guard(text.mapping, mappedLength);
        read();
        pageLost = guard.pageLost();
    } else {
        read();
    }
    struct stat now {};
    return !pageLost && !cutShort && ::fstat(fd, &now) == 0 && now.st_size == opened.st_size &&
           sameTime(now.st_mtim, opened.st_mtim);
}
