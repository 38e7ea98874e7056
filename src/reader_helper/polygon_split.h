#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "scene/vec.h"

namespace coin_reading {

// Faces with more corners than this are split as fans: ear clipping takes time that grows with
// the cube of the corners in the worst case.
constexpr size_t MAX_CLIPPED_CORNERS = 1000;

// Splits one planar polygon (corners in order, any convexity, no holes) into triangles that lie
// inside its outline and wind as it does: ear clipping in the polygon's plane. Each triangle is
// three positions in `corners`; `out` receives corners.size() - 2 of them. A polygon that is
// degenerate, crosses itself or has more than MAX_CLIPPED_CORNERS corners ends as a fan where no
// ear is left.
void splitPolygon(std::span<const Vec3d> corners, std::vector<std::array<uint32_t, 3>>& out);

}  // namespace coin_reading
