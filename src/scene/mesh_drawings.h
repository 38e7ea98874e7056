#pragma once

// What the drawing side keeps for each Mesh, in the Mesh's own record (Mesh::drawing) from its
// first drawing until the Mesh goes away: the arrays derived from it (mesh_arrays.h) and, for each
// group of GL contexts that share objects, buffer objects holding their lists. Once a group's
// buffer objects hold the lists and no other group is live, the client-side lists are released: the
// model's drawing data is then kept once, on the graphics side. Should a pass need them in client
// memory again, they are rebuilt from the Mesh.

#include <GL/gl.h>

#include <cstddef>
#include <utility>
#include <vector>

#include "scene/gl_buffers.h"
#include "scene/gl_share_groups.h"
#include "scene/mesh_arrays.h"

struct Mesh;

// Buffer object names of one Mesh in one share group.
struct MeshBuffers {
    GLuint vertices = 0;
    GLuint triangles = 0;
    GLuint edges = 0;
    GLuint outlines = 0;  // 0 until a pass needs the outlines
};

struct MeshDrawing {
    MeshArrays arrays;
    bool built = false;         // whether `arrays` was built at all
    bool verticesHeld = false;  // whether arrays.vertices holds the vertex list
    bool listsReleased = false;
    // Entries of groups whose last context is gone are never looked up again (numbers are not
    // reused), and nothing is deleted for them.
    std::vector<std::pair<ShareGroup, MeshBuffers>> buffers;
    std::vector<ShareGroup> refused;  // groups whose GL could not take the lists
};

// The Mesh's arrays with their lists in client memory; with `outlines`, the outlines too.
const MeshArrays& clientArrays(const Mesh& mesh, bool outlines);

// The Mesh's arrays (sizes, runs and bounds; the lists may be released) and its buffer objects in
// `group`, made with `gl` on first use; `buffers` is null where the GL could not hold them. A
// context of `group` must be current.
struct BufferedMesh {
    const MeshArrays* arrays = nullptr;
    const MeshBuffers* buffers = nullptr;
};
BufferedMesh bufferedMesh(const Mesh& mesh, ShareGroup group, const GlBufferFunctions& gl,
                          bool outlines);

// For checks and measurements: the buffer objects of the Mesh in `group`, if made; the bytes of
// its lists held in client memory now.
const MeshBuffers* findMeshBuffers(const Mesh& mesh, ShareGroup group);
size_t clientListBytes(const Mesh& mesh);

// Called at the start of every pass in a context of `group`: the buffer functions, or null where
// the context's GL has no buffer objects. Deletes the buffer objects of Meshes that went away
// while no context of the group was current.
const GlBufferFunctions* beginBufferedPass(ShareGroup group);

// The Mesh is going away: its buffer objects are deleted (now if a context of their group is
// current, else at that group's next pass) and its arrays freed.
void forgetMeshDrawing(const Mesh& mesh);
// The group's last context is gone, and the driver freed its objects with it.
void forgetShareGroup(ShareGroup group);
