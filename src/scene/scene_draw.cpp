// The Scene's drawing passes, issued from client-side vertex arrays that each Mesh keeps (nothing
// is kept on the graphics side). They draw exactly the pixels of the immediate-mode passes in
// draw_immediate.cpp:
// - the same corners, converted to float as glVertex3d / glNormal3d convert them, each distinct
//   corner given once and the triangles as indices;
// - within one object every fragment has the same colour, and the depth test keeps a fragment
//   when it is not farther than what is stored, so the final pixels do not depend on the order
//   in which one object's primitives come, nor on a primitive that is repeated;
// - a triangle outlined in line polygon mode (unlit, not culled) produces the same fragments as
//   its three edges drawn as lines, so the orthographic views draw the edge list instead, which
//   skips the per-triangle polygon-mode work and each repeated directed edge;
// - the pick pass skips runs of primitives whose screen rectangle cannot reach the scissor box.
#include <GL/gl.h>

#include "scene/draw.h"
#include "scene/mesh_arrays.h"
#include "scene/scene.h"
#include "scene/screen_bounds.h"
#include "scene/solid_pass.h"

namespace {

// Turns the vertex array on for one pass and off again after it, so that the immediate-mode
// drawing around the passes never sees array state.
struct VertexArrayOn {
    VertexArrayOn() { glEnableClientState(GL_VERTEX_ARRAY); }
    ~VertexArrayOn() {
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    }
    VertexArrayOn(const VertexArrayOn&) = delete;
    VertexArrayOn& operator=(const VertexArrayOn&) = delete;
};

void pushObjectMatrix(const SceneObject& object) {
    glPushMatrix();
    glMultMatrixf(object.transform.data());
    glMultMatrixf(object.pendingRotation.data());
}

// The immediate pass leaves the last normal it issued current; later Meshes without normals
// are drawn with it.
void leaveLastNormal(const MeshArrays& arrays) {
    if (arrays.hasLastNormal) {
        glNormal3fv(arrays.lastNormal);
    }
}

// Which runs of an object to draw: all of them, or only those that can reach `pixels`.
struct RunFilter {
    bool all = true;
    Matrix4d clip{};  // projection * model-view * object matrices
    int viewport[4] = {0, 0, 0, 0};
    PixelRect pixels;
    double margin = 0;

    bool keeps(const Box3& box) const {
        return all || boxMayTouch(clip, box, viewport, pixels, margin);
    }
};

// Calls draw(first, count) for the runs the filter keeps, merging neighbours into one call.
template <typename Draw>
void forKeptRuns(const std::vector<ArrayRun>& runs, const RunFilter& filter, Draw draw) {
    uint32_t first = 0;
    uint32_t count = 0;
    for (const ArrayRun& run : runs) {
        if (!filter.keeps(run.box)) {
            continue;
        }
        if (count > 0 && first + count == run.first) {
            count += run.count;
            continue;
        }
        if (count > 0) {
            draw(first, count);
        }
        first = run.first;
        count = run.count;
    }
    if (count > 0) {
        draw(first, count);
    }
}

// drawMesh from the arrays. Needs the vertex array on.
void drawTriangles(const SceneObject& object, const RunFilter& filter = {}) {
    if (object.mesh == nullptr) {
        return;
    }
    const MeshArrays& arrays = drawingArrays(*object.mesh);
    if (!arrays.packed || arrays.normals == MeshArrays::Normals::Partial) {
        drawMesh(object);
        return;
    }
    if (arrays.triangleCount() == 0 || !filter.keeps(arrays.bounds)) {
        return;
    }
    pushObjectMatrix(object);
    const bool withNormals = arrays.normals == MeshArrays::Normals::PerCorner;
    if (withNormals) {
        const GLsizei stride = 6 * sizeof(float);
        glVertexPointer(3, GL_FLOAT, stride, arrays.corners.data());
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, stride, arrays.corners.data() + 3);
    } else {
        glVertexPointer(3, GL_FLOAT, 0, arrays.points.data());
    }
    forKeptRuns(arrays.triangleRuns, filter, [&](uint32_t first, uint32_t count) {
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(3 * count), GL_UNSIGNED_INT,
                       arrays.triangles.data() + 3 * static_cast<size_t>(first));
    });
    if (withNormals) {
        glDisableClientState(GL_NORMAL_ARRAY);
    }
    leaveLastNormal(arrays);
    glPopMatrix();
}

// The object's edge list as lines in the current colour. Needs the vertex array on.
void drawEdgeList(const SceneObject& object, const MeshArrays& arrays, const RunFilter& filter) {
    if (arrays.edgeCount() == 0 || !filter.keeps(arrays.bounds)) {
        return;
    }
    pushObjectMatrix(object);
    glVertexPointer(3, GL_FLOAT, 0, arrays.points.data());
    forKeptRuns(arrays.edgeRuns, filter, [&](uint32_t first, uint32_t count) {
        glDrawElements(GL_LINES, static_cast<GLsizei>(2 * count), GL_UNSIGNED_INT,
                       arrays.edges.data() + 2 * static_cast<size_t>(first));
    });
    glPopMatrix();
}

// drawEdges from the arrays. Needs the vertex array on.
void drawBlackEdges(const SceneObject& object) {
    if (object.mesh == nullptr) {
        return;
    }
    const MeshArrays& arrays = drawingArrays(*object.mesh);
    if (!arrays.packed) {
        drawEdges(object);
        return;
    }
    glColor3f(0, 0, 0);
    drawEdgeList(object, arrays, {});
}

// A triangle outlined in line polygon mode, drawn as its edges. Needs the vertex array on.
void drawOutlines(const SceneObject& object, const RunFilter& filter = {}) {
    if (object.mesh == nullptr) {
        return;
    }
    const MeshArrays& arrays = drawingArrays(*object.mesh);
    if (!arrays.packed) {
        drawMesh(object);  // in line mode: the outlines
        return;
    }
    drawEdgeList(object, arrays, filter);
    // The outlines would have issued the triangles' normals too (unlit, they show nowhere).
    leaveLastNormal(arrays);
}

// Whether triangles drawn now come out as their outlines: both faces in line mode, nothing
// culled (a culled triangle draws no edges) and nothing lit (lines carry no normals).
bool outlinesAsLines() {
    GLint mode[2] = {GL_FILL, GL_FILL};
    glGetIntegerv(GL_POLYGON_MODE, mode);
    return mode[0] == GL_LINE && mode[1] == GL_LINE && !glIsEnabled(GL_CULL_FACE) &&
           !glIsEnabled(GL_LIGHTING);
}

// The filter for the pick pass: only geometry that can reach the scissor box, when one is set.
RunFilter pickFilter() {
    RunFilter filter;
    if (!glIsEnabled(GL_SCISSOR_TEST)) {
        return filter;
    }
    GLint box[4];
    glGetIntegerv(GL_SCISSOR_BOX, box);
    glGetIntegerv(GL_VIEWPORT, filter.viewport);
    filter.pixels = {box[0], box[1], box[0] + box[2], box[1] + box[3]};
    GLfloat lineWidth = 1, pointSize = 1;
    glGetFloatv(GL_LINE_WIDTH, &lineWidth);
    glGetFloatv(GL_POINT_SIZE, &pointSize);
    // A fragment lies within half a line width or point size of its primitive, plus a pixel
    // for the rasterisation rules; the rest absorbs the float rounding of the transforms.
    filter.margin = 2.0 + (lineWidth > pointSize ? lineWidth : pointSize);
    filter.all = false;
    return filter;
}

void setObjectClip(RunFilter& filter, const Matrix4d projectionModelview,
                   const SceneObject& object) {
    if (filter.all) {
        return;
    }
    Matrix4d transform, rotation, placed;
    for (int i = 0; i < 16; ++i) {
        transform[i] = object.transform[i];
        rotation[i] = object.pendingRotation[i];
    }
    multiply4d(transform, rotation, placed);
    multiply4d(projectionModelview, placed, filter.clip);
}

}  // namespace

void Scene::drawSolid() const {
    if (immediatePasses) {
        drawSolidImmediate(*this);
        return;
    }
    const VertexArrayOn arraysOn;
    drawSolidObjects(
        *this, [](const SceneObject& object) { drawTriangles(object); }, drawBlackEdges);
}

void Scene::drawWireframe() const {
    if (immediatePasses) {
        drawWireframeImmediate(*this);
        return;
    }
    const VertexArrayOn arraysOn;
    // The line mode stays set afterwards: the pick pass draws in it.
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    const bool lines = outlinesAsLines();
    for (const auto& object : objects) {
        if (object->selected) {
            glColor3f(1, 0, 0);
        } else {
            glColor3f(1, 1, 1);
        }
        if (lines) {
            drawOutlines(*object);
        } else {
            drawTriangles(*object);
        }
    }
}

void Scene::drawPickColours() const {
    if (immediatePasses) {
        drawPickColoursImmediate(*this);
        return;
    }
    const VertexArrayOn arraysOn;
    const bool lines = outlinesAsLines();
    RunFilter filter = pickFilter();
    Matrix4d projectionModelview{};
    if (!filter.all) {
        Matrix4d projection, modelview;
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        multiply4d(projection, modelview, projectionModelview);
    }
    for (size_t i = 0; i < objects.size(); ++i) {
        glColor3ub(static_cast<GLubyte>(i & 255), static_cast<GLubyte>((i >> 8) & 255),
                   static_cast<GLubyte>((i >> 16) & 255));
        setObjectClip(filter, projectionModelview, *objects[i]);
        if (lines) {
            drawOutlines(*objects[i], filter);
        } else {
            drawTriangles(*objects[i], filter);
        }
    }
}
