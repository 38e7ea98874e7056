#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "library/vrml_reader.h"
#include "scene/index_range.h"
#include "scene/mesh.h"
#include "support/reference_reader.h"
#include "support/same_bits.h"
#include "support/temp_folder.h"

// Runs a test inside a fresh temporary folder that holds an empty "VRMLmodels"; the previous
// working directory comes back afterwards and the folder is removed.
class ModelFolderTest : public ::testing::Test, public TempFolder {
protected:
    ModelFolderTest() : TempFolder("tessaly-models") {}
    void SetUp() override {
        previous = std::filesystem::current_path();
        std::filesystem::create_directory(folder / "VRMLmodels");
        std::filesystem::current_path(folder);
    }
    void TearDown() override { std::filesystem::current_path(previous); }

    // Writes VRMLmodels/<name> with exactly these bytes.
    void writeModel(const std::string& name, const std::string& content) {
        put("VRMLmodels/" + name, content);
    }

    // Writes the file and reads it with loadModel; the result must be true, and the reference
    // reader must give the same four lists, bit for bit.
    std::unique_ptr<Mesh> load(const std::string& content, const std::string& name = "m.wrl") {
        writeModel(name, content);
        auto mesh = std::make_unique<Mesh>(name);
        EXPECT_TRUE(loadModel(*mesh));
        Mesh reference(name);
        EXPECT_TRUE(referenceLoadModel(reference));
        EXPECT_TRUE(sameLists(*mesh, reference))
            << "the reference reads " << name << " differently";
        return mesh;
    }

    std::filesystem::path previous;
};

// What drawing relies on: every triangle's indices are inside points, and when there are normals
// every triangle has its normalIndex triple inside normals.
inline void expectDrawable(const Mesh& mesh) {
    EXPECT_TRUE(mesh.coordIndex.empty() || !mesh.normals.empty());
    if (!mesh.normals.empty()) {
        ASSERT_GE(mesh.normalIndex.size(), mesh.coordIndex.size());
    }
    for (size_t i = 0; i < mesh.coordIndex.size(); ++i) {
        const IndexTriple& t = mesh.coordIndex[i];
        ASSERT_TRUE(validTriple(t, mesh.points.size())) << "triangle " << i;
        const IndexTriple& n = mesh.normalIndex[i];
        ASSERT_TRUE(validTriple(n, mesh.normals.size())) << "normal triple " << i;
    }
}
