#include "panel/arcball.h"

#include <gtest/gtest.h>

#include <cmath>

#include "panel/panel.h"

namespace {

// m applied to the column vector (x, y, z, 0).
BallPoint apply(const Matrix4& m, double x, double y, double z) {
    return {m[0] * x + m[4] * y + m[8] * z, m[1] * x + m[5] * y + m[9] * z,
            m[2] * x + m[6] * y + m[10] * z};
}

void expectNear(BallPoint p, double x, double y, double z, double tolerance = 1e-5) {
    EXPECT_NEAR(p.x, x, tolerance);
    EXPECT_NEAR(p.y, y, tolerance);
    EXPECT_NEAR(p.z, z, tolerance);
}

// Largest deviation of the 3x3 part from an orthonormal, right-handed frame.
double orthonormalityError(const Matrix4& m) {
    double worst = 0;
    for (int a = 0; a < 3; ++a) {
        for (int b = 0; b < 3; ++b) {
            double dot = 0;
            for (int r = 0; r < 3; ++r)
                dot += double(m[4 * a + r]) * m[4 * b + r];
            worst = std::max(worst, std::abs(dot - (a == b ? 1.0 : 0.0)));
        }
    }
    const double det = m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) +
                       m[8] * (m[1] * m[6] - m[5] * m[2]);
    return std::max(worst, std::abs(det - 1));
}

// A drag in `steps` equal motion events, as the window delivers it.
void dragInSteps(Control& ball, float x0, float y0, float x1, float y1, int steps) {
    for (int i = 0; i < steps; ++i) {
        const float a = float(i) / steps, b = float(i + 1) / steps;
        ball.dragRotation(x0 + (x1 - x0) * a, y0 + (y1 - y0) * a, x0 + (x1 - x0) * b,
                          y0 + (y1 - y0) * b);
    }
}

TEST(Arcball, CentreToRimTurnsNinetyDegreesAboutTheAxisPerpendicularToTheDrag) {
    // Rightwards: about +Y, so the front of the ball (+Z) comes round to +X.
    const Matrix4 right = arcballRotation(0, 0, 1, 0);
    expectNear(apply(right, 0, 0, 1), 1, 0, 0);
    expectNear(apply(right, 0, 1, 0), 0, 1, 0);
    // Upwards: about -X, so the front comes up to +Y.
    const Matrix4 up = arcballRotation(0, 0, 0, 1);
    expectNear(apply(up, 0, 0, 1), 0, 1, 0);
    expectNear(apply(up, 1, 0, 0), 1, 0, 0);
    // Points beyond the rim count as on the rim.
    const Matrix4 beyond = arcballRotation(0, 0, 3, 0);
    expectNear(apply(beyond, 0, 0, 1), 1, 0, 0);
}

TEST(Arcball, NoMovementAndOppositeRimPointsGiveTheIdentity) {
    EXPECT_EQ(arcballRotation(0.3f, 0.2f, 0.3f, 0.2f), identityMatrix());
    EXPECT_EQ(arcballRotation(1, 0, -1, 0), identityMatrix());
}

TEST(Arcball, BallControlAccumulatesDragsInStepsUntilSetBack) {
    Control ball;
    ball.kind = ControlKind::Rotation;
    ball.id = 209;
    int calls = 0;
    ball.callback = [&](int id) {
        EXPECT_EQ(id, 209);
        ++calls;
    };

    dragInSteps(ball, 0, 0, 1, 0, 10);  // 90 degrees about +Y, in ten motion events
    EXPECT_EQ(calls, 10);
    float value[16];
    ball.get_float_array_val(value);
    Matrix4 m;
    std::copy(value, value + 16, m.begin());
    expectNear(apply(m, 0, 0, 1), 1, 0, 0);

    dragInSteps(ball, 0, 0, 1, 0, 5);  // another 90: the front now faces -Z
    expectNear(apply(ball.rotation, 0, 0, 1), 0, 0, -1);

    dragInSteps(ball, 0, 0, 0, 1, 4);  // then about -X, applied after what the ball holds
    expectNear(apply(ball.rotation, 0, 0, 1), 0, -1, 0);

    const Matrix4 identity = identityMatrix();
    ball.set_float_array_val(identity.data());
    EXPECT_EQ(ball.rotation, identity);
    dragInSteps(ball, 0, 0, 1, 0, 3);  // starts afresh from the identity
    expectNear(apply(ball.rotation, 0, 0, 1), 1, 0, 0);
}

TEST(Arcball, StaysAnExactRotationAfterManyDrags) {
    Control ball;
    ball.kind = ControlKind::Rotation;
    for (int i = 0; i < 5000; ++i) {
        const float t = 0.37f * i;
        ball.dragRotation(0.6f * std::cos(t), 0.5f * std::sin(1.3f * t), 0.7f * std::cos(t + 0.2f),
                          0.4f * std::sin(1.3f * t + 0.25f));
    }
    EXPECT_LT(orthonormalityError(ball.rotation), 1e-5);
    EXPECT_EQ(ball.rotation[3], 0);
    EXPECT_EQ(ball.rotation[12], 0);
    EXPECT_EQ(ball.rotation[15], 1);
}

TEST(Arcball, OrthonormaliseRepairsDriftAndNeverProducesNaN) {
    Matrix4 m = arcballRotation(0, 0, 0.5f, 0.5f);
    m[0] *= 1.01f;
    m[4] += 0.02f;
    orthonormalise(m);
    EXPECT_LT(orthonormalityError(m), 1e-6);

    Matrix4 zero{};
    orthonormalise(zero);
    EXPECT_EQ(zero, identityMatrix());
}

}  // namespace
