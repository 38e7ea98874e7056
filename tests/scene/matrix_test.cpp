#include <gtest/gtest.h>

#include "matrix_reference.h"
#include "scene/matrix.h"

namespace {

using namespace reference;

constexpr double TOLERANCE = 1e-6;

TEST(MatrixTest, ColumnMajorLayoutAndProductOrder) {
    const Matrix4 t = translationMatrix(1, 2, 3);
    EXPECT_EQ(t[12], 1.0f);
    EXPECT_EQ(t[13], 2.0f);
    EXPECT_EQ(t[14], 3.0f);
    // In T * S the scale acts first: (1, 1, 1) -> (2, 2, 2) -> (3, 4, 5).
    const Mat ts = fromFloats(multiply(t, scaleMatrix(2, 2, 2)));
    const auto p = apply(ts, 1, 1, 1);
    EXPECT_DOUBLE_EQ(p[0], 3);
    EXPECT_DOUBLE_EQ(p[1], 4);
    EXPECT_DOUBLE_EQ(p[2], 5);
    // And S * T translates first.
    const auto q = apply(fromFloats(multiply(scaleMatrix(2, 2, 2), t)), 1, 1, 1);
    EXPECT_DOUBLE_EQ(q[0], 4);
    EXPECT_DOUBLE_EQ(q[2], 8);
}

TEST(MatrixTest, MultiplyAgreesWithDoubleProduct) {
    const Mat a = product(translation(0.5, -2, 3.25),
                          product(rotation(33, 1, 2, -0.5), scale(1.5, 0.25, -2)));
    const Mat b = product(rotation(-71, 0.3, -1, 0.2), translation(-1, 4, 0.125));
    EXPECT_LT(maxDifference(multiply(toFloats(a), toFloats(b)), product(a, b)), 1e-5);
}

TEST(MatrixTest, RotationsAboutTheAxesAreRightHanded) {
    // Counter-clockwise seen from the positive axis: x -> y about z, y -> z about x, z -> x
    // about y.
    const auto aboutZ = apply(fromFloats(rotationMatrix(90, 0, 0, 1)), 1, 0, 0);
    EXPECT_NEAR(aboutZ[0], 0, TOLERANCE);
    EXPECT_NEAR(aboutZ[1], 1, TOLERANCE);
    const auto aboutX = apply(fromFloats(rotationMatrix(90, 1, 0, 0)), 0, 1, 0);
    EXPECT_NEAR(aboutX[2], 1, TOLERANCE);
    const auto aboutY = apply(fromFloats(rotationMatrix(90, 0, 1, 0)), 0, 0, 1);
    EXPECT_NEAR(aboutY[0], 1, TOLERANCE);
    for (double angle : {-135.0, -5.0, 30.0, 90.0, 180.0, 271.0}) {
        EXPECT_LT(maxDifference(rotationMatrix(angle, 1, 0, 0), rx(angle)), TOLERANCE) << angle;
        EXPECT_LT(maxDifference(rotationMatrix(angle, 0, 1, 0), ry(angle)), TOLERANCE) << angle;
        EXPECT_LT(maxDifference(rotationMatrix(angle, 0, 0, 1), rz(angle)), TOLERANCE) << angle;
    }
}

TEST(MatrixTest, AxisLengthDoesNotMatterOnlyItsDirection) {
    EXPECT_EQ(rotationMatrix(30, 0, 0, 7), rotationMatrix(30, 0, 0, 1));
    EXPECT_EQ(rotationMatrix(30, 0, -2, 0), rotationMatrix(-30, 0, 1, 0));
    EXPECT_EQ(rotationMatrix(30, -0.5f, 0, 0), rotationMatrix(-30, 1, 0, 0));
    EXPECT_LT(maxDifference(rotationMatrix(40, 2, 2, 2), rotation(40, 1, 1, 1)), TOLERANCE);
    EXPECT_LT(maxDifference(rotationMatrix(-75, 1, -3, 0.5f), rotation(-75, 1, -3, 0.5)),
              TOLERANCE);
}

TEST(MatrixTest, ZeroAngleOrNoAxisGivesTheIdentity) {
    EXPECT_EQ(rotationMatrix(0, 1, 2, 3), identityMatrix());
    EXPECT_EQ(rotationMatrix(45, 0, 0, 0), identityMatrix());
    EXPECT_EQ(rotationMatrix(45, 1e-5f, 1e-5f, 0), identityMatrix());
}

}  // namespace
