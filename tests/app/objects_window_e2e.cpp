// The Objects window in the real program, driven with real X input: opening it from the panel,
// selecting from the list and from the views, typed values written into a saved scene and taken
// back by Undo, an object without triangles, and hiding it with Esc or the window manager.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/dialogs.h"
#include "support/harness.h"
#include "support/panel_spots.h"

namespace {

const char* const TITLE = "Tessaly Objects";
const char* const NOTHING = "#VRML V2.0 utf8\n# nothing yet\n";

bool isRed(Rgb c) {
    return c.r > 200 && c.g < 80 && c.b < 80;
}
bool isWhite(Rgb c) {
    return c.r > 240 && c.g > 240 && c.b > 240;
}
// A selected row is drawn in the list's highlight, a light blue; other rows are grey.
bool isHighlight(Rgb c) {
    return c.b > c.r + 25;
}
bool isText(Rgb c) {
    return c.r < 90 && c.g < 90 && c.b < 90;
}

// Where the Objects window's parts are, from its top-left corner. They follow from its style:
// 13-pixel font (7 pixels a character), 8-pixel padding, 19-pixel frames 4 pixels apart, a
// 400 by 600 window.
struct ObjectsSpots {
    ScreenRect window;
    Point at(int x, int y) const { return {window.x + x, window.y + y}; }
    Point selectAll() const { return at(48, 17); }
    Point selectNone() const { return at(137, 17); }
    Point deleteButton() const { return at(213, 17); }
    Point frameSelected() const { return at(299, 17); }
    // Row i from 0, on the model name's column.
    Point row(int i) const { return at(150, 56 + 17 * i); }
    // A part of row i where no text stands: what shows there is the row's highlight.
    ScreenRect rowSpace(int i) const { return {window.x + 230, window.y + 51 + 17 * i, 60, 10}; }
    // The model name's place in row i.
    ScreenRect rowName(int i) const { return {window.x + 70, window.y + 50 + 17 * i, 80, 12}; }
    // The fields of Move to (0), Turn by (1) and Scale by (2): X, Y, Z (0-2), Apply (3).
    Point typed(int edit, int field) const {
        const int xs[4] = {111, 200, 289, 364};
        return at(xs[field], 490 + 23 * edit);
    }
    Point uniform() const { return at(17, 558); }
    Point quiet() const { return at(200, 595); }  // the message line: nothing to click
};

class ObjectsWindowE2E : public ::testing::Test {
protected:
    ProgramRun run;
    PanelSpots panel;
    ObjectsSpots objects;

    void start() {
        ASSERT_TRUE(run.start());
        panel.panel = run.panel();
    }

    void addModel(int item) {
        run.click(panel.addList());
        run.settle();
        run.click(panel.addListItem(item));
        run.settle();
    }

    void openObjects() {
        run.click(panel.objects());
        std::optional<unsigned long> window;
        ASSERT_TRUE(waitUntil([&] { return (window = run.findWindow(TITLE)).has_value(); }));
        objects.window = run.settledRect(*window);
        ASSERT_EQ(objects.window.width, 400);
        run.settle();
    }

    bool objectsShown() const { return run.findWindow(TITLE).has_value(); }

    void clickRow(int i, const std::vector<std::string>& modifiers = {}) {
        run.click(objects.row(i), 1, modifiers);
        run.move(objects.quiet());  // no hover highlight on the rows
        run.settle();
    }

    std::vector<bool> highlightedRows(int count) const {
        const Screenshot shot = run.screenshot();
        std::vector<bool> rows;
        for (int i = 0; i < count; ++i) {
            const ScreenRect space = objects.rowSpace(i);
            rows.push_back(shot.count(space, isHighlight) > space.width * space.height / 2);
        }
        return rows;
    }

    // Replaces the text of a typed field and confirms it with Return.
    void typeInto(int edit, int field, const std::string& text) {
        run.click(objects.typed(edit, field));
        run.settle();
        run.key("a", {"ctrl"});
        run.type(text);
        run.settle();
    }
    void applyTyped(int edit) {
        run.click(objects.typed(edit, 3));
        run.settle();
    }

    void save(const std::string& name) {
        chooseFile(run, panel.button(3), "Save Scene", name);
        ASSERT_TRUE(
            waitUntil([&] { return std::filesystem::exists(run.folder / (name + ".vsf")); }));
        run.settle();
    }

    // The 16 numbers of each object record of a saved scene (the fifth line on).
    std::vector<std::vector<double>> records(const std::string& name) const {
        std::ifstream in(run.folder / (name + ".vsf"));
        std::string line;
        for (int i = 0; i < 4; ++i) {
            std::getline(in, line);
        }
        std::getline(in, line);
        std::istringstream words(line);
        std::vector<std::vector<double>> result;
        std::string model;
        while (words >> model) {
            std::vector<double> numbers(16);
            for (double& number : numbers) {
                words >> number;
            }
            result.push_back(numbers);
        }
        return result;
    }

    std::string fileText(const std::string& name) const {
        std::ifstream in(run.folder / (name + ".vsf"), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Red pixels in the front view's column at world x (21 pixels around the centre line), and
    // in the columns beside it.
    int redAt(const Screenshot& shot, double worldX) const {
        const ScreenRect front = run.view(1);
        const int x = front.centre().x + static_cast<int>(worldX * front.width / 4);
        return shot.count({x - 1, front.centre().y - 10, 3, 21}, isRed);
    }
    int whiteAt(const Screenshot& shot, double worldX) const {
        const ScreenRect front = run.view(1);
        const int x = front.centre().x + static_cast<int>(worldX * front.width / 4);
        return shot.count({x - 1, front.centre().y - 10, 3, 21}, isWhite);
    }
};

// Four cubes of side 0.5 side by side along X: a.wrl at -1.2, b.wrl at -0.4, c.wrl at 0.4 and
// d.wrl at 1.2. Their left edges stand at x - 0.25.
const double CUBE_X[4] = {-1.2, -0.4, 0.4, 1.2};

TEST_F(ObjectsWindowE2E, RowsSelectTheirObjectsInTheViewsAndPicksShowInTheList) {
    const char* names[4] = {"a.wrl", "b.wrl", "c.wrl", "d.wrl"};
    for (int i = 0; i < 4; ++i) {
        run.writeModel(names[i], cubeModel(0.25, CUBE_X[i]));
    }
    start();
    for (int item = 1; item <= 4; ++item) {
        addModel(item);
    }
    openObjects();
    EXPECT_TRUE(run.running());
    // Every object has its row, in Scene order.
    Screenshot shot = run.screenshot();
    for (int i = 0; i < 4; ++i) {
        EXPECT_GT(shot.count(objects.rowName(i), isText), 10) << i;
    }
    EXPECT_EQ(shot.count(objects.rowName(4), isText), 0);

    auto redObjects = [&] {
        const Screenshot views = run.screenshot();
        std::vector<bool> red;
        for (double x : CUBE_X) {
            red.push_back(redAt(views, x - 0.25) > 10);
        }
        return red;
    };

    clickRow(1);
    EXPECT_EQ(redObjects(), (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(highlightedRows(4), (std::vector<bool>{false, true, false, false}));

    clickRow(3, {"ctrl"});
    EXPECT_EQ(redObjects(), (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(highlightedRows(4), (std::vector<bool>{false, true, false, true}));

    clickRow(1, {"ctrl"});  // out again
    EXPECT_EQ(redObjects(), (std::vector<bool>{false, false, false, true}));

    clickRow(0, {"shift"});  // from the last row clicked (the second) to the first
    EXPECT_EQ(redObjects(), (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(highlightedRows(4), (std::vector<bool>{true, true, false, false}));

    // A pick in the front view on the third cube's left edge: the list follows at once.
    const ScreenRect front = run.view(1);
    Point edge{front.centre().x + static_cast<int>((CUBE_X[2] - 0.25) * front.width / 4) - 3,
               front.centre().y + 10};
    while (edge.x < front.centre().x + front.width / 4 && !isWhite(run.pixel(edge))) {
        ++edge.x;
    }
    run.click(edge);
    run.settle();
    EXPECT_EQ(redObjects(), (std::vector<bool>{false, false, true, false}));
    EXPECT_EQ(highlightedRows(4), (std::vector<bool>{false, false, true, false}));

    run.click(objects.selectAll());
    run.settle();
    EXPECT_EQ(redObjects(), (std::vector<bool>{true, true, true, true}));
    run.click(objects.selectNone());
    run.move(objects.quiet());
    run.settle();
    EXPECT_EQ(redObjects(), (std::vector<bool>{false, false, false, false}));
    EXPECT_EQ(highlightedRows(4), (std::vector<bool>{false, false, false, false}));
    EXPECT_TRUE(run.running());
}

// A cube of side 1 around the origin, moved to (2, 0, 0), turned a quarter about Z and doubled,
// all about its own centre: worked out by hand, the placement is first T(2, 0, 0), then
// T(2, 0, 0) Rz(90), then T(2, 0, 0) Rz(90) S(2).
TEST_F(ObjectsWindowE2E, TypedValuesPlaceTheSelectionAndUndoTakesThemBack) {
    run.writeModel("cube.wrl", cubeModel(0.5));
    start();
    addModel(1);
    openObjects();
    clickRow(0);
    save("start");

    typeInto(0, 0, "2");
    typeInto(0, 1, "0");
    typeInto(0, 2, "0");
    applyTyped(0);
    save("moved");
    typeInto(1, 2, "90");
    run.key("Return");  // Return in a field applies its row
    run.settle();
    save("turned");
    typeInto(2, 0, "2");  // one factor for all three (the box is ticked at first)
    applyTyped(2);
    save("scaled");

    const std::vector<double> moved = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 2, 0, 0, 1};
    const std::vector<double> turned = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 2, 0, 0, 1};
    const std::vector<double> scaled = {0, 2, 0, 0, -2, 0, 0, 0, 0, 0, 2, 0, 2, 0, 0, 1};
    const std::pair<const char*, const std::vector<double>*> expected[3] = {
        {"moved", &moved}, {"turned", &turned}, {"scaled", &scaled}};
    for (const auto& [name, matrix] : expected) {
        const auto saved = records(name);
        ASSERT_EQ(saved.size(), 1u) << name;
        for (int i = 0; i < 16; ++i) {
            EXPECT_NEAR(saved[0][i], (*matrix)[i], 1e-6) << name << " " << i;
        }
    }

    // Undo, three times from the panel: each step gives back the scene as it was saved.
    const PanelSpots& p = panel;
    run.click(p.undo().centre());
    run.settle();
    run.click(p.undo().centre());
    run.settle();
    save("undone-twice");
    EXPECT_EQ(fileText("undone-twice"), fileText("moved"));
    run.click(p.undo().centre());
    run.settle();
    save("undone");
    EXPECT_EQ(fileText("undone"), fileText("start"));

    // A value that is no number, or a factor of 0, changes nothing and the window says why.
    clickRow(0);
    const std::vector<uint32_t> quietLine =
        run.pixelsOf({objects.window.x + 8, objects.window.y + 572, 380, 14});
    typeInto(0, 0, "two");
    applyTyped(0);
    typeInto(2, 0, "0");
    applyTyped(2);
    EXPECT_NE(run.pixelsOf({objects.window.x + 8, objects.window.y + 572, 380, 14}), quietLine);
    save("refused");
    EXPECT_EQ(fileText("refused"), fileText("start"));
    EXPECT_TRUE(run.running());
}

TEST_F(ObjectsWindowE2E, AnObjectWithoutTrianglesIsSelectedAndDeletedFromTheList) {
    run.writeModel("a-left.wrl", cubeModel(0.25, -1));
    run.writeModel("b-empty.wrl", NOTHING);
    run.writeModel("c-right.wrl", cubeModel(0.25, 1));
    start();
    addModel(1);
    addModel(2);
    addModel(3);
    openObjects();
    Screenshot shot = run.screenshot();
    for (int i = 0; i < 3; ++i) {
        EXPECT_GT(shot.count(objects.rowName(i), isText), 10) << i;
    }

    clickRow(1);
    EXPECT_EQ(highlightedRows(3), (std::vector<bool>{false, true, false}));
    shot = run.screenshot();
    EXPECT_EQ(redAt(shot, -1.25) + redAt(shot, 0.75), 0);  // nothing visible turns red

    run.click(objects.deleteButton());
    run.move(objects.quiet());
    run.settle();
    shot = run.screenshot();
    EXPECT_GT(shot.count(objects.rowName(0), isText), 10);
    EXPECT_GT(shot.count(objects.rowName(1), isText), 10);
    EXPECT_EQ(shot.count(objects.rowName(2), isText), 0);  // two rows left
    EXPECT_GT(whiteAt(shot, -1.25), 10);
    EXPECT_GT(whiteAt(shot, 0.75), 10);
    save("left");
    const std::string text = fileText("left");
    EXPECT_NE(text.find("a-left.wrl "), std::string::npos);
    EXPECT_NE(text.find("c-right.wrl "), std::string::npos);
    EXPECT_EQ(text.find("b-empty.wrl"), std::string::npos);
}

TEST_F(ObjectsWindowE2E, FrameSelectedBringsTheSelectionIntoTheViews) {
    run.writeModel("far.wrl", cubeModel(50, 2000, 2000, 2000));
    run.writeModel("near.wrl", cubeModel(0.5));
    start();
    addModel(1);
    addModel(2);
    openObjects();
    clickRow(0);
    // The far cube's outline, red, centred and across nine tenths of the view once framed; out
    // of sight before.
    const ScreenRect front = run.view(1);
    const int reach = front.width * 9 / 20;
    auto outline = [&](const Screenshot& shot) {
        return shot.count({front.centre().x - reach - 1, front.centre().y - 10, 3, 21}, isRed) +
               shot.count({front.centre().x + reach - 1, front.centre().y - 10, 3, 21}, isRed);
    };
    EXPECT_EQ(outline(run.screenshot()), 0);
    run.click(objects.frameSelected());
    run.settle();
    EXPECT_GT(outline(run.screenshot()), 20);
}

// A scene of 300 objects: the list draws the rows in sight, and a pick in a view scrolls the
// picked object's row into sight, highlighted.
TEST_F(ObjectsWindowE2E, APickScrollsItsRowIntoSightInALongList) {
    run.writeModel("cube.wrl", cubeModel(0.25));
    start();
    addModel(1);
    save("one");
    // The saved cameras, then 299 cubes at x = -1 and the last one at x = 1.
    std::ifstream in(run.folder / "one.vsf");
    std::string cameras, line;
    for (int i = 0; i < 4; ++i) {
        std::getline(in, line);
        cameras += line + "\n";
    }
    std::string records;
    for (int i = 0; i < 300; ++i) {
        records +=
            std::string("cube.wrl 1 0 0 0 0 1 0 0 0 0 1 0 ") + (i < 299 ? "-1" : "1") + " 0 0 1 ";
    }
    std::ofstream(run.folder / "many.vsf") << cameras << records << "\n";
    chooseFile(run, panel.button(2), "Load Scene", "many.vsf");
    openObjects();
    const ScreenRect list{objects.window.x + 10, objects.window.y + 50, 380, 370};
    EXPECT_EQ(run.screenshot().count(list, isHighlight), 0);

    const ScreenRect front = run.view(1);
    Point edge{front.centre().x + front.width * 3 / 16 - 3, front.centre().y + 10};
    while (edge.x < front.centre().x + front.width * 5 / 16 && !isWhite(run.pixel(edge))) {
        ++edge.x;
    }
    run.click(edge);
    run.settle();
    const Screenshot shot = run.screenshot();
    EXPECT_GT(redAt(shot, 0.75), 10);
    // One row highlighted, the last one, at the bottom of the list.
    const int highlighted = shot.count(list, isHighlight);
    EXPECT_GT(highlighted, 17 * 200);
    EXPECT_LT(highlighted, 17 * 380);
    EXPECT_EQ(shot.count({list.x, list.y, list.width, list.height - 30}, isHighlight), 0);
}

TEST_F(ObjectsWindowE2E, EscAndClosingHideTheWindowKeysNeverReachTheViews) {
    run.writeModel("cube.wrl", cubeModel(0.25));
    start();
    addModel(1);
    openObjects();
    clickRow(0);
    const Screenshot before = run.screenshot();
    const int red = redAt(before, -0.25);
    ASSERT_GT(red, 10);

    // "z" in a view moves the selection; typed into the Objects window it does nothing there.
    run.move(objects.quiet());
    run.key("z");
    run.settle();
    EXPECT_EQ(redAt(run.screenshot(), -0.25), red);

    run.key("Escape");
    ASSERT_TRUE(waitUntil([&] { return !objectsShown(); }));
    run.settle();
    EXPECT_TRUE(run.running());

    // Open again: the same window comes back, and "Objects" brings it in front of the main
    // window when it lies behind; then the window manager closes it.
    openObjects();
    EXPECT_TRUE(objectsShown());
    const unsigned long mainWindow = *run.findWindow("Tessaly");
    ASSERT_TRUE(run.xdotool("windowraise " + std::to_string(mainWindow)));
    ASSERT_TRUE(waitUntil([&] { return run.stacksAbove(mainWindow, *run.findWindow(TITLE)); }));
    openObjects();
    EXPECT_TRUE(run.stacksAbove(*run.findWindow(TITLE), mainWindow));
    run.requestClose(TITLE);
    ASSERT_TRUE(waitUntil([&] { return !objectsShown(); }));
    run.settle();
    EXPECT_TRUE(run.running());
    EXPECT_EQ(redAt(run.screenshot(), -0.25), red);

    // And once more, in a new window, which works as before.
    openObjects();
    run.click(objects.selectNone());
    run.settle();
    EXPECT_EQ(redAt(run.screenshot(), -0.25), 0);
    EXPECT_GT(whiteAt(run.screenshot(), -0.25), 10);

    run.key("Escape");  // Esc in the Objects window never ends Tessaly
    ASSERT_TRUE(waitUntil([&] { return !objectsShown(); }));
    EXPECT_TRUE(run.running());
    run.move(run.view(1).centre());
    run.key("Escape");  // in a view it does, as always
    EXPECT_EQ(run.waitForExit(), 1);
}

}  // namespace
