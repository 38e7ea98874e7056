#pragma once

// Pumps GLUT events for ever. Between events it sleeps on the X connection, so an idle editor
// uses no CPU. `afterEachPass`, when given, runs after every pass, before the loop decides
// whether to sleep: what it asks of redisplayAgainNextPass is drawn at once.
[[noreturn]] void runEventLoop(void (*afterEachPass)() = nullptr);

#include <functional>
#include <vector>

// Runs `action` from the event loop once the current callback has returned and one more pass has
// let an open pop-up menu close and the windows redraw. Modal dialogs started straight from a
// menu callback would leave the menu's picture on screen.
void runAfterMenuCloses(std::function<void()> action);

// Posts one more redisplay of `window` at the next pass of the loop. The software rasteriser
// draws the first frame after a resize at the old size, so resized windows draw twice.
void redisplayAgainNextPass(int window);

// The Shift (1), Ctrl (2) and Alt (4) keys that were held when the button press now being handled
// happened (`button`, `x` and `y` as GLUT passes them), however long it waited in the queue. Unlike
// glutGetModifiers it never counts Caps Lock or Num Lock. Should the press not have been noted,
// the keys held now.
int modifiersOfPress(int button, int x, int y);

// The loop sleeps no longer than `ms` milliseconds before its next pass (once; ask again after
// every pass that still needs it). Without a request it sleeps until an event arrives.
void sleepAtMost(int ms);

// Wakes the event loop from any thread or from a signal handler: it makes one more pass.
void wakeEventLoop();

// From now on each of the signals (unless it is ignored, as a shell may arrange for SIGINT) is
// turned into an event of the loop: between passes `lastWords` runs, then the signal is raised
// again with its default action, so the program ends as the signal alone would have ended it.
void endOnSignals(const std::vector<int>& signals, void (*lastWords)());

// Drops the key, button and motion events queued for our windows (input made while a modal
// dialog was up must not act afterwards).
void discardQueuedInput();
