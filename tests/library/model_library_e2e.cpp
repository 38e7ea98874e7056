#include <gtest/gtest.h>

#include <filesystem>

#include "support/harness.h"

namespace {

bool isWhite(Rgb c) {
    return c.r > 230 && c.g > 230 && c.b > 230;
}

TEST(ModelLibraryE2E, UnreadableModelIsReportedBeforeTheViewsAppear) {
    ProgramRun run;
    run.writeModel("a.wrl", cubeModel());
    std::filesystem::create_directory(run.folder / "VRMLmodels" / "b.wrl");  // cannot be read
    run.writeModel("c.wrl", cubeModel(0.25));
    run.launch();
    std::optional<unsigned long> box;
    ASSERT_TRUE(waitUntil([&] { return (box = run.findWindow("Error")).has_value(); },
                          milliseconds(20000)));
    // While the box is up, start-up waits: no view exists yet.
    EXPECT_TRUE(run.subWindows().empty());
    const auto rect = run.windowRect(*box);
    ASSERT_TRUE(rect.has_value());
    run.settle();
    run.move(rect->centre());
    run.key("Return");  // OK is the default and only button
    ASSERT_TRUE(waitUntil([&] { return run.subWindows().size() >= 4; }, milliseconds(20000)));
    EXPECT_FALSE(run.findWindow("Error").has_value()) << "one box for one unreadable file";
    run.settle();

    // The two readable models are listed in order in the "Add Object" sub-menu.
    run.menu(run.view(1).centre(), 0, 1);  // Add Object > c.wrl
    run.settle();
    const ScreenRect front = run.view(1);
    // c.wrl is the cube of side 0.5 (a.wrl has side 1): its white outline stands a quarter unit
    // from the centre of the front view, and nothing is drawn half a unit out.
    const int unit = front.width / 4;
    const Point c = front.centre();
    const Screenshot shot = run.screenshot();
    EXPECT_GT(shot.count({c.x + unit / 4 - 2, c.y - unit / 8, 5, unit / 4}, isWhite), unit / 8);
    EXPECT_EQ(shot.count({c.x + unit / 2 - 2, c.y - unit / 8, 5, unit / 4}, isWhite), 0);
    EXPECT_TRUE(run.running());
}

}  // namespace
