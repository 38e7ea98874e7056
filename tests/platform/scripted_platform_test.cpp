#include "support/scripted_platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/folder_listing.h"

namespace {

TEST(ScriptedPlatformTest, AnswersDialogsInOrderThenCancels) {
    ScriptedPlatform scripted;
    scripted.openAnswers = {"/tmp/a.vsf", std::nullopt};
    scripted.saveAnswers = {"/tmp/b.vsf"};
    scripted.install();
    EXPECT_EQ(platform().chooseSceneToOpen(), "/tmp/a.vsf");
    EXPECT_EQ(platform().chooseSceneToOpen(), std::nullopt);
    EXPECT_EQ(platform().chooseSceneToOpen(), std::nullopt);
    EXPECT_EQ(platform().chooseSceneToSave(), "/tmp/b.vsf");
    EXPECT_EQ(scripted.openDialogs, 3);
    EXPECT_EQ(scripted.saveDialogs, 1);
    platform().showMessage("text", "Error");
    ASSERT_EQ(scripted.messages.size(), 1u);
    EXPECT_EQ(scripted.messages[0].text, "text");
}

TEST(ScriptedPlatformTest, DestructionPutsBackThePreviousServices) {
    int calls = 0;
    platform().afterModalDialog = [&calls] { ++calls; };
    {
        ScriptedPlatform scripted;
        scripted.listing = std::vector<std::string>{"z.wrl"};
        scripted.install();
        EXPECT_EQ(platform().listModelFiles("anything"), std::vector<std::string>{"z.wrl"});
        platform().afterModalDialog();  // left alone by install
    }
    EXPECT_TRUE(platform().listModelFiles("anything").empty());
    platform().showMessage("dropped", "Error");  // the stand-in again, not a dangling one
    EXPECT_EQ(calls, 1);
    platform().afterModalDialog = [] {};
}

TEST(FolderListingTest, WrlNamesInAnyCaseSortedByBytes) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "tessaly-listing-test";
    fs::remove_all(folder);
    fs::create_directories(folder / "dir.wrl");
    for (const char* name : {"b.wrl", "a.Wrl", "B.WRL", "c.wrl.txt", "wrl", ".wrl", "d.vrl"}) {
        std::ofstream(folder / name) << "x";
    }
    EXPECT_EQ(listWrlFiles(folder.string()),
              (std::vector<std::string>{".wrl", "B.WRL", "a.Wrl", "b.wrl", "dir.wrl"}));
    EXPECT_TRUE(listWrlFiles((folder / "missing").string()).empty());
    EXPECT_TRUE(listWrlFiles((folder / "b.wrl").string()).empty());
    fs::remove_all(folder);
}

}  // namespace
