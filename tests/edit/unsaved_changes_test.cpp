#include <gtest/gtest.h>

#include <memory>

#include "edit/status_line.h"
#include "edit/undo_history.h"
#include "scene/scene.h"

TEST(UnsavedChanges, EveryStepMadeUndoneOrRedoneCountsAndASaveClearsThem) {
    Scene scene;
    scene.models.push_back(std::make_unique<Mesh>("cube.wrl"));
    UndoHistory history;
    EXPECT_FALSE(history.unsaved());

    history.recordAdd(scene, scene.addInstance(0));
    EXPECT_TRUE(history.unsaved());
    history.markSaved();
    EXPECT_FALSE(history.unsaved());

    // A transform step that moved nothing is no change; one that moved something is.
    scene.selectObject(0);
    history.beginTransformStep(scene);
    history.endTransformStep(scene);
    EXPECT_FALSE(history.unsaved());
    history.beginTransformStep(scene);
    scene.objects[0]->translateObject(1, 0, 0);
    history.endTransformStep(scene);
    EXPECT_TRUE(history.unsaved());
    const uint64_t moved = history.changes;

    ASSERT_TRUE(history.undo(scene));
    EXPECT_GT(history.changes, moved);
    EXPECT_TRUE(history.unsaved());
    ASSERT_TRUE(history.redo(scene));
    history.markSaved();
    EXPECT_FALSE(history.undo(scene) && !history.unsaved());
    // Nothing to undo or redo: no change.
    UndoHistory fresh;
    EXPECT_FALSE(fresh.undo(scene));
    EXPECT_FALSE(fresh.unsaved());
    fresh.recordReplaceAll(Scene{}, 0);  // nothing replaced by nothing
    EXPECT_FALSE(fresh.unsaved());
}

TEST(SceneFileLine, NamesTheFileAndMarksWhatIsUnsaved) {
    EXPECT_EQ(sceneFileLine({}), "");
    EXPECT_EQ(sceneFileLine({.name = "", .copyKept = true}), "Recovery copy kept");
    EXPECT_EQ(sceneFileLine({.name = "", .unsaved = true, .copyKept = true}), "* Not saved");
    EXPECT_EQ(sceneFileLine({.name = "room.vsf"}), "room.vsf");
    EXPECT_EQ(sceneFileLine({.name = "room.vsf", .unsaved = true}), "* room.vsf");
    EXPECT_EQ(sceneFileLine({.name = "room.vsf", .justSaved = true}), "Saved room.vsf");
    EXPECT_EQ(sceneFileLine({.name = "room.vsf", .unsaved = true, .justSaved = true}),
              "* room.vsf");
    EXPECT_EQ(sceneFileLine({.name = "", .unsaved = true, .recovered = true}),
              "*Recovered, not saved");
    // Long names keep both ends and fit the line with their mark.
    const SceneFileNote longName{.name = "a-very-long-scene-name-of-the-kitchen.vsf",
                                 .unsaved = true};
    EXPECT_EQ(sceneFileLine(longName), "* a-very-l...chen.vsf");
    EXPECT_EQ(sceneFileLine({.name = longName.name, .justSaved = true}), "Saved a-very...en.vsf");
    EXPECT_EQ(shortenedInMiddle("äöüäöüäöü", 5), "ä...ü");
    EXPECT_EQ(shortenedInMiddle("abc", 2), "..");
    for (const std::string& line : recoveryNoticeLines()) {
        EXPECT_LE(line.size(), STATUS_COLUMNS);
    }
    EXPECT_EQ(recoveryNoticeLines().size(), STATUS_ROWS + 1);
}
