#include <gtest/gtest.h>

#include <optional>

#include "support/harness.h"

namespace {

bool isWhite(Rgb c) {
    return c.r > 200 && c.g > 200 && c.b > 200;
}
bool isRed(Rgb c) {
    return c.r > 200 && c.g < 60 && c.b < 60;
}

// The screen point of view coordinates (right, up) in an orthographic view at home: the view box
// spans -2..2 on both axes, stretched over the view's width and height.
Point at(const ScreenRect& view, double right, double up) {
    return {view.x + static_cast<int>((right + 2) / 4 * view.width),
            view.y + static_cast<int>((2 - up) / 4 * view.height)};
}

// The pixel nearest to `p` along its row (within 4 pixels) that passes `test`.
std::optional<Point> nearestInRow(const Screenshot& shot, Point p, bool (*test)(Rgb)) {
    for (int d = 0; d <= 4; ++d) {
        for (int x : {p.x - d, p.x + d}) {
            if (test(shot.at(x, p.y))) {
                return Point{x, p.y};
            }
        }
    }
    return std::nullopt;
}

// Rightmost column of `rect` that holds a pixel passing `test`, or -1.
int rightmost(const Screenshot& shot, const ScreenRect& rect, bool (*test)(Rgb)) {
    for (int x = rect.x + rect.width - 1; x >= rect.x; --x) {
        for (int y = rect.y; y < rect.y + rect.height; ++y) {
            if (test(shot.at(x, y))) {
                return x;
            }
        }
    }
    return -1;
}

// A running program with a cube of side 1 in its model folder.
struct Editor {
    ProgramRun run;
    bool started = false;

    Editor() {
        run.writeModel("cube.wrl", cubeModel(0.5));
        started = run.start();
    }
    ScreenRect front() const { return run.view(1); }
    // Adds a cube through the front view's "Add Object" menu; true once the cube's left edge
    // shows in the front view.
    bool addCube(int cubesBefore = 0) {
        run.menu(front().centre(), 0, 0);
        const bool shown = waitUntil(
            [&] {
                return nearestInRow(run.screenshot(), at(front(), -0.5, 0.25), isWhite).has_value();
            },
            milliseconds(5000));
        if (cubesBefore == 0) {
            return shown;
        }
        run.settle();
        return true;
    }
    // An edge pixel passing `test` near view coordinates (right, up) of the front view.
    // Waits for it: under load the program may draw the input's effect only a while later.
    std::optional<Point> edge(double right, double up, bool (*test)(Rgb) = isWhite) {
        run.settle();
        std::optional<Point> found;
        waitUntil(
            [&] {
                found = nearestInRow(run.screenshot(), at(front(), right, up), test);
                return found.has_value();
            },
            milliseconds(5000));
        return found;
    }
    // Waits for the pixel at p to pass `test` (the program draws after the input arrives).
    bool becomes(Point p, bool (*test)(Rgb)) {
        return waitUntil([&] { return test(run.pixel(p)); }, milliseconds(5000));
    }
    bool redAt(Point p) { return becomes(p, isRed); }
    bool whiteAt(Point p) { return becomes(p, isWhite); }
};

TEST(InteractE2E, SelectAnObjectByItsEdgeAndDragItInTheFrontView) {
    Editor editor;
    ASSERT_TRUE(editor.started);
    ProgramRun& run = editor.run;
    ASSERT_TRUE(editor.addCube())
        << "the new cube's left edge is not drawn where the camera puts it";
    const std::optional<Point> edge = editor.edge(-0.5, 0.25);
    ASSERT_TRUE(edge);

    run.click(*edge);
    EXPECT_TRUE(editor.redAt(*edge)) << run.pixel(*edge);

    const ScreenRect top = run.view(2);
    const ScreenRect side = run.view(0);
    const Screenshot before = run.screenshot();
    const int topRight = rightmost(before, top, isRed);
    ASSERT_GT(topRight, 0);

    run.move(*edge);
    run.key("i");
    run.drag(*edge, {edge->x + 50, edge->y}, 10);
    // 0.01 world units per pixel: the cube's right edge goes from x = 0.5 to x = 1.
    const std::optional<Point> moved = editor.edge(1.0, 0.25, isRed);
    EXPECT_TRUE(moved) << "the right edge is not at x = 1 in the front view";

    // 50 pixels are half a world unit along X: an eighth of the top view's width.
    const Screenshot after = run.screenshot();
    const int shift = rightmost(after, top, isRed) - topRight;
    EXPECT_NEAR(shift, top.width / 8.0, 4);
    EXPECT_FALSE(isRed(after.at(*edge)));
    // Along the side view's own axis nothing changes.
    EXPECT_EQ(before.count(side, isRed), after.count(side, isRed));
    EXPECT_TRUE(run.running());
}

TEST(InteractE2E, ModifierClicksFollowTheSelectionRules) {
    Editor editor;
    ASSERT_TRUE(editor.started);
    ProgramRun& run = editor.run;
    ASSERT_TRUE(editor.addCube());
    ASSERT_TRUE(editor.addCube(1));
    // Both cubes stand at the origin: the one drawn last (B) is picked. Z twice moves it by +1.
    const std::optional<Point> shared = editor.edge(-0.5, 0.25);
    ASSERT_TRUE(shared);
    run.click(*shared);
    ASSERT_TRUE(editor.redAt(*shared));
    run.key("Z");
    run.key("Z");
    const std::optional<Point> a = editor.edge(-0.5, 0.25);
    const std::optional<Point> b = editor.edge(1.5, 0.25, isRed);
    ASSERT_TRUE(a) << "cube A should be white at its left edge";
    ASSERT_TRUE(b) << "cube B should be red at its right edge, one unit to the right";

    const Point empty = at(editor.front(), -1.5, -1.5);

    run.click(*a);  // plain click: A alone
    EXPECT_TRUE(editor.redAt(*a));
    EXPECT_TRUE(editor.whiteAt(*b));

    run.click(*b, 1, {"ctrl"});  // Ctrl adds B
    EXPECT_TRUE(editor.redAt(*a));
    EXPECT_TRUE(editor.redAt(*b));

    run.click(empty, 1, {"ctrl"});   // Ctrl on empty space keeps the Selection
    run.click(empty, 1, {"shift"});  // Shift and Alt alone never pick
    run.click(empty, 1, {"alt"});
    run.settle();
    EXPECT_TRUE(editor.redAt(*a));
    EXPECT_TRUE(editor.redAt(*b));

    run.click(empty, 1, {"ctrl", "shift"});  // other sums clear on a miss
    EXPECT_TRUE(editor.whiteAt(*a));
    EXPECT_TRUE(editor.whiteAt(*b));

    run.click(*b, 1, {"shift", "ctrl"});  // and add on a hit
    EXPECT_TRUE(editor.redAt(*b));
    run.click(empty);  // a plain click on empty space empties it
    EXPECT_TRUE(editor.whiteAt(*b));
    EXPECT_TRUE(run.running());
}

TEST(InteractE2E, EscapeEndsWithStatusOneWhileObjectsAreSelected) {
    Editor editor;
    ASSERT_TRUE(editor.started);
    ProgramRun& run = editor.run;
    ASSERT_TRUE(editor.addCube());
    const std::optional<Point> edge = editor.edge(-0.5, 0.25);
    ASSERT_TRUE(edge);
    run.click(*edge);
    ASSERT_TRUE(editor.redAt(*edge));
    run.move(run.view(2).centre());
    run.key("Escape");
    EXPECT_EQ(run.waitForExit(), 1);
}

}  // namespace
