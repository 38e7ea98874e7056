#pragma once

// Placing the selected objects by typed values: where the selection lies, and the world-side
// matrices that move it to a point, turn it or scale it about its centre. No GL here.

#include <vector>

#include "scene/matrix.h"
#include "scene/mesh_arrays.h"

struct Scene;
struct SceneObject;

// The world box of the selected objects as the views draw them. Objects that draw no triangle
// (an empty Mesh) have no extent: when no selected object draws anything, the box holds the
// selected objects' origins instead, so that such objects can still be moved and framed.
struct SelectionPlace {
    Box3 box;                  // empty with an empty Selection
    bool fromOrigins = false;  // the box holds origins, not drawn points
};
SelectionPlace selectionPlace(const Scene& scene);
// Where the object's own origin is drawn (transform * pendingRotation applied to it); false
// when that point is not finite.
bool objectWorldOrigin(const SceneObject& object, double origin[3]);

// The middle of a non-empty box, computed so that large coordinates do not overflow.
void boxCentre(const Box3& box, double centre[3]);

// World-side edits, pre-multiplied to an object's transform (its pending rotation stays inside):
// the move that carries `from` to `to`, and a turn (degrees about world X, Y and Z, the Z turn
// acting first, as a world-side rotation does) or a scale about `centre`. Single precision, in
// the order the GL matrix stack would compose them; a zero angle contributes nothing.
Matrix4 moveMatrix(const double from[3], const double to[3]);
Matrix4 turnAboutMatrix(const double centre[3], float x, float y, float z);
Matrix4 scaleAboutMatrix(const double centre[3], float x, float y, float z);

bool finiteMatrix(const Matrix4& m);

// Pre-multiplies `edit` to the transform of every object given, all or none: false, and nothing
// changed, when a resulting matrix would not be finite (so that an object never vanishes into
// infinities that a scene file cannot hold).
bool applyWorldEdit(const std::vector<SceneObject*>& objects, const Matrix4& edit);
