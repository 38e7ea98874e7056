#pragma once

struct SceneObject;

// Draws the triangles of the object's Mesh in the current colour, under transform *
// pendingRotation. Triangles with a point index outside the Mesh are skipped; a triangle whose
// normals cannot be looked up is drawn without normals.
void drawMesh(const SceneObject& object);
// Draws the three edges of every triangle of the object's Mesh as black lines, under the same
// matrices; leaves the current colour black.
void drawEdges(const SceneObject& object);
