// Exporting from the Save dialog of the real program, driven with real X input.
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <assimp/Importer.hpp>

#include <filesystem>

#include "support/dialogs.h"
#include "support/harness.h"

namespace fs = std::filesystem;

namespace {

constexpr int MENU_ADD = 0;
constexpr int MENU_SAVE = 2;

// Opens the Save dialog from the front view's menu, turns its file type list `steps` entries
// down (the mouse wheel over the list, at the dialog's lower right, above its buttons), types
// the name and confirms it.
bool saveAs(const ProgramRun& run, int steps, const std::string& name) {
    run.menu(run.view(1).centre(), MENU_SAVE);
    const std::optional<ScreenRect> dialog = focusWindow(run, "Save Scene");
    if (!dialog) {
        return false;
    }
    if (steps > 0) {
        run.move({dialog->x + dialog->width - 95, dialog->y + dialog->height - 70});
        run.settle();
        for (int i = 0; i < steps; ++i) {
            run.xdotool("click 5");
        }
        run.settle();
        run.move(dialog->centre());
        run.settle();
    }
    enterName(run, name);
    return gone(run, "Save Scene");
}

size_t assimpTriangles(const fs::path& path) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path.string(), 0);
    if (scene == nullptr) {
        ADD_FAILURE() << path << ": " << importer.GetErrorString();
        return 0;
    }
    size_t triangles = 0;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        triangles += scene->mMeshes[m]->mNumFaces;
    }
    return triangles;
}

}  // namespace

TEST(ExportDialogE2E, ExportsByTheChosenTypeAndByATypedExtension) {
    ProgramRun run;
    run.writeModel("box.wrl", cubeModel());
    ASSERT_TRUE(run.start());
    run.menu(run.view(1).centre(), MENU_ADD, 0);
    run.settle();

    // The second type, "glTF 2.0 Binary (*.glb)": the name without extension gets ".glb".
    ASSERT_TRUE(saveAs(run, 1, "room"));
    ASSERT_TRUE(waitUntil([&] { return fs::exists(run.folder / "room.glb"); }));
    EXPECT_EQ(assimpTriangles(run.folder / "room.glb"), 12u);

    // The scene type kept, a name typed with an export extension: exported in that format.
    ASSERT_TRUE(saveAs(run, 0, "typed.stl"));
    ASSERT_TRUE(waitUntil([&] { return fs::exists(run.folder / "typed.stl"); }));
    EXPECT_EQ(assimpTriangles(run.folder / "typed.stl"), 12u);

    // Neither wrote a scene file, and nothing failed.
    run.settle();
    EXPECT_FALSE(run.findWindow("Error"));
    for (const auto& entry : fs::directory_iterator(run.folder)) {
        EXPECT_NE(entry.path().extension(), ".vsf") << entry.path();
    }

    // The scene type and a plain name still save a scene file, as always.
    ASSERT_TRUE(saveAs(run, 0, "plain"));
    EXPECT_TRUE(waitUntil([&] { return fs::exists(run.folder / "plain.vsf"); }));
}
