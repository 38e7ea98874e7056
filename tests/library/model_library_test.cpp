#include <gtest/gtest.h>

#include "library/model_folder.h"
#include "library/model_library.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "support/scripted_platform.h"

namespace {

const char* const TRIANGLE =
    "#VRML V2.0 utf8\ncoord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0, ] }\n"
    "coordIndex [ 0, 1, 2, -1, ]\n";

class ModelLibraryTest : public ModelFolderTest {
protected:
    void SetUp() override {
        ModelFolderTest::SetUp();
        scripted.install();
    }

    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const auto& mesh : scene.models) {
            result.push_back(mesh->name);
        }
        return result;
    }

    ScriptedPlatform scripted;
    Scene scene;
};

TEST_F(ModelLibraryTest, ReadableFilesBecomeModelsInNameOrder) {
    writeModel("pyramid.wrl", TRIANGLE);
    writeModel("Cube.WRL", TRIANGLE);
    writeModel("arch.wrl", TRIANGLE);
    writeModel("notes.txt", TRIANGLE);
    writeModel("arch.wrl.bak", TRIANGLE);
    loadModelLibrary(scene, platform());
    EXPECT_EQ(names(), (std::vector<std::string>{"Cube.WRL", "arch.wrl", "pyramid.wrl"}));
    EXPECT_TRUE(scripted.messages.empty());
    for (const auto& mesh : scene.models) {
        EXPECT_EQ(mesh->coordIndex.size(), 1u);
    }
}

TEST_F(ModelLibraryTest, UnreadableEntryIsReportedOnceAndLeftOut) {
    writeModel("a.wrl", TRIANGLE);
    std::filesystem::create_symlink("gone.wrl", "VRMLmodels/b.wrl");
    writeModel("c.wrl", TRIANGLE);
    loadModelLibrary(scene, platform());
    EXPECT_EQ(names(), (std::vector<std::string>{"a.wrl", "c.wrl"}));
    ASSERT_EQ(scripted.messages.size(), 1u);
    EXPECT_EQ(scripted.messages[0].text, "Cannot read file");
    EXPECT_EQ(scripted.messages[0].caption, "Error");
}

TEST_F(ModelLibraryTest, FolderNamedLikeAModelIsReported) {
    std::filesystem::create_directory("VRMLmodels/x.wrl");
    writeModel("y.wrl", TRIANGLE);
    loadModelLibrary(scene, platform());
    EXPECT_EQ(names(), (std::vector<std::string>{"y.wrl"}));
    EXPECT_EQ(scripted.messages.size(), 1u);
}

TEST_F(ModelLibraryTest, MissingFolderGivesEmptyLibraryWithoutMessage) {
    std::filesystem::remove("VRMLmodels");
    loadModelLibrary(scene, platform());
    EXPECT_TRUE(scene.models.empty());
    EXPECT_TRUE(scripted.messages.empty());
}

TEST_F(ModelLibraryTest, FileWithoutVrmlContentIsAModelWithoutTriangles) {
    writeModel("empty.wrl", "");
    writeModel("text.wrl", "just some words\n");
    loadModelLibrary(scene, platform());
    ASSERT_EQ(scene.models.size(), 2u);
    EXPECT_TRUE(scene.models[0]->coordIndex.empty());
    EXPECT_TRUE(scene.models[1]->coordIndex.empty());
    EXPECT_TRUE(scripted.messages.empty());
}

TEST_F(ModelLibraryTest, ScriptedListingIsUsedAsGivenInItsOrder) {
    writeModel("b.wrl", TRIANGLE);
    writeModel("a.wrl", TRIANGLE);
    scripted.listing = std::vector<std::string>{"b.wrl", "missing.wrl", "a.wrl"};
    loadModelLibrary(scene, platform());
    EXPECT_EQ(names(), (std::vector<std::string>{"b.wrl", "a.wrl"}));
    EXPECT_EQ(scripted.messages.size(), 1u);
}

}  // namespace
