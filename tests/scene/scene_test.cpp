#include <gtest/gtest.h>

#include <vector>

#include "scene/scene.h"

namespace {

// A Scene with one model and `count` objects of it, that records every call of the Rotation
// control hook.
struct SceneTest : ::testing::Test {
    Scene scene;
    std::vector<Matrix4> resets;

    void SetUp() override {
        scene.models.push_back(std::make_unique<Mesh>("model.wrl"));
        scene.resetRotationControl = [this](const Matrix4& m) { resets.push_back(m); };
    }
    void add(int count) {
        for (int i = 0; i < count; ++i) {
            scene.addInstance(0);
        }
    }
    SceneObject* at(int i) { return scene.objects[i].get(); }
    void expectIndicesMatchPositions() {
        for (size_t i = 0; i < scene.objects.size(); ++i) {
            EXPECT_EQ(scene.objects[i]->index, static_cast<int32_t>(i));
        }
    }
};

TEST_F(SceneTest, AddInstanceAppendsUnselectedWithNextIndex) {
    add(3);
    scene.selectObject(1);
    SceneObject* added = scene.addInstance(0);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->index, 3);
    EXPECT_EQ(added->mesh, scene.models[0].get());
    EXPECT_FALSE(added->selected);
    EXPECT_EQ(added->transform, identityMatrix());
    EXPECT_EQ(added->pendingRotation, identityMatrix());
    EXPECT_EQ(scene.objects.back().get(), added);
    EXPECT_EQ(scene.selection, std::vector<SceneObject*>{at(1)});
}

TEST_F(SceneTest, AddInstanceOfUnknownModelAddsNothing) {
    add(1);
    EXPECT_EQ(scene.addInstance(1), nullptr);
    EXPECT_EQ(scene.addInstance(-1), nullptr);
    EXPECT_EQ(scene.objects.size(), 1u);
}

TEST_F(SceneTest, SelectMarksAndAppendsInPickOrder) {
    add(3);
    scene.selectObject(2);
    scene.selectObject(0);
    EXPECT_EQ(scene.selection, (std::vector<SceneObject*>{at(2), at(0)}));
    EXPECT_TRUE(at(2)->selected);
    EXPECT_TRUE(at(0)->selected);
    EXPECT_FALSE(at(1)->selected);
    // Selecting an invalid position changes nothing, not even a commit.
    resets.clear();
    scene.selectObject(3);
    scene.selectObject(-1);
    EXPECT_EQ(scene.selection.size(), 2u);
    EXPECT_TRUE(resets.empty());
}

TEST_F(SceneTest, SelectingASelectedObjectCommitsButDoesNotAppendAgain) {
    add(2);
    scene.selectObject(0);
    scene.selectObject(1);
    at(0)->pendingRotation = rotationMatrix(20, 0, 0, 1);
    at(1)->pendingRotation = rotationMatrix(20, 0, 0, 1);
    resets.clear();
    scene.selectObject(0);
    EXPECT_EQ(scene.selection, (std::vector<SceneObject*>{at(0), at(1)}));
    EXPECT_EQ(resets.size(), 1u);
    EXPECT_EQ(at(0)->transform, rotationMatrix(20, 0, 0, 1));
    EXPECT_EQ(at(0)->pendingRotation, identityMatrix());
}

TEST_F(SceneTest, CommitFoldsEveryEntryAndResetsTheControlToIdentity) {
    add(2);
    scene.selectObject(0);
    EXPECT_TRUE(resets.empty());  // the first pick commits an empty Selection
    const Matrix4 turn = rotationMatrix(35, 1, 1, 0);
    at(0)->pendingRotation = turn;
    scene.selectObject(1);
    ASSERT_EQ(resets.size(), 1u);
    EXPECT_EQ(resets[0], identityMatrix());
    EXPECT_EQ(at(0)->transform, turn);
    EXPECT_EQ(at(0)->pendingRotation, identityMatrix());
    EXPECT_EQ(scene.selection, (std::vector<SceneObject*>{at(0), at(1)}));
}

TEST_F(SceneTest, CommitsOnAnEmptySelectionDoNothing) {
    add(2);
    at(1)->transform = translationMatrix(1, 2, 3);
    scene.commitSelection();
    scene.clearSelection();
    EXPECT_TRUE(resets.empty());
    EXPECT_TRUE(scene.selection.empty());
    EXPECT_EQ(at(1)->transform, translationMatrix(1, 2, 3));

    Scene withoutPanel;  // no hook set yet: commits must still work
    withoutPanel.models.push_back(std::make_unique<Mesh>("m.wrl"));
    withoutPanel.addInstance(0);
    withoutPanel.selectObject(0);
    withoutPanel.selectObject(0);
    withoutPanel.clearSelection();
    EXPECT_FALSE(withoutPanel.objects[0]->selected);
}

TEST_F(SceneTest, ClearSelectionUnmarksFoldsAndEmpties) {
    add(3);
    scene.selectObject(0);
    scene.selectObject(2);
    at(2)->pendingRotation = rotationMatrix(10, 0, 1, 0);
    resets.clear();
    scene.clearSelection();
    EXPECT_EQ(resets.size(), 1u);
    EXPECT_TRUE(scene.selection.empty());
    for (const auto& object : scene.objects) {
        EXPECT_FALSE(object->selected);
        EXPECT_EQ(object->pendingRotation, identityMatrix());
    }
    EXPECT_EQ(at(2)->transform, rotationMatrix(10, 0, 1, 0));
}

TEST_F(SceneTest, DeleteSelectionRemovesAndRenumbers) {
    add(5);  // A B C D E
    SceneObject* a = at(0);
    SceneObject* c = at(2);
    SceneObject* e = at(4);
    scene.selectObject(1);  // B
    scene.selectObject(3);  // D
    resets.clear();
    scene.deleteSelection();
    EXPECT_EQ(scene.objects.size(), 3u);
    EXPECT_EQ(at(0), a);
    EXPECT_EQ(at(1), c);
    EXPECT_EQ(at(2), e);
    expectIndicesMatchPositions();
    EXPECT_TRUE(scene.selection.empty());
    EXPECT_TRUE(resets.empty());  // deleting does not touch the Rotation control
}

TEST_F(SceneTest, DeleteSelectionSurvivesARepeatedEntry) {
    // selectObject never repeats an entry, but deletion must not depend on it: a repeated entry
    // would otherwise be read after its object was destroyed (the sanitizer build catches that).
    add(4);
    scene.selectObject(2);
    scene.selectObject(0);
    scene.selection.push_back(at(2));
    SceneObject* b = at(1);
    SceneObject* d = at(3);
    scene.deleteSelection();
    ASSERT_EQ(scene.objects.size(), 2u);
    EXPECT_EQ(at(0), b);
    EXPECT_EQ(at(1), d);
    expectIndicesMatchPositions();
}

TEST_F(SceneTest, RemoveAllObjectsCommitsThenEmptiesButKeepsModels) {
    add(3);
    scene.selectObject(1);
    at(1)->pendingRotation = rotationMatrix(15, 1, 0, 0);
    resets.clear();
    scene.removeAllObjects();
    EXPECT_EQ(resets.size(), 1u);
    EXPECT_TRUE(scene.objects.empty());
    EXPECT_TRUE(scene.selection.empty());
    EXPECT_EQ(scene.models.size(), 1u);
    EXPECT_EQ(scene.addInstance(0)->index, 0);
}

TEST_F(SceneTest, DestroySceneReleasesEverything) {
    scene.models.push_back(std::make_unique<Mesh>("second.wrl"));
    add(3);
    scene.addInstance(1);
    scene.selectObject(3);
    resets.clear();
    scene.destroyScene();
    EXPECT_TRUE(scene.models.empty());
    EXPECT_TRUE(scene.objects.empty());
    EXPECT_TRUE(scene.selection.empty());
    EXPECT_TRUE(resets.empty());
}

}  // namespace
