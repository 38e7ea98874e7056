#include "scenefile/scene_export.h"

#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <assimp/Importer.hpp>

#include <filesystem>
#include <fstream>

#include "library/vrml_reader.h"
#include "scene/scene.h"
#include "support/export_sample.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

void copyLists(const MeshLists& from, Mesh& to) {
    to.points = from.points;
    to.normals = from.normals;
    to.coordIndex = from.coordIndex;
    to.normalIndex = from.normalIndex;
}

// The sample as an editor scene: its two models in the library, its five objects placed. The
// last object's shear stands half in transform and half in a pending rotation, as while the
// Rotation ball turns a selected object.
void fillScene(Scene& scene) {
    const auto sample = makeExportSample();
    scene.models.push_back(std::make_unique<Mesh>("tetrahedron.wrl"));
    copyLists(sample->tetrahedron, *scene.models.back());
    scene.models.push_back(std::make_unique<Mesh>("cube.wrl"));
    copyLists(sample->cube, *scene.models.back());
    for (const ExportObject& object : sample->scene.objects) {
        SceneObject* placed = scene.addInstance(object.model == 0 ? 1 : 0);
        placed->transform = object.matrix;
    }
    SceneObject& last = *scene.objects.back();
    last.transform = multiply(translationMatrix(0, 0, 10), scaleMatrix(1, 3, 1));
    last.pendingRotation = rotationMatrix(45, 0, 0, 1);
}

struct Figures {
    size_t triangles = 0;
    double min[3] = {INFINITY, INFINITY, INFINITY};
    double max[3] = {-INFINITY, -INFINITY, -INFINITY};
};

Figures assimpFigures(const std::string& path) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, aiProcess_PreTransformVertices);
    Figures figures;
    if (scene == nullptr) {
        ADD_FAILURE() << path << ": " << importer.GetErrorString();
        return figures;
    }
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh& mesh = *scene->mMeshes[m];
        figures.triangles += mesh.mNumFaces;
        for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
            const double p[3] = {mesh.mVertices[v].x, mesh.mVertices[v].y, mesh.mVertices[v].z};
            for (int k = 0; k < 3; ++k) {
                figures.min[k] = std::min(figures.min[k], p[k]);
                figures.max[k] = std::max(figures.max[k], p[k]);
            }
        }
    }
    return figures;
}

TEST(SceneExport, EveryFormatIsWrittenThroughTheReaderProcessAndReadsBack) {
    Scene scene;
    fillScene(scene);
    TempFolder folder;
    for (const char* name : {"room.glb", "room.gltf", "room.obj", "room.stl", "room.ply"}) {
        const std::string path = folder.path(name);
        const ExportOutcome outcome = exportSceneToFile(scene, path);
        ASSERT_TRUE(outcome.written) << name << ": " << outcome.message;
        EXPECT_EQ(outcome.message, std::string("Exported 5 objects to ") + name);
        const Figures figures = assimpFigures(path);
        EXPECT_EQ(figures.triangles, ExportSample::TRIANGLES) << name;
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(figures.min[k], ExportSample::MIN[k], 1e-4) << name << " axis " << k;
            EXPECT_NEAR(figures.max[k], ExportSample::MAX[k], 1e-4) << name << " axis " << k;
        }
    }
    EXPECT_TRUE(fs::exists(folder.path("room.bin")));
    // Nothing of the scene changed: the pending rotation is still pending.
    EXPECT_NE(scene.objects.back()->pendingRotation, identityMatrix());
    // Only the files asked for: no temporary file is left behind.
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder.folder)) {
        ++files;
    }
    EXPECT_EQ(files, 6u);
}

TEST(SceneExport, VrmlIsWrittenByTheEditorAndReadsBackAsAModel) {
    Scene scene;
    fillScene(scene);
    TempFolder folder;
    const ExportOutcome outcome = exportSceneToFile(scene, folder.path("room.WRL"));
    ASSERT_TRUE(outcome.written) << outcome.message;
    EXPECT_EQ(outcome.message, "Exported 5 objects to room.WRL");
    Mesh mesh("room.WRL");
    std::ifstream in(folder.path("room.WRL"));
    readModelText(mesh, std::string((std::istreambuf_iterator<char>(in)), {}));
    EXPECT_EQ(mesh.coordIndex.size(), ExportSample::TRIANGLES);
}

TEST(SceneExport, ATextGltfNamesItsBufferPlainly) {
    Scene scene;
    fillScene(scene);
    TempFolder folder;
    ASSERT_TRUE(exportSceneToFile(scene, folder.path("my room #2.gltf")).written);
    EXPECT_TRUE(fs::is_regular_file(folder.path("my_room__2.bin")));
    EXPECT_EQ(assimpFigures(folder.path("my room #2.gltf")).triangles, ExportSample::TRIANGLES);
}

TEST(SceneExport, BadCasesWriteNothingAndSayWhy) {
    Scene scene;
    fillScene(scene);
    TempFolder folder;
    EXPECT_EQ(exportSceneToFile(scene, folder.path("room.3ds")).message,
              "not exported: unknown file type");
    EXPECT_EQ(exportSceneToFile(scene, folder.path("room")).message,
              "not exported: unknown file type");
    fs::create_directory(folder.path("taken.glb"));
    EXPECT_EQ(exportSceneToFile(scene, folder.path("taken.glb")).message,
              "cannot write: not a regular file");
    EXPECT_EQ(exportSceneToFile(scene, folder.path("missing/room.gltf")).message,
              "cannot write: no such file or directory");
    EXPECT_EQ(exportSceneToFile(scene, folder.path("missing/room.wrl")).message,
              "cannot write: no such file or directory");
    Scene empty;
    EXPECT_EQ(exportSceneToFile(empty, folder.path("empty.stl")).message,
              "not exported: the scene has no triangles");
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder.folder)) {
        ++files;
    }
    EXPECT_EQ(files, 1u);  // the folder named taken.glb
}

TEST(SceneExport, AnExistingFileIsReplacedWhole) {
    Scene scene;
    fillScene(scene);
    TempFolder folder;
    const std::string path = folder.put("room.stl", std::string(1 << 20, 'x'));
    chmod(path.c_str(), 0640);
    ASSERT_TRUE(exportSceneToFile(scene, path).written);
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 84 + 50 * static_cast<off_t>(ExportSample::TRIANGLES));
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

}  // namespace
