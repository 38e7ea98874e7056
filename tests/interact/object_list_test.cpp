#include "interact/object_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "interact/pick_rules.h"
#include "scene/mesh.h"
#include "scene/scene.h"
#include "support/same_bits.h"

namespace {

class ObjectList : public ::testing::Test {
protected:
    Scene scene;
    std::vector<Matrix4> resets;  // the Rotation control put back
    size_t anchor = SIZE_MAX;

    void SetUp() override {
        auto mesh = std::make_unique<Mesh>("knot.wrl");
        mesh->points.resize(3);
        mesh->coordIndex.assign(51200, {0, 1, 2});
        scene.models.push_back(std::move(mesh));
        scene.models.push_back(std::make_unique<Mesh>("empty.wrl"));
        for (int i = 0; i < 6; ++i) {
            scene.addInstance(i == 5 ? 1 : 0);
        }
        scene.resetRotationControl = [this](const Matrix4& m) { resets.push_back(m); };
    }

    // The positions in the Selection, in its order.
    std::vector<int> selected() const {
        std::vector<int> positions;
        for (const SceneObject* object : scene.selection) {
            positions.push_back(object->index);
            EXPECT_TRUE(object->selected);
        }
        size_t flagged = 0;
        for (const auto& object : scene.objects) {
            flagged += object->selected ? 1 : 0;
        }
        EXPECT_EQ(flagged, positions.size());
        return positions;
    }

    void click(size_t row, int modifiers = 0) { clickObjectRow(scene, row, modifiers, anchor); }
};

TEST_F(ObjectList, RowsNameThePositionFromOneTheModelAndItsTriangles) {
    const ObjectRowText first = objectRowText(*scene.objects[0]);
    EXPECT_EQ(first.position, "1");
    EXPECT_EQ(first.name, "knot.wrl");
    EXPECT_EQ(first.triangles, "51,200");
    const ObjectRowText last = objectRowText(*scene.objects[5]);
    EXPECT_EQ(last.position, "6");
    EXPECT_EQ(last.name, "empty.wrl");
    EXPECT_EQ(last.triangles, "0");
}

TEST_F(ObjectList, ClickCtrlClickShiftClickAndBothTogether) {
    click(2);
    EXPECT_EQ(selected(), (std::vector<int>{2}));
    click(4, MOD_CTRL);
    EXPECT_EQ(selected(), (std::vector<int>{2, 4}));
    click(2, MOD_CTRL);  // taken out again
    EXPECT_EQ(selected(), (std::vector<int>{4}));
    click(1, MOD_SHIFT);  // from the anchor, the last row clicked without Shift (2)
    EXPECT_EQ(selected(), (std::vector<int>{1, 2}));
    click(4, MOD_SHIFT);  // the anchor stays: 2 to 4 alone
    EXPECT_EQ(selected(), (std::vector<int>{2, 3, 4}));
    click(0);
    EXPECT_EQ(selected(), (std::vector<int>{0}));
    click(5, MOD_CTRL);              // the object without triangles, like any other
    click(3, MOD_SHIFT | MOD_CTRL);  // adds 3 to 5 (the anchor), keeping what was selected
    EXPECT_EQ(selected(), (std::vector<int>{0, 5, 3, 4}));
    click(2, MOD_ALT);  // Alt does not count
    EXPECT_EQ(selected(), (std::vector<int>{2}));
    click(99);  // no such row
    EXPECT_EQ(selected(), (std::vector<int>{2}));

    // An anchor that is no row any more counts as the row clicked.
    anchor = 42;
    click(3, MOD_SHIFT);
    EXPECT_EQ(selected(), (std::vector<int>{3}));
}

TEST_F(ObjectList, SelectAllAndNone) {
    selectAllObjects(scene);
    EXPECT_EQ(selected(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    selectAllObjects(scene);  // never twice
    EXPECT_EQ(selected().size(), 6u);
    selectNoObjects(scene);
    EXPECT_TRUE(selected().empty());
}

// A list selection commits pending rotations as a pick does: the Rotation control's turn stays
// with the objects it was made for and the control starts again from no rotation.
TEST_F(ObjectList, ChangesCommitPendingRotationsAsPicksDo) {
    const Matrix4 turn = rotationMatrix(30, 0, 1, 0);
    SceneObject& a = *scene.objects[1];
    SceneObject& b = *scene.objects[3];

    click(1);
    EXPECT_TRUE(resets.empty());  // nothing was selected before
    a.pendingRotation = turn;     // the ball turned
    click(3, MOD_CTRL);
    EXPECT_TRUE(sameBits(a.transform, turn));
    EXPECT_TRUE(sameBits(a.pendingRotation, identityMatrix()));
    ASSERT_EQ(resets.size(), 1u);
    EXPECT_TRUE(sameBits(resets[0], identityMatrix()));

    // Taking one out commits both, then leaves the other selected.
    a.pendingRotation = turn;
    b.pendingRotation = turn;
    click(1, MOD_CTRL);
    EXPECT_EQ(selected(), (std::vector<int>{3}));
    EXPECT_TRUE(sameBits(a.transform, multiply(turn, turn)));
    EXPECT_TRUE(sameBits(b.transform, turn));
    EXPECT_TRUE(sameBits(b.pendingRotation, identityMatrix()));
    EXPECT_EQ(resets.size(), 2u);

    b.pendingRotation = turn;
    click(0, MOD_SHIFT);  // a range replaces the Selection: b's turn is folded first
    EXPECT_TRUE(sameBits(b.transform, multiply(turn, turn)));
    EXPECT_EQ(resets.size(), 3u);

    selectAllObjects(scene);
    EXPECT_EQ(resets.size(), 4u);
    selectNoObjects(scene);
    EXPECT_EQ(resets.size(), 5u);
    selectNoObjects(scene);  // an empty Selection commits nothing
    EXPECT_EQ(resets.size(), 5u);
}

}  // namespace
