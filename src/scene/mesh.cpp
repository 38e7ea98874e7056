#include "scene/mesh.h"

#include "scene/mesh_drawings.h"

// The drawing side keeps its arrays by Mesh address: they must go with the Mesh, before another
// Mesh can be made at the same address.
Mesh::~Mesh() {
    forgetMeshDrawing(*this);
}
