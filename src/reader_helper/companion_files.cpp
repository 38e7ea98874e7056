#include "reader_helper/companion_files.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// A file Assimp reads: a view of the model's bytes, or companion bytes it owns.
struct BufferStream : Assimp::IOStream {
    std::vector<char> owned;
    std::span<const char> bytes;
    size_t at = 0;

    size_t Read(void* buffer, size_t size, size_t count) override {
        if (size == 0) {
            return 0;
        }
        const size_t items = std::min(count, (bytes.size() - at) / size);
        std::memcpy(buffer, bytes.data() + at, items * size);
        at += items * size;
        return items;
    }
    size_t Write(const void*, size_t, size_t) override { return 0; }
    aiReturn Seek(size_t offset, aiOrigin origin) override {
        const size_t base = origin == aiOrigin_SET ? 0 : origin == aiOrigin_CUR ? at : bytes.size();
        if (offset > bytes.size() - base) {
            return aiReturn_FAILURE;
        }
        at = base + offset;
        return aiReturn_SUCCESS;
    }
    size_t Tell() const override { return at; }
    size_t FileSize() const override { return bytes.size(); }
    void Flush() override {}
};

// Assimp hands over names as the file wrote them, sometimes behind "./" or the model's own
// (empty) folder.
std::string withoutDotSlash(std::string name) {
    while (name.rfind("./", 0) == 0) {
        name.erase(0, 2);
    }
    return name;
}

bool climbsOut(const std::string& name) {
    size_t start = 0;
    while (start <= name.size()) {
        const size_t end = std::min(name.find('/', start), name.size());
        if (name.compare(start, end - start, "..") == 0 && end - start == 2) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

// Opens `name` beneath `folder`, never following a link out of it; -1 with errno otherwise.
int openBeneath(int folder, const std::string& name) {
    open_how how{};
    how.flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    const long fd = ::syscall(SYS_openat2, folder, name.c_str(), &how, sizeof how);
    if (fd >= 0 || errno != ENOSYS) {
        return static_cast<int>(fd);
    }
    // An older kernel: only names without a folder, and no link at all.
    if (name.find('/') != std::string::npos) {
        errno = EXDEV;
        return -1;
    }
    return ::openat(folder, name.c_str(),
                    O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
}

std::string kindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    return "not a regular file";
}

}  // namespace

CompanionFiles::CompanionFiles(std::string name, std::span<const char> bytes, int folderFd)
    : modelName(std::move(name)), modelBytes(bytes), folder(folderFd) {}

bool CompanionFiles::readCompanion(const std::string& file, std::vector<char>& bytes,
                                   std::string& why) const {
    if (folder < 0) {
        why = "no companion files are read here";
        return false;
    }
    if (file.empty() || file[0] == '/') {
        why = "an absolute path";
        return false;
    }
    if (climbsOut(file)) {
        why = "outside the model folder";
        return false;
    }
    const int fd = openBeneath(folder, file);
    if (fd < 0) {
        why = errno == EXDEV ? "outside the model folder" : std::strerror(errno);
        return false;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (ok && !S_ISREG(info.st_mode)) {
        why = kindOf(info.st_mode);
        ok = false;
    }
    if (ok) {
        bytes.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                break;
            }
            done += static_cast<size_t>(got);
        }
        bytes.resize(done);
    }
    ::close(fd);
    return ok;
}

bool CompanionFiles::Exists(const char* file) const {
    const std::string name = withoutDotSlash(file);
    if (name == modelName) {
        return true;
    }
    if (folder < 0 || name.empty() || name[0] == '/' || climbsOut(name)) {
        return false;
    }
    struct stat info {};
    return ::fstatat(folder, name.c_str(), &info, 0) == 0;
}

Assimp::IOStream* CompanionFiles::Open(const char* file, const char* mode) {
    if (std::strchr(mode, 'w') || std::strchr(mode, 'a') || std::strchr(mode, '+')) {
        return nullptr;
    }
    const std::string name = withoutDotSlash(file);
    auto* stream = new BufferStream;
    if (name == modelName) {
        stream->bytes = modelBytes;
        return stream;
    }
    std::string why;
    if (!readCompanion(name, stream->owned, why)) {
        if (refusals.size() < 8) {
            refusals.push_back(name.substr(0, 200) + " (" + why + ")");
        }
        delete stream;
        return nullptr;
    }
    stream->bytes = stream->owned;
    return stream;
}

void CompanionFiles::Close(Assimp::IOStream* stream) {
    delete stream;
}
