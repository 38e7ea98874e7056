#include "support/gl_window.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/leak_check.h"
#include "app/shared_gl_contexts.h"

namespace {

void displayNothing() {}

// Checks for leaks while the GL driver is still loaded (see checkLeaksBeforeTeardown).
struct LeakCheckAfterTests : testing::Environment {
    void TearDown() override { checkLeaksBeforeTeardown(); }
};
[[maybe_unused]] testing::Environment* const leakCheck =
    testing::AddGlobalTestEnvironment(new LeakCheckAfterTests);

}  // namespace

void initGlutOnce() {
    static bool initialised = false;
    if (initialised) {
        return;
    }
    initialised = true;
    // Like the program: the windows' contexts share objects, so drawing uses buffer objects.
    shareGlObjectsAmongWindows();
    int argc = 1;
    char name[] = "gl_tests";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
}

int openTestWindow(int width, int height, const char* title) {
    initGlutOnce();
    glutInitWindowPosition(0, 0);
    glutInitWindowSize(width, height);
    const int window = glutCreateWindow(title);
    glutDisplayFunc(displayNothing);
    pumpGlutEvents(10);
    glutSetWindow(window);
    glViewport(0, 0, width, height);
    return window;
}

TestWindow::TestWindow(int width, int height, const char* title)
    : id(openTestWindow(width, height, title)) {}

TestWindow::~TestWindow() {
    if (id != 0) {  // 0: the test closed it itself
        glutDestroyWindow(id);
    }
}

void pumpGlutEvents(int passes) {
    for (int i = 0; i < passes; ++i) {
        glutMainLoopEvent();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
