#include "scenefile/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>

namespace {

// The mode a file created with open(..., 0666) would get: the umask can only be read by setting it.
mode_t defaultFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

std::string resolveTarget(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_symlink(path, error)) {
        const auto target = std::filesystem::weakly_canonical(path, error);
        if (!error) {
            return target.string();
        }
    }
    return path;
}

// Opens a new hidden file with an unused name in the folder of `target`, or returns -1. The name
// does not grow with the target's, so a target name near the length limit still works.
int createTemporaryBeside(const std::string& target, std::string& tempPath) {
    const std::string folder = std::filesystem::path(target).parent_path().string();
    const std::string prefix = (folder.empty() ? std::string() : folder + "/") + ".tessaly-save-";
    std::random_device seed;
    std::mt19937 generator(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = prefix + std::to_string(generator() % 1000000000u);
        const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

}  // namespace

std::optional<std::string> readWholeFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    std::optional<std::string> content;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        std::string text;
        char buffer[65536];
        for (;;) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                text.append(buffer, static_cast<size_t>(n));
            } else if (n == 0) {
                content = std::move(text);
                break;
            } else if (errno != EINTR) {
                break;
            }
        }
    }
    close(fd);
    return content;
}

bool writeAllAndSync(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = write(fd, content.data(), content.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return false;
        }
        content.remove_prefix(static_cast<size_t>(n));
    }
    return fsync(fd) == 0;
}

bool writeFileAtomically(const std::string& path, std::string_view content) {
    if (path.empty()) {
        return false;
    }
    const std::string target = resolveTarget(path);
    std::string tempPath;
    const int fd = createTemporaryBeside(target, tempPath);
    if (fd < 0) {
        return false;
    }
    struct stat existing {};
    const bool replacing = stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    const mode_t mode = replacing ? (existing.st_mode & 07777) : defaultFileMode();
    bool ok = fchmod(fd, mode) == 0;
    ok = ok && writeAllAndSync(fd, content);
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(tempPath.c_str());
        return false;
    }
    // Make the rename itself durable; the new content is complete either way.
    const std::string folder = std::filesystem::path(target).parent_path().string();
    const int dirFd =
        open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}
