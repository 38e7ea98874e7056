#pragma once

// The ImGui side of the Objects window, used only by that window: its buttons, the list of rows
// (only those in sight are laid out), the selection's lines and the typed values. What the user
// asked for comes back as actions to run once the frame is over, as the panel's do.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "panel/objects_window.h"

using ObjectsActions = std::vector<std::function<void()>>;

constexpr int TYPED_FIELD_SIZE = 64;

// One row of typed values: its label, what it asks for, and the text of its X, Y, Z fields.
struct TypedRow {
    const char* label;
    ObjectsCommand command;
    char fields[3][TYPED_FIELD_SIZE];
};

// What the window keeps from one frame to the next.
struct ObjectsFrame {
    TypedRow rows[3] = {{"Move to", ObjectsCommand::MoveTo, {"0", "0", "0"}},
                        {"Turn by", ObjectsCommand::TurnBy, {"0", "0", "0"}},
                        {"Scale by", ObjectsCommand::ScaleBy, {"1", "1", "1"}}};
    bool uniform = true;             // Scale by: one factor, from the X field
    std::string message;             // what the last request answered
    int pressModifiers = 0;          // Shift/Ctrl/Alt of the last button press
    std::optional<size_t> scrollTo;  // a row to bring into sight
    bool scrolled = false;           // a frame asked for a scroll that only the next frame shows
};

// Lays the frame out in one ImGui window filling the display, between NewFrame and Render.
void buildObjectsFrame(ObjectsFrame& frame, const ObjectsWindowHooks& hooks,
                       ObjectsActions& actions);
