#pragma once

#include <cstdint>

// Single-precision vector: camera points and directions, and the face-normal arithmetic of the
// model reader.
struct Vec3 {
    float x = 0, y = 0, z = 0;

    Vec3 scaled(float s) const { return {x * s, y * s, z * s}; }
    Vec3 minus(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 cross(const Vec3& o) const {
        return {y * o.z - o.y * z, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    // One reciprocal, three products: the rounding differs from three divisions.
    Vec3 divided(float s) const {
        const float k = 1.0f / s;
        return {k * x, k * y, k * z};
    }
};

// One point or one normal of a Mesh.
struct Vec3d {
    double x = 0, y = 0, z = 0;
    bool operator==(const Vec3d&) const = default;
};

// Three corners of one triangle, as indices into a Mesh's points or normals.
struct IndexTriple {
    int32_t a = 0, b = 0, c = 0;
    bool operator==(const IndexTriple&) const = default;
};
