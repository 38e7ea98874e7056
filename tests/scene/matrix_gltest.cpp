#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "scene/matrix.h"
#include "scene/scene_object.h"
#include "support/gl_window.h"

namespace {

// What the GL model-view stack holds after `steps`, starting from `start`.
Matrix4 onGlStack(const Matrix4& start, const std::function<void()>& steps) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixf(start.data());
    steps();
    Matrix4 result;
    glGetFloatv(GL_MODELVIEW_MATRIX, result.data());
    glPopMatrix();
    return result;
}

int32_t orderedBits(float f) {
    int32_t i;
    std::memcpy(&i, &f, sizeof i);
    return i < 0 ? INT32_MIN - i : i;
}

// Largest distance in units in the last place between corresponding elements; +0 and -0 count
// as equal.
int64_t maxUlps(const Matrix4& a, const Matrix4& b) {
    int64_t worst = 0;
    for (int i = 0; i < 16; ++i) {
        if (a[i] == b[i]) {
            continue;
        }
        worst = std::max<int64_t>(
            worst, std::llabs(static_cast<int64_t>(orderedBits(a[i])) - orderedBits(b[i])));
    }
    return worst;
}

class MatrixGlTest : public ::testing::Test {
protected:
    const TestWindow window{64, 64};
};

TEST_F(MatrixGlTest, RotationMatchesGlRotate) {
    const float axes[][3] = {{1, 0, 0},  {0, 1, 0},    {0, 0, 1},     {-1, 0, 0},
                             {0, -3, 0}, {0, 0, 0.5f}, {1, 1, 1},     {1, -2, 0.5f},
                             {0, 1, 1},  {3, 0, -4},   {1e-5f, 0, 0}, {1e-5f, 1e-5f, 0}};
    const float angles[] = {0, 5, -5, 30, 45, 90, -90, 135, 180, 270, 359.5f, 1e-3f, 1234.5f};
    for (const auto& axis : axes) {
        for (float angle : angles) {
            const Matrix4 expected =
                onGlStack(identityMatrix(), [&] { glRotatef(angle, axis[0], axis[1], axis[2]); });
            EXPECT_EQ(maxUlps(rotationMatrix(angle, axis[0], axis[1], axis[2]), expected), 0)
                << angle << " about " << axis[0] << ", " << axis[1] << ", " << axis[2];
        }
    }
}

TEST_F(MatrixGlTest, ProductsMatchTheGlStack) {
    const Matrix4 a = onGlStack(identityMatrix(), [] {
        glTranslatef(0.3f, -1.7f, 2.2f);
        glRotatef(37, 1, 2, 3);
        glScalef(1.5f, 0.7f, -2);
    });
    const Matrix4 b = onGlStack(identityMatrix(), [] {
        glRotatef(-71, 0, 1, 0);
        glTranslatef(5, 0.125f, -3);
    });
    EXPECT_EQ(maxUlps(multiply(a, b), onGlStack(a, [&] { glMultMatrixf(b.data()); })), 0);
    EXPECT_EQ(maxUlps(multiply(a, translationMatrix(0.1f, 0.2f, 0.3f)),
                      onGlStack(a, [] { glTranslatef(0.1f, 0.2f, 0.3f); })),
              0);
    EXPECT_EQ(maxUlps(multiply(a, scaleMatrix(0.9f, 1.1f, 3)),
                      onGlStack(a, [] { glScalef(0.9f, 1.1f, 3); })),
              0);
    EXPECT_EQ(maxUlps(multiply(a, rotationMatrix(5, 0, 0, 1)),
                      onGlStack(a, [] { glRotatef(5, 0, 0, 1); })),
              0);
}

// The object operations against the same products done the old way, on the GL stack: world side
// loads the identity, applies the factor and multiplies the transform in; object side loads the
// transform and applies the factor.
TEST_F(MatrixGlTest, ObjectOperationsMatchTheGlStack) {
    SceneObject object(nullptr);
    Matrix4 onStack = identityMatrix();
    auto worldSide = [&](const std::function<void()>& factor) {
        onStack = onGlStack(identityMatrix(), [&] {
            factor();
            glMultMatrixf(onStack.data());
        });
    };
    auto objectSide = [&](const std::function<void()>& factor) {
        onStack = onGlStack(onStack, factor);
    };
    for (int round = 0; round < 20; ++round) {
        const float f = 0.1f * static_cast<float>(round);
        object.translateObject(0.5f - f, 0.01f * round, -0.5f);
        worldSide([&] { glTranslatef(0.5f - f, 0.01f * round, -0.5f); });
        object.rotateObjectLocal(5, 0, -5);
        objectSide([] {
            glRotatef(5, 1, 0, 0);
            glRotatef(-5, 0, 0, 1);
        });
        object.scaleObjectWorld(1.01f, 1, 0.99f);
        worldSide([] { glScalef(1.01f, 1, 0.99f); });
        object.rotateObjectWorld(0, 1 + f, 2);
        worldSide([&] {
            glRotatef(1 + f, 0, 1, 0);
            glRotatef(2, 0, 0, 1);
        });
        object.scaleObjectLocal(0.9f, 1.1f, 1);
        objectSide([] { glScalef(0.9f, 1.1f, 1); });
        object.pendingRotation = rotationMatrix(3 * f, 1, 2, 2);
        object.foldPendingRotation();
        const Matrix4 pending = rotationMatrix(3 * f, 1, 2, 2);
        onStack = onGlStack(identityMatrix(), [&] {
            glMultMatrixf(onStack.data());
            glMultMatrixf(pending.data());
        });
        ASSERT_EQ(maxUlps(object.transform, onStack), 0) << "round " << round;
    }
}

}  // namespace
