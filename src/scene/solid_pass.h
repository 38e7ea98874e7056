#pragma once

#include <GL/gl.h>

#include "scene/scene.h"

// The order of the solid pass, shared by the array drawing and the immediate reference: each
// object in its colour, and, when lighting is off, black edges over its faces. The faces are then
// pushed back by a polygon offset so that the depth test keeps the edges in front of them.
template <typename DrawFaces, typename DrawEdges>
void drawSolidObjects(const Scene& scene, DrawFaces drawFaces, DrawEdges drawEdges) {
    const bool edges = !glIsEnabled(GL_LIGHTING);
    for (const auto& object : scene.objects) {
        if (object->selected) {
            glColor3f(1, 0, 0);
        } else {
            glColor3f(0.7f, 0.7f, 0.7f);
        }
        if (edges) {
            glEnable(GL_POLYGON_OFFSET_FILL);
            glPolygonOffset(1.0f, 1.0f);
            drawFaces(*object);
            glDisable(GL_POLYGON_OFFSET_FILL);
            drawEdges(*object);
        } else {
            drawFaces(*object);
        }
    }
}
