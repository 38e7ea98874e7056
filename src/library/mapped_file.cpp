#include "library/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Like a stream that meets a read error, what was read before it stays and the rest is lost.
void readAll(int fd, std::string& out) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return;
        }
        out.append(buffer, static_cast<size_t>(got));
    }
}

}  // namespace

MappedFile::~MappedFile() {
    if (text.mapping) {
        ::munmap(text.mapping, mappedLength);
    }
}

bool MappedFile::open(const std::string& path) {
    // O_NONBLOCK keeps a FIFO named like a model from blocking the start-up.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    void* mapping = MAP_FAILED;
    if (info.st_size > 0) {
        mapping = ::mmap(nullptr, static_cast<size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    }
    if (mapping != MAP_FAILED) {
        // Each section reader goes through the file front to back.
        ::madvise(mapping, static_cast<size_t>(info.st_size), MADV_SEQUENTIAL);
        mappedLength = static_cast<size_t>(info.st_size);
        text.mapping = mapping;
        text.bytes = {static_cast<const char*>(mapping), mappedLength};
    } else {
        readAll(fd, contents);
        text.bytes = contents;
    }
    ::close(fd);
    return true;
}
