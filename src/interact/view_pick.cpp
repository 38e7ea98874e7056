// The pick pass: the View's Scene drawn once more in pick colours, and the pixel under the
// cursor read back.
#include <GL/gl.h>

#include <array>

#include "interact/pick_pass.h"
#include "interact/view_input.h"
#include "scene/scene.h"
#include "view/view.h"

namespace {

// Anything that could blend or shade a pick colour would turn it into another object's code.
constexpr std::array<GLenum, 5> COLOUR_CHANGERS = {GL_DITHER, GL_LINE_SMOOTH, GL_BLEND,
                                                   GL_POLYGON_SMOOTH, GL_LIGHTING};

bool exactColours() {
    GLint red = 0, green = 0, blue = 0;
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_GREEN_BITS, &green);
    glGetIntegerv(GL_BLUE_BITS, &blue);
    return red >= 8 && green >= 8 && blue >= 8;
}

}  // namespace

// The clear colour stays white until the View's next display sets its own.
PickPixel renderPickPixel(const View& view, int x, int y, void (*drawPickPass)(const Scene&)) {
    PickPixel pixel;
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int height = viewport[3];
    const int row = height - 1 - y;  // GLUT counts rows from the top, GL from the bottom
    if (x < 0 || x >= viewport[2] || row < 0 || row >= height || !exactColours()) {
        return pixel;
    }

    std::array<bool, COLOUR_CHANGERS.size()> wasOn{};
    for (std::size_t i = 0; i < COLOUR_CHANGERS.size(); ++i) {
        wasOn[i] = glIsEnabled(COLOUR_CHANGERS[i]);
        if (wasOn[i]) {
            glDisable(COLOUR_CHANGERS[i]);
        }
    }
    const bool scissorWasOn = glIsEnabled(GL_SCISSOR_TEST);
    GLint scissorBox[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_SCISSOR_BOX, scissorBox);
    GLint readBuffer = GL_BACK;
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);

    glEnable(GL_SCISSOR_TEST);
    glScissor(x, row, 1, 1);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    view.camera.apply();
    if (drawPickPass != nullptr) {
        drawPickPass(*view.scene);
    } else {
        view.scene->drawPickColours();
    }
    glFlush();

    glReadBuffer(GL_BACK);
    unsigned char bytes[4] = {255, 255, 255, 255};
    glReadPixels(x, row, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, bytes);
    pixel = {bytes[0], bytes[1], bytes[2]};

    glReadBuffer(static_cast<GLenum>(readBuffer));
    glScissor(scissorBox[0], scissorBox[1], scissorBox[2], scissorBox[3]);
    if (!scissorWasOn) {
        glDisable(GL_SCISSOR_TEST);
    }
    for (std::size_t i = 0; i < COLOUR_CHANGERS.size(); ++i) {
        if (wasOn[i]) {
            glEnable(COLOUR_CHANGERS[i]);
        }
    }
    return pixel;
}

void pickAt(View& view, int x, int y) {
    const PickPixel pixel = renderPickPixel(view, x, y);
    const PickOutcome outcome = decidePick(pixel, view.dragModifiers, view.scene->objects.size());
    if (applyPick(*view.scene, outcome) && view.redisplay != nullptr) {
        view.redisplay(view.window);
    }
}
