#include "app/control_panel.h"

#include <GL/freeglut.h>

#include <cstdlib>
#include <string>

#include "app/event_loop.h"
#include "app/frame_all.h"
#include "app/globals.h"
#include "app/objects_commands.h"
#include "app/panel_status.h"
#include "app/scene_file_commands.h"
#include "edit/status_line.h"
#include "interact/selection_edit.h"

void ControlPanel::build() {
    if (glui == nullptr || callback == nullptr) {
        return;
    }
    glui->defaultCallback = callback;
    glui->add_button("New", ID_NEW);
    glui->add_button("Reset View", ID_RESET_VIEW);
    glui->add_button("Open", ID_OPEN);
    glui->add_button("Save", ID_SAVE);
    // "Quit" ends the process with its own id as the exit status.
    glui->add_button("Quit", ID_QUIT, [](int id) { std::exit(id); });
    glui->add_separator();
    addList = glui->add_listbox("Add :", ID_ADD);
    addList->add_item(0, "Add Object");
    glui->add_separator();
    lightingCheckbox = glui->add_checkbox("Lighting", ID_LIGHTING);
    lightingCheckbox->set_int_val(1);  // the perspective view starts lit
    modeGroup = glui->add_radiogroup(ID_MODE);
    glui->add_radiobutton_to_group(modeGroup, "Select");
    glui->add_radiobutton_to_group(modeGroup, "Translate");
    glui->add_radiobutton_to_group(modeGroup, "Scale");
    glui->add_radiobutton_to_group(modeGroup, "Rotate");
    glui->add_separator();
    translateX = glui->add_translation("Translate X", TranslationKind::X, ID_TRANSLATE_X);
    translateX->set_speed(0.01f);
    translateY = glui->add_translation("Translate Y", TranslationKind::Y, ID_TRANSLATE_Y);
    translateY->set_speed(0.01f);
    translateZ = glui->add_translation("Translate Z", TranslationKind::Z, ID_TRANSLATE_Z);
    translateZ->set_speed(0.01f);
    scaleControl = glui->add_translation("Scale", TranslationKind::Y, ID_SCALE);
    scaleControl->set_speed(0.01f);
    rotationControl = glui->add_rotation("Rotation", ID_ROTATION);
    // "Frame All" and "Objects" share the row below the ball.
    glui->add_button("Frame All", ID_FRAME_ALL);
    glui->add_button("Objects", ID_OBJECTS)->besidePrevious = true;
    // Undo and Redo share a row; greyed out until there is something to undo or redo.
    undoButton = glui->add_button("Undo", ID_UNDO);
    redoButton = glui->add_button("Redo", ID_REDO);
    redoButton->besidePrevious = true;
    undoButton->enabled = false;
    redoButton->enabled = false;
    // The scene file's line above the mode, objects and triangles.
    sceneFileLine = glui->add_status_text(1);
    statusLine = glui->add_status_text(static_cast<int>(STATUS_ROWS));
    // A pad or ball movement is one undo step from press to release.
    glui->dragStarted = [](int) {
        noteUserAction();
        undoHistory.beginTransformStep(scene);
    };
    glui->dragEnded = [](int) { undoHistory.endTransformStep(scene); };
}

namespace {

float takeChange(float value, float& last) {
    const float change = value - last;
    last = value;
    return change;
}

// The dialogs run from the event loop, not inside the panel's event handling. No message box:
// the status line says why a load or save failed.
void runFileCommandLater(bool (*command)(std::string& reason)) {
    runAfterMenuCloses([command] {
        std::string reason;
        if (!command(reason)) {
            showFailureReason(reason);
        }
    });
}

}  // namespace

float ControlPanel::deltaX() {
    return takeChange(translateX->get_x(), lastX);
}
float ControlPanel::deltaY() {
    return takeChange(translateY->get_y(), lastY);
}
float ControlPanel::deltaZ() {
    return takeChange(translateZ->get_z(), lastZ);
}
float ControlPanel::deltaScale() {
    return takeChange(scaleControl->get_y(), lastScale);
}

PanelEffect applyPanelCommand(int id) {
    ControlPanel& panel = controlPanel;
    switch (id) {
        case ID_LIGHTING:
            return panel.lightingCheckbox->get_int_val() != 0 ? PanelEffect::LightingOn
                                                              : PanelEffect::LightingOff;
        case ID_MODE:
            editMode = panel.modeGroup->get_int_val();
            return PanelEffect::None;
        case ID_OPEN:
            return PanelEffect::OpenScene;
        case ID_SAVE:
            return PanelEffect::SaveScene;
        case ID_TRANSLATE_X: {
            const float d = panel.deltaX();
            editSelection(scene, &SceneObject::translateObject, d, 0, 0);
            return PanelEffect::Redraw;
        }
        case ID_TRANSLATE_Y: {
            const float d = panel.deltaY();
            editSelection(scene, &SceneObject::translateObject, 0, d, 0);
            return PanelEffect::Redraw;
        }
        case ID_TRANSLATE_Z: {
            // The Z control moves objects opposite to its own value.
            const float d = panel.deltaZ();
            editSelection(scene, &SceneObject::translateObject, 0, 0, -d);
            return PanelEffect::Redraw;
        }
        case ID_ROTATION: {
            Matrix4 rotation;
            panel.rotationControl->get_float_array_val(rotation.data());
            setPendingRotation(scene, rotation);
            return PanelEffect::Redraw;
        }
        case ID_ADD: {
            const int k = panel.addList->get_int_val();
            if (k <= 0) {
                return PanelEffect::None;
            }
            undoHistory.recordAdd(scene, scene.addInstance(k - 1));
            return PanelEffect::Redraw;
        }
        case ID_SCALE: {
            float s = panel.deltaScale() + 1;
            if (s <= MIN_PANEL_SCALE_FACTOR) {
                s = MIN_PANEL_SCALE_FACTOR;
            }
            editSelection(scene, &SceneObject::scaleObjectLocal, s, s, s);
            return PanelEffect::Redraw;
        }
        case ID_NEW:
            undoHistory.recordReplaceAll(scene);
            scene.removeAllObjects();
            for (View* view : allViews)
                view->camera.reset();
            return PanelEffect::Redraw;
        case ID_RESET_VIEW:
            for (View* view : allViews)
                view->camera.reset();
            return PanelEffect::Redraw;
        case ID_FRAME_ALL:
            frameAllViews();
            return PanelEffect::Redraw;
        case ID_OBJECTS:
            return PanelEffect::OpenObjects;
        case ID_UNDO:
            return undoHistory.undo(scene) ? PanelEffect::Redraw : PanelEffect::None;
        case ID_REDO:
            return undoHistory.redo(scene) ? PanelEffect::Redraw : PanelEffect::None;
        default:
            return PanelEffect::None;
    }
}

void panelCallback(int id) {
    noteUserAction();
    const int window = glutGetWindow();
    const PanelEffect effect = applyPanelCommand(id);
    switch (effect) {
        case PanelEffect::None:
            break;
        case PanelEffect::Redraw:
            redisplayAll(window);
            break;
        case PanelEffect::LightingOn:
        case PanelEffect::LightingOff:
            // Only GL_LIGHTING: the light and colour material stay as they are.
            glutSetWindow(perspectiveView.window);
            if (effect == PanelEffect::LightingOn) {
                glEnable(GL_LIGHTING);
            } else {
                glDisable(GL_LIGHTING);
            }
            redisplayAll(window);
            break;
        case PanelEffect::OpenScene:
            runFileCommandLater(loadScene);
            break;
        case PanelEffect::SaveScene:
            runFileCommandLater(saveScene);
            break;
        case PanelEffect::OpenObjects:
            openObjectsWindow();
            break;
    }
}
