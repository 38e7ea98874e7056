#include "reader/export_geometry.h"

#include <algorithm>
#include <cmath>
#include <vector>

WorldPlacement worldPlacement(const Matrix4& matrix) {
    WorldPlacement placement;
    for (int i = 0; i < 16; ++i) {
        placement.matrix[i] = matrix[i];
    }
    const auto& m = placement.matrix;
    placement.affine = matrix[3] == 0 && matrix[7] == 0 && matrix[11] == 0 && matrix[15] == 1;
    // Element (row r, column c) of the linear part is m[4c + r]. Normals transform by the inverse
    // transpose, which is the cofactor matrix divided by the determinant: the cofactors alone give
    // the direction, and need no inverse to exist.
    const auto at = [&m](int r, int c) { return m[4 * c + r]; };
    std::array<double, 9> cofactor{};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            const int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
            cofactor[3 * c + r] = at(r1, c1) * at(r2, c2) - at(r1, c2) * at(r2, c1);
        }
    }
    const double determinant =
        at(0, 0) * cofactor[0] + at(0, 1) * cofactor[3] + at(0, 2) * cofactor[6];
    const double sign = determinant < 0 ? -1.0 : 1.0;
    for (int i = 0; i < 9; ++i) {
        placement.normal[i] = sign * cofactor[i];
    }
    return placement;
}

Vec3d placePoint(const WorldPlacement& placement, const Vec3d& p) {
    const auto& m = placement.matrix;
    Vec3d world{m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12],
                m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
                m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
    if (!placement.affine) {
        const double w = m[3] * p.x + m[7] * p.y + m[11] * p.z + m[15];
        if (w != 0 && std::isfinite(w)) {
            world = {world.x / w, world.y / w, world.z / w};
        }
    }
    return world;
}

namespace {

Vec3d unit(const Vec3d& v) {
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length > 0) || !std::isfinite(length)) {
        return {0, 0, 0};
    }
    return {v.x / length, v.y / length, v.z / length};
}

}  // namespace

Vec3d placeNormal(const WorldPlacement& placement, const Vec3d& n) {
    const auto& c = placement.normal;
    return unit({c[0] * n.x + c[3] * n.y + c[6] * n.z, c[1] * n.x + c[4] * n.y + c[7] * n.z,
                 c[2] * n.x + c[5] * n.y + c[8] * n.z});
}

Vec3d flatNormal(const Vec3d& a, const Vec3d& b, const Vec3d& c) {
    const Vec3d e1{b.x - a.x, b.y - a.y, b.z - a.z};
    const Vec3d e2{c.x - b.x, c.y - b.y, c.z - b.z};
    return unit({e1.y * e2.z - e2.y * e1.z, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x});
}

bool normalsServeEveryTriangle(const ExportModel& model) {
    if (model.normalIndex.size() < model.coordIndex.size()) {
        return false;
    }
    const auto size = static_cast<int64_t>(model.normals.size());
    const auto inside = [size](int32_t i) { return i >= 0 && i < size; };
    for (size_t t = 0; t < model.coordIndex.size(); ++t) {
        const IndexTriple& n = model.normalIndex[t];
        if (!inside(n.a) || !inside(n.b) || !inside(n.c)) {
            return false;
        }
    }
    return true;
}

uint64_t exportedTriangles(const ExportScene& scene) {
    uint64_t triangles = 0;
    for (const ExportObject& object : scene.objects) {
        if (object.model < scene.models.size()) {
            triangles += scene.models[object.model].coordIndex.size();
        }
    }
    return triangles;
}

std::string exportProblem(const ExportScene& scene, uint64_t maxCorners) {
    const auto finite = [](const Vec3d& p) {
        return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
    };
    for (const ExportObject& object : scene.objects) {
        if (object.model >= scene.models.size()) {
            return "not exported: an object has no model";
        }
        for (float element : object.matrix) {
            if (!std::isfinite(element)) {
                return "not exported: a number is inf or nan";
            }
        }
    }
    for (const ExportModel& model : scene.models) {
        for (const Vec3d& p : model.points) {
            if (!finite(p)) {
                return "not exported: model " + model.name + " has a point at inf or nan";
            }
        }
        const auto size = static_cast<int64_t>(model.points.size());
        const auto inside = [size](int32_t i) { return i >= 0 && i < size; };
        for (const IndexTriple& t : model.coordIndex) {
            if (!inside(t.a) || !inside(t.b) || !inside(t.c)) {
                return "not exported: model " + model.name + " is damaged";
            }
        }
    }
    // Files hold single-precision numbers: a placed point must stay within them. The bound is
    // loose (every element at its largest), and refuses only scenes far beyond any real use.
    std::vector<double> reach(scene.models.size(), 0);
    for (size_t m = 0; m < scene.models.size(); ++m) {
        for (const Vec3d& p : scene.models[m].points) {
            reach[m] = std::max({reach[m], std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)});
        }
    }
    for (const ExportObject& object : scene.objects) {
        const Matrix4& m = object.matrix;
        for (int row = 0; row < 3; ++row) {
            const double bound =
                (std::fabs(m[row]) + std::fabs(m[4 + row]) + std::fabs(m[8 + row])) *
                    reach[object.model] +
                std::fabs(m[12 + row]);
            if (bound > 1e38) {
                return "not exported: an object lies too far out";
            }
        }
    }
    const uint64_t triangles = exportedTriangles(scene);
    if (triangles == 0) {
        return "not exported: the scene has no triangles";
    }
    if (triangles > maxCorners / 3) {
        return "not exported: too many triangles for one file";
    }
    return {};
}
