#include "edit/undo_history.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "scene/scene.h"

namespace {

bool sameBits(const Matrix4& a, const Matrix4& b) {
    return std::memcmp(a.data(), b.data(), sizeof(Matrix4)) == 0;
}

void renumber(Scene& scene) {
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        scene.objects[i]->index = static_cast<int32_t>(i);
    }
}

std::unique_ptr<SceneObject> rebuild(const KeptObject& kept) {
    auto object = std::make_unique<SceneObject>(kept.mesh);
    object->transform = kept.transform;
    return object;
}

KeptObject keep(const SceneObject& object, int32_t position) {
    return {position, object.mesh, foldedTransform(object)};
}

// The selected objects by position, each once, in ascending order, with folded matrices.
std::vector<KeptObject> keepSelection(const Scene& scene) {
    std::vector<KeptObject> kept;
    kept.reserve(scene.selection.size());
    for (const SceneObject* object : scene.selection) {
        kept.push_back(keep(*object, object->index));
    }
    std::sort(kept.begin(), kept.end(),
              [](const KeptObject& a, const KeptObject& b) { return a.position < b.position; });
    kept.erase(std::unique(kept.begin(), kept.end(),
                           [](const KeptObject& a, const KeptObject& b) {
                               return a.position == b.position;
                           }),
               kept.end());
    return kept;
}

bool ascendingBelow(const std::vector<KeptObject>& objects, size_t limit) {
    int64_t previous = -1;
    for (const KeptObject& kept : objects) {
        if (kept.position <= previous || static_cast<size_t>(kept.position) >= limit) {
            return false;
        }
        previous = kept.position;
    }
    return true;
}

// Whether the step can be applied to the Scene as it is: an unrecorded change of the object list
// would otherwise make it touch the wrong objects or positions that do not exist.
bool fits(const UndoStep& step, const Scene& scene) {
    const size_t count = scene.objects.size();
    switch (step.kind) {
        case UndoStep::Kind::Transform:
            return std::all_of(
                step.matrices.begin(), step.matrices.end(), [count](const KeptMatrix& kept) {
                    return kept.position >= 0 && static_cast<size_t>(kept.position) < count;
                });
        case UndoStep::Kind::Objects:
            return ascendingBelow(step.objects, step.present ? count : count + step.objects.size());
        case UndoStep::Kind::Everything:
            return true;
    }
    return false;
}

// Takes the kept objects out of the Scene, keeping what they hold now in the step.
void removeKept(UndoStep& step, Scene& scene) {
    std::vector<std::unique_ptr<SceneObject>> staying;
    staying.reserve(scene.objects.size() - step.objects.size());
    auto next = step.objects.begin();
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        if (next != step.objects.end() && static_cast<size_t>(next->position) == i) {
            *next = keep(*scene.objects[i], next->position);
            ++next;
        } else {
            staying.push_back(std::move(scene.objects[i]));
        }
    }
    scene.objects = std::move(staying);
}

// Puts the kept objects back at their positions; the others keep their order around them.
void insertKept(const UndoStep& step, Scene& scene) {
    const size_t total = scene.objects.size() + step.objects.size();
    std::vector<std::unique_ptr<SceneObject>> merged;
    merged.reserve(total);
    auto next = step.objects.begin();
    auto old = scene.objects.begin();
    for (size_t i = 0; i < total; ++i) {
        if (next != step.objects.end() && static_cast<size_t>(next->position) == i) {
            merged.push_back(rebuild(*next++));
        } else {
            merged.push_back(std::move(*old++));
        }
    }
    scene.objects = std::move(merged);
}

void swapEverything(UndoStep& step, Scene& scene) {
    std::vector<KeptObject> current;
    current.reserve(scene.objects.size());
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        current.push_back(keep(*scene.objects[i], static_cast<int32_t>(i)));
    }
    std::vector<std::unique_ptr<SceneObject>> restored;
    restored.reserve(step.objects.size());
    for (const KeptObject& kept : step.objects) {
        restored.push_back(rebuild(kept));
    }
    scene.objects = std::move(restored);
    step.objects = std::move(current);
}

// Undoing and redoing are the same exchange: the step takes what the Scene holds where it
// differs, and gives back what it held. The selection is empty, so no pending rotation is lost.
void exchange(UndoStep& step, Scene& scene) {
    switch (step.kind) {
        case UndoStep::Kind::Transform:
            for (KeptMatrix& kept : step.matrices) {
                std::swap(kept.transform, scene.objects[kept.position]->transform);
            }
            return;
        case UndoStep::Kind::Objects:
            if (step.present) {
                removeKept(step, scene);
            } else {
                insertKept(step, scene);
            }
            step.present = !step.present;
            break;
        case UndoStep::Kind::Everything:
            swapEverything(step, scene);
            break;
    }
    renumber(scene);
}

void dropOldest(UndoHistory& history, std::deque<UndoStep>& steps) {
    history.totalBytes -= steps.front().bytes();
    steps.pop_front();
}

// Forgets the oldest steps while the history is beyond its bounds, the newest step on the side
// named (the one just made, undone or redone) last of all: only when it alone is beyond the
// byte bound.
void trim(UndoHistory& history, bool keepNewestDone) {
    const auto over = [&history] {
        return history.done.size() + history.undone.size() > history.maxSteps ||
               history.bytesHeld() > history.maxBytes;
    };
    while (over() && history.done.size() > (keepNewestDone ? 1u : 0u)) {
        dropOldest(history, history.done);
    }
    while (over() && history.undone.size() > (keepNewestDone ? 0u : 1u)) {
        dropOldest(history, history.undone);
    }
    while (history.bytesHeld() > history.maxBytes && !history.done.empty()) {
        dropOldest(history, history.done);
    }
    while (history.bytesHeld() > history.maxBytes && !history.undone.empty()) {
        dropOldest(history, history.undone);
    }
}

void push(UndoHistory& history, UndoStep step) {
    for (const UndoStep& dropped : history.undone) {
        history.totalBytes -= dropped.bytes();
    }
    history.undone.clear();
    history.totalBytes += step.bytes();
    history.done.push_back(std::move(step));
    ++history.changes;
    trim(history, true);
}

void releaseSnapshot(UndoHistory& history) {
    std::vector<KeptMatrix>().swap(history.openSnapshot);
}

// A snapshot that alone is beyond the byte bound is not taken; otherwise older steps make room.
void snapshotSelection(UndoHistory& history, const Scene& scene) {
    releaseSnapshot(history);
    if (scene.selection.size() * sizeof(KeptMatrix) > history.maxBytes) {
        return;
    }
    history.openSnapshot.reserve(scene.selection.size());
    for (const KeptObject& kept : keepSelection(scene)) {
        history.openSnapshot.push_back({kept.position, kept.transform});
    }
    trim(history, true);
}

// Records the open transform step's changes so far as a step of its own.
void recordOpenChanges(UndoHistory& history, const Scene& scene) {
    UndoStep step;
    for (const KeptMatrix& before : history.openSnapshot) {
        if (static_cast<size_t>(before.position) < scene.objects.size() &&
            !sameBits(foldedTransform(*scene.objects[before.position]), before.transform)) {
            step.matrices.push_back(before);
        }
    }
    releaseSnapshot(history);
    if (!step.matrices.empty()) {
        step.matrices.shrink_to_fit();
        push(history, std::move(step));
    }
}

// Before any other step: what an open transform step changed so far becomes a step, and the
// rest of it starts from the selection that follows (`selectionStays`) or from none.
void flushOpenStep(UndoHistory& history, const Scene& scene, bool selectionStays) {
    if (history.openDepth == 0) {
        return;
    }
    recordOpenChanges(history, scene);
    if (selectionStays) {
        snapshotSelection(history, scene);
    }
}

bool undoOrRedo(UndoHistory& history, Scene& scene, bool isUndo) {
    flushOpenStep(history, scene, false);
    std::deque<UndoStep>& from = isUndo ? history.done : history.undone;
    std::deque<UndoStep>& to = isUndo ? history.undone : history.done;
    if (from.empty()) {
        return false;
    }
    UndoStep& step = from.back();
    if (!fits(step, scene)) {
        history.clear();
        return false;
    }
    scene.clearSelection();
    history.totalBytes -= step.bytes();
    exchange(step, scene);
    history.totalBytes += step.bytes();
    to.push_back(std::move(step));
    from.pop_back();
    ++history.changes;
    trim(history, !isUndo);
    return true;
}

}  // namespace

size_t UndoStep::bytes() const {
    return sizeof(UndoStep) + matrices.capacity() * sizeof(KeptMatrix) +
           objects.capacity() * sizeof(KeptObject);
}

Matrix4 foldedTransform(const SceneObject& object) {
    SceneObject folded(object.mesh);
    folded.transform = object.transform;
    folded.pendingRotation = object.pendingRotation;
    folded.foldPendingRotation();
    return folded.transform;
}

void UndoHistory::beginTransformStep(const Scene& scene) {
    if (openDepth++ == 0) {
        snapshotSelection(*this, scene);
    }
}

void UndoHistory::endTransformStep(const Scene& scene) {
    if (openDepth > 0 && --openDepth == 0) {
        recordOpenChanges(*this, scene);
    }
}

void UndoHistory::recordAdd(const Scene& scene, const SceneObject* added) {
    flushOpenStep(*this, scene, true);
    if (added == nullptr) {
        return;
    }
    UndoStep step;
    step.kind = UndoStep::Kind::Objects;
    step.present = true;
    step.objects.push_back(keep(*added, added->index));
    push(*this, std::move(step));
}

void UndoHistory::recordDelete(const Scene& scene) {
    flushOpenStep(*this, scene, false);
    UndoStep step;
    step.kind = UndoStep::Kind::Objects;
    step.present = false;
    step.objects = keepSelection(scene);
    if (!step.objects.empty()) {
        push(*this, std::move(step));
    }
}

void UndoHistory::recordReplaceAll(const Scene& scene, size_t incomingObjects) {
    flushOpenStep(*this, scene, false);
    if (scene.objects.empty() && incomingObjects == 0) {
        return;
    }
    UndoStep step;
    step.kind = UndoStep::Kind::Everything;
    step.objects.reserve(scene.objects.size());
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        step.objects.push_back(keep(*scene.objects[i], static_cast<int32_t>(i)));
    }
    push(*this, std::move(step));
}

bool UndoHistory::undo(Scene& scene) {
    return undoOrRedo(*this, scene, true);
}

bool UndoHistory::redo(Scene& scene) {
    return undoOrRedo(*this, scene, false);
}

void UndoHistory::clear() {
    done.clear();
    undone.clear();
    totalBytes = 0;
}
