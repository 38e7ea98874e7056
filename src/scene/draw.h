#pragma once

struct Scene;
struct SceneObject;

// Draws the triangles of the object's Mesh in the current colour, under transform *
// pendingRotation, vertex by vertex in immediate mode. Triangles with a point index outside the
// Mesh are skipped; a triangle whose normals cannot be looked up is drawn without normals.
void drawMesh(const SceneObject& object);
// Draws the three edges of every triangle of the object's Mesh as black lines, under the same
// matrices, in immediate mode; leaves the current colour black.
void drawEdges(const SceneObject& object);

// The straightforward passes of Scene::drawSolid, drawWireframe and drawPickColours: every
// triangle in immediate mode on every call. The Scene's own passes draw from arrays kept for each
// Mesh (scene_draw.cpp says how their pictures compare); these stay as the reference that tests
// and benchmarks hold them against.
void drawSolidImmediate(const Scene& scene);
void drawWireframeImmediate(const Scene& scene);
void drawPickColoursImmediate(const Scene& scene);
