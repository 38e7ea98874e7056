#include "panel/arcball.h"

#include <algorithm>
#include <cmath>

BallPoint ballPoint(float x, float y) {
    const double squared = double(x) * x + double(y) * y;
    if (squared <= 1.0) {
        return {x, y, std::sqrt(1.0 - squared)};
    }
    const double length = std::sqrt(squared);
    return {x / length, y / length, 0.0};
}

Matrix4 arcballRotation(float fromX, float fromY, float toX, float toY) {
    const BallPoint a = ballPoint(fromX, fromY);
    const BallPoint b = ballPoint(toX, toY);
    double ax = a.y * b.z - a.z * b.y;
    double ay = a.z * b.x - a.x * b.z;
    double az = a.x * b.y - a.y * b.x;
    const double sine = std::sqrt(ax * ax + ay * ay + az * az);
    const double cosine = std::clamp(a.x * b.x + a.y * b.y + a.z * b.z, -1.0, 1.0);
    Matrix4 m = identityMatrix();
    if (sine < 1e-12) {
        return m;  // no turn, or opposite rim points whose axis is undefined
    }
    ax /= sine;
    ay /= sine;
    az /= sine;
    const double angle = std::atan2(sine, cosine);
    const double c = std::cos(angle), s = std::sin(angle), t = 1.0 - c;
    // Rodrigues' formula; element (row r, column k) at 4k + r.
    m[0] = float(t * ax * ax + c);
    m[1] = float(t * ax * ay + s * az);
    m[2] = float(t * ax * az - s * ay);
    m[4] = float(t * ax * ay - s * az);
    m[5] = float(t * ay * ay + c);
    m[6] = float(t * ay * az + s * ax);
    m[8] = float(t * ax * az + s * ay);
    m[9] = float(t * ay * az - s * ax);
    m[10] = float(t * az * az + c);
    return m;
}

Matrix4 multiplyRotations(const Matrix4& a, const Matrix4& b) {
    Matrix4 m{};
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) {
                sum += double(a[4 * k + row]) * b[4 * column + k];
            }
            m[4 * column + row] = float(sum);
        }
    }
    return m;
}

void orthonormalise(Matrix4& m) {
    double column[3][3];
    for (int k = 0; k < 3; ++k) {
        for (int r = 0; r < 3; ++r) {
            column[k][r] = m[4 * k + r];
        }
    }
    auto dot = [](const double* u, const double* v) {
        return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
    };
    auto normalise = [&](double* u) {
        const double length = std::sqrt(dot(u, u));
        if (length < 1e-12) {
            return false;
        }
        for (int r = 0; r < 3; ++r)
            u[r] /= length;
        return true;
    };
    bool ok = normalise(column[0]);
    const double d = dot(column[0], column[1]);
    for (int r = 0; r < 3; ++r)
        column[1][r] -= d * column[0][r];
    ok = ok && normalise(column[1]);
    // The third column follows from the first two, so the result is never a reflection.
    column[2][0] = column[0][1] * column[1][2] - column[0][2] * column[1][1];
    column[2][1] = column[0][2] * column[1][0] - column[0][0] * column[1][2];
    column[2][2] = column[0][0] * column[1][1] - column[0][1] * column[1][0];
    if (!ok) {
        m = identityMatrix();  // degenerate input: fall back to no rotation rather than NaN
        return;
    }
    m = identityMatrix();
    for (int k = 0; k < 3; ++k) {
        for (int r = 0; r < 3; ++r) {
            m[4 * k + r] = float(column[k][r]);
        }
    }
}
