// Model loading speed: writes VRML 2.0 models of about 10 thousand, 100 thousand and 1 million
// triangles (points, normals, coordIndex, normalIndex) into a temporary folder and times
// Mesh::loadModel on each.
//
// Usage: bench_load [largest triangle count, default 1000000]
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "scene/mesh.h"

namespace {

namespace fs = std::filesystem;

// A wavy height field of n by n points with one normal per point, as quads (two triangles each)
// in the layout the reader expects. Returns the number of triangles.
size_t writeGrid(const fs::path& path, int n) {
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (!out) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fprintf(out, "#VRML V2.0 utf8\nShape {\n  geometry IndexedFaceSet {\n");
    std::fprintf(out, "    coord Coordinate {\n      point [\n");
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const double x = 4.0 * i / (n - 1) - 2;
            const double z = 4.0 * j / (n - 1) - 2;
            std::fprintf(out, "%.6f %.6f %.6f,\n", x, 0.2 * std::sin(3 * x) * std::cos(2 * z), z);
        }
    }
    std::fprintf(out, "      ]\n    }\n    normal Normal {\n      vector [\n");
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const double x = 4.0 * i / (n - 1) - 2;
            const double z = 4.0 * j / (n - 1) - 2;
            const double dx = 0.6 * std::cos(3 * x) * std::cos(2 * z);
            const double dz = -0.4 * std::sin(3 * x) * std::sin(2 * z);
            const double len = std::sqrt(dx * dx + 1 + dz * dz);
            std::fprintf(out, "%.6f %.6f %.6f,\n", -dx / len, 1 / len, -dz / len);
        }
    }
    std::fprintf(out, "      ]\n    }\n    coordIndex [\n");
    for (int i = 0; i + 1 < n; ++i) {
        for (int j = 0; j + 1 < n; ++j) {
            const int a = i * n + j;
            std::fprintf(out, "%d, %d, %d, %d, -1,\n", a, a + 1, a + n + 1, a + n);
        }
    }
    std::fprintf(out, "    ]\n    normalIndex [\n");
    for (int i = 0; i + 1 < n; ++i) {
        for (int j = 0; j + 1 < n; ++j) {
            const int a = i * n + j;
            std::fprintf(out, "%d,%d,%d,%d,-1,\n", a, a + 1, a + n + 1, a + n);
        }
    }
    std::fprintf(out, "    ]\n  }\n}\n");
    std::fclose(out);
    return 2 * static_cast<size_t>(n - 1) * static_cast<size_t>(n - 1);
}

}  // namespace

int main(int argc, char** argv) {
    const long largest = argc > 1 ? std::atol(argv[1]) : 1000000;
    std::string pattern = (fs::temp_directory_path() / "tessaly-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = pattern;
    const fs::path previous = fs::current_path();
    fs::create_directory(root / "VRMLmodels");
    fs::current_path(root);

    std::printf("%12s %10s %10s %10s\n", "triangles", "MB", "seconds", "MB/s");
    for (long target = 10000; target <= largest; target *= 10) {
        const int n = static_cast<int>(std::ceil(std::sqrt(target / 2.0))) + 1;
        const std::string name = "grid" + std::to_string(target) + ".wrl";
        const size_t triangles = writeGrid(root / "VRMLmodels" / name, n);
        const double megabytes = fs::file_size(root / "VRMLmodels" / name) / 1e6;

        Mesh mesh(name);
        const auto start = std::chrono::steady_clock::now();
        const bool ok = mesh.loadModel();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!ok || mesh.coordIndex.size() != triangles || mesh.normalIndex.size() != triangles) {
            std::fprintf(stderr, "%s: read %zu of %zu triangles\n", name.c_str(),
                         mesh.coordIndex.size(), triangles);
            return 1;
        }
        std::printf("%12zu %10.2f %10.3f %10.1f\n", triangles, megabytes, seconds,
                    megabytes / seconds);
        fs::remove(root / "VRMLmodels" / name);
    }
    fs::current_path(previous);
    fs::remove_all(root);
    return 0;
}
