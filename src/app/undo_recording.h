#pragma once

struct UndoHistory;
struct View;

// The user's edits in a View, each recorded in `history` as one undo step around the View's own
// handler. A key that moves, scales or turns the selection is one step and Delete records the
// objects it deletes; mode keys, Esc and other keys record nothing.
void keyboardRecorded(View& view, UndoHistory& history, unsigned char key, int x, int y);

// A left-button drag is one step from its press to the View's next button event (its release, or
// whatever ended it). The step opens after the press has picked, so that it holds the objects the
// drag will edit; camera drags change no object and record nothing. `dragStepOpen` belongs to the
// View: a press whose release never came closes its step at the next button event instead of
// merging later edits into it.
void mouseButtonRecorded(View& view, UndoHistory& history, bool& dragStepOpen, int button,
                         int state, int x, int y);
