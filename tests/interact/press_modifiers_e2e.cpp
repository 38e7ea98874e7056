#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/harness.h"

namespace {

bool isWhite(Rgb c) {
    return c.r > 200 && c.g > 200 && c.b > 200;
}
bool isRed(Rgb c) {
    return c.r > 200 && c.g < 60 && c.b < 60;
}

// The screen point of view coordinates (right, up) in an orthographic view whose box spans
// -half..half on both axes (2 at home).
Point at(const ScreenRect& view, double right, double up, double half = 2) {
    return {view.x + static_cast<int>((right + half) / (2 * half) * view.width),
            view.y + static_cast<int>((half - up) / (2 * half) * view.height)};
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

std::string point(Point p) {
    return std::to_string(p.x) + " " + std::to_string(p.y);
}

// A running program with a cube of side 1 (model 0) and, when `heavy`, a dense ball (model 1)
// up and to the right of it.
struct Editor {
    ProgramRun run;
    bool started = false;

    explicit Editor(bool heavy) {
        run.writeModel("cube.wrl", cubeModel(0.5));
        if (heavy) {
            run.writeModel("dense.wrl", denseBall(300, 0.3, 1.4, 1.4));
        }
        started = run.start();
    }
    ScreenRect front() const { return run.view(1); }
    void add(int model) {
        run.menu(front().centre(), 0, model);
        run.settle();
    }
    // An edge pixel passing `test` near view coordinates (right, up) of the front view, once
    // the program has drawn it.
    std::optional<Point> edge(double right, double up, bool (*test)(Rgb), double half = 2) {
        std::optional<Point> found;
        waitUntil(
            [&] {
                found = nearestInRow(run.screenshot(), at(front(), right, up, half), test);
                return found.has_value();
            },
            milliseconds(10000));
        return found;
    }
    // The cube, selected: its left edge, red.
    std::optional<Point> selectCube() {
        const std::optional<Point> edge = this->edge(-0.5, 0.25, isWhite);
        if (edge) {
            run.click(*edge);
        }
        return this->edge(-0.5, 0.25, isRed);
    }
    // Types `key`, a command that moves the selection and so redraws every view, which keeps
    // the program busy, and while it draws gives the input `whileBusy` (xdotool commands) to the
    // view under the pointer. True when that input was complete, modifier keys released, before
    // the redraw was: the perspective view, which draws last, still showed its old picture once
    // the input's last event had reached the X server.
    bool giveWhileBusy(Point pointer, const std::string& key, const std::string& whileBusy) {
        const ScreenRect perspective = run.view(3);
        // First let the program catch up: an orbit shows once everything asked before it is
        // drawn. A redraw still pending from earlier input may show first, so the picture must
        // then stay as it is for a while.
        const Point p = perspective.centre();
        const std::vector<uint32_t> start = run.pixelsOf(perspective);
        run.move(p);
        run.xdotool("mousedown 1 mousemove " + point(Point{p.x + 5, p.y}) + " mouseup 1");
        if (!waitUntil([&] { return run.pixelsOf(perspective) != start; }, milliseconds(60000))) {
            return false;
        }
        std::vector<uint32_t> shown = run.pixelsOf(perspective);
        for (auto stableSince = Clock::now(); Clock::now() - stableSince < milliseconds(2000);) {
            std::this_thread::sleep_for(milliseconds(100));
            std::vector<uint32_t> now = run.pixelsOf(perspective);
            if (now != shown) {
                shown = std::move(now);
                stableSince = Clock::now();
            }
        }
        const std::vector<uint32_t> before = run.pixelsOf(perspective);
        run.move(pointer);
        run.xdotool("key " + key + " sleep 0.1 " + whileBusy);
        return run.pixelsOf(perspective) == before;
    }
};

TEST(PressModifiersE2E, KeysReleasedBeforeABusyProgramHandlesThePressStillCount) {
    Editor editor(true);
    ASSERT_TRUE(editor.started);
    ProgramRun& run = editor.run;
    editor.add(0);
    // The first instance waits until its first drawing is done (the ball shows), the others
    // need not: what they leave to draw only makes the program busier.
    run.menu(editor.front().centre(), 0, 1);
    const Point ball = at(editor.front(), 1.4, 1.4);
    ASSERT_TRUE(waitUntil(
        [&] {
            return run.screenshot().count({ball.x - 5, ball.y - 5, 11, 11}, isWhite) > 10;
        },
        milliseconds(120000)));
    for (int i = 0; i < 3; ++i) {
        run.menu(editor.front().centre(), 0, 1);
    }
    ASSERT_TRUE(editor.selectCube()) << "the cube did not turn red when clicked";
    const Point empty = at(editor.front(), -1.5, -1.5);

    // A Ctrl-click on empty space keeps the Selection; a plain one would empty it. "z" moves the
    // cube half a unit left.
    ASSERT_TRUE(editor.giveWhileBusy(empty, "z", "keydown ctrl click 1 keyup ctrl"))
        << "the program was not busy: the click was not queued behind the redraw";
    EXPECT_TRUE(editor.edge(-1.0, 0.25, isRed)) << "the Ctrl-click acted as a plain click";

    // A Shift-drag upwards zooms the front view in (0.05 a pixel: 10 pixels halve the box); a
    // plain press would empty the Selection and the drag would do nothing. "Z" moves the cube
    // back.
    const Point above{empty.x, empty.y - 10};
    ASSERT_TRUE(editor.giveWhileBusy(
        empty, "Z",
        "keydown shift mousedown 1 mousemove " + point(above) + " mouseup 1 keyup shift"))
        << "the program was not busy: the drag was not queued behind the redraw";
    EXPECT_TRUE(editor.edge(-0.5, 0.25, isRed, 1)) << "the Shift-drag did not zoom";
    EXPECT_TRUE(run.running());
}

TEST(PressModifiersE2E, CapsLockNeitherZoomsNorKeepsTheSelection) {
    Editor editor(false);
    ASSERT_TRUE(editor.started);
    ProgramRun& run = editor.run;
    editor.add(0);
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
    run.click(at(editor.front(), -1.5, -1.5));
    run.settle();
    EXPECT_TRUE(editor.edge(1.0, 0.25, isWhite))
        << "the click with Caps Lock on kept the Selection";
    run.key("Caps_Lock");
    EXPECT_TRUE(run.running());
}

}  // namespace
