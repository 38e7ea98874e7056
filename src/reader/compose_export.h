#pragma once

#include "reader/export_scene.h"

struct Scene;

// The scene as it is exported: every placed object in list order, as drawn (its model under
// transform * pendingRotation), and the models they use, once each in the order first used.
// The result borrows the Meshes' lists: valid while the scene's models live unchanged.
ExportScene composeExport(const Scene& scene);
