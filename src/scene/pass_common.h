#pragma once

// What the Scene's array passes and the immediate-mode reference passes share: the object's
// matrices, the colours, and the order of the solid pass.

#include <GL/gl.h>

#include <cstddef>

#include "scene/scene.h"

// Multiplies the object's transform * pendingRotation onto the model-view matrix, which is
// pushed first: the caller pops it.
inline void pushObjectMatrix(const SceneObject& object) {
    glPushMatrix();
    glMultMatrixf(object.transform.data());
    glMultMatrixf(object.pendingRotation.data());
}

// A Mesh's trailing two-sided faces (Mesh::twoSidedTriangles) are drawn, in a context that culls
// back faces, with culling off and, where lighting is on, both sides lit (the back side with its
// normals reversed), so that they look the same from behind as from the front. In contexts that
// do not cull (the wireframe views) nothing changes.
class TwoSidedFaces {
public:
    TwoSidedFaces() : culled_(glIsEnabled(GL_CULL_FACE)) {}
    TwoSidedFaces(const TwoSidedFaces&) = delete;
    TwoSidedFaces& operator=(const TwoSidedFaces&) = delete;
    ~TwoSidedFaces() { end(); }

    // Whether the drawing of two-sided faces needs begin and end around it.
    bool needed() const { return culled_; }
    void begin() {
        if (!culled_ || on_) {
            return;
        }
        on_ = true;
        glDisable(GL_CULL_FACE);
        lit_ = glIsEnabled(GL_LIGHTING);
        if (lit_) {
            glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
        }
    }
    void end() {
        if (!on_) {
            return;
        }
        on_ = false;
        glEnable(GL_CULL_FACE);
        if (lit_) {
            glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
        }
    }

private:
    bool culled_;
    bool on_ = false;
    bool lit_ = false;
};

// Selected objects are red in every view; the others light grey when solid, white as wires.
inline void setSolidColour(const SceneObject& object) {
    if (object.selected) {
        glColor3f(1, 0, 0);
    } else {
        glColor3f(0.7f, 0.7f, 0.7f);
    }
}

inline void setWireColour(const SceneObject& object) {
    if (object.selected) {
        glColor3f(1, 0, 0);
    } else {
        glColor3f(1, 1, 1);
    }
}

inline void setPickColour(size_t position) {
    const PickColour colour = pickColour(position);
    glColor3ub(colour.red, colour.green, colour.blue);
}

// The order of the solid pass: each object in its colour, and, when lighting is off, black edges
// over its faces. The faces are then pushed back by a polygon offset so that the depth test
// keeps the edges in front of them.
template <typename DrawFaces, typename DrawEdges>
void drawSolidObjects(const Scene& scene, DrawFaces drawFaces, DrawEdges drawEdges) {
    const bool edges = !glIsEnabled(GL_LIGHTING);
    for (const auto& object : scene.objects) {
        setSolidColour(*object);
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
