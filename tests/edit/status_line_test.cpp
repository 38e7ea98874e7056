#include "edit/status_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/scene.h"

namespace {

using Lines = std::vector<std::string>;

size_t characters(const std::string& line) {
    size_t count = 0;
    for (char c : line) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return count;
}

// A model of `triangles` triangles.
std::unique_ptr<Mesh> modelOf(const char* name, size_t triangles) {
    auto mesh = std::make_unique<Mesh>(name);
    mesh->coordIndex.resize(triangles);
    return mesh;
}

TEST(StatusLine, ShowsTheModeInForceTheObjectsAndTheTriangles) {
    Scene scene;
    EXPECT_EQ(statusLines(scene, 0), (Lines{"Select", "No objects", "0 triangles"}));

    scene.models.push_back(modelOf("box.wrl", 12));
    scene.models.push_back(modelOf("knot.wrl", 4800));
    scene.models.push_back(modelOf("empty.wrl", 0));
    scene.addInstance(0);
    EXPECT_EQ(statusLines(scene, 1), (Lines{"Translate", "0 of 1 selected", "12 triangles"}));
    for (int model : {1, 1, 2, 0}) {
        scene.addInstance(model);
    }
    scene.selectObject(1);
    scene.selectObject(4);
    EXPECT_EQ(statusLines(scene, 2), (Lines{"Scale", "2 of 5 selected", "9,624 triangles"}));
    EXPECT_EQ(statusLines(scene, 3)[0], "Rotate");
    // Any other value acts as Select, and reads so.
    EXPECT_EQ(statusLines(scene, 7)[0], "Select");
    EXPECT_EQ(statusLines(scene, -1)[0], "Select");

    scene.objects.resize(1);
    scene.objects[0]->mesh = scene.models[2].get();
    scene.models[2]->coordIndex.resize(1);
    scene.selection.clear();
    EXPECT_EQ(statusLines(scene, 0)[2], "1 triangle");
}

TEST(StatusLine, FailureReasonsTakeAtMostTwoLines) {
    Scene scene;
    const auto withReason = [&](const char* reason) {
        Lines lines = statusLines(scene, 0, reason);
        return Lines(lines.begin() + 3, lines.end());
    };
    EXPECT_EQ(withReason("not a scene file: line 3 ends early"),
              (Lines{"not a scene file:", "line 3 ends early"}));
    EXPECT_EQ(withReason("no model 'x.wrl' in VRMLmodels"),
              (Lines{"no model 'x.wrl' in", "VRMLmodels"}));
    EXPECT_EQ(withReason("cannot write: permission denied"),
              (Lines{"cannot write:", "permission denied"}));
    EXPECT_EQ(withReason("cannot write: too many levels of symbolic links"),
              (Lines{"cannot write: too", "many levels of..."}));
    EXPECT_EQ(withReason(""), Lines{});
}

TEST(StatusLine, EveryLineFitsThePanel) {
    Scene scene;
    scene.models.push_back(modelOf("big.wrl", 100'000));
    for (int i = 0; i < 12'345; ++i) {
        scene.addInstance(0);
    }
    for (int i = 0; i < 10'000; ++i) {
        scene.objects[i]->selected = true;
        scene.selection.push_back(scene.objects[i].get());
    }
    const Lines lines = statusLines(scene, 1, "no model 'a-very-long-name-....' in VRMLmodels");
    EXPECT_EQ(lines[1], "10,000 of 12,345");
    EXPECT_EQ(lines[2], "selected");
    EXPECT_EQ(lines[3], "1,234,500,000");
    EXPECT_EQ(lines[4], "triangles");
    for (const std::string& line : lines) {
        EXPECT_LE(characters(line), STATUS_COLUMNS) << line;
        EXPECT_FALSE(line.empty());
    }
}

TEST(WrapText, BreaksAtSpacesCountsCharactersAndCutsWhatIsLeft) {
    EXPECT_EQ(wrapText("a  b   c", 21, 2), Lines{"a b c"});
    EXPECT_EQ(wrapText("", 21, 2), Lines{});
    EXPECT_EQ(wrapText("abcdefghij", 4, 5), (Lines{"abcd", "efgh", "ij"}));
    EXPECT_EQ(wrapText("ab abcdefghij", 4, 5), (Lines{"ab", "abcd", "efgh", "ij"}));
    EXPECT_EQ(wrapText("abcdefghij", 4, 2), (Lines{"abcd", "e..."}));
    // Characters, not bytes: four two-byte letters fit four columns.
    EXPECT_EQ(wrapText("\xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9f x", 4, 3),
              (Lines{"\xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9f", "x"}));
    EXPECT_EQ(wrapText("\xc3\xa4\xc3\xb6\xc3\xbc\xc3\x9f\xc3\xa4", 4, 1), Lines{"\xc3\xa4..."});
}

TEST(GroupedNumber, PutsACommaEveryThreeDigits) {
    EXPECT_EQ(groupedNumber(0), "0");
    EXPECT_EQ(groupedNumber(999), "999");
    EXPECT_EQ(groupedNumber(1000), "1,000");
    EXPECT_EQ(groupedNumber(1234567), "1,234,567");
    EXPECT_EQ(groupedNumber(18446744073709551615u), "18,446,744,073,709,551,615");
}

}  // namespace
