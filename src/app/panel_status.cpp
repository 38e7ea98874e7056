#include "app/panel_status.h"

#include <utility>

#include "app/event_loop.h"
#include "app/globals.h"
#include "app/recovery.h"
#include "edit/status_line.h"

namespace {

std::string failureReason;
uint64_t refusedEditsShown = 0;
bool recoveryNotice = false;

// True when the control's greying changed.
bool setEnabled(Control* control, bool enabled) {
    if (control == nullptr || control->enabled == enabled) {
        return false;
    }
    control->enabled = enabled;
    return true;
}

// True when the text changed.
bool setLines(Control* control, std::vector<std::string> lines) {
    if (control == nullptr || control->lines == lines) {
        return false;
    }
    control->lines = std::move(lines);
    return true;
}

}  // namespace

bool updatePanelStatus() {
    if (scene.refusedEdits != refusedEditsShown) {
        refusedEditsShown = scene.refusedEdits;
        failureReason = EDIT_NOT_FINITE;
    }
    bool changed = setEnabled(controlPanel.undoButton, undoHistory.canUndo());
    changed = setEnabled(controlPanel.redoButton, undoHistory.canRedo()) || changed;
    std::vector<std::string> fileLines;
    std::vector<std::string> lines;
    if (recoveryNotice) {
        lines = recoveryNoticeLines();
        fileLines = {lines.front()};
        lines.erase(lines.begin());
    } else {
        fileLines = {sceneFileLine(sceneFileNote())};
        lines = statusLines(scene, editMode, failureReason);
    }
    changed = setLines(controlPanel.sceneFileLine, std::move(fileLines)) || changed;
    changed = setLines(controlPanel.statusLine, std::move(lines)) || changed;
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

void showRecoveryNotice() {
    recoveryNotice = true;
}

void showStatusNote(std::string note) {
    failureReason = std::move(note);
}

const std::string& statusNote() {
    return failureReason;
}

void noteUserAction() {
    failureReason.clear();
    recoveryNotice = false;
}
