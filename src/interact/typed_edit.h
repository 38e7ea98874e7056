#pragma once

// "Move to", "Turn by" and "Scale by" of the Objects window carried out on the Selection: about
// the centre of the selection's world box, on the world side of every selected object, as one
// undo step.

#include <array>
#include <string>
#include <vector>

#include "interact/typed_values.h"

struct Scene;
struct UndoHistory;

// Applies the typed fields to the selected objects. Returns "" when they moved, or why nothing
// changed: a field that is no finite number, a factor of 0, an empty Selection, or a result
// that single precision cannot hold.
std::string applyTypedEdit(Scene& scene, UndoHistory& history, TypedEdit edit,
                           const std::array<std::string, 3>& fields, bool uniform = false);

// The lines that describe the Selection in the Objects window: how many objects are selected,
// the centre and the size of their world box.
std::vector<std::string> selectionSummary(const Scene& scene);
