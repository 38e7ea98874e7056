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
    EXPECT_EQ(statusLines(scene, 0), (Lines{"Select     No objects", "0 triangles"}));

    scene.models.push_back(modelOf("box.wrl", 12));
    scene.models.push_back(modelOf("knot.wrl", 4800));
    scene.models.push_back(modelOf("empty.wrl", 0));
    scene.addInstance(0);
    EXPECT_EQ(statusLines(scene, 1), (Lines{"Translate    1 object", "12 triangles"}));
    for (int model : {1, 1, 2, 0}) {
        scene.addInstance(model);
    }
    EXPECT_EQ(statusLines(scene, 1)[0], "Translate   5 objects");
    scene.selectObject(1);
    scene.selectObject(4);
    EXPECT_EQ(statusLines(scene, 2), (Lines{"Scale        2/5 sel.", "9,624 triangles"}));
    EXPECT_EQ(statusLines(scene, 3)[0], "Rotate       2/5 sel.");
    // Any other value acts as Select, and reads so.
    EXPECT_EQ(statusLines(scene, 7)[0], "Select       2/5 sel.");
    EXPECT_EQ(statusLines(scene, -1)[0], "Select       2/5 sel.");

    scene.objects.resize(1);
    scene.objects[0]->mesh = scene.models[2].get();
    scene.models[2]->coordIndex.resize(1);
    scene.selection.clear();
    EXPECT_EQ(statusLines(scene, 0)[1], "1 triangle");
}

TEST(StatusLine, AFailureReasonTakesBothLines) {
    Scene scene;
    EXPECT_EQ(statusLines(scene, 1, "not a scene file: line 3 ends early"),
              (Lines{"not a scene file:", "line 3 ends early"}));
    EXPECT_EQ(statusLines(scene, 0, "no model 'x.wrl' in VRMLmodels"),
              (Lines{"no model 'x.wrl' in", "VRMLmodels"}));
    EXPECT_EQ(statusLines(scene, 0, "cannot write: permission denied"),
              (Lines{"cannot write:", "permission denied"}));
    EXPECT_EQ(statusLines(scene, 0, "cannot write: too many levels of symbolic links"),
              (Lines{"cannot write: too", "many levels of..."}));
    EXPECT_EQ(statusLines(scene, 2, "").size(), 2u);
}

TEST(StatusLine, LargeCountsAreShortenedToFitTheLine) {
    Scene scene;
    scene.models.push_back(modelOf("big.wrl", 100'000));
    for (int i = 0; i < 12'345; ++i) {
        scene.addInstance(0);
    }
    EXPECT_EQ(statusLines(scene, 0), (Lines{"Select 12,345 objects", "1G triangles"}));
    EXPECT_EQ(statusLines(scene, 1)[0], "Translate 12,345 obj.");
    for (int i = 0; i < 10'000; ++i) {
        scene.objects[i]->selected = true;
        scene.selection.push_back(scene.objects[i].get());
    }
    EXPECT_EQ(statusLines(scene, 1)[0], "Translate     10k/12k");
    EXPECT_EQ(statusLines(scene, 0)[0], "Select  10,000/12,345");
    scene.selection.resize(5);
    EXPECT_EQ(statusLines(scene, 3)[0], "Rotate  5/12,345 sel.");

    scene.models[0]->coordIndex.resize(20'000);
    scene.objects.resize(4'000);
    EXPECT_EQ(statusLines(scene, 1)[1], "80,000,000 triangles");
    for (int32_t mode : {0, 1, 2, 3}) {
        for (const std::string& line : statusLines(scene, mode)) {
            EXPECT_LE(characters(line), STATUS_COLUMNS) << line;
        }
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

TEST(ShortNumber, CutsToThousandsMillionsAndSoOnFromTenThousand) {
    EXPECT_EQ(shortNumber(9'999), "9,999");
    EXPECT_EQ(shortNumber(10'000), "10k");
    EXPECT_EQ(shortNumber(999'999), "999k");
    EXPECT_EQ(shortNumber(1'000'000), "1M");
    EXPECT_EQ(shortNumber(1'234'500'000), "1G");
    EXPECT_EQ(shortNumber(18446744073709551615u), "18E");
}

}  // namespace
