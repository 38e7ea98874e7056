#pragma once

#include <cstdint>

// The editing mode that mouse drags follow and that decides whether a click selects. Kept as a
// plain int32_t where it is stored: the panel's radio group and the mode keys set it by number.
enum EditMode : int32_t { Select = 0, Translate = 1, Scale = 2, Rotate = 3 };
