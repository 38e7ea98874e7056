#pragma once

#include <cstdint>

struct Scene;

enum class KeyAction { None, Exit, DeleteSelection, SetMode, Translate, ScaleLocal, RotateLocal };

// The command bound to one key code.
struct KeyCommand {
    KeyAction action = KeyAction::None;
    float x = 0, y = 0, z = 0;  // arguments of the move, scale or turn
    int32_t mode = 0;           // the editing mode, for SetMode
};

// The key codes that GLUT gives for Esc and Delete.
constexpr unsigned char KEY_ESCAPE = 27;
constexpr unsigned char KEY_DELETE = 127;

// Looks the key code up in the View key table. Codes are compared exactly: upper and lower case
// are different keys, and control codes do nothing.
KeyCommand keyCommand(unsigned char key);

enum class KeyEffect { None, RedrawAll, Exit };

// Carries the command out on the Scene's Selection (in selection order) or on the editing mode.
// Exit is left to the caller, which ends the process.
KeyEffect applyKeyCommand(const KeyCommand& command, Scene& scene, int32_t& editMode);
