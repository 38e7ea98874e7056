#pragma once

// Matrices computed independently of the code under test: double precision, row-major, with
// rotations written straight from their textbook definitions.

#include <array>
#include <cmath>

#include "scene/matrix.h"

namespace reference {

using Mat = std::array<std::array<double, 4>, 4>;  // [row][column]

inline Mat identity() {
    Mat m{};
    for (int i = 0; i < 4; ++i) {
        m[i][i] = 1;
    }
    return m;
}

inline Mat product(const Mat& a, const Mat& b) {
    Mat p{};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            for (int k = 0; k < 4; ++k) {
                p[r][c] += a[r][k] * b[k][c];
            }
        }
    }
    return p;
}

inline Mat translation(double x, double y, double z) {
    Mat m = identity();
    m[0][3] = x;
    m[1][3] = y;
    m[2][3] = z;
    return m;
}

inline Mat scale(double x, double y, double z) {
    Mat m = identity();
    m[0][0] = x;
    m[1][1] = y;
    m[2][2] = z;
    return m;
}

// Right-handed rotation by `degrees` about the unit vector along (x, y, z) (Rodrigues).
inline Mat rotation(double degrees, double x, double y, double z) {
    const double length = std::sqrt(x * x + y * y + z * z);
    x /= length;
    y /= length;
    z /= length;
    const double a = degrees * M_PI / 180.0;
    const double c = std::cos(a), s = std::sin(a), t = 1 - c;
    Mat m = identity();
    m[0][0] = t * x * x + c;
    m[0][1] = t * x * y - s * z;
    m[0][2] = t * x * z + s * y;
    m[1][0] = t * x * y + s * z;
    m[1][1] = t * y * y + c;
    m[1][2] = t * y * z - s * x;
    m[2][0] = t * x * z - s * y;
    m[2][1] = t * y * z + s * x;
    m[2][2] = t * z * z + c;
    return m;
}

inline Mat rx(double degrees) {
    return rotation(degrees, 1, 0, 0);
}
inline Mat ry(double degrees) {
    return rotation(degrees, 0, 1, 0);
}
inline Mat rz(double degrees) {
    return rotation(degrees, 0, 0, 1);
}

// The float matrix under test, read with the column-major convention (element r, c at 4c + r).
inline Mat fromFloats(const Matrix4& m) {
    Mat out{};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            out[r][c] = m[4 * c + r];
        }
    }
    return out;
}

inline Matrix4 toFloats(const Mat& m) {
    Matrix4 out{};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            out[4 * c + r] = static_cast<float>(m[r][c]);
        }
    }
    return out;
}

inline std::array<double, 3> apply(const Mat& m, double x, double y, double z) {
    std::array<double, 3> p{};
    for (int r = 0; r < 3; ++r) {
        p[r] = m[r][0] * x + m[r][1] * y + m[r][2] * z + m[r][3];
    }
    return p;
}

inline double maxDifference(const Matrix4& actual, const Mat& expected) {
    const Mat a = fromFloats(actual);
    double worst = 0;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            worst = std::max(worst, std::abs(a[r][c] - expected[r][c]));
        }
    }
    return worst;
}

}  // namespace reference
