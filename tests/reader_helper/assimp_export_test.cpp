#include "reader_helper/assimp_export.h"

#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <assimp/Importer.hpp>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>

#include "reader/export_geometry.h"
#include "support/export_sample.h"
#include "support/temp_folder.h"

namespace {

// Writes the blobs as the editor does: the main file, companions named after it.
std::string writeBlobs(const TempFolder& folder, const std::string& name,
                       const std::vector<ExportBlob>& blobs) {
    const std::string stem = name.substr(0, name.rfind('.'));
    for (const ExportBlob& blob : blobs) {
        std::ofstream(folder.path(blob.suffix.empty() ? name : stem + blob.suffix),
                      std::ios::binary)
            << blob.bytes;
    }
    return folder.path(name);
}

std::string exportTo(const TempFolder& folder, const ExportScene& scene, ExportFormat format,
                     const std::string& name) {
    const AssimpExportOutcome outcome =
        exportWithAssimp(scene, format, name.substr(0, name.rfind('.')));
    EXPECT_TRUE(outcome.written) << outcome.message;
    return writeBlobs(folder, name, outcome.blobs);
}

struct WorldFigures {
    size_t triangles = 0;
    double min[3] = {INFINITY, INFINITY, INFINITY};
    double max[3] = {-INFINITY, -INFINITY, -INFINITY};
    bool unitNormals = true;
};

// Assimp's own reading, with every mesh placed by its nodes.
WorldFigures readBack(const std::string& path) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, aiProcess_PreTransformVertices);
    WorldFigures figures;
    if (scene == nullptr) {
        ADD_FAILURE() << path << ": " << importer.GetErrorString();
        return figures;
    }
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh& mesh = *scene->mMeshes[m];
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            figures.triangles += mesh.mFaces[f].mNumIndices == 3 ? 1 : 0;
        }
        for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
            const float p[3] = {mesh.mVertices[v].x, mesh.mVertices[v].y, mesh.mVertices[v].z};
            for (int k = 0; k < 3; ++k) {
                figures.min[k] = std::min<double>(figures.min[k], p[k]);
                figures.max[k] = std::max<double>(figures.max[k], p[k]);
            }
            if (mesh.mNormals != nullptr && std::fabs(mesh.mNormals[v].Length() - 1) > 1e-3) {
                figures.unitNormals = false;
            }
        }
    }
    return figures;
}

void expectSampleFigures(const std::string& path) {
    SCOPED_TRACE(path);
    const WorldFigures figures = readBack(path);
    EXPECT_EQ(figures.triangles, ExportSample::TRIANGLES);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(figures.min[k], ExportSample::MIN[k], 1e-4) << "axis " << k;
        EXPECT_NEAR(figures.max[k], ExportSample::MAX[k], 1e-4) << "axis " << k;
    }
    EXPECT_TRUE(figures.unitNormals);
}

TEST(AssimpExport, EveryFormatReadsBackWithTheSceneTrianglesInTheirWorldBox) {
    const auto sample = makeExportSample();
    TempFolder folder;
    for (const auto& [format, name] : {std::pair{ExportFormat::Glb, "scene.glb"},
                                       {ExportFormat::Gltf, "scene.gltf"},
                                       {ExportFormat::Obj, "scene.obj"},
                                       {ExportFormat::Stl, "scene.stl"},
                                       {ExportFormat::Ply, "scene.ply"}}) {
        expectSampleFigures(exportTo(folder, sample->scene, format, name));
    }
}

TEST(AssimpExport, GltfSharesOneMeshPerModelAmongItsObjects) {
    const auto sample = makeExportSample();
    TempFolder folder;
    for (const auto& [format, name] :
         {std::pair{ExportFormat::Glb, "shared.glb"}, {ExportFormat::Gltf, "shared.gltf"}}) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(exportTo(folder, sample->scene, format, name), 0);
        ASSERT_NE(scene, nullptr) << importer.GetErrorString();
        // The cube's three node-held placements share one mesh; the sheared cube is a copy.
        ASSERT_EQ(scene->mNumMeshes, 3u);
        EXPECT_STREQ(scene->mMeshes[0]->mName.C_Str(), "cube.wrl");
        EXPECT_EQ(scene->mMeshes[0]->mNumFaces, 12u);
        EXPECT_STREQ(scene->mMeshes[1]->mName.C_Str(), "tetrahedron.wrl");
        ASSERT_EQ(scene->mRootNode->mNumChildren, ExportSample::OBJECTS);
        std::vector<unsigned> meshOfNode;
        for (unsigned i = 0; i < scene->mRootNode->mNumChildren; ++i) {
            const aiNode& node = *scene->mRootNode->mChildren[i];
            ASSERT_EQ(node.mNumMeshes, 1u);
            meshOfNode.push_back(node.mMeshes[0]);
        }
        EXPECT_EQ(meshOfNode, (std::vector<unsigned>{0, 0, 0, 1, 2}));
        EXPECT_STREQ(scene->mRootNode->mChildren[1]->mName.C_Str(), "cube.wrl#2");
        // The moved cube's node carries its translation.
        EXPECT_FLOAT_EQ(scene->mRootNode->mChildren[1]->mTransformation.a4, 5);
    }
}

TEST(AssimpExport, ObjHoldsOneObjectPerPlacedObject) {
    const auto sample = makeExportSample();
    TempFolder folder;
    const std::string path = exportTo(folder, sample->scene, ExportFormat::Obj, "objects.obj");
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, 0);
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    EXPECT_EQ(scene->mNumMeshes, ExportSample::OBJECTS);
}

TEST(AssimpExport, TextGltfNamesItsBufferAfterTheFile) {
    const auto sample = makeExportSample();
    const AssimpExportOutcome outcome = exportWithAssimp(sample->scene, ExportFormat::Gltf, "room");
    ASSERT_TRUE(outcome.written);
    ASSERT_EQ(outcome.blobs.size(), 2u);
    EXPECT_EQ(outcome.blobs[1].suffix, ".bin");
    EXPECT_NE(outcome.blobs[0].bytes.find("\"room.bin\""), std::string::npos);
    EXPECT_EQ(outcome.blobs[0].bytes.find("$blobfile"), std::string::npos);
    // A name that a URI cannot hold as it is.
    const AssimpExportOutcome spaced =
        exportWithAssimp(sample->scene, ExportFormat::Gltf, "my \"room\" 100%");
    ASSERT_TRUE(spaced.written);
    EXPECT_NE(spaced.blobs[0].bytes.find("\"my%20%22room%22%20100%25.bin\""), std::string::npos);
}

// The Khronos validator, installed from npm by the test script, finds no error in either glTF.
TEST(AssimpExport, GltfPassesTheKhronosValidator) {
    const std::string modules = TESSALY_NODE_MODULES;
    ASSERT_TRUE(std::filesystem::exists(modules + "/gltf-validator/package.json"))
        << "the glTF validator is missing: npm install --prefix "
        << modules.substr(0, modules.rfind('/')) << " gltf-validator (scripts/test.sh does)";
    const auto sample = makeExportSample();
    TempFolder folder;
    for (const auto& [format, name] : {std::pair{ExportFormat::Glb, "valid.glb"},
                                       {ExportFormat::Gltf, "valid.gltf"},
                                       {ExportFormat::Gltf, "a spaced name.gltf"}}) {
        const std::string path = exportTo(folder, sample->scene, format, name);
        const std::string report = path + ".report";
        const std::string command = "node '" TESSALY_SOURCE_DIR
                                    "/tests/support/validate_gltf.js' '" +
                                    modules + "' '" + path + "' > '" + report + "' 2>&1";
        const int status = std::system(command.c_str());
        std::ifstream in(report);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(status, 0) << name << ":\n" << text;
        EXPECT_NE(text.find("\"numErrors\": 0"), std::string::npos) << text;
    }
}

TEST(AssimpExport, RefusesScenesItCannotWrite) {
    auto sample = makeExportSample();
    ExportScene empty;
    EXPECT_FALSE(exportWithAssimp(empty, ExportFormat::Glb, "x").written);
    ExportScene broken = sample->scene;
    broken.objects.push_back({7, identityMatrix()});
    const AssimpExportOutcome noModel = exportWithAssimp(broken, ExportFormat::Stl, "x");
    EXPECT_FALSE(noModel.written);
    EXPECT_FALSE(noModel.message.empty());
    sample->tetrahedron.coordIndex.push_back({0, 1, 9});
    ExportScene damaged = sample->scene;
    damaged.models[1].coordIndex = sample->tetrahedron.coordIndex;
    EXPECT_FALSE(exportWithAssimp(damaged, ExportFormat::Ply, "x").written);
    EXPECT_FALSE(exportWithAssimp(sample->scene, ExportFormat::Wrl, "x").written);
}

}  // namespace
