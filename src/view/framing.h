#pragma once

// "Frame All": fitting a camera to a world box, so that everything in it is seen whole, centred
// and large, and nothing in it is cut by the near or far planes. No GL here.

#include "scene/mesh_arrays.h"
#include "view/camera.h"

// Share of the view that the framed box fills (across its larger side on screen).
constexpr double FRAME_FILL = 0.9;
// Vertical field of view of the perspective camera, in degrees (setProjection).
constexpr double PERSPECTIVE_FIELD_OF_VIEW = 45;

// Puts the camera back to its start-up state and frames `world` with it: an orthographic camera
// centres the box and makes its larger side on screen fill FRAME_FILL of the view, with a depth
// range that holds the box; the perspective camera keeps its orbit angles, turns about the box's
// centre and stands back until the whole box is inside its field of view, using `aspect` (the
// view's width / height) only where it narrows the view, so that the fit survives resizing to a
// wider view. An empty box leaves the camera simply reset.
void frameCamera(Camera& camera, const Box3& world, double aspect);
