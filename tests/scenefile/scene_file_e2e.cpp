#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/dialogs.h"
#include "support/harness.h"

namespace fs = std::filesystem;

namespace {

constexpr int MENU_ADD = 0;
constexpr int MENU_LOAD = 1;
constexpr int MENU_SAVE = 2;

std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int records(const std::string& text, const std::string& name) {
    int count = 0;
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
        ++count;
    }
    return count;
}

// Picks a pop-up menu entry that opens a dialog and focuses the dialog.
std::optional<ScreenRect> dialogFromMenu(const ProgramRun& run, Point p, int entry,
                                         const std::string& title) {
    run.menu(p, entry);
    return focusWindow(run, title);
}

// Waits for the "Error" message box and dismisses it; true once it has gone.
bool dismissError(const ProgramRun& run) {
    if (!focusWindow(run, "Error")) {
        return false;
    }
    run.key("Return");
    return gone(run, "Error");
}

// White wireframe pixels inside a box of the front view, in view units from its centre (the view
// shows -2 to 2 across).
int whiteAround(const ProgramRun& run, float x, float y) {
    const ScreenRect v = run.view(1);
    const int cx = v.x + v.width / 2 + static_cast<int>(x * v.width / 4);
    const int cy = v.y + v.height / 2 - static_cast<int>(y * v.height / 4);
    const ScreenRect box{cx - v.width / 8, cy - v.height / 8, v.width / 4, v.height / 4};
    return run.screenshot().count(box, [](Rgb c) { return c.r > 220 && c.g > 220 && c.b > 220; });
}

// Adds one box through the front view's "Add Object" menu.
void addBox(const ProgramRun& run) {
    run.menu(run.view(1).centre(), MENU_ADD, 0);
    run.settle();
}

}  // namespace

TEST(SceneFileE2E, SaveAddsExtensionAsksBeforeReplacingAndLoadRestores) {
    ProgramRun run;
    run.writeModel("box.wrl", cubeModel());
    ASSERT_TRUE(run.start());
    const Point front = run.view(1).centre();
    addBox(run);
    ASSERT_TRUE(dialogFromMenu(run, front, MENU_SAVE, "Save Scene"));
    enterName(run, "myscene");
    const fs::path saved = run.folder / "myscene.vsf";
    ASSERT_TRUE(waitUntil([&] { return fs::exists(saved) && !run.findWindow("Save Scene"); }));
    EXPECT_FALSE(fs::exists(run.folder / "myscene"));
    const std::string first = contentOf(saved);
    EXPECT_EQ(records(first, "box.wrl "), 1);
    EXPECT_EQ(records(first, "\n"), 4);

    // The same name again: GTK sees "myscene", which does not exist; the program asks about
    // "myscene.vsf". "No" goes back to the chooser, "Yes" replaces the file.
    std::ofstream(saved, std::ios::binary) << "previous";
    ASSERT_TRUE(dialogFromMenu(run, front, MENU_SAVE, "Save Scene"));
    enterName(run, "myscene");
    ASSERT_TRUE(focusWindow(run, "Confirm Save As"));
    run.key("alt+n");
    ASSERT_TRUE(gone(run, "Confirm Save As"));
    EXPECT_TRUE(run.findWindow("Save Scene"));
    EXPECT_EQ(contentOf(saved), "previous");
    ASSERT_TRUE(focusWindow(run, "Save Scene"));
    run.key("Return");
    ASSERT_TRUE(focusWindow(run, "Confirm Save As"));
    run.key("alt+y");
    ASSERT_TRUE(waitUntil([&] { return contentOf(saved) == first; }));
    ASSERT_TRUE(gone(run, "Save Scene"));

    // A file with one box at x = 1 replaces the box at the origin.
    std::string moved =
        first.substr(0, first.rfind('\n') + 1) + "box.wrl 1 0 0 0 0 1 0 0 0 0 1 0 1 0 0 1 ";
    std::ofstream(run.folder / "moved.vsf", std::ios::binary) << moved;
    run.settle();
    EXPECT_GT(whiteAround(run, 0, 0), 20);
    EXPECT_EQ(whiteAround(run, 1.2f, 0.6f), 0);
    ASSERT_TRUE(dialogFromMenu(run, front, MENU_LOAD, "Load Scene"));
    enterName(run, "moved.vsf");
    ASSERT_TRUE(gone(run, "Load Scene"));
    ASSERT_TRUE(waitUntil([&] { return whiteAround(run, 1.2f, 0.6f) > 20; }));
    EXPECT_FALSE(run.findWindow("Error"));
}

namespace {

// Whether `rect` of `shot` shows a message dialog as GTK draws it: mostly its light background,
// with dark text in the message (upper half) and on the buttons (lower half).
bool showsLightDialogWithText(const Screenshot& shot, const ScreenRect& rect) {
    const auto light = [](Rgb c) { return c.r > 200 && c.g > 200 && c.b > 200; };
    const auto dark = [](Rgb c) { return c.r < 100 && c.g < 100 && c.b < 100; };
    const int half = rect.height / 2;
    return shot.count(rect, light) > rect.width * rect.height / 2 &&
           shot.count({rect.x, rect.y, rect.width, half}, dark) > 30 &&
           shot.count({rect.x, rect.y + half, rect.width, rect.height - half}, dark) > 10;
}

}  // namespace

TEST(SceneFileE2E, ReplaceQuestionShowsItsTextAndButtons) {
    ProgramRun run;
    run.writeModel("box.wrl", cubeModel());
    ASSERT_TRUE(run.start());
    std::ofstream(run.folder / "old.vsf", std::ios::binary) << "previous";
    ASSERT_TRUE(dialogFromMenu(run, run.view(1).centre(), MENU_SAVE, "Save Scene"));
    enterName(run, "old");
    const std::optional<ScreenRect> question = focusWindow(run, "Confirm Save As");
    ASSERT_TRUE(question);
    // As the X server shows it, and as a dump taken window by window shows it (where it once was a
    // black box).
    EXPECT_TRUE(waitUntil([&] { return showsLightDialogWithText(run.screenshot(), *question); }));
    EXPECT_TRUE(showsLightDialogWithText(run.screenshotWithXwd(), *question));
    run.key("alt+n");
    ASSERT_TRUE(focusWindow(run, "Save Scene"));
    run.key("Escape");
    EXPECT_TRUE(dismissError(run));
    EXPECT_EQ(contentOf(run.folder / "old.vsf"), "previous");
}

TEST(SceneFileE2E, CancellingLoadSceneFromTheMenuReportsAnError) {
    ProgramRun run;
    run.writeModel("box.wrl", cubeModel());
    ASSERT_TRUE(run.start());
    ASSERT_TRUE(dialogFromMenu(run, run.view(0).centre(), MENU_LOAD, "Load Scene"));
    run.key("Escape");
    ASSERT_TRUE(gone(run, "Load Scene"));
    ASSERT_TRUE(focusWindow(run, "Error"));
    run.key("Return");
    EXPECT_TRUE(gone(run, "Error"));
    EXPECT_TRUE(run.running());
}

TEST(SceneFileE2E, LoadingASceneThatNamesAMissingModelReportsAnErrorAndChangesNothing) {
    ProgramRun run;
    run.writeModel("box.wrl", cubeModel());
    ASSERT_TRUE(run.start());
    addBox(run);
    ASSERT_GT(whiteAround(run, 0, 0), 20);
    // Saved while "gone.wrl" was still in the model folder: a box at x = 1, then a gone model.
    const std::string identity = "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 ";
    std::string views;
    for (const char* eye : {"5 0 0 ", "0 0 5 ", "0 5 0 ", "0 0 5 "}) {
        views += identity + identity + eye + "0 0 0 0 0 \n";
    }
    std::ofstream(run.folder / "gone.vsf", std::ios::binary)
        << views << "box.wrl 1 0 0 0 0 1 0 0 0 0 1 0 1 0 0 1 gone.wrl " << identity;
    ASSERT_TRUE(dialogFromMenu(run, run.view(1).centre(), MENU_LOAD, "Load Scene"));
    enterName(run, "gone.vsf");
    ASSERT_TRUE(gone(run, "Load Scene"));
    ASSERT_TRUE(dismissError(run)) << "no \"Error loading scene\"";
    run.settle();
    EXPECT_GT(whiteAround(run, 0, 0), 20);
    EXPECT_EQ(whiteAround(run, 1.2f, 0.6f), 0) << "the box before the bad record was placed";
    EXPECT_TRUE(run.running());
}

TEST(SceneFileE2E, SavingASelectedObjectTurnedWithTheRotationBallWritesTheTurn) {
    ProgramRun run;
    run.writeModel("box.wrl", cubeModel());
    ASSERT_TRUE(run.start());
    addBox(run);
    const ScreenRect view = run.view(1);
    const Point edge{view.centre().x + view.width / 8, view.centre().y + 10};  // x = 0.5
    run.click(edge);
    ASSERT_TRUE(waitUntil([&] {
        const Rgb c = run.pixel(edge);
        return c.r > 200 && c.g < 80 && c.b < 80;
    })) << "the box was not selected";
    // Drag across the panel's Rotation ball, then save with the panel's "Save" button while the
    // box is still selected.
    const ScreenRect panel = run.panel();
    const Point ball{panel.x + 38, panel.y + 479};
    run.drag(ball, {ball.x + 25, ball.y}, 5);
    run.settle();
    run.click({panel.x + 82, panel.y + 15 + 23 * 3});
    ASSERT_TRUE(focusWindow(run, "Save Scene"));
    enterName(run, "turned");
    const fs::path saved = run.folder / "turned.vsf";
    ASSERT_TRUE(waitUntil([&] { return fs::exists(saved) && !run.findWindow("Save Scene"); }));

    const std::string text = contentOf(saved);
    std::istringstream record(text.substr(text.rfind('\n') + 1));
    std::string name;
    float m[16] = {};
    record >> name;
    for (float& element : m) {
        record >> element;
    }
    ASSERT_TRUE(record) << text;
    EXPECT_EQ(name, "box.wrl");
    // A turn about the origin: the columns stay unit vectors, the matrix is no longer the
    // identity, the box stays where it was.
    float offIdentity = 0;
    for (int column = 0; column < 3; ++column) {
        float length = 0;
        for (int row = 0; row < 3; ++row) {
            const float e = m[4 * column + row];
            length += e * e;
            offIdentity = std::max(offIdentity, std::abs(e - (row == column ? 1.0f : 0.0f)));
        }
        EXPECT_NEAR(length, 1, 1e-3) << text;
    }
    EXPECT_GT(offIdentity, 0.1f) << "the turn was not saved: " << text;
    EXPECT_EQ(m[12], 0);
    EXPECT_EQ(m[13], 0);
    EXPECT_EQ(m[14], 0);
}

namespace {

// A scene file with one box at the origin whose perspective-view line carries `projection`.
std::string sceneWithPerspectiveProjection(const std::string& projection) {
    const std::string identity = "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 ";
    const std::string orthographic = "0.5 0 0 0 0 0.5 0 0 0 0 -0.01 0 0 0 0 1 ";
    std::string text;
    text += orthographic + identity + "5 0 0 0 0 0 0 0 \n";
    text += orthographic + identity + "0 0 5 0 0 0 0 0 \n";
    text += orthographic + identity + "0 5 0 0 0 0 0 0 \n";
    text += projection + identity + "0 0 5 0 0 0 0 0 \n";
    text += "box.wrl " + identity;
    return text;
}

// Brighter than the 0.4 grey of the grid, which the perspective view sees edge on.
bool isLitGrey(Rgb c) {
    return c.r > 120 && std::abs(c.r - c.g) < 12 && std::abs(c.g - c.b) < 12;
}

}  // namespace

TEST(SceneFileE2E, PerspectiveViewKeepsTheLoadedProjectionUntilTheWindowIsResized) {
    ProgramRun run;
    run.writeModel("box.wrl", cubeModel());
    ASSERT_TRUE(run.start());
    // A projection that shrinks everything to a tenth: the box covers a few pixels only.
    std::ofstream(run.folder / "small.vsf", std::ios::binary)
        << sceneWithPerspectiveProjection("0.1 0 0 0 0 0.1 0 0 0 0 -0.01 0 0 0 0 1 ");
    ASSERT_TRUE(dialogFromMenu(run, run.view(3).centre(), MENU_LOAD, "Load Scene"));
    enterName(run, "small.vsf");
    ASSERT_TRUE(gone(run, "Load Scene"));
    const auto boxPixels = [&] { return run.screenshot().count(run.view(3), isLitGrey); };
    ASSERT_TRUE(waitUntil([&] { return boxPixels() > 0; }));
    run.settle();
    const int small = boxPixels();
    EXPECT_LT(small, 400);
    // Redraws keep it (an orbit redraws every view) ...
    run.drag(run.view(3).centre(), {run.view(3).centre().x + 3, run.view(3).centre().y}, 3);
    run.settle();
    EXPECT_LT(boxPixels(), 400);
    // ... and the next resize puts the window's own perspective back: the box is large again.
    run.resizeMainWindow(820, 620);
    ASSERT_TRUE(waitUntil([&] { return boxPixels() > 1500; }));
    EXPECT_FALSE(run.findWindow("Error"));
}

TEST(SceneFileE2E, ClicksGivenToTheWindowsWhileADialogIsUpAreDropped) {
    ProgramRun run;
    run.writeModel("box.wrl", cubeModel());
    ASSERT_TRUE(run.start());
    addBox(run);
    const ScreenRect view = run.view(1);
    const Point edge{view.centre().x + view.width / 8,
                     view.centre().y + 10};  // right edge, x = 0.5
    const auto isRed = [](Rgb c) { return c.r > 200 && c.g < 80 && c.b < 80; };
    ASSERT_FALSE(isRed(run.pixel(edge)));
    const ScreenRect panel = run.panel();
    run.click({panel.x + 82, panel.y + 15 + 23 * 2});  // the panel's "Open"
    ASSERT_TRUE(focusWindow(run, "Load Scene"));
    // The dialog holds the keyboard, but clicks reach our windows' queue: this one would select
    // the box if it were replayed once the dialog closes.
    run.click(edge);
    ASSERT_TRUE(focusWindow(run, "Load Scene"));
    run.key("Escape");
    ASSERT_TRUE(gone(run, "Load Scene"));
    run.settle();
    EXPECT_FALSE(waitUntil([&] { return isRed(run.pixel(edge)); }, milliseconds(1500)))
        << "a click made while the dialog was up was replayed";
    // The same click now selects: the place is right.
    run.click(edge);
    EXPECT_TRUE(waitUntil([&] { return isRed(run.pixel(edge)); }));
}

TEST(SceneFileE2E, ModelNameWithASpaceIsSavedAndLoadedBack) {
    ProgramRun run;
    run.writeModel("my box.wrl", cubeModel());
    ASSERT_TRUE(run.start());
    const Point front = run.view(1).centre();
    addBox(run);
    ASSERT_GT(whiteAround(run, 0, 0), 20);
    ASSERT_TRUE(dialogFromMenu(run, front, MENU_SAVE, "Save Scene"));
    enterName(run, "spaced");
    const fs::path saved = run.folder / "spaced.vsf";
    ASSERT_TRUE(waitUntil([&] { return fs::exists(saved) && !run.findWindow("Save Scene"); }));
    EXPECT_EQ(records(contentOf(saved), "\nmy box.wrl 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 "), 1);

    const ScreenRect panel = run.panel();
    run.click({panel.x + 82, panel.y + 15});  // the panel's "New"
    ASSERT_TRUE(waitUntil([&] { return whiteAround(run, 0, 0) < 20; }));
    ASSERT_TRUE(dialogFromMenu(run, front, MENU_LOAD, "Load Scene"));
    enterName(run, "spaced.vsf");
    ASSERT_TRUE(gone(run, "Load Scene"));
    EXPECT_TRUE(waitUntil([&] { return whiteAround(run, 0, 0) > 20; }));
    EXPECT_FALSE(run.findWindow("Error"));
}

TEST(SceneFileE2E, WriteProtectionIsRespectedAndAReadOnlyFolderIsWrittenInPlace) {
    ProgramRun run;
    run.writeModel("box.wrl", cubeModel());
    std::ofstream(run.folder / "locked.vsf", std::ios::binary) << "previous";
    std::ofstream(run.folder / "open.vsf", std::ios::binary) << "previous";
    fs::permissions(run.folder / "locked.vsf",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    if (geteuid() == 0) {
        run.user = 65534;  // nobody
        for (const auto& entry : fs::recursive_directory_iterator(run.folder)) {
            ASSERT_EQ(chown(entry.path().c_str(), 65534, 65534), 0);
        }
        ASSERT_EQ(chown(run.folder.c_str(), 65534, 65534), 0);
    }
    ASSERT_TRUE(run.start());
    const Point front = run.view(1).centre();
    addBox(run);

    // Saving over the write-protected file fails like a file that cannot be opened.
    ASSERT_TRUE(dialogFromMenu(run, front, MENU_SAVE, "Save Scene"));
    enterName(run, "locked");
    ASSERT_TRUE(focusWindow(run, "Confirm Save As"));
    run.key("alt+y");
    ASSERT_TRUE(focusWindow(run, "Error"));
    run.key("Return");
    ASSERT_TRUE(gone(run, "Error"));
    EXPECT_EQ(contentOf(run.folder / "locked.vsf"), "previous");

    // In a folder where no file may be made, a writable file is still saved.
    fs::permissions(run.folder, fs::perms::owner_read | fs::perms::owner_exec);
    ASSERT_TRUE(dialogFromMenu(run, front, MENU_SAVE, "Save Scene"));
    enterName(run, "open");
    ASSERT_TRUE(focusWindow(run, "Confirm Save As"));
    run.key("alt+y");
    const bool saved =
        waitUntil([&] { return records(contentOf(run.folder / "open.vsf"), "box.wrl ") == 1; });
    fs::permissions(run.folder, fs::perms::owner_all);
    EXPECT_TRUE(saved);
    EXPECT_EQ(records(contentOf(run.folder / "open.vsf"), "\n"), 4);
    EXPECT_FALSE(run.findWindow("Error"));
    EXPECT_EQ(std::distance(fs::directory_iterator(run.folder), {}), 3);
}
