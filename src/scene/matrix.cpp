#include "scene/matrix.h"

#include <cmath>

void setIdentity(Matrix4& m) {
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            m[4 * column + row] = row == column ? 1.0f : 0.0f;
        }
    }
}

Matrix4 identityMatrix() {
    Matrix4 m;
    setIdentity(m);
    return m;
}

Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    // Each element is summed left to right in single precision, the way the GL matrix stack
    // composes glMultMatrixf, so the rounding is the same.
    Matrix4 p;
    for (int row = 0; row < 4; ++row) {
        const float a0 = a[row], a1 = a[4 + row], a2 = a[8 + row], a3 = a[12 + row];
        for (int column = 0; column < 4; ++column) {
            const float* bc = &b[4 * column];
            p[4 * column + row] = a0 * bc[0] + a1 * bc[1] + a2 * bc[2] + a3 * bc[3];
        }
    }
    return p;
}

Matrix4 translationMatrix(float x, float y, float z) {
    Matrix4 m = identityMatrix();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

Matrix4 scaleMatrix(float x, float y, float z) {
    Matrix4 m = identityMatrix();
    m[0] = x;
    m[5] = y;
    m[10] = z;
    return m;
}

Matrix4 rotationMatrix(float degrees, float x, float y, float z) {
    Matrix4 m = identityMatrix();
    if (degrees == 0.0f) {
        return m;
    }
    // The angle is turned into radians in double, rounded to float, and its sine and cosine are
    // taken in float, as Mesa's glRotatef does: Rz(90) then carries the same cos term of -4.4e-8
    // as the GL stack's matrix (a double sine and cosine would give 6e-17).
    const float radians = static_cast<float>(degrees * M_PI / 180.0);
    const float s = std::sin(radians);
    const float c = std::cos(radians);
    auto at = [&m](int row, int column) -> float& { return m[4 * column + row]; };

    // A rotation about one coordinate axis is written out directly (the axis length is then
    // irrelevant, only its sign counts), exactly as Mesa does.
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        at(0, 0) = c;
        at(1, 1) = c;
        at(0, 1) = z < 0.0f ? s : -s;
        at(1, 0) = z < 0.0f ? -s : s;
        return m;
    }
    if (x == 0.0f && z == 0.0f && y != 0.0f) {
        at(0, 0) = c;
        at(2, 2) = c;
        at(0, 2) = y < 0.0f ? -s : s;
        at(2, 0) = y < 0.0f ? s : -s;
        return m;
    }
    if (y == 0.0f && z == 0.0f && x != 0.0f) {
        at(1, 1) = c;
        at(2, 2) = c;
        at(1, 2) = x < 0.0f ? s : -s;
        at(2, 1) = x < 0.0f ? -s : s;
        return m;
    }

    const float length = std::sqrt(x * x + y * y + z * z);
    if (length <= 1.0e-4f) {
        return m;  // no usable axis: no rotation
    }
    x /= length;
    y /= length;
    z /= length;
    const float xx = x * x, yy = y * y, zz = z * z;
    const float xy = x * y, yz = y * z, zx = z * x;
    const float xs = x * s, ys = y * s, zs = z * s;
    const float oneMinusC = 1.0f - c;
    at(0, 0) = (oneMinusC * xx) + c;
    at(0, 1) = (oneMinusC * xy) - zs;
    at(0, 2) = (oneMinusC * zx) + ys;
    at(1, 0) = (oneMinusC * xy) + zs;
    at(1, 1) = (oneMinusC * yy) + c;
    at(1, 2) = (oneMinusC * yz) - xs;
    at(2, 0) = (oneMinusC * zx) - ys;
    at(2, 1) = (oneMinusC * yz) + xs;
    at(2, 2) = (oneMinusC * zz) + c;
    return m;
}
