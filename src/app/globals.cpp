#include "app/globals.h"

#include <GL/freeglut.h>

ControlPanel controlPanel;
Scene scene;
View sideView(&scene);
View frontView(&scene);
View topView(&scene);
View perspectiveView(&scene);
int32_t editMode = Select;

void redisplayAll(int window) {
    for (View* view : allViews) {
        glutSetWindow(view->window);
        glutPostRedisplay();
    }
    glutSetWindow(window);
}
