#pragma once

#include <cstdint>

struct Camera;
struct Scene;
struct View;

// Pixels to world units (translate, pan) and to scale-factor change (scale) for one mouse step.
constexpr float DRAG_STEP = 0.01f;
// A mouse scale factor never drops to this or below: a long step left or down would otherwise
// flatten the selection for good (0) or mirror it (negative).
constexpr float MIN_DRAG_SCALE = 0.01f;

enum class DragKind { None, Zoom, Pan, Orbit, Translate, Scale, Rotate };

// One motion step of a drag: what to call and with which amounts.
struct DragStep {
    DragKind kind = DragKind::None;
    float x = 0, y = 0, z = 0;  // zoom amount in x; pan in x, y; edit arguments in x, y, z
    int orbitX = 0, orbitY = 0;
};

// Chooses the step for a cursor move of (dx, dy) pixels from the mask taken at the press, the
// View's camera and the editing mode now in force. A Translate step in a framed view is scaled
// with the framing.
DragStep planDrag(int dragModifiers, const Camera& camera, int32_t editMode, int dx, int dy);

// Applies the step to the camera or to every selected object, in selection order. True when the
// step was an edit (Translate, Scale or Rotate), after which every View must redraw.
bool applyDrag(const DragStep& step, Camera& camera, Scene& scene);

// What a motion event asks of the window side.
struct MotionEffect {
    bool redrawAll = false;   // objects were edited: redraw every View
    bool redrawView = false;  // redraw this View
};

// The whole motion handler but for the GLUT calls: applies one step of the drag running in
// `view` (if one runs) and moves the reference point to (x, y).
MotionEffect handleMotion(View& view, int32_t editMode, int x, int y);
