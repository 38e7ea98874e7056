#include "scene/matrix.h"

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
