// Placeholder panel window: reserves the right edge of the main window and forwards the main
// window's reshape and keyboard. Controls are kept but not drawn yet.
#include <GL/freeglut.h>

#include "panel/panel.h"

namespace {

void (*programReshape)(int, int) = nullptr;
void (*programKeyboard)(unsigned char, int, int) = nullptr;
Panel thePanel;

void displayPanel() {
    glClearColor(0.85f, 0.85f, 0.85f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glutSwapBuffers();
}

void reshapeMain(int width, int height) {
    if (thePanel.window != 0) {
        const int current = glutGetWindow();
        glutSetWindow(thePanel.window);
        glutPositionWindow(width - PANEL_WINDOW_WIDTH, 0);
        glutReshapeWindow(PANEL_WINDOW_WIDTH, height > 0 ? height : 1);
        glutSetWindow(current);
    }
    if (programReshape != nullptr) {
        programReshape(width, height);
    }
}

}  // namespace

void panelSetMainReshape(void (*reshape)(int, int)) {
    programReshape = reshape;
    glutReshapeFunc(reshapeMain);
}

void panelSetMainKeyboard(void (*keyboard)(unsigned char, int, int)) {
    programKeyboard = keyboard;
    glutKeyboardFunc(keyboard);
}

Panel* createPanel(int mainWindow, ControlCallback defaultCallback) {
    thePanel.defaultCallback = std::move(defaultCallback);
    glutSetWindow(mainWindow);
    thePanel.window = glutCreateSubWindow(mainWindow, glutGet(GLUT_WINDOW_WIDTH) - PANEL_WINDOW_WIDTH,
                                          0, PANEL_WINDOW_WIDTH, glutGet(GLUT_WINDOW_HEIGHT));
    glutDisplayFunc(displayPanel);
    if (programKeyboard != nullptr) {
        glutKeyboardFunc(programKeyboard);
    }
    glutSetWindow(mainWindow);
    return &thePanel;
}
