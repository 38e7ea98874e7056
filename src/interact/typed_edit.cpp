#include "interact/typed_edit.h"

#include <charconv>

#include "edit/undo_history.h"
#include "scene/placement_edit.h"
#include "scene/scene.h"

std::string applyTypedEdit(Scene& scene, UndoHistory& history, TypedEdit edit,
                           const std::array<std::string, 3>& fields, bool uniform) {
    const std::string name = typedEditName(edit);
    const TypedTriple typed = readTypedEdit(edit, fields, uniform);
    if (!typed.refusal.empty()) {
        return typed.refusal;
    }
    const SelectionPlace place = selectionPlace(scene);
    if (scene.selection.empty()) {
        return name + ": nothing is selected";
    }
    if (place.box.empty()) {
        return name + ": the selection has no place that can be shown";
    }
    double centre[3];
    boxCentre(place.box, centre);
    const auto& v = typed.values;
    Matrix4 matrix;
    switch (edit) {
        case TypedEdit::MoveTo: {
            const double target[3] = {v[0], v[1], v[2]};
            matrix = moveMatrix(centre, target);
            break;
        }
        case TypedEdit::TurnBy:
            matrix = turnAboutMatrix(centre, v[0], v[1], v[2]);
            break;
        case TypedEdit::ScaleBy:
            matrix = scaleAboutMatrix(centre, v[0], v[1], v[2]);
            break;
    }
    history.beginTransformStep(scene);
    const bool applied = applyWorldEdit(scene.selection, matrix);
    history.endTransformStep(scene);
    if (!applied) {
        return name + ": the result would be too large to hold; nothing changed";
    }
    return {};
}

namespace {

std::string number(double value) {
    char text[32];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    return std::string(text, result.ptr);
}

std::string triple(const char* label, const double v[3]) {
    return std::string(label) + "X " + number(v[0]) + "   Y " + number(v[1]) + "   Z " +
           number(v[2]);
}

}  // namespace

std::vector<std::string> selectionSummary(const Scene& scene) {
    const size_t selected = scene.selection.size(), all = scene.objects.size();
    std::string count =
        "Selected: " + (selected == 0 ? std::string("none") : std::to_string(selected)) + " of " +
        std::to_string(all) + (all == 1 ? " object" : " objects");
    const SelectionPlace place = selectionPlace(scene);
    if (place.box.empty()) {
        return {count, "Centre  -", "Size    -"};
    }
    if (place.fromOrigins) {
        count += " (no triangles: their origins)";
    }
    double centre[3], size[3];
    boxCentre(place.box, centre);
    for (int i = 0; i < 3; ++i) {
        size[i] = place.box.hi[i] - place.box.lo[i];
    }
    return {count, triple("Centre  ", centre), triple("Size    ", size)};
}
