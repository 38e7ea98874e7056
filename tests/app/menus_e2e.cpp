#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/harness.h"
#include "support/panel_spots.h"

namespace {

namespace fs = std::filesystem;

bool isBlack(Rgb c) {
    return c.r < 30 && c.g < 30 && c.b < 30;
}
bool isWhite(Rgb c) {
    return c.r > 230 && c.g > 230 && c.b > 230;
}
bool isDisabledText(Rgb c) {
    return c.near(Rgb{153, 153, 153}, 6);
}
bool isHoverHighlight(Rgb c) {
    return c.b > 200 && c.r < 170 && c.b - c.r > 60;
}

void expectInsideScreen(const std::vector<ScreenRect>& menus, const ProgramRun& run) {
    const Screenshot screen = run.screenshot();
    for (const ScreenRect& r : menus) {
        EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.width <= screen.width &&
                    r.y + r.height <= screen.height)
            << "menu at " << r.x << "," << r.y << " size " << r.width << "x" << r.height;
    }
}

// A click into the gap left of the views closes an open menu and does nothing else.
void closeMenus(ProgramRun& run) {
    run.click({run.mainWindow().x + 2, run.mainWindow().y + 150});
    run.settle();
}

// A point well inside the bottom-right corner of a view: menus opened there have the least room.
Point nearBottomRight(const ScreenRect& view) {
    return {view.x + view.width - 8, view.y + view.height - 8};
}

// The cube of side 1 that the test adds last stands out in the front view: its right edge, half
// a unit right of the centre, where the small cubes of the other models never reach.
int bigCubeEdgePixels(const ProgramRun& run) {
    const ScreenRect front = run.view(1);
    const ScreenRect column{front.centre().x + front.width / 8 - 1, front.centre().y - 10, 3, 21};
    return run.screenshot().count(column, isWhite);
}

// Adds the last model through the pop-up menu of the perspective view, opened near its
// bottom-right corner, following `path`; every menu window on the way lies inside the screen.
void expectLastModelAddedThrough(ProgramRun& run, const std::vector<int>& path) {
    const auto menus = run.menuPath(nearBottomRight(run.view(3)), path);
    ASSERT_EQ(menus.size(), path.size()) << "a sub-menu did not open";
    expectInsideScreen(menus, run);
    EXPECT_TRUE(waitUntil([&] { return bigCubeEdgePixels(run) > 15; }, PROGRAM_RESPONSE))
        << "the last model was not added";
}

// Writes small cubes under the given names, and the cube of side 1 under the last one.
void writeLibrary(const ProgramRun& run, const std::vector<std::string>& names) {
    const std::string small = cubeModel(0.05), big = cubeModel(0.5);
    for (size_t i = 0; i < names.size(); ++i) {
        run.writeModel(names[i], i + 1 == names.size() ? big : small);
    }
}

std::string programStderr(const ProgramRun& run) {
    std::ifstream in(run.stderrPath(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Checks the menus and the "Add :" list of a program that has no model: both say so, and
// choosing what they show adds nothing and leaves the program running.
void expectMenusAndListSayThereAreNoModels(ProgramRun& run) {
    const ScreenRect front = run.view(1);
    const Screenshot before = run.screenshot();

    const auto menus = run.menuPath(front.centre(), {0, 0});  // "Add Object", its only entry
    ASSERT_EQ(menus.size(), 2u) << "the \"Add Object\" sub-menu did not open";
    EXPECT_EQ(menus[1].height, 25 + 4) << "one entry";
    EXPECT_GT(menus[1].width, 100) << "an entry that says something";
    run.settle();
    EXPECT_TRUE(run.shownMenus().empty());
    ASSERT_TRUE(run.running());

    PanelSpots spots{run.panel()};
    run.click(spots.addList());
    // Below "Add Object", a greyed line says that there are no models; clicking it does nothing.
    const Point note = spots.addListItem(1);
    EXPECT_TRUE(waitUntil(
        [&] {
            return run.screenshot().count({note.x - 80, note.y - 6, 150, 12}, isDisabledText) > 40;
        },
        PROGRAM_RESPONSE));
    run.click(note);
    run.settle();
    run.click(spots.at(80, 560));  // an empty part of the panel closes the list
    run.settle();
    ASSERT_TRUE(run.running());

    const Screenshot after = run.screenshot();
    for (int i = 0; i < 4; ++i) {
        const ScreenRect v = run.view(i);
        EXPECT_EQ(before.count(v, isWhite), after.count(v, isWhite)) << "view " << i;
    }
    EXPECT_EQ(programStderr(run).find("X error"), std::string::npos);
}

TEST(MenusE2E, WithoutAModelFolderMenusAndListSaySoAndQuitEndsWith205) {
    ProgramRun run;
    fs::remove(run.folder / "VRMLmodels");
    ASSERT_TRUE(run.start());
    expectMenusAndListSayThereAreNoModels(run);
    run.click(PanelSpots{run.panel()}.button(4));  // Quit
    EXPECT_EQ(run.waitForExit(milliseconds(5000)), 205);
}

TEST(MenusE2E, WithAnEmptyModelFolderMenusAndListSaySoAndQuitEndsWith205) {
    ProgramRun run;
    ASSERT_TRUE(run.start());
    expectMenusAndListSayThereAreNoModels(run);
    run.click(PanelSpots{run.panel()}.button(4));
    EXPECT_EQ(run.waitForExit(milliseconds(5000)), 205);
}

TEST(MenusE2E, WithOnlyUnreadableModelsMenusAndListSaySoAndClosingEndsWithZero) {
    ProgramRun run;
    fs::create_directory(run.folder / "VRMLmodels" / "folder.wrl");  // cannot be read as a file
    run.launch();
    std::optional<unsigned long> box;
    ASSERT_TRUE(waitUntil([&] { return (box = run.findWindow("Error")).has_value(); },
                          milliseconds(20000)));
    run.settle();
    run.move(run.windowRect(*box).value_or(ScreenRect{}).centre());
    run.key("Return");
    ASSERT_TRUE(waitUntil([&] { return run.subWindows().size() >= 5; }, milliseconds(20000)));
    run.settle();
    expectMenusAndListSayThereAreNoModels(run);
    run.requestClose();
    EXPECT_EQ(run.waitForExit(milliseconds(5000)), 0);
}

TEST(MenusE2E, ASubMenuShowsItsEntriesTheFirstTimeItOpens) {
    ProgramRun run;
    run.copyExampleModels();
    ASSERT_TRUE(run.start());
    // The pointer rests on "Add Object" and never enters the sub-menu, which would redraw it.
    const auto menus = run.openMenuPath(run.view(1).centre(), {0});
    ASSERT_EQ(menus.size(), 2u);
    run.settle();
    const ScreenRect sub = menus[1];
    const Screenshot shot = run.screenshot();
    EXPECT_LT(shot.count(sub, isBlack), sub.width * sub.height / 4)
        << "the sub-menu is still black";
    closeMenus(run);
}

// Opens the "Add :" list and reads its items from the top, each as the picture of its rows:
// hovering an item highlights exactly the rows it takes.
std::vector<std::vector<uint32_t>> listItemPictures(ProgramRun& run, const PanelSpots& spots,
                                                    int count) {
    run.click(spots.addList());
    run.settle();
    std::vector<std::vector<uint32_t>> pictures;
    const int left = spots.panel.x + 3, width = spots.panel.width - 6;
    int y = spots.addListItem(0).y;
    for (int i = 0; i < count; ++i) {
        run.move({left + width / 2, y});
        run.settle();
        const Screenshot shot = run.screenshot();
        int top = y, bottom = y;
        const auto highlighted = [&](int row) {
            return shot.count({left, row, width, 1}, isHoverHighlight) > width / 3;
        };
        if (!highlighted(y)) {
            break;
        }
        while (highlighted(top - 1)) {
            --top;
        }
        while (highlighted(bottom + 1)) {
            ++bottom;
        }
        std::vector<uint32_t> picture;
        for (int row = top; row <= bottom; ++row) {
            for (int x = left; x < left + width; ++x) {
                picture.push_back(isBlack(shot.at(x, row)) ? 1 : 0);
            }
        }
        pictures.push_back(std::move(picture));
        y = bottom + 4;
    }
    run.click(spots.at(80, 560));  // an empty part of the panel closes the list
    run.settle();
    return pictures;
}

void expectDistinctItems(const std::vector<std::vector<uint32_t>>& pictures, size_t atLeast) {
    EXPECT_GE(pictures.size(), atLeast);
    for (size_t i = 0; i < pictures.size(); ++i) {
        for (size_t j = i + 1; j < pictures.size(); ++j) {
            EXPECT_FALSE(pictures[i] == pictures[j])
                << "list items " << i << " and " << j << " look alike";
        }
    }
}

TEST(MenusE2E, LongNamesStayInsideTheScreenAndTheLastCanBeAdded) {
    ProgramRun run;
    std::vector<std::string> names;
    for (int i = 0; i < 59; ++i) {
        char name[80];
        std::snprintf(name, sizeof name,
                      "assembly_of_the_main_gearbox_housing_left_side_part_%02d.wrl", i);
        names.push_back(name);
    }
    names.push_back(std::string(251, 'z') + ".wrl");  // the longest name a file can have, last
    writeLibrary(run, names);
    ASSERT_TRUE(run.start());

    // The first group, from the top-left corner of the side view.
    const auto firstGroup = run.openMenuPath({run.view(0).x + 8, run.view(0).y + 8}, {0, 0});
    EXPECT_EQ(firstGroup.size(), 3u);
    expectInsideScreen(firstGroup, run);
    closeMenus(run);

    EXPECT_EQ(bigCubeEdgePixels(run), 0);
    expectLastModelAddedThrough(run, {0, -1, -1});  // "Add Object" > last group > last model

    expectDistinctItems(listItemPictures(run, PanelSpots{run.panel()}, 6), 5);
    EXPECT_TRUE(run.running());
}

TEST(MenusE2E, TwoThousandModelsStayInsideTheScreenAndTheLastCanBeAdded) {
    ProgramRun run;
    std::vector<std::string> names;
    for (int i = 0; i < 2000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "model-%04d.wrl", i);
        names.push_back(name);
    }
    writeLibrary(run, names);
    ASSERT_TRUE(run.start({}, milliseconds(120000)));

    // "Add Object" > groups of groups > group of models > the model.
    expectLastModelAddedThrough(run, {0, -1, -1, -1});

    expectDistinctItems(listItemPictures(run, PanelSpots{run.panel()}, 6), 6);
    EXPECT_TRUE(run.running());
}

}  // namespace
