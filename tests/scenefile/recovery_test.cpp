#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "scenefile/file_io.h"
#include "scenefile/recovery_copy.h"
#include "scenefile/recovery_place.h"
#include "scenefile/recovery_writer.h"
#include "support/ordinary_user.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct RecoveryTest : testing::Test, TempFolder {
    RecoveryTest() : TempFolder("tessaly-recovery") {
        place.folder = (folder / "state" / "tessaly").string();
        place.key = recoveryKey("/home/ann/models");
        place.modelNames = {"cube.wrl", "cone.wrl"};
    }
    RecoveryPlace place;

    std::vector<std::string> copies() const { return recoveryCopies(place.folder, place.key); }
};

SceneSnapshot snapshotOf(std::initializer_list<PlacedModel> objects) {
    SceneSnapshot snapshot;
    snapshot.views[3].rotX = 30;
    snapshot.views[3].zoom = 0.25f;
    snapshot.objects = objects;
    return snapshot;
}

Matrix4 movedBy(float x) {
    Matrix4 m = identityMatrix();
    m[12] = x;
    return m;
}

// 2026-12-07 18:30:05 in the local time zone.
std::time_t aMoment(int second = 5) {
    std::tm local{};
    local.tm_year = 126;
    local.tm_mon = 11;
    local.tm_mday = 7;
    local.tm_hour = 18;
    local.tm_min = 30;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

}  // namespace

TEST(RecoveryPlaceTest, FolderFollowsXdgStateHomeThenHome) {
    EXPECT_EQ(recoveryFolder("/s", "/home/ann"), "/s/tessaly");
    // The XDG rule: a relative or empty value is ignored.
    EXPECT_EQ(recoveryFolder("rel/state", "/home/ann"), "/home/ann/.local/state/tessaly");
    EXPECT_EQ(recoveryFolder("", "/home/ann"), "/home/ann/.local/state/tessaly");
    EXPECT_EQ(recoveryFolder(nullptr, "/home/ann"), "/home/ann/.local/state/tessaly");
    EXPECT_EQ(recoveryFolder(nullptr, nullptr), "");
    EXPECT_EQ(recoveryFolder(nullptr, "relative"), "");
}

TEST(RecoveryPlaceTest, KeysTellFoldersApartAndNamesSayTimeAndCount) {
    const std::string key = recoveryKey("/home/ann/models");
    EXPECT_EQ(key, recoveryKey("/home/ann/models"));
    EXPECT_TRUE(key.starts_with("models-")) << key;
    EXPECT_EQ(key.size(), std::string("models-").size() + 8);
    EXPECT_NE(key, recoveryKey("/home/bob/models"));
    EXPECT_TRUE(recoveryKey("/").starts_with("root-"));
    EXPECT_TRUE(recoveryKey("/a/b/").starts_with("b-"));
    EXPECT_EQ(recoveryKey("/x/new\nline").substr(0, 9), "new_line-");
    EXPECT_LE(recoveryKey("/" + std::string(300, 'a')).size(), 69u);

    EXPECT_EQ(recoveryCopyName(key, aMoment(), 12), key + " 2026-12-07 18.30.05 12 objects.vsf");
    EXPECT_EQ(recoveryCopyName(key, aMoment(), 1), key + " 2026-12-07 18.30.05 1 object.vsf");
    for (size_t count : {0u, 1u, 12u, 100000u}) {
        EXPECT_EQ(recoveryCopyObjects(recoveryCopyName(key, aMoment(), count), key), count);
    }
    // Not a copy of this folder: another key, the kept content of a save, other files.
    EXPECT_FALSE(recoveryCopyObjects(recoveryCopyName(key, aMoment(), 3), recoveryKey("/other")));
    EXPECT_FALSE(recoveryCopyObjects(inPlaceBackupName(key, aMoment(), "/x/3 objects.vsf"), key));
    EXPECT_FALSE(recoveryCopyObjects(key + " 2026-12-07 18.30.05 1 objects.vsf", key));
    EXPECT_FALSE(recoveryCopyObjects(key + " 2026-12-07 18.30.05 x objects.vsf", key));
    EXPECT_FALSE(recoveryCopyObjects(key + " 2026-12-07 18.30 2 objects.vsf", key));
    EXPECT_FALSE(recoveryCopyObjects(key + "x 2026-12-07 18.30.05 2 objects.vsf", key));
    EXPECT_EQ(inPlaceBackupName(key, aMoment(), "/x/scene.vsf"),
              key + " 2026-12-07 18.30.05 before saving scene.vsf");
    EXPECT_EQ(inPlaceBackupName(key, aMoment(), "/x/model.glb"),
              key + " 2026-12-07 18.30.05 before saving model.glb");
}

TEST_F(RecoveryTest, ACopyIsWhatASaveWouldWriteAndReplacesTheOlderOne) {
    std::string written;
    const SceneSnapshot first = snapshotOf({{0, movedBy(0.5f)}, {1, identityMatrix()}});
    ASSERT_TRUE(writeRecoveryCopy(place, first, aMoment(5), written));
    EXPECT_EQ(fs::status(place.folder).permissions() & fs::perms::all, fs::perms::owner_all);
    ASSERT_EQ(copies(), std::vector<std::string>{fs::path(written).filename().string()});
    EXPECT_TRUE(written.ends_with(" 2 objects.vsf")) << written;

    SceneFileContent same;
    same.views = first.views;
    same.objects = {{"cube.wrl", movedBy(0.5f)}, {"cone.wrl", identityMatrix()}};
    EXPECT_EQ(readWholeFile(written), formatSceneFile(same));
    EXPECT_EQ(newestRecoveryCopy(place), written);
    EXPECT_TRUE(insideRecoveryFolder(place, written));
    EXPECT_FALSE(insideRecoveryFolder(place, (folder / "scene.vsf").string()));

    // The next copy takes its place; another folder's copy stays.
    RecoveryPlace other = place;
    other.key = recoveryKey("/elsewhere");
    std::string otherCopy;
    ASSERT_TRUE(writeRecoveryCopy(other, first, aMoment(5), otherCopy));
    std::string second;
    ASSERT_TRUE(writeRecoveryCopy(place, snapshotOf({{1, movedBy(2)}}), aMoment(9), second));
    EXPECT_EQ(copies(), std::vector<std::string>{fs::path(second).filename().string()});
    EXPECT_TRUE(fs::exists(otherCopy));
    EXPECT_EQ(newestRecoveryCopy(place), second);
    removeRecoveryCopies(place);
    EXPECT_TRUE(copies().empty());
    EXPECT_TRUE(fs::exists(otherCopy));
    EXPECT_FALSE(newestRecoveryCopy(place));
}

TEST_F(RecoveryTest, AnEmptySceneNeverReplacesACopyWithObjects) {
    std::string written;
    ASSERT_TRUE(writeRecoveryCopy(place, snapshotOf({}), aMoment(1), written));
    EXPECT_TRUE(written.ends_with(" 0 objects.vsf"));
    ASSERT_TRUE(writeRecoveryCopy(place, snapshotOf({{0, identityMatrix()}}), aMoment(2), written));
    const std::string withObjects = written;
    ASSERT_TRUE(writeRecoveryCopy(place, snapshotOf({}), aMoment(3), written));
    EXPECT_EQ(written, "");
    EXPECT_EQ(copies(), std::vector<std::string>{fs::path(withObjects).filename().string()});
}

TEST_F(RecoveryTest, RemovingCopiesSparesTheFileTheUserChose) {
    std::string written;
    ASSERT_TRUE(writeRecoveryCopy(place, snapshotOf({{0, identityMatrix()}}), aMoment(), written));
    removeRecoveryCopies(place, written);
    EXPECT_TRUE(fs::exists(written));
}

TEST_F(RecoveryTest, NoFolderNoCopy) {
    put("state", "a file where the folder belongs");
    std::string written;
    EXPECT_FALSE(writeRecoveryCopy(place, snapshotOf({{0, identityMatrix()}}), aMoment(), written));
    EXPECT_EQ(written, "");
    RecoveryPlace nowhere = place;
    nowhere.folder.clear();
    EXPECT_FALSE(writeRecoveryCopy(nowhere, snapshotOf({}), aMoment(), written));
    EXPECT_FALSE(newestRecoveryCopy(nowhere));
}

TEST_F(RecoveryTest, AnInPlaceSaveKeepsTheOldContentUntilTheNewOneIsSynced) {
    giveToRunner(folder);
    fs::create_directories(folder / "state");
    giveToRunner(folder / "state");
    fs::create_directory(path("ro"));
    giveToRunner(path("ro"));
    for (const char* name : {"ro/scene.vsf", "ro/other.vsf"}) {
        put(name, "the old scene");
        giveToRunner(path(name));
    }
    fs::permissions(path("ro"), fs::perms::owner_read | fs::perms::owner_exec);

    // While the new content is written the old one stands in the recovery folder.
    const auto keptWhileWriting = runAsOrdinaryUser([&] {
        std::string seen;
        keepPreviousContentWith([&](const std::string& target, std::string_view previous) {
            auto release = keepPreviousContent(place, target, previous);
            for (const auto& entry : fs::directory_iterator(place.folder)) {
                seen = readWholeFile(entry.path().string()).value_or("");
            }
            return release;
        });
        return writeFileAtomically(path("ro/scene.vsf"), "the new scene") &&
               seen == "the old scene" && fs::is_empty(place.folder);
    });
    EXPECT_EQ(keptWhileWriting, true);
    EXPECT_EQ(readWholeFile(path("ro/scene.vsf")), "the new scene");

    // Where the old content cannot be kept, the file is not touched.
    const auto refused = runAsOrdinaryUser([&] {
        keepPreviousContentWith([](const std::string&, std::string_view) {
            errno = ENOSPC;
            return std::function<void()>();
        });
        std::string reason;
        return !writeFileAtomically(path("ro/other.vsf"), "new", reason) &&
               reason == "cannot write: no space left on device";
    });
    EXPECT_EQ(refused, true);
    EXPECT_EQ(readWholeFile(path("ro/other.vsf")), "the old scene");
    fs::permissions(path("ro"), fs::perms::owner_all);
}

TEST_F(RecoveryTest, TheWriterWritesOnItsOwnThreadAndSaysWhenDone) {
    RecoveryWriter writer;
    std::atomic<int> finished = 0;
    writer.finished = [&] { ++finished; };
    auto shared = std::make_shared<const RecoveryPlace>(place);
    writer.start(shared, snapshotOf({{0, identityMatrix()}}));
    writer.start(shared, snapshotOf({{0, movedBy(1)}, {1, movedBy(2)}}));  // waits for the first
    writer.wait();
    EXPECT_FALSE(writer.busy());
    EXPECT_TRUE(writer.lastSucceeded);
    EXPECT_EQ(finished, 2);
    ASSERT_EQ(copies().size(), 1u);
    EXPECT_TRUE(copies()[0].ends_with(" 2 objects.vsf"));
    EXPECT_TRUE(writer.writeNow(place, snapshotOf({{1, movedBy(3)}})));
    ASSERT_EQ(copies().size(), 1u);
    EXPECT_TRUE(copies()[0].ends_with(" 1 object.vsf"));
    EXPECT_EQ(finished, 2);  // only background writes call back
}

TEST(RecoveryScheduleTest, OneWriteSomeSecondsAfterTheFirstUnheldChange) {
    RecoverySchedule schedule;
    const auto t0 = RecoverySchedule::Clock::now();
    // Nothing changed, or everything saved: nothing is ever due.
    EXPECT_FALSE(schedule.writeNow(0, false, t0, false));
    EXPECT_FALSE(schedule.untilDue(t0));
    EXPECT_FALSE(schedule.writeNow(3, false, t0 + 1h, false));

    EXPECT_FALSE(schedule.writeNow(1, true, t0, false));
    EXPECT_EQ(schedule.untilDue(t0), 3000ms);
    EXPECT_FALSE(schedule.writeNow(2, true, t0 + 2s, false));  // more changes do not put it off
    EXPECT_EQ(schedule.untilDue(t0 + 2s), 1000ms);
    EXPECT_FALSE(schedule.writeNow(2, true, t0 + 3s, true));  // a write still runs
    EXPECT_TRUE(schedule.writeNow(2, true, t0 + 3s + 1ms, false));
    EXPECT_EQ(schedule.untilDue(t0 + 4s), 0ms);
    schedule.held(2);
    EXPECT_FALSE(schedule.untilDue(t0 + 4s));
    EXPECT_FALSE(schedule.behind(2, true));
    EXPECT_FALSE(schedule.writeNow(2, true, t0 + 1h, false));
    EXPECT_TRUE(schedule.behind(3, true));
    EXPECT_FALSE(schedule.behind(3, false));
}
