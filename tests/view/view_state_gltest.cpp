#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "scene/scene.h"
#include "support/gl_window.h"
#include "view/view.h"

namespace {

void noRedisplay(int) {}

TEST(ViewStateGL, DisplayDrawsGridAndAxesUnlitEvenWhenLightingIsOn) {
    const TestWindow window(200, 200);
    Scene empty;
    View view(&empty);
    view.camera.perspective = true;
    view.background[0] = 0.2f;
    view.background[1] = 0.5f;
    view.background[2] = 0.7f;
    view.initGL(noRedisplay);
    setProjection(200, 200, true);
    view.display();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING)) << "lighting is back on for the objects";
    glFinish();
    glReadBuffer(GL_BACK);
    // The red Y axis runs up from the centre of the view, drawn in full red despite lighting.
    // One world unit is about 48 pixels here; look at rows 4 to 40 above the centre.
    unsigned char block[3 * 5 * 36];
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(98, 104, 5, 36, GL_RGB, GL_UNSIGNED_BYTE, block);
    int redRows = 0;
    for (int row = 0; row < 36; ++row) {
        for (int column = 0; column < 5; ++column) {
            const unsigned char* p = block + 3 * (5 * row + column);
            if (p[0] > 200 && p[1] < 60 && p[2] < 60) {
                ++redRows;
                break;
            }
        }
    }
    EXPECT_EQ(redRows, 36);
    unsigned char corner[3];
    glReadPixels(2, 197, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, corner);
    EXPECT_NEAR(corner[0], 51, 2);
    EXPECT_NEAR(corner[1], 128, 2);
    EXPECT_NEAR(corner[2], 178, 2);
}

TEST(ViewStateGL, DisplayLeavesAFractionalLineWidthAsItFoundIt) {
    const TestWindow window(100, 100);
    Scene empty;
    View view(&empty);
    view.initGL(noRedisplay);
    setProjection(100, 100, false);
    glLineWidth(1.5f);
    view.display();
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_FLOAT_EQ(width, 1.5f);
}

TEST(ViewStateGL, OrthographicApplyUsesTheZoomBoxAndLeavesModelView) {
    const TestWindow window(100, 100);
    Camera camera;
    camera.axis = 2;
    camera.home();
    camera.zoom = 0.5f;
    glLoadIdentity();
    camera.apply();
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_FLOAT_EQ(projection[0], 1.0f);  // 2 / (1 - (-1)): the box runs from -1 to 1
    EXPECT_FLOAT_EQ(projection[5], 1.0f);
}

}  // namespace
