#include "interact/drag_rules.h"

#include "interact/edit_mode.h"
#include "interact/pick_rules.h"
#include "interact/selection_edit.h"
#include "scene/scene.h"
#include "view/camera.h"
#include "view/view.h"

namespace {

float clampedScale(float factor) {
    return factor <= MIN_DRAG_SCALE ? MIN_DRAG_SCALE : factor;
}

// Edit arguments for a step of (dx, dy) pixels in an orthographic View looking along `axis`:
// the screen's right and up directions in world terms (see Camera::apply).
DragStep editStep(int32_t editMode, int axis, int dx, int dy) {
    const float s = DRAG_STEP;
    const float fx = static_cast<float>(dx);
    const float fy = static_cast<float>(dy);
    const float angle = static_cast<float>(dx - dy);
    DragStep step;
    switch (editMode) {
        case Translate:
            step.kind = DragKind::Translate;
            if (axis == 0) {
                step.y = -s * fy;
                step.z = -s * fx;
            } else if (axis == 1) {
                step.x = s * fx;
                step.z = s * fy;
            } else {
                step.x = s * fx;
                step.y = -s * fy;
            }
            break;
        case Scale:
            step.kind = DragKind::Scale;
            step.x = step.y = step.z = 1;
            if (axis == 0) {
                step.y = clampedScale(1 - s * fy);
                step.z = clampedScale(1 + s * fx);
            } else if (axis == 1) {
                step.x = clampedScale(1 + s * fx);
                step.z = clampedScale(1 - s * fy);
            } else {
                step.x = clampedScale(1 + s * fx);
                step.y = clampedScale(1 - s * fy);
            }
            break;
        case Rotate:
            step.kind = DragKind::Rotate;
            if (axis == 0) {
                step.x = angle;
            } else if (axis == 1) {
                step.y = angle;
            } else {
                step.z = angle;
            }
            break;
        default:
            break;
    }
    return step;
}

}  // namespace

DragStep planDrag(int dragModifiers, const Camera& camera, int32_t editMode, int dx, int dy) {
    DragStep step;
    if (dragModifiers == MOD_SHIFT) {
        step.kind = DragKind::Zoom;
        step.x = static_cast<float>(-dy);
    } else if (dragModifiers == MOD_ALT) {
        step.kind = DragKind::Pan;
        step.x = DRAG_STEP * static_cast<float>(dx);
        step.y = -DRAG_STEP * static_cast<float>(dy);
    } else if (camera.perspective) {
        step.kind = DragKind::Orbit;
        step.orbitX = dx;
        step.orbitY = dy;
    } else {
        step = editStep(editMode, camera.axis, dx, dy);
        if (step.kind == DragKind::Translate && camera.framing.active) {
            // A framed view shows `scale` world units where it showed one: a pixel moves the
            // selection by the same share of the view as it does unframed.
            step.x *= camera.framing.scale;
            step.y *= camera.framing.scale;
            step.z *= camera.framing.scale;
        }
    }
    return step;
}

bool applyDrag(const DragStep& step, Camera& camera, Scene& scene) {
    switch (step.kind) {
        case DragKind::Zoom:
            camera.zoomBy(step.x);
            return false;
        case DragKind::Pan:
            camera.pan(step.x, step.y);
            return false;
        case DragKind::Orbit:
            camera.orbit(step.orbitX, step.orbitY);
            return false;
        case DragKind::Translate:
            editSelection(scene, &SceneObject::translateObject, step.x, step.y, step.z);
            return true;
        case DragKind::Scale:
            editSelection(scene, &SceneObject::scaleObjectWorld, step.x, step.y, step.z);
            return true;
        case DragKind::Rotate:
            editSelection(scene, &SceneObject::rotateObjectWorld, step.x, step.y, step.z);
            return true;
        case DragKind::None:
            break;
    }
    return false;
}

MotionEffect handleMotion(View& view, int32_t editMode, int x, int y) {
    MotionEffect effect;
    if (view.dragState == 0) {
        const DragStep step =
            planDrag(view.dragModifiers, view.camera, editMode, x - view.lastX, y - view.lastY);
        effect.redrawAll = applyDrag(step, view.camera, *view.scene);
        effect.redrawView = true;
    }
    view.lastX = x;
    view.lastY = y;
    return effect;
}
