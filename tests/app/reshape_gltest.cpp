#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>

#include "app/globals.h"
#include "app/layout.h"
#include "support/gl_window.h"

namespace {

void displayNothing() {}

struct Geometry {
    int x, y, width, height;
};

Geometry geometryOf(int window) {
    glutSetWindow(window);
    return {glutGet(GLUT_WINDOW_X), glutGet(GLUT_WINDOW_Y), glutGet(GLUT_WINDOW_WIDTH),
            glutGet(GLUT_WINDOW_HEIGHT)};
}

TEST(ReshapeGL, ReshapeMainPlacesTheViewsAndIgnoresHeightZero) {
    const int mainWindow = openTestWindow(800, 600, "Tessaly");
    for (View* view : allViews) {
        view->window = glutCreateSubWindow(mainWindow, 50, 50, 200, 200);
        glutDisplayFunc(displayNothing);
    }
    perspectiveView.camera.perspective = true;
    reshapeMain(800, 600);
    pumpGlutEvents(10);
    const auto expected = layoutViews(800, 600);
    for (int i = 0; i < 4; ++i) {
        const Geometry g = geometryOf(allViews[i]->window);
        EXPECT_EQ(g.width, expected[i].width) << "view " << i;
        EXPECT_EQ(g.height, expected[i].height) << "view " << i;
    }
    // The projection of each view is set for its size; the perspective one by its aspect.
    glutSetWindow(perspectiveView.window);
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[5] / projection[0], 307.0 / 292.0, 1e-5);

    reshapeMain(800, 0);
    pumpGlutEvents(10);
    for (int i = 0; i < 4; ++i) {
        const Geometry g = geometryOf(allViews[i]->window);
        EXPECT_EQ(g.width, expected[i].width) << "view " << i;
        EXPECT_EQ(g.height, expected[i].height) << "view " << i;
    }
    glutSetWindow(perspectiveView.window);
    float after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    EXPECT_EQ(after[0], projection[0]);

    reshapeMain(100, 10);  // smaller than the layout needs
    pumpGlutEvents(10);
    for (View* view : allViews) {
        const Geometry g = geometryOf(view->window);
        EXPECT_GE(g.width, 1);
        EXPECT_GE(g.height, 1);
    }
    glutSetWindow(perspectiveView.window);
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    for (float element : after) {
        EXPECT_TRUE(std::isfinite(element));
    }
}

}  // namespace
