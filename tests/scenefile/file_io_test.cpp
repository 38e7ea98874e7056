#include "scenefile/file_io.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// A private folder per test, removed afterwards.
struct FileIoTest : testing::Test {
    fs::path folder;

    void SetUp() override {
        char pattern[] = "/tmp/tessaly-fileio-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string path(const std::string& name) const { return (folder / name).string(); }

    void put(const std::string& name, const std::string& content) const {
        std::ofstream(path(name), std::ios::binary) << content;
    }

    // Every entry of the folder: a failed save must leave no temporary file behind.
    size_t entries() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
    }
};

}  // namespace

TEST_F(FileIoTest, WritesNewFileAndReplacesOldOne) {
    ASSERT_TRUE(writeFileAtomically(path("a.vsf"), "first"));
    EXPECT_EQ(readWholeFile(path("a.vsf")), "first");
    ASSERT_TRUE(writeFileAtomically(path("a.vsf"), "second, shorter? no: longer"));
    EXPECT_EQ(readWholeFile(path("a.vsf")), "second, shorter? no: longer");
    ASSERT_TRUE(writeFileAtomically(path("a.vsf"), ""));
    EXPECT_EQ(readWholeFile(path("a.vsf")), "");
    EXPECT_EQ(entries(), 1u);
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

TEST_F(FileIoTest, SymbolicLinkIsFollowed) {
    put("real.vsf", "old");
    fs::create_symlink(path("real.vsf"), path("link.vsf"));
    ASSERT_TRUE(writeFileAtomically(path("link.vsf"), "new"));
    EXPECT_TRUE(fs::is_symlink(path("link.vsf")));
    EXPECT_EQ(readWholeFile(path("real.vsf")), "new");
}

TEST_F(FileIoTest, FailedSaveLeavesNothingBehindAndTouchesNothing) {
    fs::create_directory(path("dir.vsf"));
    put("dir.vsf/inside", "keep");
    put("plain", "a file, not a folder");
    EXPECT_FALSE(writeFileAtomically(path("dir.vsf"), "x"));        // a folder as target
    EXPECT_FALSE(writeFileAtomically(path("missing/a.vsf"), "x"));  // no such folder
    EXPECT_FALSE(writeFileAtomically(path("plain/a.vsf"), "x"));    // a file as folder
    EXPECT_FALSE(writeFileAtomically("", "x"));
    EXPECT_FALSE(writeFileAtomically(path(std::string(300, 'n')), "x"));  // name too long
    EXPECT_TRUE(fs::is_directory(path("dir.vsf")));
    EXPECT_EQ(readWholeFile(path("dir.vsf/inside")), "keep");
    EXPECT_EQ(readWholeFile(path("plain")), "a file, not a folder");
    EXPECT_EQ(entries(), 2u);
}

TEST_F(FileIoTest, WriteThatRunsOutOfRoomKeepsThePreviousFile) {
    // A file-size limit makes write() fail with EFBIG part-way, as a full disk fails with ENOSPC.
    const std::string old = "the previous scene";
    put("scene.vsf", old);
    const std::string big(1 << 20, '7');
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = writeFileAtomically(path("scene.vsf"), big);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(readWholeFile(path("scene.vsf")), old);
    EXPECT_EQ(entries(), 1u);
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
    EXPECT_FALSE(readWholeFile(path("nothing")));
    EXPECT_FALSE(readWholeFile(folder.string()));
    EXPECT_FALSE(readWholeFile("/dev/null"));
}
