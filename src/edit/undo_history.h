#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "scene/matrix.h"

struct Mesh;
struct Scene;
struct SceneObject;

// Undo and redo of the edits to a Scene's objects: adding, deleting, transforming the selection,
// and replacing every object at once ("New", loading a scene). Camera, lighting, mode and
// selection changes are no steps.
//
// Objects are kept by position in the Scene's objects, so every change to the object list must be
// recorded here (transforms need not be: an unrecorded transform is simply part of the state that
// the next undo or redo swaps out). The ModelLibrary must not change while steps refer to it.
//
// Undo and redo first clear the selection (which folds pending rotations and puts the Rotation
// control back, through the Scene's hook) and then leave it empty. An object comes back exactly
// where it was drawn: its transform bit for bit as it was, or, where it then carried a pending
// rotation, bit for bit as clearing the selection would have folded it in; unselected objects
// carry none.
//
// Each step holds only what it changed: the matrices of the objects it moved, the objects it
// added or deleted, or for a replacement the objects that are not in the Scene now. Undoing or
// redoing a step swaps what it holds with what the Scene holds, so a step keeps one copy.

// An object as a step keeps it: its position in objects, its model, and its transform with any
// pending rotation folded in.
struct KeptObject {
    int32_t position = 0;
    Mesh* mesh = nullptr;
    Matrix4 transform = identityMatrix();
};

// One object's matrix as a transform step keeps it.
struct KeptMatrix {
    int32_t position = 0;
    Matrix4 transform = identityMatrix();
};

struct UndoStep {
    enum class Kind {
        Transform,  // matrices: swapped with the objects' transforms
        Objects,    // objects (positions ascending): removed when present, inserted when not
        Everything  // objects (all, in order): swapped with the Scene's whole object list
    };
    Kind kind = Kind::Transform;
    bool present = false;  // Objects: whether the kept objects stand in the Scene now
    std::vector<KeptMatrix> matrices;
    std::vector<KeptObject> objects;

    // The memory the step takes, its lists' storage included.
    size_t bytes() const;
};

struct UndoHistory {
    // The bounds: the oldest steps are forgotten beyond maxSteps (undo and redo together) or
    // beyond maxBytes of steps and open snapshot together. The step made, undone or redone last
    // is kept unless it alone does not fit: then it is forgotten too, and that edit cannot be
    // undone (or redone). A snapshot that alone does not fit is not taken: the transform step
    // that asked for it records nothing.
    size_t maxSteps = 100;
    size_t maxBytes = size_t{256} << 20;

    // Steps that can be undone, oldest first, and undone steps that can be redone, the next one
    // to redo last. Read them; change them only through the operations below.
    std::deque<UndoStep> done;
    std::deque<UndoStep> undone;
    size_t totalBytes = 0;

    // The selected objects as they stood when the open transform step began, with their
    // matrices folded; `openDepth` counts begins not yet ended.
    std::vector<KeptMatrix> openSnapshot;
    int openDepth = 0;

    // What the bound measures: the steps and the open snapshot.
    size_t bytesHeld() const { return totalBytes + openSnapshot.capacity() * sizeof(KeptMatrix); }

    // Counts the changes to the objects: every step made, undone or redone. `savedAt` is the
    // count that the last saved or loaded scene file holds (0 at start).
    uint64_t changes = 0;
    uint64_t savedAt = 0;
    // Whether the objects hold changes that no scene file holds.
    bool unsaved() const { return changes != savedAt; }
    // A scene file now holds the objects as they are.
    void markSaved() { savedAt = changes; }

    // Around every transform of the selection: a mouse drag from press (after any pick) to
    // release, a key command, a panel pad or ball movement from press to release. End records
    // one step for the selected objects whose placement changed, and none when nothing did.
    // Begins nest: a key typed during a drag joins the drag's step.
    void beginTransformStep(const Scene& scene);
    void endTransformStep(const Scene& scene);

    // After addInstance, with the object it returned (null records nothing).
    void recordAdd(const Scene& scene, const SceneObject* added);
    // Before deleteSelection; an empty selection records nothing.
    void recordDelete(const Scene& scene);
    // Before "New" (incomingObjects 0) or before a successful load replaces the objects with
    // incomingObjects others. Replacing nothing by nothing records nothing.
    void recordReplaceAll(const Scene& scene, size_t incomingObjects = 0);

    // Undoes the last step or redoes the last undone one. False when there is none, or when the
    // step no longer fits the Scene (its object list was changed unrecorded): the history is then
    // forgotten and the Scene left as it is.
    bool undo(Scene& scene);
    bool redo(Scene& scene);
    bool canUndo() const { return !done.empty(); }
    bool canRedo() const { return !undone.empty(); }

    // Forgets every step (an open transform step keeps running).
    void clear();
};

// The transform the object would have once its pending rotation is folded in, bit for bit as
// foldPendingRotation makes it.
Matrix4 foldedTransform(const SceneObject& object);
