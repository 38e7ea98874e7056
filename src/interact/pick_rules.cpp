#include "interact/pick_rules.h"

#include <GL/freeglut.h>

#include "interact/edit_mode.h"
#include "scene/scene.h"
#include "view/view.h"

PressEffect handleButton(View& view, int button, int state, int x, int y, int modifiers,
                         int32_t editMode) {
    if (state != GLUT_DOWN || button != GLUT_LEFT_BUTTON) {
        view.dragState = -1;
        view.dragModifiers = -1;
        return {};
    }
    view.dragState = 0;
    view.dragModifiers = modifiers;
    view.lastX = x;
    view.lastY = y;
    if (view.camera.perspective || editMode != Select) {
        return {};
    }
    PressEffect effect;
    if (modifiers == 0) {
        view.scene->clearSelection();
        effect.redrawAll = true;
    }
    // Shift and Alt alone start camera drags; they leave the Selection alone.
    effect.pick = modifiers != MOD_SHIFT && modifiers != MOD_ALT;
    return effect;
}

PickOutcome decidePick(PickPixel pixel, int modifiers, std::size_t objectCount) {
    const unsigned code = pickCode(pixel.red, pixel.green, pixel.blue);
    if (code != PICK_NOTHING && code < objectCount) {
        return {PickResult::SelectHit, static_cast<int>(code)};
    }
    if (modifiers == MOD_CTRL) {
        return {PickResult::Nothing, -1};
    }
    return {PickResult::ClearSelection, -1};
}

bool applyPick(Scene& scene, const PickOutcome& outcome) {
    switch (outcome.result) {
        case PickResult::SelectHit:
            scene.selectObject(outcome.position);
            return true;
        case PickResult::ClearSelection:
            scene.clearSelection();
            return true;
        case PickResult::Nothing:
            break;
    }
    return false;
}
