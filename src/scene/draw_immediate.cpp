// The straightforward drawing passes: every triangle of every object issued vertex by vertex in
// immediate mode. They define the pictures; the array passes of scene_draw.cpp must match them
// pixel for pixel, and fall back on them for Meshes the arrays cannot reproduce.
#include <GL/gl.h>

#include <cstddef>

#include "scene/draw.h"
#include "scene/scene.h"
#include "scene/solid_pass.h"

bool immediatePasses = false;

namespace {

bool validIndex(int32_t i, size_t size) {
    return i >= 0 && static_cast<size_t>(i) < size;
}

bool validTriple(const IndexTriple& t, size_t size) {
    return validIndex(t.a, size) && validIndex(t.b, size) && validIndex(t.c, size);
}

void vertex(const Vec3d& p) {
    glVertex3d(p.x, p.y, p.z);
}
void normal(const Vec3d& n) {
    glNormal3d(n.x, n.y, n.z);
}

void pushObjectMatrix(const SceneObject& object) {
    glPushMatrix();
    glMultMatrixf(object.transform.data());
    glMultMatrixf(object.pendingRotation.data());
}

}  // namespace

void drawMesh(const SceneObject& object) {
    if (object.mesh == nullptr) {
        return;
    }
    const Mesh& mesh = *object.mesh;
    pushObjectMatrix(object);
    glBegin(GL_TRIANGLES);
    for (size_t t = 0; t < mesh.coordIndex.size(); ++t) {
        const IndexTriple& corners = mesh.coordIndex[t];
        if (!validTriple(corners, mesh.points.size())) {
            continue;
        }
        // The reader repairs meshes, but one built by other means could still break the index
        // invariants: such a triangle keeps whatever normal is current.
        const bool withNormals = !mesh.normals.empty() && t < mesh.normalIndex.size() &&
                                 validTriple(mesh.normalIndex[t], mesh.normals.size());
        if (withNormals) {
            normal(mesh.normals[mesh.normalIndex[t].a]);
        }
        vertex(mesh.points[corners.a]);
        if (withNormals) {
            normal(mesh.normals[mesh.normalIndex[t].b]);
        }
        vertex(mesh.points[corners.b]);
        if (withNormals) {
            normal(mesh.normals[mesh.normalIndex[t].c]);
        }
        vertex(mesh.points[corners.c]);
    }
    glEnd();
    glPopMatrix();
}

void drawEdges(const SceneObject& object) {
    if (object.mesh == nullptr) {
        return;
    }
    const Mesh& mesh = *object.mesh;
    pushObjectMatrix(object);
    glColor3f(0, 0, 0);
    glBegin(GL_LINES);
    for (const IndexTriple& corners : mesh.coordIndex) {
        if (!validTriple(corners, mesh.points.size())) {
            continue;
        }
        const Vec3d& a = mesh.points[corners.a];
        const Vec3d& b = mesh.points[corners.b];
        const Vec3d& c = mesh.points[corners.c];
        vertex(a);
        vertex(b);
        vertex(b);
        vertex(c);
        vertex(c);
        vertex(a);
    }
    glEnd();
    glPopMatrix();
}

void drawSolidImmediate(const Scene& scene) {
    drawSolidObjects(scene, drawMesh, drawEdges);
}

void drawWireframeImmediate(const Scene& scene) {
    for (const auto& object : scene.objects) {
        if (object->selected) {
            glColor3f(1, 0, 0);
        } else {
            glColor3f(1, 1, 1);
        }
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        drawMesh(*object);
    }
}

void drawPickColoursImmediate(const Scene& scene) {
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        glColor3ub(static_cast<GLubyte>(i & 255), static_cast<GLubyte>((i >> 8) & 255),
                   static_cast<GLubyte>((i >> 16) & 255));
        drawMesh(*scene.objects[i]);
    }
}
