// The full reading end to end: the real program with --full-vrml draws every part of a
// multi-shape model where its transforms put it; start-up says which models read no triangle and
// which fell back; --help, unknown options and --list-models need no display at all.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/command_run.h"
#include "support/harness.h"
#include "support/panel_spots.h"

namespace {

namespace fs = std::filesystem;

// Three unit squares in the z = 0 plane, centred at (-1, 1), (1, 1) and (0, -1): the first under
// one transform, the second under two nested ones and written with glued brackets, the third the
// first used again. The classic reading takes the first square's lists alone, untransformed: a
// square centred at the origin.
const char* const THREE_PARTS = R"(#VRML V2.0 utf8
Transform {
  translation -1 1 0
  children [
    DEF SQUARE Shape {
      geometry IndexedFaceSet {
        coord Coordinate { point [ -0.5 -0.5 0, 0.5 -0.5 0, 0.5 0.5 0, -0.5 0.5 0 ] }
        coordIndex [ 0, 1, 2, 3, -1 ]
      }
    }
  ]
}
Transform { translation 1 0 0 children Transform { translation 0 1 0 children Shape {
  geometry IndexedFaceSet{coord Coordinate{point[-0.5 -0.5 0,0.5 -0.5 0,0.5 0.5 0,-0.5 0.5 0]}
  coordIndex[0,1,2,3,-1]} } } }
Transform { translation 0 -1 0 children USE SQUARE }
)";

const char* const NOTHING = "#VRML V2.0 utf8\n# nothing yet\n";

// The classic reading takes its lists; the parser stops at the unknown node.
const char* const UNKNOWN_NODE =
    "#VRML V2.0 utf8\nHologram { }\nShape { geometry IndexedFaceSet {\n"
    "coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] }\ncoordIndex [ 0, 1, 2, -1 ] } }\n";

bool isWhite(Rgb c) {
    return c.r > 230 && c.g > 230 && c.b > 230;
}

// Where the world point (x, y, 0) appears in the front view at its start-up camera, which shows
// 4 by 4 units around the origin, x to the right and y up.
Point frontViewPoint(const ScreenRect& front, double x, double y) {
    const Point c = front.centre();
    return {c.x + static_cast<int>(x * front.width / 4),
            c.y - static_cast<int>(y * front.height / 4)};
}

// White pixels near the world point in the front view.
int whiteNear(const Screenshot& shot, const ScreenRect& front, double x, double y) {
    const Point p = frontViewPoint(front, x, y);
    return shot.count({p.x - 3, p.y - 3, 7, 7}, isWhite);
}

// Both vertical edges of the unit square centred at (x, y), a quarter above its middle (clear of
// the grid line and of the fan's diagonal).
int squareEdgesDrawn(const Screenshot& shot, const ScreenRect& front, double x, double y) {
    return (whiteNear(shot, front, x - 0.5, y + 0.25) > 0 ? 1 : 0) +
           (whiteNear(shot, front, x + 0.5, y + 0.25) > 0 ? 1 : 0);
}

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Starts with the given arguments, adds model `index` through the front view's pop-up menu and
// takes a picture once the program has drawn it.
Screenshot placeModel(ProgramRun& run, const std::vector<std::string>& arguments, int index) {
    EXPECT_TRUE(run.start(arguments));
    run.menu(run.view(1).centre(), 0, index);  // Add Object > model
    run.settle();
    return run.screenshot();
}

TEST(FullVrmlE2E, EveryPartIsDrawnWhereItsTransformsPutIt) {
    ProgramRun run;
    run.writeModel("empty.wrl", NOTHING);
    run.writeModel("parts.wrl", THREE_PARTS);
    run.writeModel("unknown.wrl", UNKNOWN_NODE);
    const Screenshot shot = placeModel(run, {"--full-vrml"}, 1);
    const ScreenRect front = run.view(1);
    EXPECT_EQ(squareEdgesDrawn(shot, front, -1, 1), 2) << "the first part";
    EXPECT_EQ(squareEdgesDrawn(shot, front, 1, 1), 2) << "the part under nested transforms";
    EXPECT_EQ(squareEdgesDrawn(shot, front, 0, -1), 2) << "the first part used again";
    EXPECT_EQ(squareEdgesDrawn(shot, front, 0, 0), 0) << "nothing untransformed";
    EXPECT_TRUE(run.running());

    const std::string said = fileText(run.stderrPath());
    EXPECT_NE(said.find("VRMLmodels/empty.wrl: no triangles"), std::string::npos) << said;
    EXPECT_NE(said.find("VRMLmodels/unknown.wrl: read the classic way: the VRML parser refused "
                        "it (Coin read error"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("Hologram"), std::string::npos) << said;
}

// The three squares scaled by 100 around (2000, 2000, 2000): outside every view until Frame All.
std::string farThreeParts() {
    const std::string parts = THREE_PARTS;
    return "#VRML V2.0 utf8\nTransform { translation 2000 2000 2000 scale 100 100 100 children "
           "[\n" +
           parts.substr(parts.find('\n') + 1) + "] }\n";
}

TEST(FullVrmlE2E, EveryPartOfAFarModelIsDrawnAfterFrameAll) {
    ProgramRun run;
    run.writeModel("far.wrl", farThreeParts());
    ASSERT_TRUE(run.start({"--full-vrml"}));
    const ScreenRect front = run.view(1);
    const Point c = front.centre();
    // The squares' box is centred in the framed view: the two upper parts left and right of the
    // middle, the third below it.
    const ScreenRect upperLeft{front.x, front.y, c.x - 5 - front.x, c.y - 5 - front.y};
    const ScreenRect upperRight{c.x + 5, front.y, front.x + front.width - c.x - 5,
                                c.y - 5 - front.y};
    const ScreenRect below{front.x, c.y + 5, front.width, front.y + front.height - c.y - 5};
    auto partsShown = [&](const Screenshot& shot) {
        return (shot.count(upperLeft, isWhite) > 20 ? 1 : 0) +
               (shot.count(upperRight, isWhite) > 20 ? 1 : 0) +
               (shot.count(below, isWhite) > 20 ? 1 : 0);
    };
    run.menu(c, 0, 0);  // Add Object > far.wrl
    run.settle();
    EXPECT_EQ(partsShown(run.screenshot()), 0);

    run.click(PanelSpots{run.panel()}.frameAll());
    EXPECT_TRUE(waitUntil([&] { return partsShown(run.screenshot()) == 3; }))
        << "after Frame All, " << partsShown(run.screenshot()) << " of the 3 parts show";
    // Between the parts lies nothing (a single square framed alone would cross the middle).
    EXPECT_EQ(run.screenshot().count({c.x - 10, c.y - 10, 21, 21}, isWhite), 0);
    EXPECT_TRUE(run.running());
}

TEST(FullVrmlE2E, TheClassicReadingStaysTheDefault) {
    ProgramRun run;
    run.writeModel("empty.wrl", NOTHING);
    run.writeModel("parts.wrl", THREE_PARTS);
    const Screenshot shot = placeModel(run, {}, 1);
    const ScreenRect front = run.view(1);
    // The first point list and face list only, where the file's coordinates put them.
    EXPECT_EQ(squareEdgesDrawn(shot, front, 0, 0), 2);
    EXPECT_EQ(squareEdgesDrawn(shot, front, -1, 1), 0);
    EXPECT_EQ(squareEdgesDrawn(shot, front, 1, 1), 0);
    EXPECT_EQ(squareEdgesDrawn(shot, front, 0, -1), 0);

    const std::string said = fileText(run.stderrPath());
    EXPECT_NE(said.find("VRMLmodels/empty.wrl: no triangles (the classic reading takes only the "
                        "first point and face lists of a file; tessaly --full-vrml reads every "
                        "shape)\n"),
              std::string::npos)
        << said;
    EXPECT_EQ(said.find("parts.wrl"), std::string::npos) << said;
}

TEST(FullVrmlE2E, GlutOptionsStillReachGlut) {
    // No DISPLAY in the environment: the window can only come up through -display.
    ProgramRun run;
    run.program = fork();
    if (run.program == 0) {
        if (chdir(run.folder.c_str()) != 0) {
            _exit(126);
        }
        const int err = open(run.stderrPath().c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (err >= 0) {
            dup2(err, 2);
        }
        unsetenv("DISPLAY");
        execl(TESSALY_PROGRAM, TESSALY_PROGRAM, "-display", run.display.c_str(), "-sync",
              "--full-vrml", "-gldebug", static_cast<char*>(nullptr));
        _exit(127);
    }
    EXPECT_TRUE(waitUntil([&] { return run.subWindows().size() >= 4; }, milliseconds(30000)));
    EXPECT_TRUE(run.running());
}

class CommandLineE2E : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tessaly-cli-XXXXXX";
        folder = mkdtemp(pattern);
        fs::create_directory(folder / "VRMLmodels");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    void writeModel(const std::string& name, const std::string& text) {
        std::ofstream(folder / "VRMLmodels" / name, std::ios::binary) << text;
    }
    fs::path folder;
};

TEST_F(CommandLineE2E, HelpAndUnknownOptionsOpenNoWindow) {
    const CommandRun help = runWithoutDisplay(folder, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: tessaly [--full-vrml] [--list-models] [--help]", 0), 0u)
        << help.out;
    EXPECT_NE(help.out.find("--list-models"), std::string::npos);
    EXPECT_EQ(help.err, "");

    const CommandRun wrong = runWithoutDisplay(folder, {"-sync", "--full-vrm"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_EQ(wrong.out, "");
    EXPECT_EQ(wrong.err.rfind("tessaly: unknown option --full-vrm\n", 0), 0u) << wrong.err;
    EXPECT_NE(wrong.err.find("Usage: tessaly"), std::string::npos);
}

// One --list-models line: position, points, triangles, note.
struct Listed {
    std::string position;
    long points = -1, triangles = -1;
    std::string note;
};

std::map<std::string, Listed> parseListing(const std::string& text) {
    std::map<std::string, Listed> models;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        std::string field;
        while (std::getline(parts, field, '\t')) {
            fields.push_back(field);
        }
        if (fields.size() == 4) {
            fields.emplace_back();  // an empty note leaves no field after the last tab
        }
        EXPECT_EQ(fields.size(), 5u) << line;
        if (fields.size() == 5) {
            models[fields[1]] = {fields[0], std::stol(fields[2]), std::stol(fields[3]), fields[4]};
        }
    }
    return models;
}

TEST_F(CommandLineE2E, ListModelsComparesTheTwoReadingsWithoutADisplay) {
    for (const char* name : {"cube.wrl", "knot.wrl", "pyramid.wrl", "sphere.wrl", "torus.wrl"}) {
        fs::copy_file(fs::path(TESSALY_SOURCE_DIR) / "examples" / "VRMLmodels" / name,
                      folder / "VRMLmodels" / name);
    }
    writeModel("parts.wrl", THREE_PARTS);
    writeModel("nothing.wrl", NOTHING);
    writeModel("unknown.wrl", UNKNOWN_NODE);
    fs::create_directory(folder / "VRMLmodels" / "folder.wrl");

    const CommandRun classicRun = runWithoutDisplay(folder, {"--list-models"});
    const CommandRun fullRun = runWithoutDisplay(folder, {"--full-vrml", "--list-models"});
    EXPECT_EQ(classicRun.status, 0);
    EXPECT_EQ(fullRun.status, 0);
    EXPECT_EQ(classicRun.err, "");
    EXPECT_EQ(fullRun.err, "");
    const auto classic = parseListing(classicRun.out);
    const auto full = parseListing(fullRun.out);
    ASSERT_EQ(classic.size(), 9u) << classicRun.out;
    ASSERT_EQ(full.size(), 9u) << fullRun.out;

    // One shape each: the same points and triangles either way.
    for (const char* name : {"cube.wrl", "knot.wrl", "pyramid.wrl", "sphere.wrl", "torus.wrl"}) {
        EXPECT_EQ(full.at(name).points, classic.at(name).points) << name;
        EXPECT_EQ(full.at(name).triangles, classic.at(name).triangles) << name;
        EXPECT_GT(classic.at(name).triangles, 0) << name;
        EXPECT_EQ(classic.at(name).note, "");
        EXPECT_EQ(full.at(name).note, "");
    }
    EXPECT_EQ(classic.at("knot.wrl").triangles, 51200);
    // Three squares against the first one alone.
    EXPECT_EQ(classic.at("parts.wrl").triangles, 2);
    EXPECT_EQ(full.at("parts.wrl").triangles, 6);
    EXPECT_EQ(full.at("parts.wrl").points, 12);
    EXPECT_EQ(full.at("nothing.wrl").triangles, 0);
    // Refused by the parser: the classic reading's figures, and why.
    EXPECT_EQ(full.at("unknown.wrl").triangles, classic.at("unknown.wrl").triangles);
    EXPECT_EQ(full.at("unknown.wrl")
                  .note.rfind("read the classic way: the VRML parser refused it "
                              "(Coin read error",
                              0),
              0u)
        << full.at("unknown.wrl").note;
    EXPECT_EQ(classic.at("folder.wrl").note, "unreadable");
    EXPECT_EQ(full.at("folder.wrl").note, "unreadable");
    EXPECT_EQ(full.at("folder.wrl").position, "-");
    // The menu positions are the same in both readings, from 1 in name order.
    for (const auto& [name, listed] : classic) {
        EXPECT_EQ(full.at(name).position, listed.position) << name;
    }
    EXPECT_EQ(classic.at("cube.wrl").position, "1");
    EXPECT_EQ(classic.at("unknown.wrl").position, "8");
}

}  // namespace
