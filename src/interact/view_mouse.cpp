// The GLUT side of a View's mouse handling; the rules themselves are in pick_rules and drag_rules.
#include <GL/freeglut.h>

#include "interact/drag_rules.h"
#include "interact/pick_rules.h"
#include "interact/view_input.h"
#include "view/view.h"

void viewMouseButton(View& view, int button, int state, int x, int y) {
    // Not glutGetModifiers: freeglut may count Caps Lock as Shift.
    const bool leftPress = button == GLUT_LEFT_BUTTON && state == GLUT_DOWN;
    int modifiers = -1;
    if (leftPress) {
        modifiers = view.pressModifiers != nullptr ? view.pressModifiers(button, x, y) : 0;
    }
    const PressEffect effect = handleButton(view, button, state, x, y, modifiers, *view.editMode);
    if (effect.redrawAll && view.redisplay != nullptr) {
        view.redisplay(view.window);
    }
    if (effect.pick) {
        pickAt(view, x, y);
    }
}

void viewMotion(View& view, int x, int y) {
    const MotionEffect effect = handleMotion(view, *view.editMode, x, y);
    if (effect.redrawAll && view.redisplay != nullptr) {
        view.redisplay(view.window);
    }
    if (effect.redrawView) {
        glutPostRedisplay();
    }
}
