// tessaly --export SCENE OUT, run as a user would, without a display.
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <assimp/Importer.hpp>

#include <filesystem>
#include <fstream>

#include "scene/matrix.h"
#include "scenefile/scene_format.h"
#include "support/command_run.h"
#include "support/export_sample.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

// Two shapes of one triangle each: the classic reading takes the first, the full one both.
const char* const TWO_SHAPES =
    "#VRML V2.0 utf8\n"
    "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
    "  coordIndex [ 0, 1, 2, -1 ] } }\n"
    "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 5, 1 0 5, 0 1 5 ] }\n"
    "  coordIndex [ 0, 1, 2, -1 ] } }\n";

struct ExportCommand : testing::Test, TempFolder {
    ExportCommand() : TempFolder("tessaly-export") {
        fs::create_directory(folder / "VRMLmodels");
        put("VRMLmodels/cube.wrl", SAMPLE_CUBE_WRL);
        put("VRMLmodels/tetrahedron.wrl", SAMPLE_TETRAHEDRON_WRL);
        put("VRMLmodels/two shapes.wrl", TWO_SHAPES);
    }

    // A scene file of the given objects (model name and transform).
    void writeScene(const std::string& name, const std::vector<ObjectRecord>& objects) {
        SceneFileContent content;
        content.objects = objects;
        put(name, formatSceneFile(content));
    }

    CommandRun exportScene(const std::string& scene, const std::string& out,
                           std::vector<std::string> options = {}) {
        options.insert(options.end(), {"--export", scene, out});
        return runWithoutDisplay(folder, options);
    }

    // Triangles and the highest x of every placed point, as Assimp reads the file.
    std::pair<size_t, double> trianglesAndMaxX(const std::string& name) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(path(name), aiProcess_PreTransformVertices);
        if (scene == nullptr) {
            ADD_FAILURE() << name << ": " << importer.GetErrorString();
            return {0, 0};
        }
        size_t triangles = 0;
        double maxX = -INFINITY;
        for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
            triangles += scene->mMeshes[m]->mNumFaces;
            for (unsigned v = 0; v < scene->mMeshes[m]->mNumVertices; ++v) {
                maxX = std::max<double>(maxX, scene->mMeshes[m]->mVertices[v].x);
            }
        }
        return {triangles, maxX};
    }
};

TEST_F(ExportCommand, WritesEveryFormatWithoutAWindow) {
    writeScene("room.vsf", {{"cube.wrl", identityMatrix()},
                            {"cube.wrl", translationMatrix(5, 0, 0)},
                            {"tetrahedron.wrl",
                             multiply(translationMatrix(-3, 0, 0), rotationMatrix(90, 0, 0, 1))}});
    // Assimp reads every format but VRML, which the next test places as a model.
    for (const char* out : {"out.glb", "out.gltf", "out.obj", "out.stl", "out.ply"}) {
        const CommandRun run = exportScene("room.vsf", out);
        EXPECT_EQ(run.status, 0) << out << ": " << run.err;
        EXPECT_EQ(run.out, std::string("Exported 3 objects to ") + out + "\n");
        const auto [triangles, maxX] = trianglesAndMaxX(out);
        EXPECT_EQ(triangles, 2u * 12 + 4) << out;
        EXPECT_NEAR(maxX, 5.5, 1e-5) << out;
    }
    EXPECT_TRUE(fs::is_regular_file(path("out.bin")));
    const CommandRun vrml = exportScene("room.vsf", "out.wrl");
    EXPECT_EQ(vrml.status, 0) << vrml.err;
    EXPECT_EQ(vrml.out, "Exported 3 objects to out.wrl\n");
}

// An exported scene is a model like any other: placed twice in another scene, it exports again
// with all its triangles.
TEST_F(ExportCommand, AnExportedVrmlSceneIsAModelOfTheNextScene) {
    writeScene("room.vsf",
               {{"cube.wrl", identityMatrix()}, {"tetrahedron.wrl", translationMatrix(2, 0, 0)}});
    ASSERT_EQ(exportScene("room.vsf", "VRMLmodels/room.wrl").status, 0);
    writeScene("block.vsf",
               {{"room.wrl", identityMatrix()}, {"room.wrl", translationMatrix(10, 0, 0)}});
    const CommandRun run = exportScene("block.vsf", "block.stl");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto [triangles, maxX] = trianglesAndMaxX("block.stl");
    EXPECT_EQ(triangles, 2u * (12 + 4));
    EXPECT_NEAR(maxX, 13, 1e-5);  // the tetrahedron's far corner, moved by 2 and then 10
}

TEST_F(ExportCommand, TheFullReadingAppliesAsAtStartUp) {
    writeScene("shapes.vsf", {{"two shapes.wrl", identityMatrix()}});
    ASSERT_EQ(exportScene("shapes.vsf", "classic.stl").status, 0);
    EXPECT_EQ(trianglesAndMaxX("classic.stl").first, 1u);
    const CommandRun full = exportScene("shapes.vsf", "full.stl", {"--full-vrml"});
    ASSERT_EQ(full.status, 0) << full.err;
    EXPECT_EQ(trianglesAndMaxX("full.stl").first, 2u);
}

TEST_F(ExportCommand, BadInputsSayWhyAndWriteNothing) {
    writeScene("room.vsf", {{"cube.wrl", identityMatrix()}});
    writeScene("gone.vsf", {{"cube.wrl", identityMatrix()}, {"gone.wrl", identityMatrix()}});
    fs::create_directory(path("taken.obj"));
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string err;
    } cases[] = {
        {{"--export", "gone.vsf", "a.glb"},
         1,
         "tessaly: gone.vsf: no model 'gone.wrl' in VRMLmodels\n"},
        {{"--export", "missing.vsf", "a.glb"},
         1,
         "tessaly: missing.vsf: cannot read: no such file or directory\n"},
        {{"--export", "room.vsf", "a.3ds"},
         1,
         "tessaly: a.3ds: not exported: unknown file type (use .glb, .gltf, .obj, .stl, .ply or "
         ".wrl)\n"},
        {{"--export", "room.vsf", "taken.obj"},
         1,
         "tessaly: taken.obj: cannot write: not a regular file\n"},
        {{"--export", "room.vsf", "no/such/a.gltf"},
         1,
         "tessaly: no/such/a.gltf: cannot write: no such file or directory\n"},
        {{"--export", "room.vsf", "no/such/a.wrl"},
         1,
         "tessaly: no/such/a.wrl: cannot write: no such file or directory\n"},
    };
    for (const auto& c : cases) {
        const CommandRun run = runWithoutDisplay(folder, c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments[2];
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(run.out, "");
    }
    const CommandRun incomplete = runWithoutDisplay(folder, {"--export", "room.vsf"});
    EXPECT_EQ(incomplete.status, 2);
    EXPECT_EQ(incomplete.err.rfind("tessaly: --export needs a scene file and a file to write\n", 0),
              0u)
        << incomplete.err;
    // Only what the test itself put there.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"VRMLmodels", "gone.vsf", "room.vsf", "taken.obj"}));
}

}  // namespace
