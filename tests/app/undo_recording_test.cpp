#include "app/undo_recording.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "edit/undo_history.h"
#include "interact/drag_rules.h"
#include "interact/interact_fixture.h"
#include "interact/pick_rules.h"

namespace {

int redraws = 0;
void countRedraw(int) {
    ++redraws;
}

int shiftHeld(int, int, int) {
    return MOD_SHIFT;
}

// Three objects, the last two selected, in the front view, as the program records them.
struct Recorded : InteractFixture {
    UndoHistory history;
    bool dragStepOpen = false;

    Recorded() {
        scene.selectObject(1);
        scene.selectObject(2);
        view.redisplay = countRedraw;
        redraws = 0;
    }
    void type(unsigned char key) { keyboardRecorded(view, history, key, 0, 0); }
    void button(int state, int x = 100, int y = 100) {
        mouseButtonRecorded(view, history, dragStepOpen, GLUT_LEFT_BUTTON, state, x, y);
    }
    // The motion handler but for its GLUT call, which needs a window.
    void moveBy(int dx, int dy) { handleMotion(view, editMode, view.lastX + dx, view.lastY + dy); }
    std::vector<Matrix4> matrices() const {
        std::vector<Matrix4> all;
        for (const auto& object : scene.objects) {
            all.push_back(object->transform);
        }
        return all;
    }
};

TEST(UndoRecording, EveryEditKeyIsOneStepModeKeysNoneAndDeleteComesBack) {
    Recorded r;
    const std::vector<Matrix4> start = r.matrices();
    for (unsigned char key : std::string("zZxXcCaAsSdDqQwWeE")) {
        const size_t before = r.history.done.size();
        r.type(key);
        EXPECT_EQ(r.history.done.size(), before + 1) << key;
    }
    EXPECT_EQ(redraws, 18);
    const std::vector<Matrix4> edited = r.matrices();
    ASSERT_NE(edited, start);
    for (unsigned char key : std::string("uiop\x01 ?")) {
        r.type(key);
    }
    EXPECT_EQ(r.editMode, Rotate);
    EXPECT_EQ(r.history.done.size(), 18u);
    EXPECT_EQ(r.history.openDepth, 0);

    r.type(127);
    ASSERT_EQ(r.scene.objects.size(), 1u);
    EXPECT_EQ(r.history.done.size(), 19u);
    r.type(127);  // nothing selected: nothing deleted, no step
    EXPECT_EQ(r.history.done.size(), 19u);

    ASSERT_TRUE(r.history.undo(r.scene));
    EXPECT_EQ(r.matrices(), edited);
    ASSERT_TRUE(r.history.undo(r.scene));  // E alone
    EXPECT_NE(r.matrices(), edited);
    for (int i = 0; i < 17; ++i) {
        ASSERT_TRUE(r.history.undo(r.scene));
    }
    EXPECT_EQ(r.matrices(), start);
    EXPECT_FALSE(r.history.canUndo());
    EXPECT_TRUE(r.scene.selection.empty());
}

TEST(UndoRecording, AWholeDragIsOneStepAndAKeyTypedDuringItJoinsIt) {
    Recorded r;
    r.editMode = Translate;
    const std::vector<Matrix4> start = r.matrices();
    r.button(GLUT_DOWN);
    EXPECT_TRUE(r.dragStepOpen);
    for (int step = 0; step < 5; ++step) {
        r.moveBy(3, -1);
    }
    r.type('z');
    r.moveBy(2, 2);
    r.button(GLUT_UP);
    EXPECT_FALSE(r.dragStepOpen);
    EXPECT_EQ(r.history.done.size(), 1u);
    EXPECT_EQ(r.history.openDepth, 0);
    ASSERT_TRUE(r.history.undo(r.scene));
    EXPECT_EQ(r.matrices(), start);
    ASSERT_TRUE(r.history.redo(r.scene));
    EXPECT_NE(r.matrices(), start);
}

TEST(UndoRecording, ALostReleaseEndsItsStepAtTheNextPress) {
    Recorded r;
    r.editMode = Scale;
    r.button(GLUT_DOWN);
    r.moveBy(4, 0);
    const std::vector<Matrix4> afterFirst = r.matrices();
    r.button(GLUT_DOWN, 140, 100);  // the release of the first drag never came
    r.moveBy(0, 4);
    r.button(GLUT_UP);
    EXPECT_EQ(r.history.done.size(), 2u);
    ASSERT_TRUE(r.history.undo(r.scene));
    EXPECT_EQ(r.matrices(), afterFirst);

    // Other buttons end a drag too; a second release has nothing left to close.
    r.scene.selectObject(0);  // undo left the selection empty
    r.button(GLUT_DOWN);
    r.moveBy(5, 5);
    mouseButtonRecorded(r.view, r.history, r.dragStepOpen, GLUT_MIDDLE_BUTTON, GLUT_DOWN, 0, 0);
    r.moveBy(5, 5);  // the drag has ended: moves nothing
    r.button(GLUT_UP);
    EXPECT_EQ(r.history.done.size(), 2u);
    EXPECT_FALSE(r.history.canRedo());
    EXPECT_EQ(r.history.openDepth, 0);
}

TEST(UndoRecording, CameraDragsAreNoSteps) {
    Recorded r;
    r.view.pressModifiers = shiftHeld;  // zooms
    r.editMode = Translate;
    r.button(GLUT_DOWN);
    r.moveBy(0, -20);
    r.button(GLUT_UP);
    EXPECT_NE(r.view.camera.zoom, 0);

    r.view.pressModifiers = nullptr;
    r.view.camera.perspective = true;  // orbits
    r.button(GLUT_DOWN);
    r.moveBy(20, 0);
    r.button(GLUT_UP);
    EXPECT_FALSE(r.history.canUndo());
    EXPECT_EQ(r.history.openDepth, 0);
}

}  // namespace
