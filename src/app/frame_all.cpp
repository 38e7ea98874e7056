#include "app/frame_all.h"

#include <GL/freeglut.h>

#include <cmath>

#include "app/globals.h"
#include "scene/object_bounds.h"
#include "view/framing.h"

namespace {

// The perspective view's width / height as its projection holds it (set at the last resize, or
// loaded from a scene file): gluPerspective puts f / aspect in element 0 and f in element 5.
double perspectiveAspect() {
    if (perspectiveView.window <= 0) {
        return 1;
    }
    const int current = glutGetWindow();
    glutSetWindow(perspectiveView.window);
    float projection[16] = {};
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    if (current > 0) {
        glutSetWindow(current);
    }
    const double aspect = static_cast<double>(projection[5]) / projection[0];
    return std::isfinite(aspect) && aspect > 0 ? aspect : 1;
}

}  // namespace

void frameAllViews() {
    frameViewsOn(sceneWorldBounds(scene));
}

void frameViewsOn(const Box3& world) {
    const double aspect = perspectiveAspect();
    for (View* view : allViews) {
        frameCamera(view->camera, world, aspect);
    }
}
