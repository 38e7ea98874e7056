#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/harness.h"
#include "support/view_pixels.h"

namespace {

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

// A running program with a cube of side 1 in its model folder (model 0), and another model
// when one is given.
struct Editor {
    ProgramRun run;
    bool started = false;

    explicit Editor(const std::string& otherName = {}, const std::string& other = {}) {
        run.writeModel("cube.wrl", cubeModel(0.5));
        if (!otherName.empty()) {
            run.writeModel(otherName, other);
        }
        started = run.start();
    }
    ScreenRect front() const { return run.view(1); }
    // Adds a cube through the front view's "Add Object" menu; true once the cube's left edge
    // shows in the front view.
    bool addCube(int cubesBefore = 0) {
        run.menu(front().centre(), 0, 0);
        const bool shown = waitUntil(
            [&] {
                return nearestInRow(run.screenshot(), viewPoint(front(), -0.5, 0.25), isWhite)
                    .has_value();
            },
            PROGRAM_RESPONSE);
        if (cubesBefore == 0) {
            return shown;
        }
        run.settle();
        return true;
    }
    // An edge pixel passing `test` near view coordinates (right, up) of the front view, whose
    // box spans -half..half. Waits for it: under load the program may draw the input's effect
    // only a while later.
    std::optional<Point> edge(double right, double up, bool (*test)(Rgb) = isWhite,
                              double half = 2) {
        run.settle();
        std::optional<Point> found;
        waitUntil(
            [&] {
                found = nearestInRow(run.screenshot(), viewPoint(front(), right, up, half), test);
                return found.has_value();
            },
            PROGRAM_RESPONSE);
        return found;
    }
    // Waits for the pixel at p to pass `test` (the program draws after the input arrives).
    bool becomes(Point p, bool (*test)(Rgb)) {
        return waitUntil([&] { return test(run.pixel(p)); }, PROGRAM_RESPONSE);
    }
    bool redAt(Point p) { return becomes(p, isRed); }
    bool whiteAt(Point p) { return becomes(p, isWhite); }
    // Clicks the cube's left edge in the front view: the edge, once it shows red.
    std::optional<Point> selectCube() {
        const std::optional<Point> left = edge(-0.5, 0.25);
        if (!left) {
            return std::nullopt;
        }
        run.click(*left);
        return redAt(*left) ? left : std::nullopt;
    }
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

    const Point empty = viewPoint(editor.front(), -1.5, -1.5);

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
    const std::optional<Point> edge = editor.selectCube();
    ASSERT_TRUE(edge);
    run.move(run.view(2).centre());
    run.key("Escape");
    EXPECT_EQ(run.waitForExit(), 1);
}

// A ball of 2 n² triangles: drawing a few of them keeps the program busy for a while.
std::string denseBall(int n, double radius, double x, double y) {
    std::ostringstream out;
    out << "#VRML V2.0 utf8\nShape { geometry IndexedFaceSet {\n coord Coordinate { point [\n";
    for (int i = 0; i <= n; ++i) {
        for (int j = 0; j <= n; ++j) {
            const double u = M_PI * i / n, v = 2 * M_PI * j / n;
            out << x + radius * std::sin(u) * std::cos(v) << ' ' << y + radius * std::cos(u) << ' '
                << radius * std::sin(u) * std::sin(v) << ",\n";
        }
    }
    out << " ] }\n coordIndex [\n";
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const int a = i * (n + 1) + j, b = a + 1, c = a + n + 1, d = c + 1;
            out << a << ", " << b << ", " << d << ", -1, " << a << ", " << d << ", " << c
                << ", -1,\n";
        }
    }
    out << " ]\n} }\n";
    return out.str();
}

std::string point(Point p) {
    return std::to_string(p.x) + " " + std::to_string(p.y);
}

// Waits until the program has handled and drawn all input given so far: an orbit of the
// perspective view shows once everything asked before it is drawn, and the program then waits
// for input with nothing left to draw.
bool catchUp(ProgramRun& run) {
    const ScreenRect perspective = run.view(3);
    const Point p = perspective.centre();
    const std::vector<uint32_t> start = run.pixelsOf(perspective);
    run.move(p);
    run.xdotool("mousedown 1 mousemove " + point(Point{p.x + 5, p.y}) + " mouseup 1");
    if (!waitUntil([&] { return run.pixelsOf(perspective) != start; }, milliseconds(60000))) {
        return false;
    }
    run.settle();
    return true;
}

// Types `key`, a command that moves the selection and so redraws every view, which keeps the
// program busy, and while it draws gives the input `whileBusy` (xdotool commands) to the view
// under the pointer; then waits until the program has caught up. True when that input was
// complete, modifier keys released, before the redraw was: the perspective view, which draws
// last, still showed its old picture once the input's last event had reached the X server.
bool giveWhileBusy(ProgramRun& run, Point pointer, const std::string& key,
                   const std::string& whileBusy) {
    if (!catchUp(run)) {
        return false;
    }
    const ScreenRect perspective = run.view(3);
    const std::vector<uint32_t> before = run.pixelsOf(perspective);
    run.move(pointer);
    run.xdotool("key " + key + " sleep 0.1 " + whileBusy);
    const bool queued = run.pixelsOf(perspective) == before;
    return catchUp(run) && queued;
}

TEST(InteractE2E, KeysReleasedBeforeABusyProgramHandlesThePressStillCount) {
    Editor editor("dense.wrl", denseBall(300, 0.3, 1.4, 1.4));
    ASSERT_TRUE(editor.started);
    ProgramRun& run = editor.run;
    ASSERT_TRUE(editor.addCube());
    // The first instance waits until its first drawing is done (the ball shows), the others
    // need not: what they leave to draw only makes the program busier.
    run.menu(editor.front().centre(), 0, 1);
    const Point ball = viewPoint(editor.front(), 1.4, 1.4);
    ASSERT_TRUE(waitUntil(
        [&] {
            return run.screenshot().count({ball.x - 5, ball.y - 5, 11, 11}, isWhite) > 10;
        },
        milliseconds(120000)));
    for (int i = 0; i < 3; ++i) {
        run.menu(editor.front().centre(), 0, 1);
    }
    ASSERT_TRUE(catchUp(run));
    const std::optional<Point> edge = editor.selectCube();
    ASSERT_TRUE(edge);
    const Point empty = viewPoint(editor.front(), -1.5, -1.5);

    // A Ctrl-click on empty space keeps the Selection; a plain one would empty it. "z" moves the
    // cube half a unit left.
    ASSERT_TRUE(giveWhileBusy(run, empty, "z", "keydown ctrl click 1 keyup ctrl"))
        << "the program was not busy: the click was not queued behind the redraw";
    EXPECT_TRUE(editor.edge(-1.0, 0.25, isRed)) << "the Ctrl-click acted as a plain click";

    // A Shift-drag upwards zooms the front view in (0.05 a pixel: 10 pixels halve the box); a
    // plain press would empty the Selection and the drag would do nothing. "Z" moves the cube
    // back.
    const Point above{empty.x, empty.y - 10};
    ASSERT_TRUE(giveWhileBusy(
        run, empty, "Z",
        "keydown shift mousedown 1 mousemove " + point(above) + " mouseup 1 keyup shift"))
        << "the program was not busy: the drag was not queued behind the redraw";
    EXPECT_TRUE(editor.edge(-0.5, 0.25, isRed, 1)) << "the Shift-drag did not zoom";
    EXPECT_TRUE(run.running());
}

TEST(InteractE2E, CapsLockNeitherZoomsNorKeepsTheSelection) {
    Editor editor;
    ASSERT_TRUE(editor.started);
    ProgramRun& run = editor.run;
    ASSERT_TRUE(editor.addCube());
    const std::optional<Point> edge = editor.selectCube();
    ASSERT_TRUE(edge);
    run.key("i");  // Translate, before Caps Lock changes what the letter keys type
    run.key("Caps_Lock");

    // A plain drag moves the selected cube 0.01 a pixel: 50 pixels right are half a unit. With
    // Caps Lock taken for Shift it would zoom instead.
    run.drag(*edge, {edge->x + 50, edge->y}, 10);
    run.settle();
    EXPECT_TRUE(editor.edge(1.0, 0.25, isRed)) << "the right edge is not at x = 1";

    // A plain click on empty space empties the Selection; a Shift-click would keep it.
    run.key("Caps_Lock");
    run.key("u");  // Select
    run.key("Caps_Lock");
    run.click(viewPoint(editor.front(), -1.5, -1.5));
    run.settle();
    EXPECT_TRUE(editor.edge(1.0, 0.25, isWhite))
        << "the click with Caps Lock on kept the Selection";
    run.key("Caps_Lock");
    EXPECT_TRUE(run.running());
}

}  // namespace
