#include <gtest/gtest.h>

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
    const Screenshot turned = run.screenshot();
    auto differing = [&](const Screenshot& a, const Screenshot& b) {
        int count = 0;
        for (int y = perspective.y; y < perspective.y + perspective.height; ++y) {
            for (int x = perspective.x; x < perspective.x + perspective.width; ++x) {
                count += a.at(x, y) == b.at(x, y) ? 0 : 1;
            }
        }
        return count;
    };
    EXPECT_GT(differing(before, turned), 100);

    run.click(spots.button(1));  // "Reset View"
    run.settle();
    EXPECT_EQ(differing(before, run.screenshot()), 0);
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
