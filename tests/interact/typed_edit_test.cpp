#include "interact/typed_edit.h"

#include <gtest/gtest.h>

#include <memory>

#include "edit/undo_history.h"
#include "interact/typed_values.h"
#include "scene/mesh.h"
#include "scene/scene.h"
#include "support/same_bits.h"

namespace {

TEST(TypedValues, NumbersAreReadWholeInTheCLocale) {
    EXPECT_EQ(readTypedNumber("1.5"), 1.5f);
    EXPECT_EQ(readTypedNumber("  -2 "), -2.0f);
    EXPECT_EQ(readTypedNumber("+3"), 3.0f);
    EXPECT_EQ(readTypedNumber("1e3"), 1000.0f);
    EXPECT_EQ(readTypedNumber(".5"), 0.5f);
    EXPECT_EQ(readTypedNumber("1e-400"), 0.0f);  // below what a double holds
    for (const char* refused :
         {"", "  ", "-", "abc", "1,5", "1.5x", "inf", "-nan", "0x10", "1e", "--1", "1 2"}) {
        EXPECT_FALSE(readTypedNumber(refused).has_value()) << refused;
    }
    EXPECT_EQ(typedNumberProblem(""), NumberProblem::Empty);
    EXPECT_EQ(typedNumberProblem("nan"), NumberProblem::NotANumber);
    // Finite for a double, but not for the single precision of the matrices.
    EXPECT_EQ(typedNumberProblem("1e39"), NumberProblem::TooLarge);
    EXPECT_EQ(typedNumberProblem("-1e400"), NumberProblem::TooLarge);
}

TEST(TypedValues, EditsSayWhyTheyAreRefused) {
    EXPECT_EQ(readTypedEdit(TypedEdit::MoveTo, {"1", "y", "3"}).refusal,
              "Move to: Y is not a number");
    EXPECT_EQ(readTypedEdit(TypedEdit::TurnBy, {"1", "2", ""}).refusal, "Turn by: Z is empty");
    EXPECT_EQ(readTypedEdit(TypedEdit::ScaleBy, {"2", "0", "1"}).refusal,
              "Scale by: a factor of 0 would flatten the selection");
    EXPECT_EQ(readTypedEdit(TypedEdit::ScaleBy, {"1e39", "", ""}, true).refusal,
              "Scale by: the factor is too large");
    // Uniform: the X field is the factor for all three; the others are not read.
    const TypedTriple uniform = readTypedEdit(TypedEdit::ScaleBy, {"0.5", "x", ""}, true);
    EXPECT_TRUE(uniform.refusal.empty());
    EXPECT_EQ(uniform.values, (std::array<float, 3>{0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(readTypedEdit(TypedEdit::MoveTo, {"0", "-0", "1e-400"}).values,
              (std::array<float, 3>{0, 0, 0}));
}

class TypedEditTest : public ::testing::Test {
protected:
    Scene scene;
    UndoHistory history;

    void SetUp() override {
        // A cube of side 2 around (1, 0, 0), and a model without triangles.
        auto cube = std::make_unique<Mesh>("cube.wrl");
        for (int i = 0; i < 8; ++i) {
            cube->points.push_back({i & 1 ? 2.0 : 0.0, i & 2 ? 1.0 : -1.0, i & 4 ? 1.0 : -1.0});
        }
        const int32_t faces[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1},
                                     {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
        for (const auto& f : faces) {
            cube->coordIndex.push_back({f[0], f[1], f[2]});
            cube->coordIndex.push_back({f[0], f[2], f[3]});
        }
        scene.models.push_back(std::move(cube));
        scene.models.push_back(std::make_unique<Mesh>("empty.wrl"));
    }

    std::string apply(TypedEdit edit, std::array<std::string, 3> fields, bool uniform = false) {
        return applyTypedEdit(scene, history, edit, fields, uniform);
    }
};

// The matrices worked out by hand for a cube around (1, 0, 0), and Undo bit for bit.
TEST_F(TypedEditTest, MoveTurnAndScaleAboutTheCentreEachOneUndoStep) {
    SceneObject* cube = scene.addInstance(0);
    scene.selectObject(0);

    EXPECT_EQ(apply(TypedEdit::MoveTo, {"5", "0", "-2"}), "");
    EXPECT_TRUE(sameBits(cube->transform, translationMatrix(4, 0, -2)));
    EXPECT_EQ(history.done.size(), 1u);

    // A quarter turn about Z through the centre (5, 0, -2): x becomes y about it.
    const Matrix4 moved = cube->transform;
    EXPECT_EQ(apply(TypedEdit::TurnBy, {"0", "0", "90"}), "");
    const Matrix4& t = cube->transform;
    const float expected[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, -1, -2, 1};
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(t[i], expected[i], 1e-6) << i;
    }
    EXPECT_EQ(history.done.size(), 2u);

    // Half the size about the same centre, which stays where it is.
    const Matrix4 turned = cube->transform;
    EXPECT_EQ(apply(TypedEdit::ScaleBy, {"0.5", "", ""}, true), "");
    const float halved[16] = {0, 0.5f, 0, 0, -0.5f, 0, 0, 0, 0, 0, 0.5f, 0, 5, -0.5f, -2, 1};
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(cube->transform[i], halved[i], 1e-6) << i;
    }

    // Undo gives each earlier placement back exactly.
    ASSERT_TRUE(history.undo(scene));
    EXPECT_TRUE(sameBits(scene.objects[0]->transform, turned));
    ASSERT_TRUE(history.undo(scene));
    EXPECT_TRUE(sameBits(scene.objects[0]->transform, moved));
    ASSERT_TRUE(history.undo(scene));
    EXPECT_TRUE(sameBits(scene.objects[0]->transform, identityMatrix()));
}

TEST_F(TypedEditTest, RefusedValuesChangeNothingAndRecordNoStep) {
    SceneObject* cube = scene.addInstance(0);
    EXPECT_EQ(apply(TypedEdit::MoveTo, {"1", "2", "3"}), "Move to: nothing is selected");
    scene.selectObject(0);
    EXPECT_EQ(apply(TypedEdit::ScaleBy, {"0", "", ""}, true),
              "Scale by: a factor of 0 would flatten the selection");
    EXPECT_EQ(apply(TypedEdit::TurnBy, {"nan", "0", "0"}), "Turn by: X is not a number");
    // A result beyond single precision.
    cube->transform = scaleMatrix(1e37f, 1e37f, 1e37f);
    EXPECT_EQ(apply(TypedEdit::ScaleBy, {"1000", "", ""}, true),
              "Scale by: the result would be too large to hold; nothing changed");
    EXPECT_TRUE(sameBits(cube->transform, scaleMatrix(1e37f, 1e37f, 1e37f)));
    EXPECT_TRUE(history.done.empty());
}

TEST_F(TypedEditTest, AnObjectWithoutTrianglesMovesByItsOrigin) {
    SceneObject* invisible = scene.addInstance(1);
    invisible->transform = translationMatrix(3, 3, 3);
    scene.selectObject(0);
    EXPECT_EQ(selectionSummary(scene),
              (std::vector<std::string>{"Selected: 1 of 1 object (no triangles: their origins)",
                                        "Centre  X 3   Y 3   Z 3", "Size    X 0   Y 0   Z 0"}));
    EXPECT_EQ(apply(TypedEdit::MoveTo, {"0", "1", "0"}), "");
    EXPECT_TRUE(sameBits(invisible->transform, translationMatrix(0, 1, 0)));
}

TEST_F(TypedEditTest, SummaryCountsAndMeasuresTheSelection) {
    scene.addInstance(0);
    scene.addInstance(0)->transform = translationMatrix(0, 0, 10);
    EXPECT_EQ(selectionSummary(scene),
              (std::vector<std::string>{"Selected: none of 2 objects", "Centre  -", "Size    -"}));
    scene.selectObject(0);
    scene.selectObject(1);
    EXPECT_EQ(selectionSummary(scene),
              (std::vector<std::string>{"Selected: 2 of 2 objects", "Centre  X 1   Y 0   Z 5",
                                        "Size    X 2   Y 2   Z 12"}));
}

}  // namespace
