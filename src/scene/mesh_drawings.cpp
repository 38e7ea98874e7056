#include "scene/mesh_drawings.h"

#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "scene/mesh.h"

namespace {

// What is known of one share group's GL.
struct GroupState {
    bool checked = false;                   // whether `gl` was looked up in the group's context
    const GlBufferFunctions* gl = nullptr;  // null: no buffer objects
    std::vector<GLuint> abandoned;          // names of Meshes gone, to delete at the next pass
};

// Process-wide: a share group spans the contexts of every window, and a Mesh may go away while
// none of them is current. Never destroyed: Meshes may go away while static objects are torn
// down at exit.
std::unordered_map<ShareGroup, GroupState>& groupStates() {
    static auto* kept = new std::unordered_map<ShareGroup, GroupState>;
    return *kept;
}

MeshDrawing& drawingOf(const Mesh& mesh) {
    if (!mesh.drawing) {
        mesh.drawing = std::make_unique<MeshDrawing>();
    }
    return *mesh.drawing;
}

// Builds the lists that are not in client memory; without `vertices`, the vertex list may stay
// out of it (buffer objects are then filled piece by piece).
void ensureLists(MeshDrawing& drawing, const Mesh& mesh, bool outlines, bool vertices = true) {
    if (!drawing.built || drawing.listsReleased || (vertices && !drawing.verticesHeld)) {
        const bool hadOutlines = drawing.arrays.hasOutlines;
        drawing.arrays = buildMeshArrays(mesh, vertices);
        malloc_trim(0);  // the building's scratch lists, before the buffer objects are made
        drawing.built = true;
        drawing.verticesHeld = vertices;
        drawing.listsReleased = false;
        outlines = outlines || hadOutlines;
    }
    if (outlines && !drawing.arrays.hasOutlines) {
        addOutlines(drawing.arrays);
    }
}

// Errors raised earlier by unrelated calls would be taken for the upload's own. Each glGetError
// clears one flag; the bound guards against a GL that reports an error for the read itself.
void drainGlErrors() {
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

// A new buffer object holding `list`; with `release`, the list is freed at once and its memory
// given back (the heap would keep it beside the next buffer object), so that no more than one
// list is held twice at any time.
template <typename T>
GLuint upload(const GlBufferFunctions& gl, GLenum target, std::vector<T>& list, bool release) {
    GLuint name = 0;
    gl.genBuffers(1, &name);
    gl.bindBuffer(target, name);
    gl.bufferData(target, static_cast<GLsizeiptr>(list.size() * sizeof(T)), list.data(),
                  GL_STATIC_DRAW);
    gl.bindBuffer(target, 0);
    if (release) {
        std::vector<T>().swap(list);
        malloc_trim(0);
    }
    return name;
}

void deleteNames(const GlBufferFunctions& gl, const MeshBuffers& buffers) {
    const GLuint names[4] = {buffers.vertices, buffers.triangles, buffers.edges, buffers.outlines};
    gl.deleteBuffers(4, names);  // 0 names are ignored
}

void abandonNames(GroupState& group, const MeshBuffers& buffers) {
    for (GLuint name : {buffers.vertices, buffers.triangles, buffers.edges, buffers.outlines}) {
        if (name != 0) {
            group.abandoned.push_back(name);
        }
    }
}

// A new buffer object holding the Mesh's vertex list, written piece by piece from the Mesh, so
// that the whole list is never held in client memory beside its copy.
GLuint uploadVerticesInPieces(const GlBufferFunctions& gl, const Mesh& mesh,
                              const MeshArrays& arrays) {
    constexpr size_t PIECE_VERTICES = 1 << 15;
    const size_t vertexBytes = static_cast<size_t>(arrays.vertexFloats()) * sizeof(float);
    GLuint name = 0;
    gl.genBuffers(1, &name);
    gl.bindBuffer(GL_ARRAY_BUFFER, name);
    // A refused size shows as the error that uploadMissing reads afterwards.
    gl.bufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(arrays.vertexCount * vertexBytes),
                  nullptr, GL_STATIC_DRAW);
    writeVertices(mesh, arrays, PIECE_VERTICES,
                  [&](size_t first, const float* floats, size_t count) {
                      gl.bufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(first * vertexBytes),
                                       static_cast<GLsizeiptr>(count * vertexBytes), floats);
                  });
    gl.bindBuffer(GL_ARRAY_BUFFER, 0);
    return name;
}

// Fills in the buffer objects that `buffers` lacks. False if the GL reported an error (most
// likely out of memory): the names made are deleted again.
bool uploadMissing(const GlBufferFunctions& gl, const Mesh& mesh, MeshDrawing& drawing,
                   MeshBuffers& buffers, bool outlines, bool release) {
    drainGlErrors();
    MeshArrays& arrays = drawing.arrays;
    const MeshBuffers before = buffers;
    if (buffers.vertices == 0) {
        // The index lists first, each freed once copied, so that the largest list, the
        // vertices, goes to the graphics side while little else is held.
        buffers.edges = upload(gl, GL_ELEMENT_ARRAY_BUFFER, arrays.edges, release);
        buffers.triangles = upload(gl, GL_ELEMENT_ARRAY_BUFFER, arrays.triangles, release);
        if (drawing.verticesHeld) {
            buffers.vertices = upload(gl, GL_ARRAY_BUFFER, arrays.vertices, release);
        } else {
            buffers.vertices = uploadVerticesInPieces(gl, mesh, arrays);
        }
    }
    if (outlines && buffers.outlines == 0) {
        buffers.outlines = upload(gl, GL_ELEMENT_ARRAY_BUFFER, arrays.outlines, release);
    }
    if (glGetError() == GL_NO_ERROR) {
        return true;
    }
    const MeshBuffers made = {
        before.vertices == 0 ? buffers.vertices : 0, before.vertices == 0 ? buffers.triangles : 0,
        before.vertices == 0 ? buffers.edges : 0, before.outlines == 0 ? buffers.outlines : 0};
    deleteNames(gl, made);
    buffers = before;
    return false;
}

}  // namespace

const MeshArrays& clientArrays(const Mesh& mesh, bool outlines) {
    MeshDrawing& drawing = drawingOf(mesh);
    ensureLists(drawing, mesh, outlines);
    return drawing.arrays;
}

BufferedMesh bufferedMesh(const Mesh& mesh, ShareGroup group, const GlBufferFunctions& gl,
                          bool outlines) {
    MeshDrawing& drawing = drawingOf(mesh);
    // With one group live, its buffer objects become the only copy of the lists. With more
    // (contexts that could not share), the next group needs the lists too: they stay.
    const bool release = liveShareGroups() == 1;
    if (!drawing.built) {
        ensureLists(drawing, mesh, outlines, !release);
    }
    if (!drawing.arrays.packed) {
        return {&drawing.arrays, nullptr};
    }
    auto held = std::find_if(drawing.buffers.begin(), drawing.buffers.end(),
                             [&](const auto& entry) { return entry.first == group; });
    const bool found = held != drawing.buffers.end();
    if (found && (!outlines || held->second.outlines != 0)) {
        return {&drawing.arrays, &held->second};
    }
    if (std::find(drawing.refused.begin(), drawing.refused.end(), group) != drawing.refused.end()) {
        return {&drawing.arrays, nullptr};
    }
    ensureLists(drawing, mesh, outlines, !release);
    MeshBuffers buffers = found ? held->second : MeshBuffers{};
    const bool uploaded = uploadMissing(gl, mesh, drawing, buffers, outlines, release);
    if (release) {
        drawing.arrays.releaseLists();
        drawing.listsReleased = true;
        drawing.verticesHeld = false;
        // The lists were freed to the heap, which keeps such memory for later use: give it back,
        // as the buffer objects now hold the model.
        malloc_trim(0);
    }
    if (!uploaded) {
        // What this group lacks is drawn from client memory from now on.
        drawing.refused.push_back(group);
        return {&drawing.arrays, nullptr};
    }
    if (found) {
        held->second = buffers;
        return {&drawing.arrays, &held->second};
    }
    drawing.buffers.emplace_back(group, buffers);
    return {&drawing.arrays, &drawing.buffers.back().second};
}

const MeshBuffers* findMeshBuffers(const Mesh& mesh, ShareGroup group) {
    if (!mesh.drawing || !groupStates().contains(group)) {
        return nullptr;
    }
    for (const auto& [owner, buffers] : mesh.drawing->buffers) {
        if (owner == group) {
            return &buffers;
        }
    }
    return nullptr;
}

size_t clientListBytes(const Mesh& mesh) {
    if (!mesh.drawing) {
        return 0;
    }
    const MeshArrays& a = mesh.drawing->arrays;
    return a.vertices.capacity() * sizeof(float) +
           (a.triangles.capacity() + a.edges.capacity() + a.outlines.capacity()) *
               sizeof(uint32_t) +
           a.cornerStartsVertex.capacity() / 8;
}

const GlBufferFunctions* beginBufferedPass(ShareGroup group) {
    GroupState& state = groupStates()[group];
    if (!state.checked) {
        state.gl = bufferFunctionsOfCurrentContext();
        state.checked = true;
    }
    if (state.gl != nullptr && !state.abandoned.empty()) {
        state.gl->deleteBuffers(static_cast<GLsizei>(state.abandoned.size()),
                                state.abandoned.data());
        state.abandoned.clear();
    }
    return state.gl;
}

void forgetMeshDrawing(const Mesh& mesh) {
    if (!mesh.drawing) {
        return;
    }
    auto& groups = groupStates();
    const ShareGroup current = currentShareGroup();
    for (const auto& [group, buffers] : mesh.drawing->buffers) {
        const auto state = groups.find(group);
        if (state == groups.end()) {
            continue;  // the group is gone, and its objects with it
        }
        if (group == current && state->second.gl != nullptr) {
            deleteNames(*state->second.gl, buffers);
        } else {
            abandonNames(state->second, buffers);
        }
    }
    mesh.drawing.reset();
}

void forgetShareGroup(ShareGroup group) {
    groupStates().erase(group);
}
