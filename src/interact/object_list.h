#pragma once

// The Objects window's list of placed objects, without the window: what a row says and what a
// click on it does to the Scene's Selection.
//
// Every change of the Selection made from the list behaves as a pick in a view does: the
// Selection is committed first (pending rotations folded into the objects, the Rotation control
// put back when the Selection was not empty), so turning the Rotation control afterwards acts on
// the new Selection alone, from no rotation.

#include <cstddef>
#include <string>

struct Scene;
struct SceneObject;

// One row: the object's position in the Scene from 1, its model's name, its triangles.
struct ObjectRowText {
    std::string position;
    std::string name;
    std::string triangles;
};
ObjectRowText objectRowText(const SceneObject& object);

// A click on the row of the object at `position` (from 0) with the Shift (1), Ctrl (2) and Alt
// (4) keys held as given:
//   no Shift or Ctrl   that object alone is selected;
//   Ctrl               it is added to the Selection, or taken out if it was in it;
//   Shift              the rows from the anchor to this one, both included, are selected alone;
//   Shift and Ctrl     those rows are added to the Selection.
// Alt is ignored. `anchor` is the row of the last click without Shift; it becomes this row then.
// An anchor that is no row (none yet, or deleted) counts as this row. Positions outside the
// Scene change nothing.
void clickObjectRow(Scene& scene, size_t position, int modifiers, size_t& anchor);

// Every object selected, in Scene order; or none.
void selectAllObjects(Scene& scene);
void selectNoObjects(Scene& scene);
