#include "app/objects_commands.h"

#include <GL/freeglut.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/event_loop.h"
#include "app/frame_all.h"
#include "app/globals.h"
#include "app/panel_status.h"
#include "interact/object_list.h"
#include "interact/typed_edit.h"
#include "panel/objects_window.h"
#include "scene/placement_edit.h"

namespace {

// What the window shows of the Scene, summed up cheaply: the objects and which are selected,
// and the placement of the selected ones (which decides the selection's box).
struct SceneMark {
    size_t objects = 0;
    size_t selected = 0;
    const SceneObject* lastSelected = nullptr;
    uint64_t hash = 0;
    bool operator==(const SceneMark&) const = default;
};

// A quick hash over 64-bit words, enough to tell one state of the Scene from the next.
uint64_t mix(uint64_t hash, uint64_t word) {
    return (hash ^ word) * 0x100000001b3ULL;
}

uint64_t mixMatrix(uint64_t hash, const Matrix4& m) {
    uint64_t words[8];
    static_assert(sizeof words == sizeof m);
    std::memcpy(words, m.data(), sizeof words);
    for (uint64_t word : words) {
        hash = mix(hash, word);
    }
    return hash;
}

SceneMark markOf(const Scene& s) {
    SceneMark mark;
    mark.objects = s.objects.size();
    mark.selected = s.selection.size();
    mark.lastSelected = s.selection.empty() ? nullptr : s.selection.back();
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (const auto& object : s.objects) {
        hash = mix(hash, reinterpret_cast<uintptr_t>(object.get()) ^ (object->selected ? 1 : 0));
    }
    for (const SceneObject* object : s.selection) {
        hash = mixMatrix(mixMatrix(hash, object->transform), object->pendingRotation);
    }
    mark.hash = hash;
    return mark;
}

SceneMark shownMark;  // the Scene as the window last took it in
std::vector<std::string> summary;
size_t anchor = SIZE_MAX;
bool hooked = false;

// The selection's lines, worked out again only when the Scene changed.
const std::vector<std::string>& currentSummary() {
    const SceneMark mark = markOf(scene);
    if (summary.empty() || !(mark == shownMark)) {
        summary = selectionSummary(scene);
        shownMark = mark;
    }
    return summary;
}

ObjectsRow rowOf(size_t i) {
    if (i >= scene.objects.size()) {
        return {};
    }
    const SceneObject& object = *scene.objects[i];
    ObjectRowText text = objectRowText(object);
    return {std::move(text.position), std::move(text.name), std::move(text.triangles),
            object.selected};
}

std::string handle(const ObjectsRequest& request) {
    noteUserAction();
    const int window = glutGetWindow();
    std::string message;
    switch (request.command) {
        case ObjectsCommand::ClickRow:
            clickObjectRow(scene, request.row, request.modifiers, anchor);
            break;
        case ObjectsCommand::SelectAll:
            selectAllObjects(scene);
            break;
        case ObjectsCommand::SelectNone:
            selectNoObjects(scene);
            break;
        case ObjectsCommand::Delete:
            if (scene.selection.empty()) {
                message = "Delete: nothing is selected";
                break;
            }
            undoHistory.recordDelete(scene);
            scene.deleteSelection();
            break;
        case ObjectsCommand::FrameSelected: {
            const SelectionPlace place = selectionPlace(scene);
            if (place.box.empty()) {
                message = scene.selection.empty()
                              ? "Frame Selected: nothing is selected"
                              : "Frame Selected: the selection has no place that can be shown";
                break;
            }
            frameViewsOn(place.box);
            break;
        }
        case ObjectsCommand::MoveTo:
            message = applyTypedEdit(scene, undoHistory, TypedEdit::MoveTo, request.fields);
            break;
        case ObjectsCommand::TurnBy:
            message = applyTypedEdit(scene, undoHistory, TypedEdit::TurnBy, request.fields);
            break;
        case ObjectsCommand::ScaleBy:
            message = applyTypedEdit(scene, undoHistory, TypedEdit::ScaleBy, request.fields,
                                     request.uniform);
            break;
    }
    // The window shows this change already: no scrolling to the last selected row.
    summary.clear();
    currentSummary();
    redisplayAll(window);
    return message;
}

void hookUp() {
    ObjectsWindowHooks hooks;
    hooks.model.rowCount = [] { return scene.objects.size(); };
    hooks.model.row = rowOf;
    hooks.model.selectionLines = [] { return currentSummary(); };
    hooks.handle = handle;
    hooks.modifiersOfPress = modifiersOfPress;
    hooks.redisplayLater = redisplayAgainNextPass;
    setObjectsWindowHooks(std::move(hooks));
    hooked = true;
}

}  // namespace

void openObjectsWindow() {
    if (!hooked) {
        hookUp();
    }
    showObjectsWindow();
    summary.clear();
}

void refreshObjectsWindow() {
    if (!objectsWindowShown()) {
        return;
    }
    const SceneMark mark = markOf(scene);
    if (mark == shownMark && !summary.empty()) {
        return;
    }
    std::optional<size_t> row;
    if (mark.lastSelected != nullptr && mark.lastSelected != shownMark.lastSelected) {
        row = static_cast<size_t>(mark.lastSelected->index);
    }
    summary.clear();
    objectsWindowChanged(row);
}
