// The straightforward drawing passes: every triangle of every object issued vertex by vertex in
// immediate mode. They define the pictures that the array passes of scene_draw.cpp are held
// against, and the array passes fall back on drawMesh and drawEdges for Meshes the arrays cannot
// reproduce.
#include <GL/gl.h>

#include <algorithm>
#include <cstddef>

#include "scene/draw.h"
#include "scene/index_range.h"
#include "scene/pass_common.h"
#include "scene/scene.h"

namespace {

void vertex(const Vec3d& p) {
    glVertex3d(p.x, p.y, p.z);
}
void normal(const Vec3d& n) {
    glNormal3d(n.x, n.y, n.z);
}

}  // namespace

void drawMesh(const SceneObject& object) {
    if (object.mesh == nullptr) {
        return;
    }
    const Mesh& mesh = *object.mesh;
    TwoSidedFaces twoSided;
    const size_t oneSided =
        mesh.coordIndex.size() - std::min(mesh.twoSidedTriangles, mesh.coordIndex.size());
    pushObjectMatrix(object);
    glBegin(GL_TRIANGLES);
    for (size_t t = 0; t < mesh.coordIndex.size(); ++t) {
        if (t == oneSided && twoSided.needed()) {
            glEnd();
            twoSided.begin();
            glBegin(GL_TRIANGLES);
        }
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
    twoSided.end();
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
        setWireColour(*object);
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        drawMesh(*object);
    }
}

void drawPickColoursImmediate(const Scene& scene) {
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        setPickColour(i);
        drawMesh(*scene.objects[i]);
    }
}
