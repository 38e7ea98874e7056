#include <gtest/gtest.h>

#include <string>

#include "support/harness.h"

namespace {

bool isWhite(Rgb c) {
    return c.r > 240 && c.g > 240 && c.b > 240;
}
bool isBlack(Rgb c) {
    return c.r < 30 && c.g < 30 && c.b < 30;
}

// Three columns of the front view, 3 pixels wide and 7 high just below the centre line: where
// the right edges of the cubes of half size 0.25, 0.5 and 0.75 cross it.
struct RightEdges {
    ScreenRect view;
    ScreenRect column(double half) const {
        return {view.centre().x + static_cast<int>(half * view.width / 4) - 1, view.centre().y + 2,
                3, 7};
    }
    // Which of the three cubes show, as a string of 0s and 1s from the smallest.
    std::string shown(const Screenshot& shot) const {
        std::string result;
        for (double half : {0.25, 0.5, 0.75}) {
            result += shot.count(column(half), isWhite) >= 5 ? '1' : '0';
        }
        return result;
    }
};

// A program whose models a.wrl, b.wrl and c.wrl (library positions 0, 1, 2) are cubes of half
// size 0.25, 0.5 and 0.75: the front view tells which were added.
struct ThreeCubes {
    ProgramRun run;
    bool started = false;
    RightEdges edges;

    ThreeCubes() {
        run.writeModel("a.wrl", cubeModel(0.25));
        run.writeModel("b.wrl", cubeModel(0.5));
        run.writeModel("c.wrl", cubeModel(0.75));
        started = run.start();
        edges.view = run.view(1);
    }
    std::string shownAfterSettling() {
        run.settle();
        return edges.shown(run.screenshot());
    }
    // The panel's controls, relative to its top-left corner.
    Point panelAt(int x, int y) const { return {run.panel().x + x, run.panel().y + y}; }
};

// The entries that start-up fills in: sub-menu entry k adds model k, list item k adds model k - 1.
TEST(PopupEntriesE2E, ModelEntriesAddTheModelOfTheirPosition) {
    ThreeCubes program;
    ASSERT_TRUE(program.started);
    ProgramRun& run = program.run;
    ASSERT_EQ(program.shownAfterSettling(), "000");
    const Point front = run.view(1).centre();
    run.menu(front, 0, 2);
    EXPECT_EQ(program.shownAfterSettling(), "001");
    run.menu(front, 0, 0);
    EXPECT_EQ(program.shownAfterSettling(), "101");
    run.menu(front, 0, 1);
    EXPECT_EQ(program.shownAfterSettling(), "111");

    run.click(program.panelAt(82, 15));  // "New"
    ASSERT_EQ(program.shownAfterSettling(), "000");
    const auto chooseItem = [&](int item) {
        run.click(program.panelAt(105, 134));  // opens the "Add :" list
        run.settle();
        run.click(program.panelAt(90, 156 + 18 * item));
    };
    chooseItem(3);
    EXPECT_EQ(program.shownAfterSettling(), "001");
    chooseItem(1);
    EXPECT_EQ(program.shownAfterSettling(), "101");
    chooseItem(2);
    EXPECT_EQ(program.shownAfterSettling(), "111");
    EXPECT_TRUE(run.running());
}

// The perspective view's own "Lighting" entry, picked in the real menu, switches its lighting off
// (flat faces with black edges) and on again; the panel's check box is left as it was.
TEST(PopupEntriesE2E, LightingEntrySwitchesThePerspectiveViewOffAndOn) {
    ThreeCubes program;
    ASSERT_TRUE(program.started);
    ProgramRun& run = program.run;
    run.menu(run.view(1).centre(), 0, 2);
    const ScreenRect perspective = run.view(3);
    const Point resetView = program.panelAt(82, 15 + 23);
    const auto blackAfterRedraw = [&] {
        run.settle();
        run.click(resetView);  // redraws every view; the entry itself asks for no redraw
        run.settle();
        return run.screenshot().count(perspective, isBlack);
    };
    ASSERT_EQ(blackAfterRedraw(), 0);
    const Point lighting = program.panelAt(15, 162);
    const Rgb ticked = run.pixel(lighting);

    run.menu(perspective.centre(), 3);
    EXPECT_GT(blackAfterRedraw(), 50) << "no black edges: lighting is still on";
    const Screenshot off = run.screenshot();
    const Point c = perspective.centre();
    const Rgb face = off.at(c.x + 5, c.y + 5);
    EXPECT_EQ(off.at(c.x - 10, c.y + 12), face);  // one flat colour
    EXPECT_EQ(off.at(lighting), ticked) << "the check box changed";

    run.menu(perspective.centre(), 3);
    EXPECT_EQ(blackAfterRedraw(), 0) << "lighting did not come back";
    EXPECT_TRUE(run.running());
}

}  // namespace
