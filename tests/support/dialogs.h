#pragma once

// Driving the program's GTK dialogs with real X input.

#include <optional>
#include <string>

#include "support/harness.h"

// Waits for a top-level window and puts the pointer on it: keyboard focus follows the pointer.
std::optional<ScreenRect> focusWindow(const ProgramRun& run, const std::string& title,
                                      milliseconds timeout = milliseconds(10000));

// Types a name into the focused chooser and confirms it once GTK has handled the typing: a
// Return that arrives while its name completion runs is swallowed.
void enterName(const ProgramRun& run, const std::string& name);

// Whether the window titled `title` goes away in time.
bool gone(const ProgramRun& run, const std::string& title);

// Presses the panel button at `button`, which opens a file dialog, types the file's base name
// into it and confirms; fails the test when the dialog does not come or does not go.
void chooseFile(const ProgramRun& run, Point button, const std::string& title,
                const std::string& name);
