#include "scenefile/file_io.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "support/ordinary_user.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

// The umask is shared by every thread of the process (GTK's among them): a save must never change
// it, not even for a moment. Every call of this test program is counted, then passed on.
std::atomic<int> umaskCalls{0};
extern "C" mode_t umask(mode_t mask) noexcept {
    ++umaskCalls;
    return static_cast<mode_t>(syscall(SYS_umask, mask));
}

namespace {

// A private folder per test, removed afterwards.
struct FileIoTest : testing::Test, TempFolder {
    FileIoTest() : TempFolder("tessaly-fileio") {}

    // Every entry of the folder: a failed save must leave no temporary file behind.
    size_t entries(const std::string& sub = "") const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder / sub), {}));
    }
};

// Starts a save of a megabyte to `file` in a child process whose file-size limit's signal ends
// it half-way, as a kill would; the child's id, for the caller to wait for.
pid_t startSaveEndedHalfWay(const std::string& file) {
    const pid_t writer = fork();
    if (writer == 0) {
        rlimit none{0, 0};
        rlimit small{4096, 4096};
        setrlimit(RLIMIT_CORE, &none);
        setrlimit(RLIMIT_FSIZE, &small);
        std::signal(SIGXFSZ, SIG_DFL);
        writeFileAtomically(file, std::string(1 << 20, '7'));
        _exit(0);
    }
    return writer;
}

std::optional<bool> writeAsOrdinaryUser(const std::string& path, const std::string& content) {
    return runAsOrdinaryUser([&] { return writeFileAtomically(path, content); });
}

// Whether an ordinary user's write is refused for want of permission, and says so.
std::optional<bool> deniedToOrdinaryUser(const std::string& path) {
    return runAsOrdinaryUser([&] {
        std::string reason;
        return !writeFileAtomically(path, "new", reason) &&
               reason == "cannot write: permission denied";
    });
}

ino_t inode(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// Writes 1 MB under a file-size limit of 4 KB: write() fails with EFBIG part-way, as it fails
// with ENOSPC on a full disk.
bool writeUnderSizeLimit(const std::string& path, std::string& reason) {
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = writeFileAtomically(path, std::string(1 << 20, '7'), reason);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    return written;
}

void setFileTime(const std::string& path, time_t seconds) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

}  // namespace

TEST_F(FileIoTest, WritesNewFileAndReplacesOldOne) {
    ASSERT_TRUE(writeFileAtomically(path("a.vsf"), "first"));
    EXPECT_EQ(readWholeFile(path("a.vsf")), "first");
    ASSERT_TRUE(writeFileAtomically(path("a.vsf"), "second, shorter? no: longer"));
    EXPECT_EQ(readWholeFile(path("a.vsf")), "second, shorter? no: longer");
    ASSERT_TRUE(writeFileAtomically(path("a.vsf"), ""));
    EXPECT_EQ(readWholeFile(path("a.vsf")), "");
    // The longest name the file system allows: the temporary name is cut to fit.
    const std::string longest = std::string(251, 'n') + ".vsf";
    ASSERT_TRUE(writeFileAtomically(path(longest), "long"));
    ASSERT_TRUE(writeFileAtomically(path(longest), "longer"));
    EXPECT_EQ(readWholeFile(path(longest)), "longer");
    EXPECT_EQ(entries(), 2u);
}

TEST_F(FileIoTest, ModeOfNewAndReplacedFiles) {
    const mode_t mask = umask(022);
    ASSERT_TRUE(writeFileAtomically(path("new.vsf"), "x"));
    EXPECT_EQ(fs::status(path("new.vsf")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
    put("kept.vsf", "old");
    fs::permissions(path("kept.vsf"), fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(writeFileAtomically(path("kept.vsf"), "new"));
    EXPECT_EQ(fs::status(path("kept.vsf")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    umask(mask);
}

TEST_F(FileIoTest, SavingNeverTouchesTheProcessUmask) {
    const mode_t mask = umask(027);
    const int before = umaskCalls;
    ASSERT_TRUE(writeFileAtomically(path("new.vsf"), "x"));
    ASSERT_TRUE(writeFileAtomically(path("new.vsf"), "y"));
    EXPECT_EQ(umaskCalls, before);
    EXPECT_EQ(fs::status(path("new.vsf")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    umask(mask);
}

TEST_F(FileIoTest, SymbolicLinksAreFollowedAndKept) {
    put("real.vsf", "old");
    fs::create_symlink(path("real.vsf"), path("link.vsf"));
    ASSERT_TRUE(writeFileAtomically(path("link.vsf"), "new"));
    EXPECT_EQ(readWholeFile(path("real.vsf")), "new");

    // Dangling links: the missing file is created where the link points, the link stays.
    fs::create_directory(path("sub"));
    fs::create_symlink("made.vsf", path("dangling.vsf"));
    fs::create_symlink("sub/hop.vsf", path("chain.vsf"));   // relative to this folder,
    fs::create_symlink("../end.vsf", path("sub/hop.vsf"));  // then to the folder of the hop
    fs::create_symlink(path("sub/far.vsf"), path("absolute.vsf"));
    ASSERT_TRUE(writeFileAtomically(path("dangling.vsf"), "one"));
    ASSERT_TRUE(writeFileAtomically(path("chain.vsf"), "two"));
    ASSERT_TRUE(writeFileAtomically(path("absolute.vsf"), "three"));
    EXPECT_EQ(readWholeFile(path("made.vsf")), "one");
    EXPECT_EQ(readWholeFile(path("end.vsf")), "two");
    EXPECT_EQ(readWholeFile(path("sub/far.vsf")), "three");
    EXPECT_EQ(fs::read_symlink(path("dangling.vsf")), "made.vsf");
    EXPECT_EQ(fs::read_symlink(path("chain.vsf")), "sub/hop.vsf");
    EXPECT_EQ(fs::read_symlink(path("sub/hop.vsf")), "../end.vsf");
    EXPECT_TRUE(fs::is_symlink(path("link.vsf")));
    EXPECT_TRUE(fs::is_symlink(path("absolute.vsf")));

    // A link given by a relative path counts from the working folder.
    const fs::path previous = fs::current_path();
    fs::current_path(folder / "sub");
    fs::create_symlink("../rel-target.vsf", "rel.vsf");
    const bool relative = writeFileAtomically("rel.vsf", "four");
    fs::current_path(previous);
    EXPECT_TRUE(relative);
    EXPECT_EQ(readWholeFile(path("rel-target.vsf")), "four");

    // Where the link's target cannot be made, the save is refused and the links stay.
    fs::create_symlink("missing/x.vsf", path("nowhere.vsf"));
    fs::create_symlink("loop-b.vsf", path("loop-a.vsf"));
    fs::create_symlink("loop-a.vsf", path("loop-b.vsf"));
    EXPECT_FALSE(writeFileAtomically(path("nowhere.vsf"), "x"));
    EXPECT_FALSE(writeFileAtomically(path("loop-a.vsf"), "x"));
    EXPECT_TRUE(fs::is_symlink(path("nowhere.vsf")));
    EXPECT_EQ(fs::read_symlink(path("loop-a.vsf")), "loop-b.vsf");
    EXPECT_EQ(entries(), 12u);
    EXPECT_EQ(entries("sub"), 3u);
}

TEST_F(FileIoTest, WriteProtectedTargetIsRefusedUntouched) {
    giveToRunner(folder);
    put("locked.vsf", "old");
    giveToRunner(path("locked.vsf"));
    fs::permissions(path("locked.vsf"),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::create_symlink("locked.vsf", path("to-locked.vsf"));
    giveToRunner(path("to-locked.vsf"));
    EXPECT_EQ(deniedToOrdinaryUser(path("locked.vsf")), true);
    EXPECT_EQ(deniedToOrdinaryUser(path("to-locked.vsf")), true);
    EXPECT_EQ(readWholeFile(path("locked.vsf")), "old");
    EXPECT_EQ(fs::status(path("locked.vsf")).permissions(),
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_TRUE(fs::is_symlink(path("to-locked.vsf")));
    EXPECT_EQ(entries(), 2u);
}

TEST_F(FileIoTest, WritableTargetInReadOnlyFolderIsWrittenInPlace) {
    giveToRunner(folder);
    fs::create_directory(path("ro"));
    giveToRunner(path("ro"));
    for (const char* name : {"ro/scene.vsf", "ro/short.vsf", "ro/locked.vsf"}) {
        put(name, "a previous scene, longer than the new one");
        giveToRunner(path(name));
        fs::permissions(path(name),
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    }
    fs::permissions(path("ro/locked.vsf"), fs::perms::owner_read);
    const ino_t before = inode(path("ro/scene.vsf"));
    fs::permissions(path("ro"), fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::group_read | fs::perms::group_exec);

    EXPECT_EQ(writeAsOrdinaryUser(path("ro/scene.vsf"), "new"), true);
    EXPECT_EQ(readWholeFile(path("ro/scene.vsf")), "new");
    EXPECT_EQ(inode(path("ro/scene.vsf")), before);
    EXPECT_EQ(fs::status(path("ro/scene.vsf")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(deniedToOrdinaryUser(path("ro/fresh.vsf")), true);  // no new file there
    EXPECT_EQ(deniedToOrdinaryUser(path("ro/locked.vsf")), true);
    EXPECT_EQ(readWholeFile(path("ro/locked.vsf")), "a previous scene, longer than the new one");

    // A write that fails part-way is reported, and the previous content is put back.
    const auto outOfRoom = runAsOrdinaryUser([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit small{4096, 4096};
        return setrlimit(RLIMIT_FSIZE, &small) == 0 &&
               writeFileAtomically(path("ro/short.vsf"), std::string(1 << 20, '7'));
    });
    EXPECT_EQ(outOfRoom, false);
    EXPECT_EQ(readWholeFile(path("ro/short.vsf")), "a previous scene, longer than the new one");
    EXPECT_EQ(entries("ro"), 3u);
}

TEST_F(FileIoTest, FileOfAnotherUserInAStickyFolderIsWrittenInPlace) {
    // A shared folder like /tmp: anyone may create files, but not rename over another's file.
    // Tests run as root (CI does): only root can give a file to another user.
    ASSERT_EQ(geteuid(), 0u) << "run the tests as root: this case gives a file to another user";
    fs::permissions(folder, fs::perms::all | fs::perms::sticky_bit);
    put("shared.vsf", "theirs");
    fs::permissions(path("shared.vsf"), fs::perms::owner_read | fs::perms::owner_write |
                                            fs::perms::group_read | fs::perms::group_write |
                                            fs::perms::others_read | fs::perms::others_write);
    EXPECT_EQ(writeAsOrdinaryUser(path("shared.vsf"), "mine"), true);
    EXPECT_EQ(readWholeFile(path("shared.vsf")), "mine");
    struct stat info {};
    ASSERT_EQ(stat(path("shared.vsf").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 0u);
    EXPECT_EQ(entries(), 1u);
}

TEST_F(FileIoTest, KilledSaveLeavesANamedTemporaryThatALaterSaveRemoves) {
    put("scene.vsf", "previous");
    const pid_t writer = startSaveEndedHalfWay(path("scene.vsf"));
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    const std::string left = ".scene.vsf.tessaly-save-" + std::to_string(writer) + ".tmp";
    ASSERT_TRUE(fs::exists(path(left)));
    EXPECT_EQ(readWholeFile(path("scene.vsf")), "previous");

    // Left over from before this program started, unless made just now.
    const time_t hourAgo = time(nullptr) - 3600;
    setFileTime(path(left), hourAgo);
    const char* others[] = {".scene.vsf.tessaly-save-77-2.tmp", ".other.vsf.tessaly-save-77.tmp",
                            ".scene.vsf.tessaly-save-7x.tmp", "scene.vsf.tessaly-save-77.tmp",
                            ".scene.vsf.tessaly-save-88.tmp"};
    for (const char* name : others) {
        put(name, "");
        if (std::string(name) != ".scene.vsf.tessaly-save-88.tmp") {
            setFileTime(path(name), hourAgo);
        }
    }
    ASSERT_TRUE(writeFileAtomically(path("scene.vsf"), "new"));
    EXPECT_EQ(readWholeFile(path("scene.vsf")), "new");
    EXPECT_FALSE(fs::exists(path(left)));
    EXPECT_FALSE(fs::exists(path(others[0])));
    for (const char* kept : {others[1], others[2], others[3], others[4]}) {
        EXPECT_TRUE(fs::exists(path(kept))) << kept;
    }
}

// A program that runs on: the temporary of a save killed after it started is removed once that
// save's process is gone and the file has been still for a moment.
TEST_F(FileIoTest, TemporaryOfAnEndedSaveIsRemovedByARunningProgram) {
    put("scene.vsf", "previous");
    const pid_t writer = startSaveEndedHalfWay(path("scene.vsf"));
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    const std::string left = ".scene.vsf.tessaly-save-" + std::to_string(writer) + ".tmp";
    ASSERT_TRUE(fs::exists(path(left)));
    // Written by a process that still runs (this one), it stays.
    const std::string running = ".scene.vsf.tessaly-save-" + std::to_string(getppid()) + ".tmp";
    put(running, "");
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    ASSERT_TRUE(writeFileAtomically(path("scene.vsf"), "new"));
    EXPECT_FALSE(fs::exists(path(left)));
    EXPECT_TRUE(fs::exists(path(running)));
    EXPECT_EQ(readWholeFile(path("scene.vsf")), "new");
}

TEST(WriteAllAndSync, FullDeviceIsReported) {
    const int fd = open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        GTEST_SKIP() << "no /dev/full";
    }
    EXPECT_FALSE(writeAllAndSync(fd, "0 0 5 0 0 0 0 0 \n"));
    close(fd);
}

TEST_F(FileIoTest, ReadsOnlyWholeRegularFiles) {
    std::string binary(200000, '\0');
    for (size_t i = 0; i < binary.size(); ++i) {
        binary[i] = static_cast<char>(i * 31);
    }
    put("big", binary);
    EXPECT_EQ(readWholeFile(path("big")), binary);
    put("empty", "");
    EXPECT_EQ(readWholeFile(path("empty")), "");
}

TEST_F(FileIoTest, FailedWritesSayWhyAndTouchNothing) {
    fs::create_directory(path("dir.vsf"));
    put("dir.vsf/inside", "keep");
    put("plain", "a file, not a folder");
    ASSERT_EQ(mkfifo(path("pipe.vsf").c_str(), 0666), 0);
    fs::create_symlink("loop-b.vsf", path("loop-a.vsf"));
    fs::create_symlink("loop-a.vsf", path("loop-b.vsf"));
    struct Case {
        std::string path;
        const char* reason;
    } cases[] = {
        {path("pipe.vsf"), "cannot write: not a regular file"},  // never blocks
        {path("dir.vsf"), "cannot write: not a regular file"},
        {path("missing/a.vsf"), "cannot write: no such file or directory"},
        {path("plain/a.vsf"), "cannot write: not a directory"},
        {"", "cannot write: no file name"},
        {path(std::string(300, 'n')), "cannot write: file name too long"},
        {path("loop-a.vsf"), "cannot write: too many levels of symbolic links"},
    };
    for (const Case& c : cases) {
        std::string reason = "left from before";
        EXPECT_FALSE(writeFileAtomically(c.path, "x", reason));
        EXPECT_EQ(reason, c.reason) << c.path;
    }
    EXPECT_TRUE(fs::is_directory(path("dir.vsf")));
    EXPECT_EQ(readWholeFile(path("dir.vsf/inside")), "keep");
    EXPECT_EQ(readWholeFile(path("plain")), "a file, not a folder");
    EXPECT_EQ(fs::status(path("pipe.vsf")).type(), fs::file_type::fifo);
    EXPECT_EQ(entries(), 5u);  // no temporary file left behind

    std::string reason = "left from before";
    EXPECT_TRUE(writeFileAtomically(path("fine.vsf"), "previous", reason));
    EXPECT_EQ(reason, "");
    // Running out of room part-way keeps the previous file.
    EXPECT_FALSE(writeUnderSizeLimit(path("fine.vsf"), reason));
    EXPECT_EQ(reason, "cannot write: file too large");
    EXPECT_EQ(readWholeFile(path("fine.vsf")), "previous");
    EXPECT_EQ(entries(), 6u);
}

TEST_F(FileIoTest, FailedReadsSayWhy) {
    std::string reason;
    EXPECT_FALSE(readWholeFile(path("nothing"), reason));
    EXPECT_EQ(reason, "cannot read: no such file or directory");
    EXPECT_FALSE(readWholeFile(folder.string(), reason));
    EXPECT_EQ(reason, "cannot read: not a regular file");
    EXPECT_FALSE(readWholeFile("/dev/null", reason));
    EXPECT_EQ(reason, "cannot read: not a regular file");
    put("text", "content");
    EXPECT_EQ(readWholeFile(path("text"), reason), "content");
    EXPECT_EQ(reason, "");

    giveToRunner(folder);
    fs::permissions(path("text"), fs::perms::owner_read);
    EXPECT_EQ(runAsOrdinaryUser([&] {
                  std::string why;
                  return !readWholeFile(path("text"), why) &&
                         why == "cannot read: permission denied";
              }),
              true);
}

TEST(ErrorText, EnglishPhrasesWithTheirOwnCapitals) {
    EXPECT_EQ(errorText(EACCES), "permission denied");
    EXPECT_EQ(errorText(ENOSPC), "no space left on device");
    EXPECT_EQ(errorText(EIO), "input/output error");
    EXPECT_EQ(errorText(0), "unknown failure");
    EXPECT_EQ(errorText(99999), "error 99999");
}

// Content made piece by piece lands whole, through the temporary file and in place alike; a
// producer that gives up, or whose pieces cannot be written, leaves the previous file.
TEST_F(FileIoTest, ProducedContentIsWrittenLikeContentHeldWhole) {
    const ContentProducer threePieces = [](const auto& append) {
        return append("one ") && append(std::string(100000, '2')) && append(" three");
    };
    const std::string whole = "one " + std::string(100000, '2') + " three";
    std::string reason;
    put("old.vsf", "previous");
    ASSERT_TRUE(writeFileAtomically(path("old.vsf"), threePieces, reason)) << reason;
    EXPECT_EQ(readWholeFile(path("old.vsf")), whole);

    const ContentProducer givesUp = [](const auto& append) { return append("half") && false; };
    EXPECT_FALSE(writeFileAtomically(path("old.vsf"), givesUp, reason));
    EXPECT_EQ(reason, "cannot write: operation canceled");
    EXPECT_EQ(readWholeFile(path("old.vsf")), whole);
    EXPECT_EQ(entries(), 1u);

    giveToRunner(folder);
    fs::create_directory(path("ro"));
    giveToRunner(path("ro"));
    put("ro/scene.vsf", "a previous scene");
    giveToRunner(path("ro/scene.vsf"));
    fs::permissions(path("ro"), fs::perms::owner_read | fs::perms::owner_exec);
    const auto inPlace = runAsOrdinaryUser([&] {
        std::string why;
        return writeFileAtomically(path("ro/scene.vsf"), threePieces, why);
    });
    EXPECT_EQ(inPlace, true);
    EXPECT_EQ(readWholeFile(path("ro/scene.vsf")), whole);
    const auto cutShort = runAsOrdinaryUser([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit small{4096, 4096};
        std::string why;
        return setrlimit(RLIMIT_FSIZE, &small) == 0 &&
               writeFileAtomically(path("ro/scene.vsf"), threePieces, why);
    });
    EXPECT_EQ(cutShort, false);
    EXPECT_EQ(readWholeFile(path("ro/scene.vsf")), whole);
}
