#include "scene/mesh.h"

#include "scene/mesh_drawings.h"

Mesh::Mesh(std::string fileName) : name(std::move(fileName)) {}

Mesh::~Mesh() {
    forgetMeshDrawing(*this);
}
