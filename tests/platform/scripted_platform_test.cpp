#include "support/scripted_platform.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/folder_listing.h"
#include "support/temp_folder.h"

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
    const TempFolder temp("tessaly-listing");
    std::filesystem::create_directory(temp.path("dir.wrl"));
    for (const char* name : {"b.wrl", "a.Wrl", "B.WRL", "c.wrl.txt", "wrl", ".wrl", "d.vrl"}) {
        temp.put(name, "x");
    }
    EXPECT_EQ(listWrlFiles(temp.folder.string()),
              (std::vector<std::string>{".wrl", "B.WRL", "a.Wrl", "b.wrl", "dir.wrl"}));
    EXPECT_TRUE(listWrlFiles(temp.path("missing")).empty());
    EXPECT_TRUE(listWrlFiles(temp.path("b.wrl")).empty());
}

}  // namespace
