// Hostile and huge scene files, generated at test time: a model name of 10 MB and 100,000
// objects. Reading stays bounded in memory by the file's size, and a file is taken whole or not
// at all. Each read runs in a forked child (runMeasured) that measures its peak resident size.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "scene/scene.h"
#include "scenefile/file_io.h"
#include "scenefile/scene_format.h"
#include "support/measured_run.h"
#include "support/temp_folder.h"

namespace {

constexpr size_t MB = size_t{1} << 20;

const std::string IDENTITY = "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 ";

std::string viewLines() {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        text += IDENTITY + IDENTITY + "0 0 5 0 0 0 0 0.5 \n";
    }
    return text;
}

// What a child reports about reading one file.
struct ReadFigures {
    bool read = false;      // the whole file came into memory
    bool accepted = false;  // the parser took it
    size_t objects = 0;
    size_t firstNameSize = 0;
    size_t sceneObjects = 0;  // objects placed in a Scene from it
};

class HostileSceneTest : public ::testing::Test, public TempFolder {
protected:
    HostileSceneTest() : TempFolder("tessaly-scene") {}

    // Reads and parses the file in a child against `library`, placing every object in a Scene
    // whose models are empty Meshes of those names, as loading a scene does.
    ReadFigures readInChild(const std::string& path, const std::vector<std::string>& library,
                            size_t fileSize) const {
        ReadFigures figures;
        const MeasuredRun run = runMeasured(
            [&] {
                const auto text = readWholeFile(path);
                figures.read = text.has_value();
                if (!text) {
                    return;
                }
                const auto content = parseSceneFile(*text, library);
                figures.accepted = content.has_value();
                if (!content) {
                    return;
                }
                figures.objects = content->objects.size();
                figures.firstNameSize =
                    content->objects.empty() ? 0 : content->objects[0].name.size();
                Scene scene;
                for (const std::string& name : library) {
                    scene.models.push_back(std::make_unique<Mesh>(name));
                }
                for (const ObjectRecord& record : content->objects) {
                    if (SceneObject* object = scene.addInstance(record.modelIndex)) {
                        object->transform = record.transform;
                    }
                }
                figures.sceneObjects = scene.objects.size();
            },
            &figures, sizeof figures);
        EXPECT_TRUE(run.finished) << "reading did not finish normally";
        // The generous bound: four times the file plus 100 MB.
        EXPECT_GE(run.peakGrowthKb, 0);
        EXPECT_LT(run.peakGrowthKb, static_cast<long>((4 * fileSize + 100 * MB) / 1024))
            << "peak growth " << run.peakGrowthKb / 1024 << " MB for a file of " << fileSize / MB
            << " MB";
        std::printf("  file %zu KB, peak resident growth %ld MB\n", fileSize / 1024,
                    run.peakGrowthKb / 1024);
        return figures;
    }
};

TEST_F(HostileSceneTest, ModelNameOfTenMegabytesIsRejectedUnlessTheLibraryHasIt) {
    const std::string name(10 * MB, 'n');
    const std::string text = viewLines() + name + " " + IDENTITY;
    const std::string path = put("long-name.vsf", text);

    const ReadFigures unknown = readInChild(path, {"box.wrl", "cone.wrl"}, text.size());
    EXPECT_TRUE(unknown.read);
    EXPECT_FALSE(unknown.accepted);

    const ReadFigures known = readInChild(path, {"box.wrl", name}, text.size());
    EXPECT_TRUE(known.accepted);
    EXPECT_EQ(known.objects, 1u);
    EXPECT_EQ(known.firstNameSize, name.size());
    EXPECT_EQ(known.sceneObjects, 1u);

    // The same name as a number where a matrix is expected.
    const std::string number = viewLines() + "box.wrl " + std::string(10 * MB, '7') + " ";
    const ReadFigures huge =
        readInChild(put("long-number.vsf", number), {"box.wrl"}, number.size());
    EXPECT_FALSE(huge.accepted);
}

TEST_F(HostileSceneTest, HundredThousandObjectsAreAllPlaced) {
    std::string text = viewLines();
    const std::string record = "box.wrl 2 0 0 0 0 2 0 0 0 0 2 0 0.5 -1 3 1 ";
    for (int i = 0; i < 100'000; ++i) {
        text += (i % 2 == 0) ? record : "cone.wrl " + IDENTITY;
    }
    const ReadFigures all =
        readInChild(put("many.vsf", text), {"box.wrl", "cone.wrl"}, text.size());
    EXPECT_TRUE(all.accepted);
    EXPECT_EQ(all.objects, 100'000u);
    EXPECT_EQ(all.sceneObjects, 100'000u);

    // One record cut short at the very end spoils the whole file.
    text.resize(text.size() - 4);
    const ReadFigures cut =
        readInChild(put("many-cut.vsf", text), {"box.wrl", "cone.wrl"}, text.size());
    EXPECT_TRUE(cut.read);
    EXPECT_FALSE(cut.accepted);
}

}  // namespace
