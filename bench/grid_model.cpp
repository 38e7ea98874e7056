#include "grid_model.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

size_t writeGridModel(const std::filesystem::path& path, int n) {
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
