#pragma once

// A real GLUT window for tests that need a GL context. GLUT is initialised once per process,
// whichever test gets there first.

#include <GL/freeglut.h>
#include <dlfcn.h>
#include <link.h>

#include <array>
#include <cstring>
#include <vector>

namespace gltest {

// Mesa unloads its driver when the process ends, before the leak checker looks: the driver's
// process-lifetime allocations would then be reported from an unknown module, and the
// suppressions by library name could not match them. Pinning the loaded driver keeps its name.
inline void pinGlDriver() {
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            if (info->dlpi_name != nullptr && std::strstr(info->dlpi_name, "_dri.so") != nullptr) {
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            }
            return 0;
        },
        nullptr);
}

inline void ensureGlut() {
    if (glutGet(GLUT_INIT_STATE)) {
        return;
    }
    int argc = 1;
    char name[] = "gl_tests";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
}

inline bool& exposed() {
    static bool flag = false;
    return flag;
}

inline void markExposed() {
    exposed() = true;
}

// A double-buffered RGB window with depth, mapped and shown before the constructor returns, so
// that its front buffer can be read back. Its context is current.
struct Window {
    int id = 0;
    int width;
    int height;

    Window(int width, int height) : width(width), height(height) {
        ensureGlut();
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
        glutInitWindowSize(width, height);
        glutInitWindowPosition(10, 10);
        id = glutCreateWindow("gl test");
        exposed() = false;
        glutDisplayFunc(markExposed);
        for (int i = 0; i < 1000 && !exposed(); ++i) {
            glutMainLoopEvent();
        }
        glutSetWindow(id);
        pinGlDriver();
    }
    ~Window() {
        glutDestroyWindow(id);
        glutMainLoopEvent();
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
};

using Rgb = std::array<unsigned char, 3>;

// The whole colour buffer `buffer` (GL_FRONT or GL_BACK), bottom row first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> data;

    Rgb at(int x, int y) const {
        const size_t i = 3 * (static_cast<size_t>(y) * width + x);
        return {data[i], data[i + 1], data[i + 2]};
    }
};

inline Pixels readPixels(GLenum buffer, int width, int height) {
    Pixels p{width, height, std::vector<unsigned char>(3 * width * height)};
    glReadBuffer(buffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, p.data.data());
    return p;
}

}  // namespace gltest
