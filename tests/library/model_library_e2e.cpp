#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/harness.h"

namespace {

// A model of about 40 MB: its reading takes a while, long enough to cut the file meanwhile.
void writeLargeModel(const std::filesystem::path& path) {
    std::ofstream out(path, std::ios::binary);
    out << "#VRML V2.0 utf8\nShape { geometry IndexedFaceSet {\ncoord Coordinate { point [\n";
    std::string lines;
    for (int i = 0; i < 40000; ++i) {
        lines += std::to_string(i) + ".125 0.5 " + std::to_string(i % 7) + ".25,\n";
    }
    for (int block = 0; block < 40; ++block) {
        out << lines;
    }
    out << "] }\ncoordIndex [ 0, 1, 2, -1, 2, 3, 4, -1 ]\n} }\n";
}

// Whether the process has `path` mapped: the model reader maps a model file while it reads it.
bool mapsFile(pid_t pid, const std::filesystem::path& path) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    const std::string wanted = std::filesystem::canonical(path).string();
    std::string line;
    while (std::getline(maps, line)) {
        if (line.size() >= wanted.size() &&
            line.compare(line.size() - wanted.size(), wanted.size(), wanted) == 0) {
            return true;
        }
    }
    return false;
}

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

TEST(ModelLibraryE2E, ModelCutShortWhileStartUpReadsItIsReportedAndTheProgramRunsOn) {
    // Another process (an editor saving, a copy in progress) cuts a model file short while the
    // program reads it: the pages of the file that are gone may not end the program.
    ProgramRun run;
    run.writeModel("a.wrl", cubeModel());
    const std::filesystem::path big = run.folder / "VRMLmodels" / "big.wrl";
    writeLargeModel(big);
    run.launch();
    const auto deadline = Clock::now() + milliseconds(30000);
    while (!mapsFile(run.program, big) && Clock::now() < deadline) {
        ::usleep(500);
    }
    ASSERT_TRUE(mapsFile(run.program, big)) << "the program never read the large model";
    ASSERT_EQ(::truncate(big.c_str(), 1000), 0);

    std::optional<unsigned long> box;
    waitUntil([&] { return (box = run.findWindow("Error")).has_value() || !run.running(); },
              milliseconds(30000));
    ASSERT_TRUE(box.has_value()) << "no \"Cannot read file\" box; the program "
                                 << (run.running() ? "still runs" : "has ended");
    run.settle();
    const auto rect = run.windowRect(*box);
    ASSERT_TRUE(rect.has_value());
    run.move(rect->centre());
    run.key("Return");
    ASSERT_TRUE(waitUntil([&] { return run.subWindows().size() >= 4; }, milliseconds(20000)));
    EXPECT_FALSE(run.findWindow("Error").has_value());
    EXPECT_TRUE(run.running());
    run.requestClose();
    EXPECT_EQ(run.waitForExit(), 0);
}

}  // namespace
