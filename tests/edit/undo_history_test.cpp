#include "edit/undo_history.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "scene/scene.h"

namespace {

// What an object is, bit for bit.
struct ObjectState {
    const Mesh* mesh;
    Matrix4 transform;
    Matrix4 pendingRotation;
    bool selected;
    int32_t index;

    bool operator==(const ObjectState& other) const {
        return mesh == other.mesh && selected == other.selected && index == other.index &&
               std::memcmp(transform.data(), other.transform.data(), sizeof(Matrix4)) == 0 &&
               std::memcmp(pendingRotation.data(), other.pendingRotation.data(), sizeof(Matrix4)) ==
                   0;
    }
};

void PrintTo(const ObjectState& s, std::ostream* out) {
    *out << "{index " << s.index << (s.selected ? " selected" : "") << " t12 " << s.transform[12]
         << " t0 " << s.transform[0] << " t1 " << s.transform[1] << "}";
}

// A quarter turn about Y, as the Rotation ball might hand it over.
Matrix4 ballTurn() {
    return rotationMatrix(90, 0, 1, 0);
}

// Two models, and a record of every reset of the Rotation control.
struct UndoTest : ::testing::Test {
    Scene scene;
    UndoHistory history;
    std::vector<Matrix4> resets;

    void SetUp() override {
        scene.models.push_back(std::make_unique<Mesh>("box.wrl"));
        scene.models.push_back(std::make_unique<Mesh>("cone.wrl"));
        scene.resetRotationControl = [this](const Matrix4& m) { resets.push_back(m); };
    }

    // As the panel's list or the model menu adds: the object, and its step.
    SceneObject* add(int model) {
        SceneObject* object = scene.addInstance(model);
        history.recordAdd(scene, object);
        return object;
    }
    // Objects with placements whose bits are easy to lose: -0, thirds, turns.
    void addPlaced(int count) {
        for (int i = 0; i < count; ++i) {
            SceneObject* object = scene.addInstance(i % 2);
            object->rotateObjectLocal(33.3f * (i + 1), 0, 0);
            object->translateObject(1.0f / 3 * i, -0.0f, 2.5f);
            object->transform[4] = -0.0f;
        }
    }
    // As the Delete key does.
    void deleteSelection() {
        history.recordDelete(scene);
        scene.deleteSelection();
    }
    // As a key such as z does: one step around the command.
    void keyMove(float x) {
        history.beginTransformStep(scene);
        for (SceneObject* object : scene.selection) {
            object->translateObject(x, 0, 0);
        }
        history.endTransformStep(scene);
    }
    // As the Rotation ball does while dragged: the same matrix into every selected object.
    void ballMove(const Matrix4& value) {
        history.beginTransformStep(scene);
        for (SceneObject* object : scene.selection) {
            object->pendingRotation = value;
        }
        history.endTransformStep(scene);
    }

    std::vector<ObjectState> state() const {
        std::vector<ObjectState> result;
        for (const auto& object : scene.objects) {
            result.push_back({object->mesh, object->transform, object->pendingRotation,
                              object->selected, object->index});
        }
        return result;
    }
    // The state as it would be with the selection cleared: what an undo or redo leaves.
    std::vector<ObjectState> committed() const {
        std::vector<ObjectState> result = state();
        for (ObjectState& s : result) {
            SceneObject folded(nullptr);
            folded.transform = s.transform;
            folded.pendingRotation = s.pendingRotation;
            folded.foldPendingRotation();
            s.transform = folded.transform;
            s.pendingRotation = identityMatrix();
            s.selected = false;
        }
        return result;
    }

    // What every undo and redo must leave: an empty selection, no object marked or carrying a
    // pending rotation, and positions as indices.
    void expectInvariants() const {
        EXPECT_TRUE(scene.selection.empty());
        for (size_t i = 0; i < scene.objects.size(); ++i) {
            EXPECT_FALSE(scene.objects[i]->selected) << i;
            EXPECT_EQ(scene.objects[i]->index, static_cast<int32_t>(i));
            EXPECT_EQ(scene.objects[i]->pendingRotation, identityMatrix()) << i;
        }
    }
    void undo() {
        ASSERT_TRUE(history.undo(scene));
        expectInvariants();
    }
    void redo() {
        ASSERT_TRUE(history.redo(scene));
        expectInvariants();
    }
};

TEST_F(UndoTest, AddingIsAStepOfItsOwn) {
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.canRedo());
    add(1);
    add(0)->transform[12] = 4;  // moved without a step: the redo still brings it back so
    const auto two = state();
    history.recordAdd(scene, nullptr);  // a model number the library does not have adds nothing
    EXPECT_EQ(history.done.size(), 2u);

    undo();
    ASSERT_EQ(scene.objects.size(), 1u);
    EXPECT_EQ(scene.objects[0]->mesh, scene.models[1].get());
    EXPECT_TRUE(history.canUndo());
    EXPECT_TRUE(history.canRedo());
    undo();
    EXPECT_TRUE(scene.objects.empty());
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.undo(scene));

    redo();
    redo();
    EXPECT_EQ(state(), two);
    EXPECT_FALSE(history.canRedo());
    EXPECT_FALSE(history.redo(scene));
}

TEST_F(UndoTest, DeletingRestoresTheObjectsAtTheirPlacesBitForBit) {
    addPlaced(5);
    const auto before = state();
    scene.selectObject(3);
    scene.selectObject(1);
    scene.selection.push_back(scene.objects[3].get());  // named twice: deleted, and kept, once
    deleteSelection();
    const auto after = state();
    ASSERT_EQ(scene.objects.size(), 3u);

    undo();
    EXPECT_EQ(state(), before);
    redo();
    EXPECT_EQ(state(), after);
    undo();
    EXPECT_EQ(state(), before);

    // Delete with nothing selected changes nothing and is no step.
    const size_t steps = history.done.size();
    deleteSelection();
    EXPECT_EQ(history.done.size(), steps);
}

TEST_F(UndoTest, AWholeDragIsOneStep) {
    addPlaced(3);
    scene.selectObject(0);
    scene.selectObject(2);
    const auto before = committed();
    history.beginTransformStep(scene);  // the press, after its pick
    for (int motion = 0; motion < 40; ++motion) {
        for (SceneObject* object : scene.selection) {
            object->translateObject(0.01f * motion, -0.01f, 0);
            object->scaleObjectWorld(1.01f, 0.99f, 1);
            object->rotateObjectWorld(0, 0, 3);
        }
    }
    history.endTransformStep(scene);  // the release
    const auto after = committed();
    ASSERT_EQ(history.done.size(), 1u);
    EXPECT_EQ(history.done.back().matrices.size(), 2u);  // only what moved

    undo();
    EXPECT_EQ(state(), before);
    EXPECT_FALSE(history.canUndo());
    redo();
    EXPECT_EQ(state(), after);

    // A drag that changes nothing (Select mode, or nothing selected) is no step; nor is an end
    // without a begin.
    scene.selectObject(1);
    history.beginTransformStep(scene);
    history.endTransformStep(scene);
    history.endTransformStep(scene);
    EXPECT_EQ(history.done.size(), 1u);
    EXPECT_TRUE(history.canUndo());
}

TEST_F(UndoTest, KeysAreAStepEachAndAKeyTypedDuringADragJoinsIt) {
    addPlaced(2);
    scene.selectObject(1);
    const auto start = committed();
    keyMove(0.5f);
    const auto afterFirst = committed();
    keyMove(0.5f);
    const auto afterSecond = committed();
    EXPECT_EQ(history.done.size(), 2u);

    history.beginTransformStep(scene);
    scene.objects[1]->translateObject(0, 1, 0);
    keyMove(-0.5f);
    scene.objects[1]->translateObject(0, 1, 0);
    history.endTransformStep(scene);
    EXPECT_EQ(history.done.size(), 3u);

    undo();
    EXPECT_EQ(state(), afterSecond);
    undo();
    EXPECT_EQ(state(), afterFirst);
    undo();
    EXPECT_EQ(state(), start);
}

TEST_F(UndoTest, RotationBallStepsComeBackWhereTheObjectsWereDrawn) {
    addPlaced(2);
    scene.selectObject(0);
    const auto start = committed();
    const Matrix4 original = scene.objects[0]->transform;

    // A ball drag: several values, one step; the ball is not set back by the Scene meanwhile.
    history.beginTransformStep(scene);
    scene.objects[0]->pendingRotation = rotationMatrix(10, 0, 1, 0);
    scene.objects[0]->pendingRotation = ballTurn();
    history.endTransformStep(scene);
    const auto turned = committed();
    EXPECT_TRUE(resets.empty());

    undo();
    EXPECT_EQ(state(), start);
    EXPECT_EQ(scene.objects[0]->transform, original);
    // Clearing the selection put the ball back to no turn, as deselecting does.
    ASSERT_EQ(resets.size(), 1u);
    EXPECT_EQ(resets[0], identityMatrix());

    redo();
    // As deselecting would have left it: the turn folded into transform.
    EXPECT_EQ(state(), turned);
    EXPECT_EQ(scene.objects[0]->transform, multiply(original, ballTurn()));
    EXPECT_EQ(resets.size(), 1u);  // nothing was selected to reset for
}

TEST_F(UndoTest, AStepMadeOverAPendingRotationUndoesToItsCommittedPlacement) {
    addPlaced(2);
    scene.selectObject(1);
    scene.selectObject(0);  // commits object 1 first, nothing pending yet
    const auto start = committed();
    ballMove(ballTurn());
    const auto turned = committed();
    keyMove(0.5f);  // on top of the pending turn, which is still the ball's value
    history.beginTransformStep(scene);
    scene.objects[0]->scaleObjectLocal(2, 2, 2);
    scene.objects[0]->pendingRotation = multiply(ballTurn(), ballTurn());  // the ball turns on
    history.endTransformStep(scene);
    const auto end = committed();
    ASSERT_EQ(history.done.size(), 3u);

    undo();
    undo();
    EXPECT_EQ(state(), turned);
    undo();
    EXPECT_EQ(state(), start);
    redo();
    redo();
    redo();
    EXPECT_EQ(state(), end);
}

TEST_F(UndoTest, NewIsUndoneToTheSameObjects) {
    EXPECT_FALSE(history.canUndo());
    history.recordReplaceAll(scene);  // "New" on an empty scene changes nothing
    scene.removeAllObjects();
    EXPECT_FALSE(history.canUndo());

    addPlaced(4);
    scene.selectObject(2);
    scene.objects[2]->pendingRotation = ballTurn();
    const auto before = committed();
    history.clear();
    history.recordReplaceAll(scene);
    scene.removeAllObjects();

    undo();
    EXPECT_EQ(state(), before);
    redo();
    EXPECT_TRUE(scene.objects.empty());
    undo();
    EXPECT_EQ(state(), before);
}

TEST_F(UndoTest, UndoAfterALoadBringsBackTheSceneAsItWas) {
    addPlaced(3);
    scene.selectObject(1);
    keyMove(1);
    const auto beforeLoad = committed();

    // A load that succeeded: recorded just before its objects replace the old ones.
    const int models[] = {1, 1};
    history.recordReplaceAll(scene, 2);
    scene.removeAllObjects();
    for (int model : models) {
        scene.addInstance(model)->transform = translationMatrix(0.1f, 0.2f, 0.3f);
    }
    const auto loaded = state();

    undo();
    EXPECT_EQ(state(), beforeLoad);
    redo();
    EXPECT_EQ(state(), loaded);
    undo();
    undo();  // and the key step before it
    EXPECT_FALSE(history.canUndo());

    // Loading into an empty scene is a step too: undo empties it again.
    scene.removeAllObjects();
    history.clear();
    history.recordReplaceAll(scene, 1);
    scene.addInstance(0);
    undo();
    EXPECT_TRUE(scene.objects.empty());
    // An empty file into an empty scene changes no object.
    history.clear();
    history.recordReplaceAll(scene, 0);
    EXPECT_FALSE(history.canUndo());
}

TEST_F(UndoTest, ANewStepCutsRedo) {
    add(0);
    add(1);
    undo();
    EXPECT_TRUE(history.canRedo());
    add(0);
    EXPECT_FALSE(history.canRedo());
    EXPECT_FALSE(history.redo(scene));
    ASSERT_EQ(scene.objects.size(), 2u);
    EXPECT_EQ(scene.objects[1]->mesh, scene.models[0].get());

    // A transform step cuts it too; one that changes nothing does not.
    undo();
    scene.selectObject(0);
    ballMove(identityMatrix());
    EXPECT_TRUE(history.canRedo());
    keyMove(1);
    EXPECT_FALSE(history.canRedo());
}

TEST_F(UndoTest, HistoryKeepsAtLeastAHundredStepsAndIsBounded) {
    EXPECT_GE(history.maxSteps, 100u);
    add(0);
    scene.selectObject(0);
    std::vector<std::vector<ObjectState>> states;
    for (int i = 0; i < 150; ++i) {
        states.push_back(committed());
        keyMove(0.5f);
    }
    EXPECT_EQ(history.done.size(), history.maxSteps);
    EXPECT_LE(history.totalBytes, 100 * (sizeof(UndoStep) + 2 * sizeof(KeptMatrix)));
    for (size_t i = 0; i < history.maxSteps; ++i) {
        undo();
        EXPECT_EQ(state(), states[149 - i]) << i;
    }
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(scene.objects.size(), 1u);  // the add was forgotten long ago

    // A byte bound forgets the oldest steps; one step is kept while it fits.
    history.clear();
    history.maxBytes = sizeof(UndoStep) + sizeof(KeptMatrix);
    scene.selectObject(0);
    keyMove(1);
    keyMove(1);
    EXPECT_EQ(history.done.size(), 1u);
    undo();
    EXPECT_EQ(history.undone.size(), 1u);
    redo();
}

// The bound holds for the newest step too, and counts the snapshot of an open transform step.
TEST_F(UndoTest, ByteBoundHoldsForTheNewestStepAndTheOpenSnapshot) {
    addPlaced(1000);
    const size_t smallStep = sizeof(UndoStep) + sizeof(KeptMatrix);
    history.maxBytes = 80 * sizeof(KeptMatrix) + smallStep + smallStep / 2;
    scene.selectObject(3);
    keyMove(1);
    keyMove(1);
    ASSERT_EQ(history.done.size(), 2u);

    // A snapshot of 80 objects fits beside one small step, not beside two.
    scene.clearSelection();
    for (int i = 0; i < 80; ++i) {
        scene.selectObject(i);
    }
    history.beginTransformStep(scene);
    EXPECT_LE(history.bytesHeld(), history.maxBytes);
    EXPECT_GE(history.bytesHeld(), 80 * sizeof(KeptMatrix));
    EXPECT_EQ(history.done.size(), 1u);
    for (SceneObject* object : scene.selection) {
        object->translateObject(1, 0, 0);
    }
    history.endTransformStep(scene);
    ASSERT_TRUE(history.canUndo());
    EXPECT_EQ(history.done.back().matrices.size(), 80u);
    EXPECT_LE(history.bytesHeld(), history.maxBytes);

    // A step larger than the bound on its own is not kept, nor are the steps before it.
    const auto before = committed();
    scene.clearSelection();
    for (int i = 0; i < 1000; i += 5) {
        scene.selectObject(i);
    }
    deleteSelection();
    EXPECT_EQ(scene.objects.size(), 800u);
    EXPECT_FALSE(history.canUndo());
    EXPECT_EQ(history.totalBytes, 0u);
    EXPECT_FALSE(history.undo(scene));
    EXPECT_NE(committed(), before);

    // Nor is a snapshot larger than the bound: the drag it was for records nothing.
    for (int i = 0; i < 500; ++i) {
        scene.selectObject(i);
    }
    history.beginTransformStep(scene);
    EXPECT_TRUE(history.openSnapshot.empty());
    for (SceneObject* object : scene.selection) {
        object->translateObject(1, 0, 0);
    }
    history.endTransformStep(scene);
    EXPECT_FALSE(history.canUndo());
    EXPECT_LE(history.bytesHeld(), history.maxBytes);

    // New over everything: 800 objects do not fit either.
    history.recordReplaceAll(scene);
    scene.removeAllObjects();
    EXPECT_FALSE(history.canUndo());
}

TEST_F(UndoTest, StepsCostWhatTheyChangedNotTheScene) {
    addPlaced(1000);
    scene.selectObject(7);
    keyMove(1);
    EXPECT_EQ(history.done.back().matrices.size(), 1u);
    EXPECT_LT(history.totalBytes, 512u);
    deleteSelection();
    EXPECT_EQ(history.done.back().objects.size(), 1u);
    history.recordReplaceAll(scene);
    EXPECT_EQ(history.done.back().objects.size(), 999u);
    EXPECT_LT(history.done.back().bytes(), 999 * sizeof(KeptObject) + 512);
}

TEST_F(UndoTest, InterleavedStepsUndoAndRedoInOrder) {
    add(0);  // A at 0
    add(1);  // B at 1
    add(0);  // C at 2
    scene.selectObject(0);
    keyMove(1);  // A moved
    const auto threeMoved = committed();
    deleteSelection();  // A gone: B at 0, C at 1
    scene.selectObject(1);
    keyMove(2);  // C moved at its new place
    add(1);      // D at 2
    scene.clearSelection();
    scene.selectObject(0);
    scene.selectObject(2);
    deleteSelection();  // B and D gone
    const auto end = committed();
    ASSERT_EQ(scene.objects.size(), 1u);

    undo();  // B and D back
    ASSERT_EQ(scene.objects.size(), 3u);
    undo();  // D's add
    undo();  // C's move
    undo();  // A back in front
    EXPECT_EQ(state(), threeMoved);
    while (history.canUndo()) {
        undo();
    }
    EXPECT_TRUE(scene.objects.empty());
    while (history.canRedo()) {
        redo();
    }
    EXPECT_EQ(state(), end);
}

TEST_F(UndoTest, OtherStepsDuringAnOpenTransformStepSplitIt) {
    addPlaced(3);
    scene.selectObject(0);
    scene.selectObject(1);
    const auto start = committed();
    history.beginTransformStep(scene);
    for (SceneObject* object : scene.selection) {
        object->translateObject(1, 0, 0);
    }
    const auto moved = committed();
    deleteSelection();  // Delete typed during the drag
    history.endTransformStep(scene);
    EXPECT_EQ(history.done.size(), 2u);
    undo();
    EXPECT_EQ(state(), moved);
    undo();
    EXPECT_EQ(state(), start);

    // Undo pressed while a step is open undoes what it did so far; its end adds nothing.
    scene.selectObject(2);
    history.beginTransformStep(scene);
    scene.objects[2]->translateObject(0, 5, 0);
    undo();
    EXPECT_EQ(state(), start);
    history.endTransformStep(scene);
    EXPECT_TRUE(history.canRedo());
}

TEST_F(UndoTest, AStepThatNoLongerFitsTheSceneForgetsTheHistory) {
    add(0);
    add(0);
    scene.selectObject(1);
    keyMove(1);
    // The object list changed without a record: the steps would touch what is no longer there.
    scene.deleteSelection();
    scene.objects.clear();
    const auto now = state();
    EXPECT_FALSE(history.undo(scene));
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(state(), now);
}

}  // namespace
