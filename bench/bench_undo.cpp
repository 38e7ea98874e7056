// Memory and time of the undo history. A scene of 10,000 objects takes 1,000 transform steps
// (one key-press move of the selection each) with 1, 10, 100 and all 10,000 objects selected,
// once with the program's bounds (the oldest steps forgotten) and once with a history that keeps
// all 1,000; then a "New" of a 100,000-object scene is recorded, undone and redone. Memory is
// what the history counts for itself and what the heap grew by (mallinfo2); nothing is asserted.
//
// Usage: bench_undo
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <limits>
#include <memory>

#include "edit/undo_history.h"
#include "scene/scene.h"

namespace {

using Clock = std::chrono::steady_clock;

// Bytes the heap has handed out and not got back.
long long heapInUse() {
    return static_cast<long long>(mallinfo2().uordblks);
}

double microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

void fill(Scene& scene, int objects) {
    scene.models.push_back(std::make_unique<Mesh>("box.wrl"));
    for (int i = 0; i < objects; ++i) {
        scene.addInstance(0)->translateObject(0.001f * i, 0, 0);
    }
}

void select(Scene& scene, int count) {
    scene.clearSelection();
    for (int i = 0; i < count; ++i) {
        SceneObject* object = scene.objects[i].get();
        object->selected = true;
        scene.selection.push_back(object);
    }
}

void transformSteps(int selected, bool bounded) {
    Scene scene;
    fill(scene, 10'000);
    select(scene, selected);
    const long long heapBefore = heapInUse();
    {
        UndoHistory history;
        if (!bounded) {
            history.maxSteps = 1000;
            history.maxBytes = std::numeric_limits<size_t>::max();
        }
        const auto start = Clock::now();
        for (int step = 0; step < 1000; ++step) {
            history.beginTransformStep(scene);
            for (SceneObject* object : scene.selection) {
                object->translateObject(0.5f, 0, 0);
            }
            history.endTransformStep(scene);
        }
        const double perStep = microseconds(Clock::now() - start) / 1000;
        const double heap = static_cast<double>(heapInUse() - heapBefore);
        std::printf(
            "  %6d selected  %-9s %4zu steps kept  %9.2f MB counted  %9.2f MB heap  "
            "%7.1f bytes/object/step  %8.1f us/step\n",
            selected, bounded ? "bounded" : "all kept", history.done.size(),
            history.totalBytes / 1048576.0, heap / 1048576.0,
            static_cast<double>(history.totalBytes) /
                (static_cast<double>(selected) * history.done.size()),
            perStep);
    }
}

void newOfLargeScene() {
    Scene scene;
    fill(scene, 100'000);
    UndoHistory history;
    const long long heapBefore = heapInUse();
    auto start = Clock::now();
    history.recordReplaceAll(scene);
    scene.removeAllObjects();
    const double recordMs = microseconds(Clock::now() - start) / 1000;
    const double heap = static_cast<double>(heapInUse() - heapBefore);
    start = Clock::now();
    history.undo(scene);
    const double undoMs = microseconds(Clock::now() - start) / 1000;
    start = Clock::now();
    history.redo(scene);
    const double redoMs = microseconds(Clock::now() - start) / 1000;
    std::printf(
        "  New of 100,000 objects: %.2f MB counted, heap %+.2f MB after New (objects "
        "freed, copy kept); New %.1f ms, undo %.1f ms, redo %.1f ms\n",
        history.totalBytes / 1048576.0, heap / 1048576.0, recordMs, undoMs, redoMs);
}

// The bound against steps larger than it: with 4,000,000 objects, a New (one kept object each)
// and a drag of all of them (a snapshot of one matrix each) pass 256 MiB. Printed: what the
// history holds at the peak of each and afterwards, and whether the step can be undone.
void stepsBeyondTheBound() {
    constexpr int OBJECTS = 4'000'000;
    Scene scene;
    fill(scene, OBJECTS);
    UndoHistory history;
    scene.selectObject(0);
    history.beginTransformStep(scene);
    scene.objects[0]->translateObject(1, 0, 0);
    history.endTransformStep(scene);
    select(scene, OBJECTS);
    history.beginTransformStep(scene);
    const double snapshot = static_cast<double>(history.bytesHeld());
    for (SceneObject* object : scene.selection) {
        object->translateObject(0.5f, 0, 0);
    }
    history.endTransformStep(scene);
    std::printf(
        "  drag of %d objects (snapshot would be %.0f MB): %.2f MB held during it, "
        "%zu steps after, %.2f MB held\n",
        OBJECTS, OBJECTS * sizeof(KeptMatrix) / 1048576.0, snapshot / 1048576.0,
        history.done.size(), history.bytesHeld() / 1048576.0);
    scene.clearSelection();
    const auto start = Clock::now();
    history.recordReplaceAll(scene);
    scene.removeAllObjects();
    std::printf(
        "  New of %d objects (step of %.0f MB): %zu steps kept, %.2f MB held, can undo: "
        "%s; %.0f ms\n",
        OBJECTS, OBJECTS * sizeof(KeptObject) / 1048576.0, history.done.size(),
        history.bytesHeld() / 1048576.0, history.canUndo() ? "yes" : "no",
        microseconds(Clock::now() - start) / 1000);
}

}  // namespace

int main() {
    std::printf("1,000 transform steps on a scene of 10,000 objects (%zu bytes a kept matrix)\n",
                sizeof(KeptMatrix));
    for (int selected : {1, 10, 100, 10'000}) {
        transformSteps(selected, true);
        transformSteps(selected, false);
    }
    std::printf("Replacing every object (%zu bytes a kept object)\n", sizeof(KeptObject));
    newOfLargeScene();
    std::printf("Steps beyond the %zu MiB bound\n", UndoHistory{}.maxBytes >> 20);
    stepsBeyondTheBound();
    return 0;
}
