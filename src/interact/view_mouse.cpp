// The GLUT side of a View's mouse handling; the rules themselves are in pick_rules and drag_rules.
#include <GL/freeglut.h>

#include "interact/drag_rules.h"
#include "interact/pick_rules.h"
#include "view/view.h"

void View::mouseButton(int button, int state, int x, int y) {
    // Not glutGetModifiers: freeglut may count Caps Lock as Shift.
    const bool leftPress = button == GLUT_LEFT_BUTTON && state == GLUT_DOWN;
    int modifiers = -1;
    if (leftPress) {
        modifiers = pressModifiers != nullptr ? pressModifiers(button, x, y) : 0;
    }
    const PressEffect effect = handleButton(*this, button, state, x, y, modifiers, *editMode);
    if (effect.redrawAll && redisplay != nullptr) {
        redisplay(window);
    }
    if (effect.pick) {
        pickAt(x, y);
    }
}

void View::motion(int x, int y) {
    const MotionEffect effect = handleMotion(*this, *editMode, x, y);
    if (effect.redrawAll && redisplay != nullptr) {
        redisplay(window);
    }
    if (effect.redrawView) {
        glutPostRedisplay();
    }
}
