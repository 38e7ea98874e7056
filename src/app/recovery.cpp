#include "app/recovery.h"

#include <filesystem>
#include <memory>

#include <csignal>

#include "app/event_loop.h"
#include "app/globals.h"
#include "app/panel_status.h"
#include "app/scene_file_commands.h"
#include "app/x_errors.h"
#include "platform/platform.h"
#include "scenefile/file_io.h"
#include "scenefile/recovery_copy.h"
#include "scenefile/recovery_place.h"
#include "scenefile/recovery_writer.h"

namespace {

std::shared_ptr<RecoveryPlace> place;
RecoveryWriter writer;
RecoverySchedule schedule;
// The views as last read from GL: what a copy written without the X connection holds.
std::array<ViewState, 4> lastViews;

std::string fileName;  // of the last saved or loaded scene file
bool justSaved = false;
bool recovered = false;
bool copyKept = false;
bool started = false;

SceneSnapshot takeSnapshot(bool withViews) {
    SceneSnapshot snapshot;
    if (withViews) {
        lastViews = captureViews();
    } else {
        // The GL matrices as last read; the cameras as they are now.
        for (int i = 0; i < 4; ++i) {
            const Camera& camera = allViews[i]->camera;
            ViewState& state = lastViews[i];
            state.eye = camera.eye;
            state.panX = camera.panX;
            state.panY = camera.panY;
            state.rotX = camera.rotX;
            state.rotY = camera.rotY;
            state.zoom = camera.zoom;
        }
    }
    snapshot.views = lastViews;
    snapshot.objects = placedModels(scene);
    return snapshot;
}

void lastWordsWithViews() {
    writeRecoveryCopyBeforeEnd(true);
}

void lastWordsWithoutViews() {
    writeRecoveryCopyBeforeEnd(false);
}

// Dropped once a save or load made the copies of this folder obsolete.
void forgetCopies(const std::string& keep) {
    writer.wait();
    removeRecoveryCopies(*place, keep);
    copyKept = false;
}

void loadCopyAtStart() {
    const auto copy = newestRecoveryCopy(*place);
    if (!copy) {
        showFailureReason("no recovery copy for this folder");
        return;
    }
    std::string reason;
    if (!loadSceneFrom(*copy, reason)) {
        showFailureReason(reason);
        platform().showMessage("Error loading scene", "Error");
        return;
    }
    recovered = true;
    // The copy holds this state already: nothing to write until the next change.
    schedule.held(undoHistory.changes);
}

}  // namespace

void startRecovery(bool recoverNow) {
    place = std::make_shared<RecoveryPlace>();
    place->folder = recoveryFolderFromEnvironment();
    std::error_code error;
    place->key = recoveryKey(std::filesystem::current_path(error).string());
    for (size_t i = 0; i < scene.models.size(); ++i) {
        place->modelNames.push_back(scene.models[i]->name);
    }
    lastViews = captureViews();
    started = true;
    if (!place->folder.empty()) {
        std::shared_ptr<const RecoveryPlace> kept = place;
        keepPreviousContentWith([kept](const std::string& target, std::string_view previous) {
            return keepPreviousContent(*kept, target, previous);
        });
    }
    writer.finished = wakeEventLoop;
    std::atexit([] { writeRecoveryCopyBeforeEnd(true); });
    setLastWordsOnConnectionLoss(lastWordsWithoutViews);
    endOnSignals({SIGTERM, SIGINT, SIGHUP}, lastWordsWithViews);

    copyKept = newestRecoveryCopy(*place).has_value();
    if (recoverNow) {
        // Once the windows have drawn: a failure shows a message box over them.
        runAfterMenuCloses(loadCopyAtStart);
    } else if (copyKept) {
        showRecoveryNotice();
    }
}

void keepRecoveryCopy() {
    if (!started || place->folder.empty()) {
        return;
    }
    const auto now = RecoverySchedule::Clock::now();
    if (schedule.writeNow(undoHistory.changes, undoHistory.unsaved(), now, writer.busy())) {
        schedule.held(undoHistory.changes);
        writer.start(place, takeSnapshot(true));
        copyKept = true;
        return;
    }
    // While a write runs, its end wakes the loop.
    if (!writer.busy()) {
        if (const auto wait = schedule.untilDue(now)) {
            sleepAtMost(static_cast<int>(wait->count()));
        }
    }
}

void writeRecoveryCopyBeforeEnd(bool withViews) {
    if (!started) {
        return;
    }
    // A drag or pad movement still in progress counts as done.
    while (undoHistory.openDepth > 0) {
        undoHistory.endTransformStep(scene);
    }
    writer.wait();
    if (place->folder.empty() || !schedule.behind(undoHistory.changes, undoHistory.unsaved())) {
        return;
    }
    schedule.held(undoHistory.changes);
    writer.writeNow(*place, takeSnapshot(withViews));
}

void waitForRecoveryWrite() {
    writer.wait();
}

void sceneFileSaved(const std::string& path) {
    undoHistory.markSaved();
    schedule.held(undoHistory.changes);
    fileName = std::filesystem::path(path).filename().string();
    justSaved = true;
    recovered = false;
    if (started) {
        forgetCopies(path);
    }
}

void sceneFileLoaded(const std::string& path) {
    justSaved = false;
    fileName = std::filesystem::path(path).filename().string();
    if (started && insideRecoveryFolder(*place, path)) {
        // A copy taken back through the Open dialog is still unsaved work: it stays, and so
        // does the copy it came from.
        recovered = true;
        fileName.clear();
        schedule.held(undoHistory.changes);
        return;
    }
    undoHistory.markSaved();
    schedule.held(undoHistory.changes);
    recovered = false;
    if (started) {
        forgetCopies(path);
    }
}

SceneFileNote sceneFileNote() {
    SceneFileNote note;
    note.name = fileName;
    note.unsaved = undoHistory.unsaved();
    note.justSaved = justSaved;
    note.recovered = recovered;
    note.copyKept = copyKept;
    return note;
}

const std::string& recoveryFolderInUse() {
    static const std::string none;
    return place ? place->folder : none;
}
