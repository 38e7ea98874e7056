#include "app/panel_status.h"

#include <utility>

#include "app/event_loop.h"
#include "app/globals.h"
#include "edit/status_line.h"

namespace {

std::string failureReason;

// True when the control's greying changed.
bool setEnabled(Control* control, bool enabled) {
    if (control == nullptr || control->enabled == enabled) {
        return false;
    }
    control->enabled = enabled;
    return true;
}

}  // namespace

bool updatePanelStatus() {
    bool changed = setEnabled(controlPanel.undoButton, undoHistory.canUndo());
    changed = setEnabled(controlPanel.redoButton, undoHistory.canRedo()) || changed;
    if (controlPanel.statusLine != nullptr) {
        std::vector<std::string> lines = statusLines(scene, editMode, failureReason);
        if (lines != controlPanel.statusLine->lines) {
            controlPanel.statusLine->lines = std::move(lines);
            changed = true;
        }
    }
    return changed;
}

void refreshPanelStatus() {
    if (updatePanelStatus() && controlPanel.glui != nullptr && controlPanel.glui->window != 0) {
        redisplayAgainNextPass(controlPanel.glui->window);
    }
}

void showFailureReason(std::string reason) {
    failureReason = std::move(reason);
}

void showStatusNote(std::string note) {
    failureReason = std::move(note);
}

const std::string& statusNote() {
    return failureReason;
}

void noteUserAction() {
    failureReason.clear();
}
