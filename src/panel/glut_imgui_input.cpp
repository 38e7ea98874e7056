#include "panel/glut_imgui_input.h"

#include <GL/freeglut.h>
#include <imgui.h>

bool feedMouseButton(ImGuiIO& io, int button, bool down, int x, int y) {
    io.MousePos = ImVec2(static_cast<float>(x), static_cast<float>(y));
    switch (button) {
        case GLUT_LEFT_BUTTON:
            io.MouseDown[0] = down;
            return true;
        case GLUT_RIGHT_BUTTON:
            io.MouseDown[1] = down;
            return true;
        case GLUT_MIDDLE_BUTTON:
            io.MouseDown[2] = down;
            return true;
        case 3:  // wheel up
            if (down) {
                io.MouseWheel += 1;
            }
            return true;
        case 4:  // wheel down
            if (down) {
                io.MouseWheel -= 1;
            }
            return true;
        default:
            return false;
    }
}
