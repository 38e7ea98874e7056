#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "scene/mesh.h"

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

    // Writes the file and reads it with loadModel; the result must be true.
    std::unique_ptr<Mesh> load(const std::string& content, const std::string& name = "m.wrl") {
        writeModel(name, content);
        auto mesh = std::make_unique<Mesh>(name);
        EXPECT_TRUE(mesh->loadModel());
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
    auto inside = [](int32_t i, size_t n) { return i >= 0 && static_cast<size_t>(i) < n; };
    for (size_t i = 0; i < mesh.coordIndex.size(); ++i) {
        const IndexTriple& t = mesh.coordIndex[i];
        ASSERT_TRUE(inside(t.a, mesh.points.size()) && inside(t.b, mesh.points.size()) &&
                    inside(t.c, mesh.points.size()))
            << "triangle " << i;
        const IndexTriple& n = mesh.normalIndex[i];
        ASSERT_TRUE(inside(n.a, mesh.normals.size()) && inside(n.b, mesh.normals.size()) &&
                    inside(n.c, mesh.normals.size()))
            << "normal triple " << i;
    }
}
