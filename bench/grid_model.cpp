#include "grid_model.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

const char* gridNormalsName(GridNormals normals) {
    switch (normals) {
        case GridNormals::PerVertex:
            return "per vertex";
        case GridNormals::PerFace:
            return "per face";
        case GridNormals::None:
            return "none";
    }
    return "";
}

size_t writeGridModel(const std::filesystem::path& path, int n, GridNormals normals) {
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
    std::fprintf(out, "      ]\n    }\n");
    // The surface normal at (i, j); per face, that of the quad's first corner.
    const auto putNormal = [&](int i, int j) {
        const double x = 4.0 * i / (n - 1) - 2;
        const double z = 4.0 * j / (n - 1) - 2;
        const double dx = 0.6 * std::cos(3 * x) * std::cos(2 * z);
        const double dz = -0.4 * std::sin(3 * x) * std::sin(2 * z);
        const double len = std::sqrt(dx * dx + 1 + dz * dz);
        std::fprintf(out, "%.6f %.6f %.6f,\n", -dx / len, 1 / len, -dz / len);
    };
    if (normals != GridNormals::None) {
        std::fprintf(out, "    normal Normal {\n      vector [\n");
        const int perSide = normals == GridNormals::PerVertex ? n : n - 1;
        for (int i = 0; i < perSide; ++i) {
            for (int j = 0; j < perSide; ++j) {
                putNormal(i, j);
            }
        }
        std::fprintf(out, "      ]\n    }\n");
    }
    std::fprintf(out, "    coordIndex [\n");
    for (int i = 0; i + 1 < n; ++i) {
        for (int j = 0; j + 1 < n; ++j) {
            const int a = i * n + j;
            std::fprintf(out, "%d, %d, %d, %d, -1,\n", a, a + 1, a + n + 1, a + n);
        }
    }
    std::fprintf(out, "    ]\n");
    if (normals != GridNormals::None) {
        std::fprintf(out, "    normalIndex [\n");
        for (int i = 0; i + 1 < n; ++i) {
            for (int j = 0; j + 1 < n; ++j) {
                if (normals == GridNormals::PerVertex) {
                    const int a = i * n + j;
                    std::fprintf(out, "%d,%d,%d,%d,-1,\n", a, a + 1, a + n + 1, a + n);
                } else {
                    const int f = i * (n - 1) + j;
                    std::fprintf(out, "%d,%d,%d,%d,-1,\n", f, f, f, f);
                }
            }
        }
        std::fprintf(out, "    ]\n");
    }
    std::fprintf(out, "  }\n}\n");
    std::fclose(out);
    return 2 * static_cast<size_t>(n - 1) * static_cast<size_t>(n - 1);
}
