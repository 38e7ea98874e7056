// tessaly --list-models: one exact line per model file in either reading. (The start-up lines on
// stderr are checked end to end, in full_vrml_e2e.cpp.)
#include "app/model_listing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "library/model_folder.h"
#include "support/printed.h"

namespace {

const char* const TWO_SHAPES =
    "#VRML V2.0 utf8\n"
    "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
    "  coordIndex [ 0, 1, 2, -1 ] } }\n"
    "Transform { translation 0 0 1 children Shape { geometry IndexedFaceSet {\n"
    "  coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0, 1 1 0 ] }\n"
    "  coordIndex [ 0, 1, 3, 2, -1 ] } } }\n";

// Only VRML 2.0 structure: the classic reading finds no list, the full one a triangle.
const char* const GLUED =
    "#VRML V2.0 utf8\nShape{geometry IndexedFaceSet{coord Coordinate{point[0 0 0,1 0 0,0 1 0]}"
    "coordIndex[0,1,2,-1]}}\n";

const char* const NOT_VRML =
    "# no header\nCoordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
    "coordIndex [ 0, 1, 2, -1 ]\n";

class ModelListingTest : public ModelFolderTest {
protected:
    void SetUp() override {
        ModelFolderTest::SetUp();
        writeModel("a.wrl", TWO_SHAPES);
        std::filesystem::create_directory(folder / "VRMLmodels" / "b.wrl");
        writeModel("c.wrl", GLUED);
        writeModel("d.wrl", NOT_VRML);
        writeModel("e.wrl", "#VRML V2.0 utf8\n");
    }
};

TEST_F(ModelListingTest, ListsEveryFileWithPositionCountsAndNote) {
    const std::string classic =
        printed([](std::FILE* out) { EXPECT_EQ(listModels(ModelReading::Classic, out), 0); });
    EXPECT_EQ(classic,
              "1\ta.wrl\t3\t1\t\n"
              "-\tb.wrl\t0\t0\tunreadable\n"
              "2\tc.wrl\t0\t0\t\n"
              "3\td.wrl\t3\t1\t\n"
              "4\te.wrl\t0\t0\t\n");
    const std::string full =
        printed([](std::FILE* out) { EXPECT_EQ(listModels(ModelReading::Full, out), 0); });
    EXPECT_EQ(full,
              "1\ta.wrl\t7\t3\t\n"
              "-\tb.wrl\t0\t0\tunreadable\n"
              "2\tc.wrl\t3\t1\t\n"
              "3\td.wrl\t3\t1\tread the classic way: the VRML parser refused it (not given to "
              "the VRML parser: not VRML 1.0 or 2.0 text (no \"#VRML V1.0 ascii\" or \"#VRML "
              "V2.0 utf8\" header))\n"
              "4\te.wrl\t0\t0\tno triangles: the file has no shapes\n");
}

}  // namespace
