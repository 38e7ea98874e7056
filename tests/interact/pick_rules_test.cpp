#include "interact/pick_rules.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <vector>

#include "interact/edit_mode.h"
#include "interact/interact_fixture.h"

namespace {

constexpr PickPixel WHITE{255, 255, 255};

PickPixel codeOf(unsigned position) {
    return {static_cast<unsigned char>(position & 255),
            static_cast<unsigned char>((position >> 8) & 255),
            static_cast<unsigned char>((position >> 16) & 255)};
}

std::vector<SceneObject*> selectionOf(InteractFixture& f, const std::vector<int>& positions) {
    std::vector<SceneObject*> list;
    for (int p : positions) {
        list.push_back(&f.object(p));
    }
    return list;
}

// A left press with `modifiers` whose pick image shows `pixel` under the cursor; returns the
// number of redraw requests, the way View::mouseButton and View::pickAt make them.
int press(InteractFixture& f, int modifiers, PickPixel pixel, int32_t mode = Select) {
    int redraws = 0;
    const PressEffect effect =
        handleButton(f.view, GLUT_LEFT_BUTTON, GLUT_DOWN, 12, 34, modifiers, mode);
    redraws += effect.redrawAll;
    if (effect.pick) {
        const PickOutcome outcome = decidePick(pixel, f.view.dragModifiers, f.scene.objects.size());
        redraws += applyPick(f.scene, outcome);
    }
    return redraws;
}

struct SelectionCase {
    int modifiers;
    std::vector<int> afterHit;   // Selection {0} before, then a hit on object 2
    std::vector<int> afterMiss;  // Selection {0} before, then a miss
    bool missRedraws;
};

TEST(SelectionRules, ModifierTableOnHitsAndMisses) {
    const SelectionCase cases[] = {
        {0, {2}, {}, true},         {MOD_SHIFT, {0}, {0}, false},
        {MOD_ALT, {0}, {0}, false}, {MOD_CTRL, {0, 2}, {0}, false},
        {3, {0, 2}, {}, true},      {5, {0, 2}, {}, true},
        {6, {0, 2}, {}, true},      {7, {0, 2}, {}, true},
    };
    for (const SelectionCase& c : cases) {
        SCOPED_TRACE(c.modifiers);
        InteractFixture hit;
        hit.scene.selectObject(0);
        const int hitRedraws = press(hit, c.modifiers, codeOf(2));
        EXPECT_EQ(hit.scene.selection, selectionOf(hit, c.afterHit));
        EXPECT_EQ(hit.object(2).selected, c.modifiers != MOD_SHIFT && c.modifiers != MOD_ALT);
        EXPECT_EQ(hitRedraws > 0, c.modifiers != MOD_SHIFT && c.modifiers != MOD_ALT);

        InteractFixture miss;
        miss.scene.selectObject(0);
        const int missRedraws = press(miss, c.modifiers, WHITE);
        EXPECT_EQ(miss.scene.selection, selectionOf(miss, c.afterMiss));
        EXPECT_EQ(miss.object(0).selected, !c.afterMiss.empty());
        EXPECT_EQ(missRedraws > 0, c.missRedraws);
    }
}

TEST(SelectionRules, PlainClickOnObjectSelectedWithOthersLeavesItAlone) {
    InteractFixture f;
    f.scene.selectObject(0);
    f.scene.selectObject(1);
    press(f, 0, codeOf(1));
    EXPECT_EQ(f.scene.selection, selectionOf(f, {1}));
    EXPECT_FALSE(f.object(0).selected);
}

TEST(SelectionRules, HitOnSelectedObjectDoesNotAddItTwice) {
    InteractFixture f;
    f.scene.selectObject(1);
    EXPECT_GT(press(f, MOD_CTRL, codeOf(1)), 0);
    EXPECT_EQ(f.scene.selection, selectionOf(f, {1}));
}

TEST(SelectionRules, PerspectiveViewAndEditModesOnlyStartADrag) {
    InteractFixture perspective(3, 2, true);
    perspective.scene.selectObject(0);
    EXPECT_EQ(press(perspective, 0, codeOf(2)), 0);
    EXPECT_EQ(perspective.scene.selection, selectionOf(perspective, {0}));
    EXPECT_EQ(perspective.view.dragState, 0);

    for (int32_t mode : {Translate, Scale, Rotate}) {
        InteractFixture f;
        f.scene.selectObject(0);
        EXPECT_EQ(press(f, 0, codeOf(2), mode), 0);
        EXPECT_EQ(f.scene.selection, selectionOf(f, {0}));
        EXPECT_EQ(f.view.dragState, 0);
        EXPECT_EQ(f.view.dragModifiers, 0);
        EXPECT_EQ(f.view.lastX, 12);
        EXPECT_EQ(f.view.lastY, 34);
    }
}

TEST(SelectionRules, ReleaseAndOtherButtonsEndTheDragAndKeepTheReferencePoint) {
    InteractFixture f;
    f.scene.selectObject(0);
    handleButton(f.view, GLUT_LEFT_BUTTON, GLUT_DOWN, 5, 6, MOD_CTRL, Translate);
    for (auto [button, state] :
         {std::pair{GLUT_LEFT_BUTTON, GLUT_UP}, std::pair{GLUT_MIDDLE_BUTTON, GLUT_DOWN},
          std::pair{GLUT_MIDDLE_BUTTON, GLUT_UP}}) {
        f.view.dragState = 0;
        f.view.dragModifiers = MOD_CTRL;
        const PressEffect effect = handleButton(f.view, button, state, 90, 91, 0, Select);
        EXPECT_FALSE(effect.pick);
        EXPECT_FALSE(effect.redrawAll);
        EXPECT_EQ(f.view.dragState, -1);
        EXPECT_EQ(f.view.dragModifiers, -1);
        EXPECT_EQ(f.view.lastX, 5);
        EXPECT_EQ(f.view.lastY, 6);
    }
    EXPECT_EQ(f.scene.selection, selectionOf(f, {0}));
}

TEST(PickDecoding, TwentyFourBitCodesAndMisses) {
    // Object 0 is drawn black and is an object like any other.
    EXPECT_EQ(decidePick({0, 0, 0}, 0, 1).result, PickResult::SelectHit);
    EXPECT_EQ(decidePick({0, 0, 0}, 0, 1).position, 0);
    // Position 255 is not the background, and 280 is not 280 mod 256.
    EXPECT_EQ(decidePick(codeOf(255), 0, 300).position, 255);
    EXPECT_EQ(decidePick(codeOf(280), 0, 300).position, 280);
    EXPECT_EQ(decidePick(codeOf(70000), 0, 70001).position, 70000);
    // Codes that name no object are misses, handled like the background.
    for (PickPixel pixel : {WHITE, codeOf(3), codeOf(299 + 256)}) {
        EXPECT_EQ(decidePick(pixel, 0, 3).result, PickResult::ClearSelection);
        EXPECT_EQ(decidePick(pixel, MOD_CTRL, 3).result, PickResult::Nothing);
    }
    EXPECT_EQ(decidePick(codeOf(0), 0, 0).result, PickResult::ClearSelection);
}

}  // namespace
