#include "app/control_panel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/globals.h"
#include "app/panel_status.h"
#include "edit/status_line.h"
#include "scene/mesh.h"

namespace {

// The panel's controls call the window-free half of the dispatch, so dragging a pad or choosing
// an item here runs exactly what the program runs, minus the redraws.
void dispatchWithoutWindows(int id) {
    applyPanelCommand(id);
}

class PanelDispatch : public ::testing::Test {
protected:
    Panel panel;

    void SetUp() override {
        controlPanel = ControlPanel{};
        controlPanel.glui = &panel;
        controlPanel.callback = dispatchWithoutWindows;
        controlPanel.build();
        scene.models.push_back(std::make_unique<Mesh>("a.wrl"));
        scene.models.push_back(std::make_unique<Mesh>("b.wrl"));
        editMode = Select;
    }

    void TearDown() override {
        scene.selection.clear();
        scene.objects.clear();
        scene.models.clear();
        scene.resetRotationControl = {};
        controlPanel = ControlPanel{};
        undoHistory = UndoHistory{};
        noteUserAction();
        for (View* view : allViews) {
            view->camera.axis = 2;
            view->camera.perspective = false;
            view->camera.reset();
        }
        editMode = Select;
    }

    // Places an object of model 0 directly, selected or not, without the Scene's operations.
    SceneObject* place(bool selected) {
        scene.objects.push_back(std::make_unique<SceneObject>(scene.models[0].get()));
        SceneObject* object = scene.objects.back().get();
        object->index = static_cast<int32_t>(scene.objects.size() - 1);
        if (selected) {
            object->selected = true;
            scene.selection.push_back(object);
        }
        return object;
    }
};

TEST_F(PanelDispatch, StartsWithLightingOnSelectModeAndNothingToUndo) {
    EXPECT_EQ(controlPanel.addList->items.size(), 1u);
    EXPECT_EQ(controlPanel.addList->chosenText(), "Add Object");
    EXPECT_EQ(controlPanel.lightingCheckbox->get_int_val(), 1);
    EXPECT_EQ(controlPanel.modeGroup->get_int_val(), 0);
    EXPECT_FALSE(controlPanel.undoButton->enabled);
    EXPECT_FALSE(controlPanel.redoButton->enabled);
}

TEST_F(PanelDispatch, BuildNeedsBothThePanelAndTheCallback) {
    Panel other;
    ControlPanel record;
    record.glui = &other;
    record.build();
    EXPECT_TRUE(other.controls.empty());
    record.glui = nullptr;
    record.callback = dispatchWithoutWindows;
    record.build();  // no panel: nothing to do, no crash
    EXPECT_EQ(record.addList, nullptr);
}

TEST_F(PanelDispatch, DeltasReturnTheChangeSinceTheLastEvent) {
    controlPanel.translateX->translation[0] = 0.3f;
    EXPECT_FLOAT_EQ(controlPanel.deltaX(), 0.3f);
    controlPanel.translateX->translation[0] = 0.5f;
    EXPECT_FLOAT_EQ(controlPanel.deltaX(), 0.2f);
    EXPECT_FLOAT_EQ(controlPanel.deltaX(), 0);
    controlPanel.scaleControl->translation[1] = -0.2f;
    EXPECT_FLOAT_EQ(controlPanel.deltaScale(), -0.2f);
    EXPECT_FLOAT_EQ(controlPanel.lastScale, -0.2f);
}

TEST_F(PanelDispatch, TranslationPadsMoveSelectedObjectsByEachChangeWithZReversed) {
    SceneObject* a = place(true);
    SceneObject* b = place(true);
    SceneObject* untouched = place(false);

    controlPanel.translateX->dragTranslation(30, 0);  // 0 -> 0.3
    EXPECT_FLOAT_EQ(a->transform[12], 0.3f);
    controlPanel.translateX->dragTranslation(20, 0);  // 0.3 -> 0.5: only +0.2 more
    EXPECT_FLOAT_EQ(a->transform[12], 0.5f);
    EXPECT_FLOAT_EQ(b->transform[12], 0.5f);

    controlPanel.translateY->dragTranslation(0, -10);  // up by 10 pixels: +0.1
    EXPECT_FLOAT_EQ(a->transform[13], 0.1f);

    controlPanel.translateZ->dragTranslation(0, -30);  // the Z value rises by 0.3 ...
    EXPECT_FLOAT_EQ(controlPanel.translateZ->get_z(), 0.3f);
    EXPECT_FLOAT_EQ(a->transform[14], -0.3f);  // ... and objects move the other way
    EXPECT_FLOAT_EQ(b->transform[14], -0.3f);

    EXPECT_EQ(untouched->transform, identityMatrix());
}

TEST_F(PanelDispatch, AChangeMadeWithNothingSelectedIsUsedUp) {
    controlPanel.translateX->dragTranslation(40, 0);  // 0.4 with nothing selected
    SceneObject* a = place(true);
    controlPanel.translateX->dragTranslation(10, 0);
    EXPECT_FLOAT_EQ(a->transform[12], 0.1f);
}

TEST_F(PanelDispatch, ScaleMultipliesByOnePlusTheChangeAndNeverCollapses) {
    SceneObject* a = place(true);
    controlPanel.scaleControl->dragTranslation(0, -20);  // +0.2
    EXPECT_FLOAT_EQ(a->transform[0], 1.2f);
    EXPECT_FLOAT_EQ(a->transform[5], 1.2f);
    EXPECT_FLOAT_EQ(a->transform[10], 1.2f);

    SceneObject* b = place(false);
    scene.selection = {b};
    controlPanel.scaleControl->dragTranslation(0, 20);  // -0.2
    EXPECT_FLOAT_EQ(b->transform[0], 0.8f);

    // A step down by 1.5 would give a factor of -0.5 (a mirror); 0.01 applies instead.
    controlPanel.scaleControl->dragTranslation(0, 150);
    EXPECT_FLOAT_EQ(b->transform[0], 0.8f * 0.01f);
    EXPECT_GT(b->transform[5], 0);
}

TEST_F(PanelDispatch, RotationGivesEverySelectedObjectTheSameMatrix) {
    SceneObject* a = place(true);
    SceneObject* b = place(true);
    SceneObject* other = place(false);
    controlPanel.rotationControl->dragRotation(0, 0, 0.5f, 0.2f);
    controlPanel.rotationControl->dragRotation(0.5f, 0.2f, 0.6f, 0.6f);
    EXPECT_NE(a->pendingRotation, identityMatrix());
    EXPECT_EQ(a->pendingRotation, controlPanel.rotationControl->rotation);
    EXPECT_EQ(b->pendingRotation, a->pendingRotation);
    EXPECT_EQ(other->pendingRotation, identityMatrix());
    EXPECT_EQ(applyPanelCommand(ID_ROTATION), PanelEffect::Redraw);
}

// A pad step or a ball movement that would leave a placement not finite changes nothing, and the
// status line says why until the next action.
TEST_F(PanelDispatch, StepsThatWouldOverflowAreRefusedAndTheStatusLineSaysSo) {
    using Lines = std::vector<std::string>;
    SceneObject* a = place(true);
    a->transform[0] = 3e38f;
    a->transform[4] = 3e38f;  // row 0 holds three huge numbers: turning it adds them up
    a->transform[8] = 3e38f;
    const Matrix4 before = a->transform;
    controlPanel.scaleControl->dragTranslation(0, -20);  // x1.2
    EXPECT_EQ(a->transform, before);
    updatePanelStatus();
    EXPECT_EQ(controlPanel.statusLine->lines, (Lines{"Edit not applied:", "result not finite"}));
    noteUserAction();
    updatePanelStatus();
    EXPECT_EQ(controlPanel.statusLine->lines, statusLines(scene, editMode));

    controlPanel.rotationControl->dragRotation(0, 0, 0.5f, 0.5f);
    EXPECT_EQ(a->pendingRotation, identityMatrix());
    EXPECT_EQ(a->transform, before);
    updatePanelStatus();
    EXPECT_EQ(controlPanel.statusLine->lines[0], "Edit not applied:");

    controlPanel.translateX->dragTranslation(10, 0);
    EXPECT_NE(a->transform[12], 0.0f);  // a move keeps everything finite: applied
    EXPECT_TRUE(a->finitePlacement());
}

TEST_F(PanelDispatch, ListBoxItemZeroAddsNothingAndItemKAddsModelKMinusOne) {
    controlPanel.addList->add_item(1, "a.wrl");
    controlPanel.addList->add_item(2, "b.wrl");
    controlPanel.addList->set_int_val(0);
    EXPECT_EQ(applyPanelCommand(ID_ADD), PanelEffect::None);
    EXPECT_TRUE(scene.objects.empty());

    controlPanel.addList->choose(2);
    ASSERT_EQ(scene.objects.size(), 1u);
    EXPECT_EQ(scene.objects[0]->mesh, scene.models[1].get());
    EXPECT_EQ(controlPanel.addList->chosenText(), "b.wrl");  // keeps showing the chosen model
    controlPanel.addList->set_int_val(1);
    EXPECT_EQ(applyPanelCommand(ID_ADD), PanelEffect::Redraw);
    ASSERT_EQ(scene.objects.size(), 2u);
    EXPECT_EQ(scene.objects[1]->mesh, scene.models[0].get());
}

TEST_F(PanelDispatch, NewEmptiesTheSceneAndResetsCamerasButLeavesTheControls) {
    scene.addInstance(0);
    scene.addInstance(1);
    scene.selectObject(1);
    for (View* view : allViews) {
        view->camera.zoom = 0.5f;
        view->camera.panX = 1;
        view->camera.rotY = 30;
    }
    controlPanel.modeGroup->choose(Rotate);
    controlPanel.addList->add_item(1, "a.wrl");
    controlPanel.addList->set_int_val(1);
    controlPanel.lightingCheckbox->set_int_val(0);
    controlPanel.translateX->dragTranslation(25, 0);

    controlPanel.glui->controls[0]->press();  // "New"
    EXPECT_TRUE(scene.objects.empty());
    EXPECT_TRUE(scene.selection.empty());
    EXPECT_EQ(scene.models.size(), 2u);
    for (View* view : allViews) {
        EXPECT_EQ(view->camera.zoom, 0);
        EXPECT_EQ(view->camera.panX, 0);
        EXPECT_EQ(view->camera.rotY, 0);
    }
    EXPECT_EQ(editMode, Rotate);
    EXPECT_EQ(controlPanel.modeGroup->get_int_val(), Rotate);
    EXPECT_EQ(controlPanel.addList->get_int_val(), 1);
    EXPECT_EQ(controlPanel.lightingCheckbox->get_int_val(), 0);
    EXPECT_FLOAT_EQ(controlPanel.translateX->get_x(), 0.25f);
    EXPECT_FLOAT_EQ(controlPanel.lastX, 0.25f);
}

TEST_F(PanelDispatch, ResetViewResetsOnlyTheCameras) {
    SceneObject* a = place(true);
    perspectiveView.camera.rotX = 40;
    topView.camera.zoom = 0.3f;
    controlPanel.glui->controls[1]->press();  // "Reset View"
    EXPECT_EQ(perspectiveView.camera.rotX, 0);
    EXPECT_EQ(topView.camera.zoom, 0);
    ASSERT_EQ(scene.objects.size(), 1u);
    EXPECT_EQ(scene.selection, std::vector<SceneObject*>{a});
}

TEST_F(PanelDispatch, FrameAllFitsTheFourCamerasUntilResetViewOrNew) {
    Mesh& model = *scene.models[0];
    model.points = {{0, 0, 0}, {10, 0, 0}, {0, 10, 10}};
    model.coordIndex = {{0, 1, 2}};
    place(false)->transform = translationMatrix(2000, 0, 0);
    // The cameras as the program sets them up.
    sideView.camera.axis = 0;
    topView.camera.axis = 1;
    perspectiveView.camera.perspective = true;
    perspectiveView.camera.rotX = 25;
    Control& frameAll =
        **std::find_if(panel.controls.begin(), panel.controls.end(),
                       [](const auto& control) { return control->id == ID_FRAME_ALL; });

    auto framed = [] {
        int count = 0;
        for (View* view : allViews)
            count += view->camera.framing.active ? 1 : 0;
        return count;
    };
    frameAll.press();
    EXPECT_EQ(framed(), 4);
    EXPECT_EQ(perspectiveView.camera.rotX, 25);
    EXPECT_EQ(frontView.camera.framing.centre.x, 2005);
    EXPECT_EQ(applyPanelCommand(ID_FRAME_ALL), PanelEffect::Redraw);

    controlPanel.glui->controls[1]->press();  // "Reset View"
    EXPECT_EQ(framed(), 0);
    frameAll.press();
    controlPanel.glui->controls[0]->press();  // "New"
    EXPECT_EQ(framed(), 0);

    // Objects that draw nothing leave nothing to frame: as "Reset View".
    place(false);
    scene.models[1]->points = {{1, 1, 1}};
    scene.objects.back()->mesh = scene.models[1].get();
    perspectiveView.camera.rotX = 25;
    frameAll.press();
    EXPECT_EQ(framed(), 0);
    EXPECT_EQ(perspectiveView.camera.rotX, 0);
}

TEST_F(PanelDispatch, OtherIdsAskForTheirEffectOnly) {
    controlPanel.modeGroup->set_int_val(Scale);
    EXPECT_EQ(applyPanelCommand(ID_MODE), PanelEffect::None);
    EXPECT_EQ(editMode, Scale);
    EXPECT_EQ(applyPanelCommand(ID_LIGHTING), PanelEffect::LightingOn);
    controlPanel.lightingCheckbox->set_int_val(0);
    EXPECT_EQ(applyPanelCommand(ID_LIGHTING), PanelEffect::LightingOff);
    EXPECT_EQ(applyPanelCommand(ID_OPEN), PanelEffect::OpenScene);
    EXPECT_EQ(applyPanelCommand(ID_SAVE), PanelEffect::SaveScene);
    EXPECT_EQ(applyPanelCommand(ID_QUIT), PanelEffect::None);
    EXPECT_EQ(applyPanelCommand(0), PanelEffect::None);
    EXPECT_EQ(applyPanelCommand(299), PanelEffect::None);
}

// The objects' models and matrices, to compare whole scenes.
std::vector<std::pair<const Mesh*, Matrix4>> objectsOf(const Scene& s) {
    std::vector<std::pair<const Mesh*, Matrix4>> objects;
    for (const auto& object : s.objects) {
        objects.emplace_back(object->mesh, object->transform);
    }
    return objects;
}

TEST_F(PanelDispatch, AddsNewAndPadHoldsAreStepsThatTheButtonsUndoAndRedo) {
    controlPanel.addList->add_item(1, "a.wrl");
    controlPanel.addList->add_item(2, "b.wrl");
    controlPanel.addList->choose(2);
    controlPanel.addList->choose(1);
    ASSERT_EQ(scene.objects.size(), 2u);
    EXPECT_TRUE(updatePanelStatus());
    EXPECT_TRUE(controlPanel.undoButton->enabled);
    EXPECT_FALSE(controlPanel.redoButton->enabled);
    EXPECT_FALSE(updatePanelStatus());  // nothing changed since

    // A pad held, dragged in three steps and let go is one step.
    scene.selectObject(0);
    const auto placed = objectsOf(scene);
    controlPanel.glui->dragStarted(ID_TRANSLATE_X);
    for (int step = 0; step < 3; ++step) {
        controlPanel.translateX->dragTranslation(10, 0);
    }
    controlPanel.glui->dragEnded(ID_TRANSLATE_X);
    const auto moved = objectsOf(scene);
    ASSERT_NE(moved, placed);
    controlPanel.undoButton->press();
    EXPECT_EQ(objectsOf(scene), placed);
    EXPECT_TRUE(scene.selection.empty());
    EXPECT_TRUE(updatePanelStatus());
    EXPECT_TRUE(controlPanel.redoButton->enabled);
    controlPanel.redoButton->press();
    EXPECT_EQ(objectsOf(scene), moved);

    // "New" comes back with the same objects; the second add and then the first go next.
    controlPanel.glui->controls[0]->press();
    ASSERT_TRUE(scene.objects.empty());
    controlPanel.undoButton->press();
    EXPECT_EQ(objectsOf(scene), moved);
    controlPanel.undoButton->press();
    controlPanel.undoButton->press();
    ASSERT_EQ(scene.objects.size(), 1u);
    EXPECT_EQ(scene.objects[0]->mesh, scene.models[1].get());
    controlPanel.undoButton->press();
    EXPECT_TRUE(scene.objects.empty());
    EXPECT_EQ(applyPanelCommand(ID_UNDO), PanelEffect::None);  // nothing left to undo
    updatePanelStatus();
    EXPECT_FALSE(controlPanel.undoButton->enabled);
    EXPECT_TRUE(controlPanel.redoButton->enabled);

    // A new step cuts what could be redone.
    controlPanel.addList->choose(1);
    EXPECT_EQ(applyPanelCommand(ID_REDO), PanelEffect::None);
    updatePanelStatus();
    EXPECT_FALSE(controlPanel.redoButton->enabled);
}

TEST_F(PanelDispatch, ABallMovementFromPressToReleaseIsOneStepUndoneExactly) {
    SceneObject* a = place(true);
    SceneObject* b = place(true);
    a->transform[12] = 0.25f;
    b->pendingRotation = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const Matrix4 aBefore = foldedTransform(*a);
    const Matrix4 bBefore = foldedTransform(*b);
    scene.resetRotationControl = [](const Matrix4& m) {
        controlPanel.rotationControl->set_float_array_val(m.data());
    };
    controlPanel.glui->dragStarted(ID_ROTATION);
    controlPanel.rotationControl->dragRotation(0, 0, 0.5f, 0.2f);
    controlPanel.rotationControl->dragRotation(0.5f, 0.2f, 0.6f, 0.6f);
    controlPanel.glui->dragEnded(ID_ROTATION);
    ASSERT_EQ(undoHistory.done.size(), 1u);
    const Matrix4 aTurned = foldedTransform(*a);

    controlPanel.undoButton->press();
    EXPECT_TRUE(scene.selection.empty());
    EXPECT_EQ(a->transform, aBefore);
    EXPECT_EQ(b->transform, bBefore);
    EXPECT_EQ(a->pendingRotation, identityMatrix());
    EXPECT_EQ(controlPanel.rotationControl->rotation, identityMatrix());
    controlPanel.redoButton->press();
    EXPECT_EQ(a->transform, aTurned);

    // Pressing the ball without moving it is no step.
    scene.selectObject(0);
    controlPanel.glui->dragStarted(ID_ROTATION);
    controlPanel.glui->dragEnded(ID_ROTATION);
    EXPECT_EQ(undoHistory.done.size(), 1u);
}

TEST_F(PanelDispatch, StatusLineFollowsTheModeInForceAndShowsAFailureUntilTheNextAction) {
    using Lines = std::vector<std::string>;
    EXPECT_TRUE(updatePanelStatus());
    EXPECT_EQ(controlPanel.statusLine->lines, (Lines{"Select     No objects", "0 triangles"}));
    editMode = Rotate;  // as the key p sets it, with the radio buttons left on Select
    EXPECT_TRUE(updatePanelStatus());
    EXPECT_EQ(controlPanel.statusLine->lines[0], "Rotate     No objects");
    EXPECT_EQ(controlPanel.modeGroup->get_int_val(), Select);

    showFailureReason("not a scene file: line 3 ends early");
    EXPECT_TRUE(updatePanelStatus());
    EXPECT_EQ(controlPanel.statusLine->lines, (Lines{"not a scene file:", "line 3 ends early"}));
    EXPECT_FALSE(updatePanelStatus());
    noteUserAction();
    EXPECT_TRUE(updatePanelStatus());
    EXPECT_EQ(controlPanel.statusLine->lines[0], "Rotate     No objects");
    showFailureReason("");  // a cancelled dialog
    EXPECT_FALSE(updatePanelStatus());
}

}  // namespace
