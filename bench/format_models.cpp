#include "format_models.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

struct Grid {
    std::vector<float> points;  // x y z per point
    std::vector<uint32_t> triangles;
};

Grid makeGrid(int n) {
    Grid grid;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const float x = static_cast<float>(i) / static_cast<float>(n - 1);
            const float z = static_cast<float>(j) / static_cast<float>(n - 1);
            grid.points.insert(grid.points.end(),
                               {x, 0.1f * std::sin(12 * x) * std::cos(9 * z), z});
        }
    }
    for (int j = 0; j + 1 < n; ++j) {
        for (int i = 0; i + 1 < n; ++i) {
            const auto k = static_cast<uint32_t>(j * n + i);
            const auto m = static_cast<uint32_t>(n);
            grid.triangles.insert(grid.triangles.end(), {k, k + m, k + 1, k + 1, k + m, k + m + 1});
        }
    }
    return grid;
}

template <typename T>
void put(std::ofstream& out, const T& value) {
    out.write(reinterpret_cast<const char*>(&value), sizeof value);
}

void writeObj(std::ofstream& out, const Grid& g) {
    char line[96];
    for (size_t i = 0; i < g.points.size(); i += 3) {
        out.write(line, std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", g.points[i],
                                      g.points[i + 1], g.points[i + 2]));
    }
    for (size_t t = 0; t < g.triangles.size(); t += 3) {
        out.write(line, std::snprintf(line, sizeof line, "f %u %u %u\n", g.triangles[t] + 1,
                                      g.triangles[t + 1] + 1, g.triangles[t + 2] + 1));
    }
}

void writeStl(std::ofstream& out, const Grid& g) {
    out << std::string(80, ' ');
    put(out, static_cast<uint32_t>(g.triangles.size() / 3));
    for (size_t t = 0; t < g.triangles.size(); t += 3) {
        const float normal[3] = {0, 1, 0};
        out.write(reinterpret_cast<const char*>(normal), sizeof normal);
        for (int k = 0; k < 3; ++k) {
            out.write(reinterpret_cast<const char*>(&g.points[3 * g.triangles[t + k]]),
                      3 * sizeof(float));
        }
        put(out, uint16_t{0});
    }
}

void writePly(std::ofstream& out, const Grid& g) {
    out << "ply\nformat binary_little_endian 1.0\nelement vertex " << g.points.size() / 3
        << "\nproperty float x\nproperty float y\nproperty float z\nelement face "
        << g.triangles.size() / 3 << "\nproperty list uchar int vertex_indices\nend_header\n";
    out.write(reinterpret_cast<const char*>(g.points.data()),
              static_cast<std::streamsize>(g.points.size() * sizeof(float)));
    for (size_t t = 0; t < g.triangles.size(); t += 3) {
        put(out, uint8_t{3});
        out.write(reinterpret_cast<const char*>(&g.triangles[t]), 3 * sizeof(uint32_t));
    }
}

void writeGlb(std::ofstream& out, const Grid& g) {
    const size_t pointBytes = g.points.size() * sizeof(float);
    const size_t indexBytes = g.triangles.size() * sizeof(uint32_t);
    std::ostringstream json;
    json << R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],)"
         << R"("nodes":[{"mesh":0}],"meshes":[{"primitives":[{"attributes":{"POSITION":0},)"
         << R"("indices":1}]}],"buffers":[{"byteLength":)" << pointBytes + indexBytes << "}],"
         << R"("bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":)" << pointBytes << "},"
         << R"({"buffer":0,"byteOffset":)" << pointBytes << R"(,"byteLength":)" << indexBytes
         << "}],"
         << R"("accessors":[{"bufferView":0,"componentType":5126,"count":)" << g.points.size() / 3
         << R"(,"type":"VEC3","min":[0,-0.1,0],"max":[1,0.1,1]},)"
         << R"({"bufferView":1,"componentType":5125,"count":)" << g.triangles.size()
         << R"(,"type":"SCALAR"}]})";
    std::string text = json.str();
    text.append((4 - text.size() % 4) % 4, ' ');
    out << "glTF";
    put(out, uint32_t{2});
    put(out, static_cast<uint32_t>(12 + 8 + text.size() + 8 + pointBytes + indexBytes));
    put(out, static_cast<uint32_t>(text.size()));
    out << "JSON" << text;
    put(out, static_cast<uint32_t>(pointBytes + indexBytes));
    out.write("BIN\0", 4);
    out.write(reinterpret_cast<const char*>(g.points.data()),
              static_cast<std::streamsize>(pointBytes));
    out.write(reinterpret_cast<const char*>(g.triangles.data()),
              static_cast<std::streamsize>(indexBytes));
}

}  // namespace

size_t writeGridInFormat(const std::filesystem::path& path, int n) {
    const Grid grid = makeGrid(n);
    std::ofstream out(path, std::ios::binary);
    const std::string extension = path.extension().string();
    if (extension == ".obj") {
        writeObj(out, grid);
    } else if (extension == ".stl") {
        writeStl(out, grid);
    } else if (extension == ".ply") {
        writePly(out, grid);
    } else {
        writeGlb(out, grid);
    }
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    return grid.triangles.size() / 3;
}
