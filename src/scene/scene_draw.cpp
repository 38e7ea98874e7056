// The Scene's drawing passes, issued from the arrays that the drawing side keeps for each Mesh:
// from buffer objects where the context's GL has them and its share group is known, from client
// memory otherwise (or when the environment asks for it, see gl_buffers.h). Both ways run the
// same calls on the same data, so they draw the same pixels. Against the immediate-mode passes of
// draw_immediate.cpp:
// - the corners are the same, converted to float as glVertex3d / glNormal3d convert them, each
//   distinct corner given once and the triangles as indices;
// - within one object every fragment has the same colour, and the depth test keeps a fragment
//   when it is not farther than what is stored, so the final pixels do not depend on the order
//   in which one object's primitives come, nor on a primitive that is repeated;
// - the solid pass therefore draws the same pixels, its black edges from the outlines (each
//   triangle's edges as it draws them);
// - a triangle outlined in line polygon mode (unlit, not culled) lights the pixels of its three
//   edges drawn as lines, so the orthographic views and their pick pass draw each undirected edge
//   once instead. A line from a to b and the line from b to a do not always light the same
//   pixels: at their ends, and where the line passes within rounding distance of the border
//   between two pixels. The wire pictures may differ from the immediate ones there, and only
//   there; what is picked is still exactly what is drawn;
// - the pick pass skips runs of primitives whose screen rectangle cannot reach the scissor box.
#include <GL/gl.h>

#include <algorithm>
#include <cstdint>

#include "scene/draw.h"
#include "scene/gl_buffers.h"
#include "scene/mesh_drawings.h"
#include "scene/pass_common.h"
#include "scene/scene.h"
#include "scene/screen_bounds.h"

namespace {

enum class IndexList { Triangles, Edges, Outlines };

// A software rasteriser (Mesa's llvmpipe) sorts every primitive of a frame into screen tiles
// before it draws any, and keeps the memory of those bins with the context afterwards: about
// 45 MB per view for a model of a million triangles, most of what placing one added. A flush
// every so many primitives draws what is sorted so far and bounds that memory (measured: the
// growth from placing such a model fell from 5 to 1.5 times its lists, and frames got no
// slower). On a graphics card it only hands work over a little earlier.
// The rasteriser's threads draw a flushed batch while the next one is sorted, and each batch in
// flight keeps its bins: where drawing lags behind, their memory added up to 20 MB for such a
// model. Every FINISH_EVERY flushes the pass waits for the drawing to catch up, so that only a
// few small batches are ever held (measured: the growth from placing fell from 1.9-2.05 to 1.6
// times the lists with normals per face, and placing took no longer).
constexpr uint32_t FLUSH_EVERY = 4096;
constexpr uint32_t FINISH_EVERY = 4;

// Where one pass takes the Meshes' arrays from. Turns the vertex array on for the pass and off
// again after it, so that the immediate-mode drawing around the passes never sees array state.
class ArraySource {
public:
    ArraySource() {
        group_ = clientArraysForced() ? NO_SHARE_GROUP : currentShareGroup();
        gl_ = group_ != NO_SHARE_GROUP ? beginBufferedPass(group_) : nullptr;
        glEnableClientState(GL_VERTEX_ARRAY);
    }
    ~ArraySource() {
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        if (gl_ != nullptr) {
            gl_->bindBuffer(GL_ARRAY_BUFFER, 0);
            gl_->bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        }
    }
    ArraySource(const ArraySource&) = delete;
    ArraySource& operator=(const ArraySource&) = delete;

    // Makes the Mesh's vertices the vertex array (and its normals the normal array, when
    // `normals` is set and it has them per corner) and `list` the list that draw() takes.
    // Returns the Mesh's arrays, or null when it is to be drawn the straightforward way.
    const MeshArrays* bind(const Mesh& mesh, IndexList list, bool normals) {
        list_ = list;
        const bool outlines = list == IndexList::Outlines;
        if (gl_ != nullptr) {
            const BufferedMesh held = bufferedMesh(mesh, group_, *gl_, outlines);
            if (!held.arrays->packed) {
                return nullptr;
            }
            if (held.buffers != nullptr) {
                const MeshBuffers& b = *held.buffers;
                gl_->bindBuffer(GL_ARRAY_BUFFER, b.vertices);
                setPointers(*held.arrays, 0, normals);
                gl_->bindBuffer(GL_ARRAY_BUFFER, 0);
                gl_->bindBuffer(GL_ELEMENT_ARRAY_BUFFER, list == IndexList::Triangles ? b.triangles
                                                         : outlines                   ? b.outlines
                                                                                      : b.edges);
                indices_ = 0;
                return held.arrays;
            }
            gl_->bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        }
        const MeshArrays& arrays = clientArrays(mesh, outlines);
        if (!arrays.packed) {
            return nullptr;
        }
        setPointers(arrays, reinterpret_cast<uintptr_t>(arrays.vertices.data()), normals);
        const std::vector<uint32_t>& chosen = list == IndexList::Triangles ? arrays.triangles
                                              : outlines                   ? arrays.outlines
                                                                           : arrays.edges;
        indices_ = reinterpret_cast<uintptr_t>(chosen.data());
        return &arrays;
    }

    // Draws primitives first .. first + count - 1 of the bound list, with a glFlush after every
    // FLUSH_EVERY primitives of the pass (every FINISH_EVERY-th of them a glFinish).
    void draw(GLenum mode, uint32_t first, uint32_t count) {
        const size_t per = list_ == IndexList::Triangles ? 3 : 2;
        while (count > 0) {
            const uint32_t part = std::min(count, FLUSH_EVERY - sinceFlush_);
            const uintptr_t offset = per * first * sizeof(uint32_t);
            glDrawElements(mode, static_cast<GLsizei>(per * part), GL_UNSIGNED_INT,
                           reinterpret_cast<const void*>(indices_ + offset));
            first += part;
            count -= part;
            sinceFlush_ += part;
            if (sinceFlush_ == FLUSH_EVERY) {
                if (++flushes_ % FINISH_EVERY == 0) {
                    glFinish();
                } else {
                    glFlush();
                }
                sinceFlush_ = 0;
            }
        }
    }

private:
    // `base`: the address of the vertex list, or 0 for the start of the bound buffer object.
    static void setPointers(const MeshArrays& arrays, uintptr_t base, bool normals) {
        const GLsizei stride = static_cast<GLsizei>(arrays.vertexFloats() * sizeof(float));
        glVertexPointer(3, GL_FLOAT, stride, reinterpret_cast<const void*>(base));
        if (normals && arrays.normals == MeshArrays::Normals::PerCorner) {
            glNormalPointer(GL_FLOAT, stride,
                            reinterpret_cast<const void*>(base + 3 * sizeof(float)));
            glEnableClientState(GL_NORMAL_ARRAY);
        } else {
            glDisableClientState(GL_NORMAL_ARRAY);
        }
    }

    ShareGroup group_ = NO_SHARE_GROUP;
    const GlBufferFunctions* gl_ = nullptr;
    IndexList list_ = IndexList::Triangles;
    uint32_t sinceFlush_ = 0;
    uint32_t flushes_ = 0;
    uintptr_t indices_ = 0;  // address of the bound index list, or 0 in its buffer object
};

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

// drawMesh from the arrays.
void drawTriangles(ArraySource& source, const SceneObject& object, const RunFilter& filter = {}) {
    if (object.mesh == nullptr) {
        return;
    }
    const MeshArrays* arrays = source.bind(*object.mesh, IndexList::Triangles, true);
    if (arrays == nullptr || arrays->normals == MeshArrays::Normals::Partial) {
        drawMesh(object);
        return;
    }
    if (arrays->triangleCount == 0 || !filter.keeps(arrays->bounds)) {
        return;
    }
    pushObjectMatrix(object);
    if (arrays->twoSidedCount == 0) {
        forKeptRuns(arrays->triangleRuns, filter, [&](uint32_t first, uint32_t count) {
            source.draw(GL_TRIANGLES, first, count);
        });
    } else {
        // The two-sided faces are the last ones: the state changes once, where they begin.
        TwoSidedFaces twoSided(true);
        const auto oneSided = static_cast<uint32_t>(arrays->triangleCount - arrays->twoSidedCount);
        forKeptRuns(arrays->triangleRuns, filter, [&](uint32_t first, uint32_t count) {
            if (first < oneSided) {
                const uint32_t part = std::min(count, oneSided - first);
                source.draw(GL_TRIANGLES, first, part);
                first += part;
                count -= part;
            }
            if (count > 0) {
                twoSided.begin();
                source.draw(GL_TRIANGLES, first, count);
            }
        });
    }
    leaveLastNormal(*arrays);
    glPopMatrix();
}

// drawEdges from the arrays: the outlines, as each triangle draws them.
void drawBlackEdges(ArraySource& source, const SceneObject& object) {
    if (object.mesh == nullptr) {
        return;
    }
    const MeshArrays* arrays = source.bind(*object.mesh, IndexList::Outlines, false);
    if (arrays == nullptr) {
        drawEdges(object);
        return;
    }
    glColor3f(0, 0, 0);
    if (arrays->outlineCount == 0) {
        return;
    }
    pushObjectMatrix(object);
    source.draw(GL_LINES, 0, static_cast<uint32_t>(arrays->outlineCount));
    glPopMatrix();
}

// A triangle outlined in line polygon mode, drawn as its edges: each undirected edge once.
void drawOutlinesAsEdges(ArraySource& source, const SceneObject& object,
                         const RunFilter& filter = {}) {
    if (object.mesh == nullptr) {
        return;
    }
    const MeshArrays* arrays = source.bind(*object.mesh, IndexList::Edges, false);
    if (arrays == nullptr) {
        drawMesh(object);  // in line mode: the outlines
        return;
    }
    if (arrays->edgeCount > 0 && filter.keeps(arrays->bounds)) {
        pushObjectMatrix(object);
        forKeptRuns(arrays->edgeRuns, filter,
                    [&](uint32_t first, uint32_t count) { source.draw(GL_LINES, first, count); });
        glPopMatrix();
    }
    // The outlines would have issued the triangles' normals too (unlit, they show nowhere).
    leaveLastNormal(*arrays);
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
    ArraySource source;
    drawSolidObjects(
        *this, [&](const SceneObject& object) { drawTriangles(source, object); },
        [&](const SceneObject& object) { drawBlackEdges(source, object); });
}

void Scene::drawWireframe() const {
    ArraySource source;
    // The line mode stays set afterwards: the pick pass draws in it.
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    const bool lines = outlinesAsLines();
    for (const auto& object : objects) {
        setWireColour(*object);
        if (lines) {
            drawOutlinesAsEdges(source, *object);
        } else {
            drawTriangles(source, *object);
        }
    }
}

void Scene::drawPickColours() const {
    ArraySource source;
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
        setPickColour(i);
        setObjectClip(filter, projectionModelview, *objects[i]);
        if (lines) {
            drawOutlinesAsEdges(source, *objects[i], filter);
        } else {
            drawTriangles(source, *objects[i], filter);
        }
    }
}
