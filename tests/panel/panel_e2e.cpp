#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/dialogs.h"
#include "support/harness.h"
#include "support/panel_spots.h"

namespace {

bool isRed(Rgb c) {
    return c.r > 200 && c.g < 80 && c.b < 80;
}
bool isWhite(Rgb c) {
    return c.r > 240 && c.g > 240 && c.b > 240;
}
bool isBlack(Rgb c) {
    return c.r < 30 && c.g < 30 && c.b < 30;
}

int differingPixels(const Screenshot& a, const Screenshot& b, const ScreenRect& area) {
    int count = 0;
    for (int y = area.y; y < area.y + area.height; ++y) {
        for (int x = area.x; x < area.x + area.width; ++x) {
            count += a.at(x, y) == b.at(x, y) ? 0 : 1;
        }
    }
    return count;
}

// A column of the front view, 21 pixels high around the view's centre line.
ScreenRect column(const ScreenRect& view, int dx) {
    return {view.centre().x + dx, view.centre().y - 10, 1, 21};
}

class PanelE2E : public ::testing::Test {
protected:
    ProgramRun run;
    PanelSpots spots;

    void startWithCube() {
        run.writeModel("cube.wrl", cubeModel(0.5));
        run.writeModel("wedge.wrl", cubeModel(0.25));
        ASSERT_TRUE(run.start());
        spots.panel = run.panel();
    }

    void addModel(int item) {
        run.click(spots.addList());
        run.settle();
        run.click(spots.addListItem(item));
        run.settle();
    }

    // The cube's right edge in the front view is 0.5 units right of the centre.
    Point cubeRightEdge() const {
        const ScreenRect front = run.view(1);
        return {front.centre().x + front.width / 8, front.centre().y + 10};
    }

    // White or red pixels of the column through the cube's right edge, `dx` pixels beside it.
    int cubeEdge(const Screenshot& shot, bool (*colour)(Rgb), int dx = 0) const {
        const ScreenRect front = run.view(1);
        return shot.count(column(front, front.width / 8 + dx), colour);
    }

    // A button shows its label in black; greyed out, the label is faded.
    static bool greyed(const Screenshot& shot, const ScreenRect& button) {
        return shot.count(button, isBlack) == 0;
    }

    void press(const ScreenRect& button) {
        run.click(button.centre());
        run.settle();
    }

    std::string fileText(const std::string& name) const {
        std::ifstream in(run.folder / name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::vector<uint32_t> statusPixels() const { return run.pixelsOf(spots.statusLine()); }
};

TEST_F(PanelE2E, AddListAddsTheChosenModelAndNewEmptiesTheScene) {
    startWithCube();
    const ScreenRect front = run.view(1);
    const int edge = front.width / 8;
    EXPECT_EQ(run.screenshot().count(column(front, edge), isWhite), 0);

    addModel(0);  // "Add Object" adds nothing
    EXPECT_EQ(run.screenshot().count(column(front, edge), isWhite), 0);

    addModel(1);  // cube.wrl, model 0
    Screenshot shot = run.screenshot();
    EXPECT_GT(shot.count(column(front, edge), isWhite), 15);
    EXPECT_EQ(shot.count(column(front, edge / 2), isWhite), 0);  // not the small one

    run.click(spots.button(0));  // "New"
    run.settle();
    EXPECT_EQ(run.screenshot().count(column(front, edge), isWhite), 0);
    EXPECT_TRUE(run.running());
}

TEST_F(PanelE2E, ResetViewUndoesAnOrbit) {
    startWithCube();
    addModel(1);
    const ScreenRect perspective = run.view(3);
    const Screenshot before = run.screenshot();
    run.drag(perspective.centre(), {perspective.centre().x + 60, perspective.centre().y + 30});
    run.settle();
    EXPECT_GT(differingPixels(before, run.screenshot(), perspective), 100);

    run.click(spots.button(1));  // "Reset View"
    run.settle();
    EXPECT_EQ(differingPixels(before, run.screenshot(), perspective), 0);
}

TEST_F(PanelE2E, FrameAllBringsAFarLargeObjectIntoEveryViewAndResetViewTakesItAway) {
    // A cube 100 units across around (2000, 2000, 2000): far outside every view at first.
    run.writeModel("far.wrl", cubeModel(50, 2000, 2000, 2000));
    ASSERT_TRUE(run.start());
    spots.panel = run.panel();
    addModel(1);
    const Screenshot before = run.screenshot();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(before.count(run.view(i), isWhite), 0) << i;
    }

    run.click(spots.frameAll());
    run.settle();
    const Screenshot framed = run.screenshot();
    for (int i = 0; i < 3; ++i) {
        // The cube's outline: a square centred in the view, across nine tenths of it.
        const ScreenRect view = run.view(i);
        const int reach = view.width * 9 / 20;
        auto whiteAround = [&](int dx) {
            return framed.count({view.centre().x + dx - 1, view.centre().y - 10, 3, 21}, isWhite);
        };
        EXPECT_GT(whiteAround(-reach), 15) << i;
        EXPECT_GT(whiteAround(reach), 15) << i;
        EXPECT_EQ(whiteAround(-reach - 6), 0) << i;
        EXPECT_EQ(whiteAround(reach + 6), 0) << i;
    }
    // The perspective view: the lit cube covers its middle.
    const ScreenRect perspective = run.view(3);
    const Rgb background = before.at(perspective.centre().x + 20, perspective.centre().y + 20);
    const ScreenRect middle{perspective.centre().x - 20, perspective.centre().y - 20, 41, 41};
    EXPECT_GT(differingPixels(before, framed, perspective), 1000);
    EXPECT_EQ(framed.count(middle, [&](Rgb c) { return c.near(background); }), 0);

    // Picking follows the framing: a click on the cube's left edge in the front view selects it.
    const ScreenRect front = run.view(1);
    Point edge{front.centre().x - front.width * 9 / 20 - 3, front.centre().y + 10};
    while (edge.x < front.centre().x && !isWhite(framed.at(edge))) {
        ++edge.x;
    }
    run.click(edge);
    run.settle();
    EXPECT_GT(run.screenshot().count(front, isRed), 2 * front.width);

    run.click(spots.button(1));  // "Reset View"
    run.settle();
    const Screenshot reset = run.screenshot();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(differingPixels(before, reset, run.view(i)), 0) << i;
    }
}

TEST_F(PanelE2E, UntickingLightingShowsTheObjectFlatWithEdges) {
    startWithCube();
    addModel(1);
    const ScreenRect perspective = run.view(3);
    EXPECT_EQ(run.screenshot().count(perspective, isBlack), 0);

    run.click(spots.lighting());
    run.settle();
    const Screenshot shot = run.screenshot();
    EXPECT_GT(shot.count(perspective, isBlack), 50);  // the edges
    const Point c = perspective.centre();
    const Rgb face = shot.at(c.x + 5, c.y + 5);
    EXPECT_EQ(shot.at(c.x - 10, c.y + 12), face);  // one flat colour
    EXPECT_EQ(face.r, face.g);
    EXPECT_EQ(face.g, face.b);  // grey, no longer lit
}

TEST_F(PanelE2E, DraggingTranslateXMovesTheSelectedObject) {
    startWithCube();
    addModel(1);
    run.click(cubeRightEdge());  // select it
    run.settle();
    const ScreenRect front = run.view(1);
    const int edge = front.width / 8;
    ASSERT_GT(run.screenshot().count(column(front, edge), isRed), 15);

    // 30 pixels right at 0.01 a pixel: 0.3 units, about 23 pixels of the front view.
    const Point pad = spots.translateX();
    run.drag(pad, {pad.x + 30, pad.y}, 6);
    run.settle();
    const int moved = edge + front.width * 3 / 40;
    const Screenshot shot = run.screenshot();
    EXPECT_EQ(shot.count(column(front, edge), isRed), 0);
    EXPECT_GT(shot.count(column(front, moved), isRed) +
                  shot.count(column(front, moved - 1), isRed) +
                  shot.count(column(front, moved + 1), isRed),
              15);
}

TEST_F(PanelE2E, KeysTypedOverThePanelActAsInTheFrontView) {
    startWithCube();
    addModel(1);
    run.click(cubeRightEdge());
    run.settle();
    const ScreenRect front = run.view(1);
    const int edge = front.width / 8;
    ASSERT_GT(run.screenshot().count(column(front, edge), isRed), 15);

    run.move(spots.at(80, 560));  // an empty part of the panel
    run.key("Delete");
    run.settle();
    EXPECT_EQ(run.screenshot().count(column(front, edge), isRed), 0);
    EXPECT_EQ(run.screenshot().count(column(front, edge), isWhite), 0);

    run.key("Escape");  // the pointer is still over the panel
    EXPECT_EQ(run.waitForExit(), 1);
}

TEST_F(PanelE2E, QuitEndsWithStatus205) {
    startWithCube();
    run.click(spots.button(4));
    EXPECT_EQ(run.waitForExit(), 205);
}

}  // namespace

TEST_F(PanelE2E, CancellingOpenOnThePanelShowsNoMessage) {
    startWithCube();
    run.click(spots.button(2));  // Open
    std::optional<unsigned long> dialog;
    ASSERT_TRUE(waitUntil([&] { return (dialog = run.findWindow("Load Scene")).has_value(); }));
    const auto rect = run.windowRect(*dialog);
    ASSERT_TRUE(rect);
    run.move(rect->centre());
    run.settle();  // GTK has mapped and focused the dialog
    run.key("Escape");
    ASSERT_TRUE(waitUntil([&] { return !run.findWindow("Load Scene"); }));
    // The menu's "Load Scene" would report the cancel; the panel's "Open" says nothing.
    run.settle();
    EXPECT_FALSE(run.findWindow("Error").has_value());
    EXPECT_TRUE(run.running());
}

TEST_F(PanelE2E, UndoAndRedoTakeBackAnAddAndAreGreyedOutWithNothingToDo) {
    startWithCube();
    Screenshot shot = run.screenshot();
    EXPECT_TRUE(greyed(shot, spots.undo()));
    EXPECT_TRUE(greyed(shot, spots.redo()));
    press(spots.undo());  // greyed: does nothing

    addModel(1);
    shot = run.screenshot();
    EXPECT_GT(cubeEdge(shot, isWhite), 15);
    EXPECT_FALSE(greyed(shot, spots.undo()));
    EXPECT_TRUE(greyed(shot, spots.redo()));

    press(spots.undo());
    shot = run.screenshot();
    EXPECT_EQ(cubeEdge(shot, isWhite), 0);
    EXPECT_TRUE(greyed(shot, spots.undo()));
    EXPECT_FALSE(greyed(shot, spots.redo()));

    press(spots.redo());
    shot = run.screenshot();
    EXPECT_GT(cubeEdge(shot, isWhite), 15);
    EXPECT_TRUE(greyed(shot, spots.redo()));

    // A new step cuts what was undone: Redo greys out and brings nothing back.
    press(spots.undo());
    EXPECT_FALSE(greyed(run.screenshot(), spots.redo()));
    addModel(2);  // the small one, inside the cube's place
    shot = run.screenshot();
    EXPECT_TRUE(greyed(shot, spots.redo()));
    press(spots.redo());
    EXPECT_EQ(cubeEdge(run.screenshot(), isWhite), 0);
    EXPECT_TRUE(run.running());
}

TEST_F(PanelE2E, AWholeDragIsUndoneInOneStep) {
    startWithCube();
    addModel(1);
    run.click(cubeRightEdge());  // select it
    run.settle();
    run.key("i");  // Translate, typed into the front view
    const ScreenRect front = run.view(1);
    run.drag(front.centre(), {front.centre().x + 40, front.centre().y}, 8);
    run.settle();
    Screenshot shot = run.screenshot();
    ASSERT_LT(cubeEdge(shot, isRed), 5);  // a face's diagonal may cross the column
    ASSERT_GT(cubeEdge(shot, isRed, 30) + cubeEdge(shot, isRed, 31) + cubeEdge(shot, isRed, 29),
              15);

    press(spots.undo());
    shot = run.screenshot();
    EXPECT_GT(cubeEdge(shot, isWhite), 15);  // back, and no longer selected
    EXPECT_EQ(cubeEdge(shot, isWhite, 30), 0);
    EXPECT_FALSE(greyed(shot, spots.undo()));

    press(spots.undo());  // the add: the drag was one step
    EXPECT_EQ(cubeEdge(run.screenshot(), isWhite), 0);
}

TEST_F(PanelE2E, UndoAfterALoadBringsBackTheSceneBeforeItByteForByte) {
    startWithCube();
    addModel(1);
    addModel(2);
    run.click(cubeRightEdge());
    run.key("x");  // moves the cube up
    run.settle();
    chooseFile(run, spots.button(3), "Save Scene", "before");
    const std::string before = fileText("before.vsf");
    ASSERT_FALSE(before.empty());

    // The same cameras with one other object.
    size_t cameras = 0;
    for (int line = 0; line < 4; ++line) {
        cameras = before.find('\n', cameras) + 1;
    }
    std::ofstream(run.folder / "other.vsf", std::ios::binary)
        << before.substr(0, cameras) << "wedge.wrl 4 0 0 0 0 4 0 0 0 0 4 0 0 0 0 1 ";
    const std::vector<uint32_t> saved = run.pixelsOf(run.view(1));
    chooseFile(run, spots.button(2), "Load Scene", "other.vsf");
    ASSERT_NE(run.pixelsOf(run.view(1)), saved);

    press(spots.undo());
    chooseFile(run, spots.button(3), "Save Scene", "after");
    EXPECT_EQ(fileText("after.vsf"), before);
    EXPECT_FALSE(run.findWindow("Error"));
}

TEST_F(PanelE2E, StatusLineFollowsTheModeKeysAndShowsAFailedLoadUntilTheNextAction) {
    startWithCube();
    const std::vector<uint32_t> select = statusPixels();
    const ScreenRect modes{spots.panel.x, spots.panel.y + 175, spots.panel.width, 90};
    const std::vector<uint32_t> radioButtons = run.pixelsOf(modes);
    run.move(run.view(1).centre());
    run.key("p");  // Rotate: the status line follows, the radio buttons stay
    run.settle();
    const std::vector<uint32_t> rotate = statusPixels();
    EXPECT_NE(rotate, select);
    EXPECT_EQ(run.pixelsOf(modes), radioButtons);

    std::ofstream(run.folder / "bad.vsf", std::ios::binary) << "this is no scene\n";
    chooseFile(run, spots.button(2), "Load Scene", "bad.vsf");
    const std::vector<uint32_t> failed = statusPixels();
    EXPECT_NE(failed, rotate);
    EXPECT_NE(failed, select);
    EXPECT_FALSE(
        waitUntil([&] { return run.findWindow("Error").has_value(); }, milliseconds(1000)));
    run.settle();
    EXPECT_EQ(statusPixels(), failed);  // it stays

    run.move(run.view(1).centre());
    run.key("p");  // the next action
    run.settle();
    EXPECT_EQ(statusPixels(), rotate);
    EXPECT_TRUE(run.running());
}
