#include "scene/mesh_drawings.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

struct MeshDrawing {
    MeshArrays arrays;
    bool listsReleased = false;
    std::vector<std::pair<ShareGroup, MeshBuffers>> buffers;
    std::vector<ShareGroup> refused;  // groups whose GL could not take the lists
};

// What is known of one share group's GL.
struct GroupState {
    bool checked = false;                   // whether `gl` was looked up in the group's context
    const GlBufferFunctions* gl = nullptr;  // null: no buffer objects
    std::vector<GLuint> abandoned;          // names of Meshes gone, to delete at the next pass
};

// Never destroyed: Meshes may go away while static objects are torn down at exit.
struct Drawings {
    std::unordered_map<const Mesh*, MeshDrawing> meshes;
    std::unordered_map<ShareGroup, GroupState> groups;
};

Drawings& drawings() {
    static auto* kept = new Drawings;
    return *kept;
}

MeshDrawing& drawingOf(const Mesh& mesh) {
    const auto [entry, added] = drawings().meshes.try_emplace(&mesh);
    if (added) {
        entry->second.arrays = buildMeshArrays(mesh);
    }
    return entry->second;
}

void ensureLists(MeshDrawing& drawing, const Mesh& mesh, bool outlines) {
    if (drawing.listsReleased) {
        const bool hadOutlines = drawing.arrays.hasOutlines;
        drawing.arrays = buildMeshArrays(mesh);
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

// A new buffer object holding `list`; with `release`, the list is freed at once, so that no
// more than one list is held twice at any time.
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

// Fills in the buffer objects that `buffers` lacks. False if the GL reported an error (most
// likely out of memory): the names made are deleted again.
bool uploadMissing(const GlBufferFunctions& gl, MeshArrays& arrays, MeshBuffers& buffers,
                   bool outlines, bool release) {
    drainGlErrors();
    const MeshBuffers before = buffers;
    if (buffers.vertices == 0) {
        buffers.vertices = upload(gl, GL_ARRAY_BUFFER, arrays.vertices, release);
        buffers.triangles = upload(gl, GL_ELEMENT_ARRAY_BUFFER, arrays.triangles, release);
        buffers.edges = upload(gl, GL_ELEMENT_ARRAY_BUFFER, arrays.edges, release);
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
    ensureLists(drawing, mesh, outlines);
    // With one group live, its buffer objects become the only copy of the lists. With more
    // (contexts that could not share), the next group needs the lists too: they stay.
    const bool release = liveShareGroups() == 1;
    MeshBuffers buffers = found ? held->second : MeshBuffers{};
    const bool uploaded = uploadMissing(gl, drawing.arrays, buffers, outlines, release);
    if (release) {
        drawing.arrays.releaseLists();
        drawing.listsReleased = true;
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
    const auto found = drawings().meshes.find(&mesh);
    if (found == drawings().meshes.end()) {
        return nullptr;
    }
    for (const auto& [owner, buffers] : found->second.buffers) {
        if (owner == group) {
            return &buffers;
        }
    }
    return nullptr;
}

size_t clientListBytes(const Mesh& mesh) {
    const auto found = drawings().meshes.find(&mesh);
    if (found == drawings().meshes.end()) {
        return 0;
    }
    const MeshArrays& a = found->second.arrays;
    return a.vertices.capacity() * sizeof(float) +
           (a.triangles.capacity() + a.edges.capacity() + a.outlines.capacity()) * sizeof(uint32_t);
}

const GlBufferFunctions* beginBufferedPass(ShareGroup group) {
    GroupState& state = drawings().groups[group];
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
    Drawings& all = drawings();
    const auto found = all.meshes.find(&mesh);
    if (found == all.meshes.end()) {
        return;
    }
    const ShareGroup current = currentShareGroup();
    for (const auto& [group, buffers] : found->second.buffers) {
        GroupState& state = all.groups[group];
        if (group == current && state.gl != nullptr) {
            deleteNames(*state.gl, buffers);
        } else {
            abandonNames(state, buffers);
        }
    }
    all.meshes.erase(found);
}

void forgetShareGroup(ShareGroup group) {
    Drawings& all = drawings();
    all.groups.erase(group);
    for (auto& [mesh, drawing] : all.meshes) {
        std::erase_if(drawing.buffers, [&](const auto& entry) { return entry.first == group; });
        std::erase(drawing.refused, group);
    }
}
