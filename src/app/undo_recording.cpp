#include "app/undo_recording.h"

#include <GL/freeglut.h>

#include "edit/undo_history.h"
#include "interact/key_commands.h"
#include "interact/view_input.h"
#include "view/view.h"

void keyboardRecorded(View& view, UndoHistory& history, unsigned char key, int x, int y) {
    switch (keyCommand(key).action) {
        case KeyAction::DeleteSelection:
            history.recordDelete(*view.scene);
            viewKeyboard(view, key, x, y);
            return;
        case KeyAction::Translate:
        case KeyAction::ScaleLocal:
        case KeyAction::RotateLocal:
            history.beginTransformStep(*view.scene);
            viewKeyboard(view, key, x, y);
            history.endTransformStep(*view.scene);
            return;
        case KeyAction::None:
        case KeyAction::Exit:
        case KeyAction::SetMode:
            viewKeyboard(view, key, x, y);
            return;
    }
}

void mouseButtonRecorded(View& view, UndoHistory& history, bool& dragStepOpen, int button,
                         int state, int x, int y) {
    if (dragStepOpen) {
        history.endTransformStep(*view.scene);
        dragStepOpen = false;
    }
    viewMouseButton(view, button, state, x, y);
    if (button == GLUT_LEFT_BUTTON && state == GLUT_DOWN) {
        history.beginTransformStep(*view.scene);
        dragStepOpen = true;
    }
}
