#include "interact/key_commands.h"

#include "interact/edit_mode.h"
#include "interact/selection_edit.h"
#include "scene/scene.h"

namespace {

constexpr float MOVE = 0.5f;
constexpr float SHRINK = 0.9f;
constexpr float GROW = 1.1f;
constexpr float TURN = 5.0f;

KeyCommand along(KeyAction action, int axis, float amount, float rest) {
    KeyCommand command{action, rest, rest, rest, 0};
    (axis == 0 ? command.x : axis == 1 ? command.y : command.z) = amount;
    return command;
}

}  // namespace

KeyCommand keyCommand(unsigned char key) {
    switch (key) {
        case KEY_ESCAPE:
            return {KeyAction::Exit};
        case KEY_DELETE:
            return {KeyAction::DeleteSelection};
        case 'u':
            return {KeyAction::SetMode, 0, 0, 0, Select};
        case 'i':
            return {KeyAction::SetMode, 0, 0, 0, Translate};
        case 'o':
            return {KeyAction::SetMode, 0, 0, 0, Scale};
        case 'p':
            return {KeyAction::SetMode, 0, 0, 0, Rotate};
        case 'z':
            return along(KeyAction::Translate, 0, -MOVE, 0);
        case 'Z':
            return along(KeyAction::Translate, 0, MOVE, 0);
        case 'x':
            return along(KeyAction::Translate, 1, -MOVE, 0);
        case 'X':
            return along(KeyAction::Translate, 1, MOVE, 0);
        case 'c':
            return along(KeyAction::Translate, 2, -MOVE, 0);
        case 'C':
            return along(KeyAction::Translate, 2, MOVE, 0);
        case 'a':
            return along(KeyAction::ScaleLocal, 0, SHRINK, 1);
        case 'A':
            return along(KeyAction::ScaleLocal, 0, GROW, 1);
        case 's':
            return along(KeyAction::ScaleLocal, 1, SHRINK, 1);
        case 'S':
            return along(KeyAction::ScaleLocal, 1, GROW, 1);
        case 'd':
            return along(KeyAction::ScaleLocal, 2, SHRINK, 1);
        case 'D':
            return along(KeyAction::ScaleLocal, 2, GROW, 1);
        case 'q':
            return along(KeyAction::RotateLocal, 0, TURN, 0);
        case 'Q':
            return along(KeyAction::RotateLocal, 0, -TURN, 0);
        case 'w':
            return along(KeyAction::RotateLocal, 1, TURN, 0);
        case 'W':
            return along(KeyAction::RotateLocal, 1, -TURN, 0);
        case 'e':
            return along(KeyAction::RotateLocal, 2, TURN, 0);
        case 'E':
            return along(KeyAction::RotateLocal, 2, -TURN, 0);
        default:
            return {};
    }
}

KeyEffect applyKeyCommand(const KeyCommand& command, Scene& scene, int32_t& editMode) {
    switch (command.action) {
        case KeyAction::None:
            return KeyEffect::None;
        case KeyAction::Exit:
            return KeyEffect::Exit;
        case KeyAction::SetMode:
            // Only the mode changes: nothing is redrawn and the panel is not told.
            editMode = command.mode;
            return KeyEffect::None;
        case KeyAction::DeleteSelection:
            scene.deleteSelection();
            break;
        case KeyAction::Translate:
            editSelection(scene, &SceneObject::translateObject, command.x, command.y, command.z);
            break;
        case KeyAction::ScaleLocal:
            editSelection(scene, &SceneObject::scaleObjectLocal, command.x, command.y, command.z);
            break;
        case KeyAction::RotateLocal:
            editSelection(scene, &SceneObject::rotateObjectLocal, command.x, command.y, command.z);
            break;
    }
    return KeyEffect::RedrawAll;
}
