#include "scenefile/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The coarse clock is the one that stamps files, so it compares fairly with their times.
timespec now() {
    timespec t{};
    clock_gettime(CLOCK_REALTIME_COARSE, &t);
    return t;
}

// Temporary files older than this were left by an earlier run that was killed part-way.
const timespec programStart = now();

constexpr const char* TEMPORARY_MARK = ".tessaly-save-";
constexpr const char* TEMPORARY_END = ".tmp";

// Follows a chain of symbolic links to the path that is finally written, whether it exists or
// not. A relative link target counts from the folder that holds the link; the path is never
// normalised, so ".." after a linked folder means what the kernel takes it to mean. Nothing when
// the chain is longer than the kernel itself would follow or a link cannot be read; `error` then
// holds why.
std::optional<std::string> finalTarget(const std::string& path, int& error) {
    fs::path current = path;
    for (int hop = 0; hop <= 40; ++hop) {
        struct stat info {};
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return current.string();
        }
        std::error_code readError;
        const fs::path next = fs::read_symlink(current, readError);
        if (readError || next.empty()) {
            error = readError ? readError.value() : ENOENT;
            return std::nullopt;
        }
        current = current.parent_path() / next;
    }
    error = ELOOP;
    return std::nullopt;
}

std::string folderOf(const std::string& target) {
    const std::string folder = fs::path(target).parent_path().string();
    return folder.empty() ? "." : folder;
}

// ".<name>.tessaly-save-": a user who finds a left-over file can tell what it was for. A long
// name is cut (at a character boundary) so that the whole fits the file system's name limit.
std::string temporaryPrefix(const std::string& target) {
    const std::string name = fs::path(target).filename().string();
    size_t keep = std::min<size_t>(name.size(), 200);
    while (keep > 0 && keep < name.size() &&
           (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) {
        --keep;
    }
    return std::string(".").append(name, 0, keep).append(TEMPORARY_MARK);
}

// Whether `entry` is "<prefix><pid>.tmp" or "<prefix><pid>-<n>.tmp", as createTemporaryBeside
// names them.
bool isTemporaryOf(std::string_view entry, std::string_view prefix) {
    const std::string_view end = TEMPORARY_END;
    if (entry.size() <= prefix.size() + end.size() || !entry.starts_with(prefix) ||
        !entry.ends_with(end)) {
        return false;
    }
    std::string_view number =
        entry.substr(prefix.size(), entry.size() - prefix.size() - end.size());
    bool dash = false;
    for (size_t i = 0; i < number.size(); ++i) {
        const char c = number[i];
        if (c == '-' && !dash && i > 0 && i + 1 < number.size()) {
            dash = true;
        } else if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// The process id in a temporary name that isTemporaryOf accepted, or 0.
pid_t writerOf(std::string_view entry, std::string_view prefix) {
    long id = 0;
    for (size_t i = prefix.size(); i < entry.size() && entry[i] >= '0' && entry[i] <= '9'; ++i) {
        id = id * 10 + (entry[i] - '0');
        if (id > 1L << 30) {
            return 0;
        }
    }
    return static_cast<pid_t>(id);
}

// Whether the save that named a temporary after `writer` has certainly ended: no such process
// runs (one of another user still counts as running).
bool writerGone(pid_t writer) {
    return writer > 0 && writer != getpid() && kill(writer, 0) != 0 && errno == ESRCH;
}

// A file untouched for this long is not being written; a younger one may belong to a save of
// another machine sharing the folder, whose process ids mean nothing here.
constexpr time_t QUIET_SECONDS = 1;

bool quietSince(const timespec& t) {
    return now().tv_sec - t.tv_sec > QUIET_SECONDS;
}

bool olderThanProgram(const timespec& t) {
    return t.tv_sec < programStart.tv_sec ||
           (t.tv_sec == programStart.tv_sec && t.tv_nsec < programStart.tv_nsec);
}

// Removes our own temporary files for the same target that a killed save left behind: those from
// before this program started, and those whose writer no longer runs. Files of other users, and
// any other written since this program started (another save may be running), stay.
void removeStaleTemporaries(const std::string& target) {
    DIR* folder = opendir(folderOf(target).c_str());
    if (folder == nullptr) {
        return;
    }
    const std::string prefix = temporaryPrefix(target);
    const int folderFd = dirfd(folder);
    while (const dirent* entry = readdir(folder)) {
        if (!isTemporaryOf(entry->d_name, prefix)) {
            continue;
        }
        struct stat info {};
        if (fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && info.st_uid == geteuid() &&
            (olderThanProgram(info.st_mtim) ||
             (writerGone(writerOf(entry->d_name, prefix)) && quietSince(info.st_mtim)))) {
            unlinkat(folderFd, entry->d_name, 0);
        }
    }
    closedir(folder);
}

// Opens a new file named after the target and this process in the target's folder, created with
// `mode` (less the umask), or returns -1 with errno set.
int createTemporaryBeside(const std::string& target, mode_t mode, std::string& tempPath) {
    const std::string start =
        (folderOf(target) + "/") + temporaryPrefix(target) + std::to_string(getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = start;
        if (attempt != 0) {
            tempPath.append("-").append(std::to_string(attempt));
        }
        tempPath.append(TEMPORARY_END);
        const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Failures that mean the folder may not be changed (no new entry, no rename over the target),
// while the target itself may still be written.
bool folderRefuses(int error) {
    return error == EACCES || error == EPERM || error == EROFS || error == EBUSY;
}

bool writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = write(fd, content.data(), content.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        content.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Writes a file's whole content at the descriptor's position; false with errno set on failure.
struct Content {
    std::string_view whole;                    // the content, when it is held in memory
    const ContentProducer* produce = nullptr;  // otherwise, what writes it piece by piece

    bool writeTo(int fd, uint64_t& size) const {
        if (produce == nullptr) {
            size = whole.size();
            return writeAll(fd, whole);
        }
        size = 0;
        bool written = true;
        const bool produced = (*produce)([fd, &size, &written](std::string_view piece) {
            written = written && writeAll(fd, piece);
            size += piece.size();
            return written;
        });
        if (written && !produced) {
            errno = ECANCELED;
        }
        return written && produced;
    }
};

bool overwrite(int fd, const Content& content) {
    uint64_t size = 0;
    return lseek(fd, 0, SEEK_SET) == 0 && content.writeTo(fd, size) &&
           ftruncate(fd, static_cast<off_t>(size)) == 0 && fsync(fd) == 0;
}

PreviousContentKeeper& previousContentKeeper() {
    static PreviousContentKeeper keeper;
    return keeper;
}

// Writes the open target itself, as opening it for writing would. Room is reserved first where the
// file system can, so that a full disk is mostly found before the old content is touched; a write
// that fails later puts the old content back if it could be read. `error` holds why it failed.
bool writeInPlace(int fd, const std::string& target, const Content& content, int& error) {
    if (!content.whole.empty() &&
        fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(content.whole.size())) != 0 &&
        (errno == ENOSPC || errno == EDQUOT || errno == EFBIG)) {
        error = errno;
        return false;
    }
    const auto previous = readWholeFile(target);
    // A kill during the write would leave neither version whole: the old one is kept first.
    std::function<void()> releaseKept;
    if (previous && previousContentKeeper()) {
        releaseKept = previousContentKeeper()(target, *previous);
        if (!releaseKept) {
            error = errno != 0 ? errno : EIO;
            return false;
        }
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) {
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    if (overwrite(fd, content)) {
        if (releaseKept) {
            releaseKept();
        }
        return true;
    }
    error = errno;
    if (previous && overwrite(fd, Content{*previous}) && releaseKept) {
        releaseKept();
    }
    return false;
}

// Writes a temporary file, with `mode` where given, and renames it over the target. On failure the
// temporary file is gone, `error` holds why and `renameError` holds the rename's errno, or 0 if it
// never ran.
bool replaceThroughTemporary(int fd, const std::string& tempPath, const std::string& target,
                             std::optional<mode_t> mode, const Content& content, int& renameError,
                             int& error) {
    renameError = 0;
    uint64_t size = 0;
    bool ok = (!mode || fchmod(fd, *mode) == 0) && content.writeTo(fd, size) && fsync(fd) == 0;
    if (!ok) {
        error = errno;
    }
    if (close(fd) != 0 && ok) {
        error = errno;
        ok = false;
    }
    if (ok && rename(tempPath.c_str(), target.c_str()) != 0) {
        renameError = errno;
        error = errno;
        ok = false;
    }
    if (!ok) {
        unlink(tempPath.c_str());
        return false;
    }
    // Make the rename itself durable; the new content is complete either way.
    const int folderFd = open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        fsync(folderFd);
        close(folderFd);
    }
    return true;
}

}  // namespace

void keepPreviousContentWith(PreviousContentKeeper keeper) {
    previousContentKeeper() = std::move(keeper);
}

std::string errorText(int error) {
    // The English description whatever the locale, as the rest of the panel's text.
    const char* description = error != 0 ? strerrordesc_np(error) : "unknown failure";
    std::string text = description != nullptr ? description : "error " + std::to_string(error);
    // "Permission denied" reads "permission denied" after a colon; a leading acronym stays.
    if (text.size() > 1 && text[0] >= 'A' && text[0] <= 'Z' && text[1] >= 'a' && text[1] <= 'z') {
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
}

std::optional<std::string> readWholeFile(const std::string& path) {
    std::string ignored;
    return readWholeFile(path, ignored);
}

std::optional<std::string> readWholeFile(const std::string& path, std::string& reason) {
    reason.clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        reason = "cannot read: " + errorText(errno);
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
                reason = "cannot read: " + errorText(errno);
                break;
            }
        }
    } else {
        reason = "cannot read: not a regular file";
    }
    close(fd);
    return content;
}

bool writeAllAndSync(int fd, std::string_view content) {
    return writeAll(fd, content) && fsync(fd) == 0;
}

bool writeFileAtomically(const std::string& path, std::string_view content) {
    std::string ignored;
    return writeFileAtomically(path, content, ignored);
}

namespace {

bool writeContentAtomically(const std::string& path, const Content& content, std::string& reason) {
    reason.clear();
    const auto fail = [&reason](const std::string& why) {
        reason = "cannot write: " + why;
        return false;
    };
    if (path.empty()) {
        return fail("no file name");
    }
    int error = 0;
    const auto target = finalTarget(path, error);
    if (!target) {
        return fail(errorText(error));
    }
    // An existing target must be a regular file that this user may open for writing, exactly as
    // a plain open for writing would demand; the open descriptor serves a write in place.
    // O_NONBLOCK: a file swapped for a FIFO, or a lease held by another program, never blocks.
    int targetFd = -1;
    struct stat existing {};
    if (stat(target->c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode)) {
            return fail("not a regular file");
        }
        targetFd = open(target->c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (targetFd < 0) {
            return fail(errorText(errno));
        }
        if (fstat(targetFd, &existing) != 0 || !S_ISREG(existing.st_mode)) {
            close(targetFd);
            return fail("not a regular file");
        }
    } else if (errno != ENOENT) {
        return fail(errorText(errno));
    }

    removeStaleTemporaries(*target);
    std::string tempPath;
    // A new file gets the mode that creating it in place would give (0666 less the umask, which
    // the kernel applies: reading the umask means setting it, which races with other threads).
    // A replaced file keeps its mode, set on the descriptor once nobody else can open it.
    const bool replacing = targetFd >= 0;
    const int fd = createTemporaryBeside(*target, replacing ? 0600 : 0666, tempPath);
    bool ok = false;
    if (fd >= 0) {
        const std::optional<mode_t> mode =
            replacing ? std::optional<mode_t>(existing.st_mode & 07777) : std::nullopt;
        int renameError = 0;
        ok = replaceThroughTemporary(fd, tempPath, *target, mode, content, renameError, error);
        // A sticky folder or a mounted file: the name cannot be replaced, the file can be written.
        if (!ok && targetFd >= 0 && folderRefuses(renameError)) {
            ok = writeInPlace(targetFd, *target, content, error);
        }
    } else {
        error = errno;
        if (targetFd >= 0 && folderRefuses(error)) {
            ok = writeInPlace(targetFd, *target, content, error);
        }
    }
    if (targetFd >= 0 && close(targetFd) != 0 && ok) {
        error = errno;
        ok = false;
    }
    return ok || fail(errorText(error));
}

}  // namespace

bool writeFileAtomically(const std::string& path, std::string_view content, std::string& reason) {
    return writeContentAtomically(path, Content{content}, reason);
}

bool writeFileAtomically(const std::string& path, const ContentProducer& produce,
                         std::string& reason) {
    return writeContentAtomically(path, Content{{}, &produce}, reason);
}
