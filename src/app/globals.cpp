#include "app/globals.h"

#include <GL/freeglut.h>

ControlPanel controlPanel;
Scene scene;
View sideView(&scene, &editMode);
View frontView(&scene, &editMode);
View topView(&scene, &editMode);
View perspectiveView(&scene, &editMode);
int32_t editMode = Select;
UndoHistory undoHistory;

void redisplayAll(int window) {
    for (View* view : allViews) {
        glutSetWindow(view->window);
        glutPostRedisplay();
    }
    glutSetWindow(window);
}
