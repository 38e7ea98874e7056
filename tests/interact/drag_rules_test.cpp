#include "interact/drag_rules.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>

#include "interact/edit_mode.h"
#include "interact/interact_fixture.h"
#include "interact/pick_rules.h"

namespace {

// A fixture whose objects 0 and 1 are selected and a left-button drag started at (100, 100)
// with `modifiers`.
struct Drag : InteractFixture {
    explicit Drag(int axis = 2, bool perspective = false, int modifiers = 0, int32_t mode = Select)
        : InteractFixture(3, axis, perspective) {
        handleButton(view, GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 100, modifiers, mode);
        scene.selectObject(0);
        scene.selectObject(1);
    }
    MotionEffect moveBy(int dx, int dy, int32_t mode) {
        return handleMotion(view, mode, view.lastX + dx, view.lastY + dy);
    }
    bool objectsUntouched() {
        for (const auto& object : scene.objects) {
            if (object->transform != identityMatrix()) {
                return false;
            }
        }
        return true;
    }
};

TEST(DragTranslate, SideViewTenPixelsRightMovesAlongMinusZ) {
    Drag d(0);
    const MotionEffect effect = d.moveBy(10, 0, Translate);
    EXPECT_TRUE(effect.redrawAll);
    EXPECT_TRUE(effect.redrawView);
    for (int i : {0, 1}) {
        EXPECT_FLOAT_EQ(d.object(i).transform[12], 0);
        EXPECT_FLOAT_EQ(d.object(i).transform[13], 0);
        EXPECT_FLOAT_EQ(d.object(i).transform[14], -0.1f);
    }
    EXPECT_EQ(d.object(2).transform, identityMatrix());
    EXPECT_EQ(d.view.lastX, 110);
    EXPECT_EQ(d.view.lastY, 100);
}

TEST(DragTranslate, FollowsTheCursorInEveryOrthographicView) {
    // Cursor 3 right and 2 up: screen right and up in world terms for each View.
    struct Case {
        int axis;
        float x, y, z;
    } const cases[] = {{0, 0, 0.02f, -0.03f}, {1, 0.03f, 0, -0.02f}, {2, 0.03f, 0.02f, 0}};
    for (const Case& c : cases) {
        const DragStep step = planDrag(0, Drag(c.axis).view.camera, Translate, 3, -2);
        EXPECT_EQ(step.kind, DragKind::Translate);
        EXPECT_FLOAT_EQ(step.x, c.x) << c.axis;
        EXPECT_FLOAT_EQ(step.y, c.y) << c.axis;
        EXPECT_FLOAT_EQ(step.z, c.z) << c.axis;
    }
}

TEST(DragScale, StepsCompoundAndTheOwnAxisKeepsOne) {
    Drag twoSteps(2);
    twoSteps.moveBy(1, 0, Scale);
    twoSteps.moveBy(1, 0, Scale);
    EXPECT_EQ(twoSteps.object(0).transform[0], 1.01f * 1.01f);
    EXPECT_EQ(twoSteps.object(0).transform[5], 1.0f);
    EXPECT_EQ(twoSteps.object(0).transform[10], 1.0f);

    Drag oneStep(2);
    oneStep.moveBy(2, 0, Scale);
    EXPECT_EQ(oneStep.object(0).transform[0], 1.02f);
    EXPECT_NE(oneStep.object(0).transform[0], twoSteps.object(0).transform[0]);

    // Side view: horizontal is world Z, vertical world Y (upwards grows).
    const DragStep side = planDrag(0, Drag(0).view.camera, Scale, 10, -20);
    EXPECT_EQ(side.x, 1.0f);
    EXPECT_EQ(side.y, 1 + 0.01f * 20);
    EXPECT_EQ(side.z, 1 + 0.01f * 10);
    // Top view: horizontal is world X, vertical world Z.
    const DragStep top = planDrag(0, Drag(1).view.camera, Scale, 10, -20);
    EXPECT_EQ(top.x, 1 + 0.01f * 10);
    EXPECT_EQ(top.y, 1.0f);
    EXPECT_EQ(top.z, 1 + 0.01f * 20);
}

TEST(DragScale, AFactorOfOneHundredthOrLessIsClamped) {
    Drag d(2);
    d.moveBy(-150, 100, Scale);
    EXPECT_EQ(d.object(0).transform[0], MIN_DRAG_SCALE);
    EXPECT_EQ(d.object(0).transform[5], MIN_DRAG_SCALE);
    EXPECT_EQ(d.object(0).transform[10], 1.0f);
    // 100 pixels left would give exactly 0; 99 pixels leave a factor just above the limit.
    EXPECT_EQ(planDrag(0, d.view.camera, Scale, -100, 0).x, MIN_DRAG_SCALE);
    EXPECT_EQ(planDrag(0, d.view.camera, Scale, -99, 0).x, 1 - 0.01f * 99);
    EXPECT_GT(planDrag(0, d.view.camera, Scale, -99, 0).x, MIN_DRAG_SCALE);
}

TEST(DragRotate, TurnsAboutTheViewAxisByRightPlusUp) {
    for (int axis : {0, 1, 2}) {
        const DragStep step = planDrag(0, Drag(axis).view.camera, Rotate, 7, -3);
        EXPECT_EQ(step.kind, DragKind::Rotate);
        EXPECT_EQ(step.x, axis == 0 ? 10.0f : 0.0f) << axis;
        EXPECT_EQ(step.y, axis == 1 ? 10.0f : 0.0f) << axis;
        EXPECT_EQ(step.z, axis == 2 ? 10.0f : 0.0f) << axis;
    }
    // Right and down by the same amount turns nothing.
    EXPECT_EQ(planDrag(0, Drag(2).view.camera, Rotate, 5, 5).z, 0.0f);

    // In the front view, 90 degrees counter-clockwise carries an object at (1, 0, 0) to
    // (0, 1, 0) about the world origin.
    Drag d(2);
    d.object(0).transform = translation(1, 0, 0);
    d.moveBy(45, -45, Rotate);
    EXPECT_NEAR(d.object(0).transform[12], 0, 1e-6);
    EXPECT_NEAR(d.object(0).transform[13], 1, 1e-6);
}

TEST(DragCamera, ShiftZoomsAndAltPansInEveryViewAndMode) {
    for (int32_t mode : {Select, Translate, Scale, Rotate}) {
        for (int axis : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " axis " << axis);
            Drag zoom(axis, false, MOD_SHIFT, mode);
            const MotionEffect effect = zoom.moveBy(3, -10, mode);
            EXPECT_FLOAT_EQ(zoom.view.camera.zoom, 0.5f);
            EXPECT_FALSE(effect.redrawAll);
            EXPECT_TRUE(effect.redrawView);
            EXPECT_TRUE(zoom.objectsUntouched());

            Drag pan(axis, false, MOD_ALT, mode);
            pan.moveBy(10, -20, mode);
            EXPECT_FLOAT_EQ(pan.view.camera.panX, 1.0f);
            EXPECT_FLOAT_EQ(pan.view.camera.panY, 2.0f);
            EXPECT_TRUE(pan.objectsUntouched());
        }
        Drag dolly(2, true, MOD_SHIFT, mode);
        dolly.moveBy(0, -10, mode);
        EXPECT_FLOAT_EQ(dolly.view.camera.eye.z, 4.9f);
        Drag pan(2, true, MOD_ALT, mode);
        pan.moveBy(10, -20, mode);
        EXPECT_FLOAT_EQ(pan.view.camera.panX, 0.1f);
        EXPECT_FLOAT_EQ(pan.view.camera.panY, 0.2f);
        EXPECT_EQ(pan.view.camera.rotX, 0);
        EXPECT_TRUE(pan.objectsUntouched());
    }
}

TEST(DragCamera, PlainDragInPerspectiveOrbitsWhateverTheMode) {
    for (int32_t mode : {Select, Translate, Scale, Rotate}) {
        for (int modifiers : {0, MOD_CTRL, 3, 5, 7}) {
            Drag d(2, true, modifiers, mode);
            const MotionEffect effect = d.moveBy(20, -7, mode);
            EXPECT_EQ(d.view.camera.rotY, 20);
            EXPECT_EQ(d.view.camera.rotX, -7);
            EXPECT_FALSE(effect.redrawAll);
            EXPECT_TRUE(d.objectsUntouched());
        }
    }
}

TEST(DragRules, OtherModifierSumsActAsAPlainDrag) {
    for (int modifiers : {MOD_CTRL, 3, 5, 6, 7}) {
        Drag d(2, false, modifiers, Translate);
        d.moveBy(10, 0, Translate);
        EXPECT_FLOAT_EQ(d.object(0).transform[12], 0.1f) << modifiers;
        EXPECT_EQ(d.view.camera.zoom, 0);
        EXPECT_EQ(d.view.camera.panX, 0);
    }
}

TEST(DragRules, SelectModeInAnOrthographicViewRedrawsOnlyThatView) {
    Drag d(1);
    const MotionEffect effect = d.moveBy(10, 10, Select);
    EXPECT_FALSE(effect.redrawAll);
    EXPECT_TRUE(effect.redrawView);
    EXPECT_TRUE(d.objectsUntouched());
}

TEST(DragRules, EmptySelectionStillRedrawsAllViews) {
    Drag d(2);
    d.scene.clearSelection();
    EXPECT_TRUE(d.moveBy(4, 4, Translate).redrawAll);
    EXPECT_TRUE(d.objectsUntouched());
}

TEST(DragRules, WithoutARunningDragOnlyTheReferencePointMoves) {
    Drag d(2, false, 0, Translate);
    handleButton(d.view, GLUT_MIDDLE_BUTTON, GLUT_DOWN, 0, 0, 0, Translate);
    const MotionEffect effect = handleMotion(d.view, Translate, 150, -40);
    EXPECT_FALSE(effect.redrawAll);
    EXPECT_FALSE(effect.redrawView);
    EXPECT_EQ(d.view.lastX, 150);
    EXPECT_EQ(d.view.lastY, -40);
    EXPECT_TRUE(d.objectsUntouched());
}

TEST(DragRules, MaskIsFixedAtThePressWhileTheModeIsReadAtEveryEvent) {
    // Shift at the press: the whole drag zooms, even in Translate mode.
    Drag zoom(2, false, MOD_SHIFT, Translate);
    zoom.moveBy(0, -2, Translate);
    zoom.moveBy(0, -2, Translate);
    EXPECT_FLOAT_EQ(zoom.view.camera.zoom, 0.2f);
    EXPECT_TRUE(zoom.objectsUntouched());

    // A mode key typed mid-drag changes what the rest of the drag does.
    Drag d(2, false, 0, Translate);
    d.moveBy(10, 0, Translate);
    d.moveBy(10, 0, Scale);
    EXPECT_FLOAT_EQ(d.object(0).transform[0], 1.1f);
    EXPECT_FLOAT_EQ(d.object(0).transform[12], 0.1f * 1.1f);
}

}  // namespace
