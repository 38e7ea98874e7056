#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "library/vrml_reader.h"
#include "scene/index_range.h"
#include "scene/mesh.h"
#include "support/reference_reader.h"

// Runs a test inside a fresh temporary folder that holds an empty "VRMLmodels"; the previous
// working directory comes back afterwards and the folder is removed.
class ModelFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous = std::filesystem::current_path();
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tessaly-models-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        std::filesystem::create_directory(root / "VRMLmodels");
        std::filesystem::current_path(root);
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    // Writes VRMLmodels/<name> with exactly these bytes.
    void writeModel(const std::string& name, const std::string& content) {
        std::ofstream out(root / "VRMLmodels" / name, std::ios::binary);
        out << content;
    }

    // Writes the file and reads it with loadModel; the result must be true, and the reference
    // reader must give the same four lists, bit for bit.
    std::unique_ptr<Mesh> load(const std::string& content, const std::string& name = "m.wrl") {
        writeModel(name, content);
        auto mesh = std::make_unique<Mesh>(name);
        EXPECT_TRUE(loadModel(*mesh));
        Mesh reference(name);
        EXPECT_TRUE(referenceLoadModel(reference));
        auto same = [](const auto& a, const auto& b) {
            return a.size() == b.size() &&
                   (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0);
        };
        EXPECT_TRUE(same(mesh->points, reference.points) &&
                    same(mesh->normals, reference.normals) &&
                    same(mesh->coordIndex, reference.coordIndex) &&
                    same(mesh->normalIndex, reference.normalIndex))
            << "the reference reads " << name << " differently";
        return mesh;
    }

    std::filesystem::path previous;
    std::filesystem::path root;
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
