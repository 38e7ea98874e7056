#pragma once

#include <array>

// A 4x4 matrix as OpenGL stores it: 16 floats, column-major, element (row r, column c) at 4c + r.
// Points are column vectors, so in A*B*p the matrix B acts first.
using Matrix4 = std::array<float, 16>;

void setIdentity(Matrix4& m);
Matrix4 identityMatrix();

// The products below are computed in single precision in the order the GL matrix stack uses, so
// results match glMultMatrixf / glTranslatef / glScalef / glRotatef bit for bit where GL does.
Matrix4 multiply(const Matrix4& a, const Matrix4& b);
Matrix4 translationMatrix(float x, float y, float z);
Matrix4 scaleMatrix(float x, float y, float z);
// Rotation by `degrees` about the axis (x, y, z), as glRotatef builds it.
Matrix4 rotationMatrix(float degrees, float x, float y, float z);
