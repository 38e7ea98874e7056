#include "interact/key_commands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "interact/interact_fixture.h"
#include "interact/view_input.h"

namespace {

struct Keys : InteractFixture {
    Keys() { scene.selectObject(1); }
    KeyEffect type(unsigned char key) { return applyKeyCommand(keyCommand(key), scene, editMode); }
};

TEST(KeyCommands, ZTwiceIsAPureTranslation) {
    Keys k;
    EXPECT_EQ(k.type('Z'), KeyEffect::RedrawAll);
    EXPECT_EQ(k.type('Z'), KeyEffect::RedrawAll);
    EXPECT_EQ(k.object(1).transform, translation(1, 0, 0));
    EXPECT_EQ(k.object(0).transform, identityMatrix());
}

TEST(KeyCommands, MovesAreWorldSideScalesAndTurnsObjectSide) {
    Keys k;
    k.type('w');
    const Matrix4 turned = k.object(1).transform;
    k.type('Z');
    EXPECT_FLOAT_EQ(k.object(1).transform[12], 0.5f);
    EXPECT_FLOAT_EQ(k.object(1).transform[13], 0);
    EXPECT_FLOAT_EQ(k.object(1).transform[14], 0);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(k.object(1).transform[i], turned[i]) << i;
    }

    // The object's own X axis lies 5 degrees from world X; a shrinks along it, in place.
    k.type('a');
    const double angle = 5 * std::numbers::pi / 180;
    EXPECT_NEAR(k.object(1).transform[0], 0.9 * std::cos(angle), 1e-6);
    EXPECT_NEAR(k.object(1).transform[1], 0, 1e-6);
    EXPECT_NEAR(k.object(1).transform[2], -0.9 * std::sin(angle), 1e-6);
    EXPECT_NEAR(k.object(1).transform[8], std::sin(angle), 1e-6);
    EXPECT_FLOAT_EQ(k.object(1).transform[12], 0.5f);
}

TEST(KeyCommands, RepeatedScalesAreFloatProducts) {
    Keys k;
    float expected = 1;
    for (int i = 0; i < 10; ++i) {
        k.type('a');
        expected *= 0.9f;
    }
    EXPECT_EQ(k.object(1).transform[0], expected);
    EXPECT_NEAR(expected, 0.3487, 1e-4);

    Keys back;
    back.type('a');
    back.type('A');
    EXPECT_EQ(back.object(1).transform[0], 0.9f * 1.1f);
    EXPECT_NE(back.object(1).transform[0], 1.0f);
}

// 950 presses of S would reach infinity: the steps up to the largest finite scale apply as
// always; a step past it changes no selected object, and is counted for the status line.
TEST(KeyCommands, AStepWhoseResultWouldNotBeFiniteIsNotApplied) {
    Keys k;
    k.scene.selectObject(2);
    k.object(2).scaleObjectLocal(1, 1e30f, 1);  // reaches the limit long before object 1
    float expected = 1;
    int refusedAt = -1;
    for (int i = 0; i < 1000 && refusedAt < 0; ++i) {
        const Matrix4 before1 = k.object(1).transform;
        const Matrix4 before2 = k.object(2).transform;
        k.type('S');
        if (k.scene.refusedEdits != 0) {
            refusedAt = i;
            EXPECT_EQ(k.object(1).transform, before1);
            EXPECT_EQ(k.object(2).transform, before2);
        } else {
            expected *= 1.1f;
            ASSERT_EQ(k.object(1).transform[5], expected) << i;
        }
    }
    ASSERT_GE(refusedAt, 0);
    EXPECT_TRUE(std::isfinite(k.object(2).transform[5]));
    EXPECT_TRUE(std::isinf(k.object(2).transform[5] * 1.1f));
    // Other steps still apply, the refused one again is refused again.
    k.type('s');
    EXPECT_EQ(k.object(1).transform[5], expected * 0.9f);
    EXPECT_EQ(k.scene.refusedEdits, 1u);
    k.type('S');
    k.type('S');
    EXPECT_EQ(k.scene.refusedEdits, 2u);
    EXPECT_TRUE(k.object(2).finitePlacement());
}

TEST(KeyCommands, CaseChoosesTheDirection) {
    const std::string lower = "zxcasdqwe";
    const std::string upper = "ZXCASDQWE";
    for (std::size_t i = 0; i < lower.size(); ++i) {
        const KeyCommand down = keyCommand(lower[i]);
        const KeyCommand up = keyCommand(upper[i]);
        EXPECT_EQ(down.action, up.action);
        const float sum[3] = {down.x + up.x, down.y + up.y, down.z + up.z};
        const int axis = static_cast<int>(i % 3);
        if (down.action == KeyAction::ScaleLocal) {
            EXPECT_FLOAT_EQ(sum[axis], 2.0f) << lower[i];
            EXPECT_LT((&down.x)[axis], 1.0f) << lower[i];
        } else {
            EXPECT_FLOAT_EQ(sum[axis], 0.0f) << lower[i];
            const float toward = (&down.x)[axis];
            EXPECT_EQ(toward, down.action == KeyAction::Translate ? -0.5f : 5.0f) << lower[i];
        }
    }
}

TEST(KeyCommands, ModeKeysSetTheModeWithoutRedrawing) {
    Keys k;
    const std::pair<unsigned char, int32_t> modes[] = {
        {'i', Translate}, {'o', Scale}, {'p', Rotate}, {'u', Select}};
    for (auto [key, mode] : modes) {
        EXPECT_EQ(k.type(key), KeyEffect::None);
        EXPECT_EQ(k.editMode, mode);
    }
    EXPECT_EQ(k.object(1).transform, identityMatrix());
}

TEST(KeyCommands, KeysOutsideTheTableDoNothing) {
    const std::string table = "\x1b\x7fuiopzZxXcCaAsSdDqQwWeE";
    for (int code = 0; code < 256; ++code) {
        const auto key = static_cast<unsigned char>(code);
        if (table.find(static_cast<char>(key)) != std::string::npos) {
            continue;
        }
        Keys k;
        k.editMode = Scale;
        EXPECT_EQ(k.type(key), KeyEffect::None) << code;
        EXPECT_EQ(k.editMode, Scale) << code;
        EXPECT_EQ(k.object(1).transform, identityMatrix()) << code;
        EXPECT_EQ(k.scene.selection.size(), 1u) << code;
    }
}

TEST(KeyCommands, DeleteAndEditKeysRedrawEvenWithAnEmptySelection) {
    Keys k;
    EXPECT_EQ(k.type(127), KeyEffect::RedrawAll);
    ASSERT_EQ(k.scene.objects.size(), 2u);
    EXPECT_EQ(k.scene.objects[1]->index, 1);
    EXPECT_TRUE(k.scene.selection.empty());
    EXPECT_EQ(k.type(127), KeyEffect::RedrawAll);
    EXPECT_EQ(k.type('q'), KeyEffect::RedrawAll);
    EXPECT_EQ(k.scene.objects.size(), 2u);
}

TEST(KeyCommandsDeathTest, EscapeEndsTheProgramWithStatusOne) {
    Keys k;
    EXPECT_EQ(k.type(27), KeyEffect::Exit);
    EXPECT_EXIT(viewKeyboard(k.view, 27, 0, 0), testing::ExitedWithCode(1), "");
}

}  // namespace
