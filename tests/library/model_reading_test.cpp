// Choosing the reading: the classic one stays exactly what it was, the full one falls back to it.
#include <gtest/gtest.h>

#include <filesystem>

#include "library/model_folder.h"
#include "library/model_library.h"
#include "library/vrml_reader.h"
#include "platform/platform.h"
#include "support/scripted_platform.h"

namespace {

// Two shapes, written so that the classic reading finds the first point and face lists.
const char* const TWO_SHAPES =
    "#VRML V2.0 utf8\n"
    "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
    "  coordIndex [ 0, 1, 2, -1 ] } }\n"
    "Transform { translation 0 0 1 children Shape { geometry IndexedFaceSet {\n"
    "  coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] } coordIndex [ 0, 1, 2, -1 ] } } }\n";

// The classic reading takes this; the parser finds a field that IndexedFaceSet does not have.
const char* const MISSPELT =
    "#VRML V2.0 utf8\n"
    "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
    "  coordIndexx [ 0, 1, 2, -1 ] coordIndex [ 0, 1, 2, -1 ] } }\n";

class ModelReadingTest : public ModelFolderTest {
protected:
    void SetUp() override {
        ModelFolderTest::SetUp();
        scripted.install();
    }
    ScriptedPlatform scripted;
};

TEST_F(ModelReadingTest, ClassicReadingIsTheSubsetReaderBitForBit) {
    writeModel("two.wrl", TWO_SHAPES);
    writeModel("misspelt.wrl", MISSPELT);
    std::filesystem::copy_file(TESSALY_SOURCE_DIR "/examples/VRMLmodels/knot.wrl",
                               folder / "VRMLmodels" / "knot.wrl");
    Scene scene;
    const std::vector<ModelReport> reports =
        readModelFolder(scene, ModelReading::Classic, platform());
    ASSERT_EQ(scene.models.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        Mesh subset(scene.models[i]->name);
        ASSERT_TRUE(loadModel(subset));
        EXPECT_TRUE(sameLists(*scene.models[i], subset)) << subset.name;
        EXPECT_FALSE(reports[i].result.fellBack);
    }
    EXPECT_EQ(scene.models[2]->coordIndex.size(), 1u);  // two.wrl: the first shape only
}

TEST_F(ModelReadingTest, FullReadingReadsEveryShapeOrFallsBackWithTheParsersWords) {
    writeModel("two.wrl", TWO_SHAPES);
    writeModel("misspelt.wrl", MISSPELT);
    Mesh two("two.wrl");
    const ModelReadResult read = readModel(two, ModelReading::Full);
    EXPECT_TRUE(read.readable);
    EXPECT_FALSE(read.fellBack);
    EXPECT_EQ(two.coordIndex.size(), 2u);

    Mesh misspelt("misspelt.wrl");
    const ModelReadResult fallback = readModel(misspelt, ModelReading::Full);
    EXPECT_TRUE(fallback.readable);
    EXPECT_TRUE(fallback.fellBack);
    EXPECT_NE(fallback.parserMessage.find("coordIndexx"), std::string::npos)
        << fallback.parserMessage;
    Mesh subset("misspelt.wrl");
    ASSERT_TRUE(loadModel(subset));
    EXPECT_TRUE(sameLists(misspelt, subset)) << "the fallback is the classic reading";
}

TEST_F(ModelReadingTest, FolderReportsKeepPositionsAndUnreadableFilesAreReportedAsBefore) {
    writeModel("a.wrl", TWO_SHAPES);
    std::filesystem::create_symlink("gone.wrl", "VRMLmodels/b.wrl");
    writeModel("c.wrl", MISSPELT);
    for (const ModelReading reading : {ModelReading::Classic, ModelReading::Full}) {
        scripted.messages.clear();
        Scene scene;
        const std::vector<ModelReport> reports = readModelFolder(scene, reading, platform());
        ASSERT_EQ(reports.size(), 3u);
        EXPECT_EQ(reports[0].position, 0);
        EXPECT_EQ(reports[1].position, -1);
        EXPECT_FALSE(reports[1].result.readable);
        EXPECT_FALSE(reports[1].result.fellBack) << "a file that cannot be opened is not parsed";
        EXPECT_EQ(reports[2].position, 1);
        EXPECT_EQ(reports[2].result.fellBack, reading == ModelReading::Full);
        ASSERT_EQ(scripted.messages.size(), 1u);
        EXPECT_EQ(scripted.messages[0].text, "Cannot read file");
    }
}

}  // namespace
