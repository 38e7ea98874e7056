#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <memory>

#include "interact/edit_mode.h"
#include "interact/pick_rules.h"
#include "interact/view_input.h"
#include "scene/mesh.h"
#include "scene/scene.h"
#include "support/gl_window.h"
#include "view/view.h"

namespace {

// The front view's box spans -2..2 on both axes in a SIZE x SIZE window: 50 pixels per world
// unit. World coordinate w lands on the centre of pixel column (or GL row) (w + 2) * 50 - 0.5.
constexpr int SIZE = 200;
constexpr float pixelCentre(int pixel) {
    return (static_cast<float>(pixel) + 0.5f) / 50 - 2;
}

int redraws = 0;
void countRedraw(int) {
    ++redraws;
}

// One window for every test; each test sets a fresh view up in it.
int window() {
    static const int id = openTestWindow(SIZE, SIZE, "picking");
    glutSetWindow(id);
    return id;
}

// A triangle given by three (x, y) corners in the plane z = 0.
std::unique_ptr<Mesh> triangle(float ax, float ay, float bx, float by, float cx, float cy) {
    auto mesh = std::make_unique<Mesh>("triangle.wrl");
    mesh->points = {{ax, ay, 0}, {bx, by, 0}, {cx, cy, 0}};
    mesh->normals = {{0, 0, 1}};
    mesh->coordIndex = {{0, 1, 2}};
    mesh->normalIndex = {{0, 0, 0}};
    return mesh;
}

// A fresh Scene in a front view (looking along -Z) set up the way start-up sets up a view.
struct Picking : testing::Test {
    Scene scene;
    int32_t mode = Select;
    View view{&scene, &mode};

    void SetUp() override {
        view.window = window();
        view.camera.axis = 2;
        view.initGL(countRedraw);
        setProjection(SIZE, SIZE, false);
        redraws = 0;
    }

    SceneObject& add(std::unique_ptr<Mesh> mesh) {
        scene.models.push_back(std::move(mesh));
        return *scene.addInstance(static_cast<int>(scene.models.size() - 1));
    }
    // A left click at GLUT window position (x, y), after a display has set the view's state.
    void click(int x, int y) {
        view.display();
        viewMouseButton(view, GLUT_LEFT_BUTTON, GLUT_DOWN, x, y);
        viewMouseButton(view, GLUT_LEFT_BUTTON, GLUT_UP, x, y);
    }
    bool selected(const SceneObject& object) const {
        return scene.selection.size() == 1 && scene.selection[0] == &object;
    }
};

// A right triangle whose vertical edge runs down pixel column 50 and whose horizontal edge runs
// along GL row 50 (GLUT y 149), from column 50 to 150.
std::unique_ptr<Mesh> cornerTriangle() {
    return triangle(pixelCentre(50), pixelCentre(50), pixelCentre(150), pixelCentre(50),
                    pixelCentre(50), pixelCentre(150));
}

TEST_F(Picking, ClickOnAnEdgeSelectsTheObjectAtPositionZero) {
    SceneObject& object = add(cornerTriangle());
    ASSERT_EQ(object.index, 0);
    click(50, 100);
    EXPECT_TRUE(selected(object));
    EXPECT_TRUE(object.selected);
    EXPECT_GT(redraws, 0);

    click(100, SIZE - 1 - 50);
    EXPECT_TRUE(selected(object));
}

TEST_F(Picking, ClickInsideAFaceButOffItsEdgesMisses) {
    SceneObject& object = add(cornerTriangle());
    click(50, 100);
    ASSERT_TRUE(selected(object));
    click(70, SIZE - 1 - 70);
    EXPECT_TRUE(scene.selection.empty());
    EXPECT_FALSE(object.selected);
}

TEST_F(Picking, ClicksOnTheTopAndBottomRowsReadThoseRows) {
    SceneObject& top = add(triangle(-1, pixelCentre(SIZE - 1), 1, pixelCentre(SIZE - 1), 0, 1));
    SceneObject& bottom = add(triangle(-1, pixelCentre(0), 1, pixelCentre(0), 0, -1));
    click(100, 0);
    EXPECT_TRUE(selected(top));
    click(100, SIZE - 1);
    EXPECT_TRUE(selected(bottom));
}

TEST_F(Picking, ObjectBeyondTheEightBitCodesIsPicked) {
    const float far = 100;  // outside the view box
    for (int i = 0; i < 300; ++i) {
        SceneObject& object = add(cornerTriangle());
        if (i != 280) {
            object.transform[12] = far;
        }
    }
    click(50, 100);
    EXPECT_TRUE(selected(*scene.objects[280]));
}

TEST_F(Picking, PickPassTouchesOnlyThePixelUnderTheCursorAndRestoresState) {
    add(cornerTriangle());
    view.display();
    // The swap leaves the back buffer undefined: give it a known colour first.
    glClearColor(0.2f, 0.4f, 0.6f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_DITHER);
    glEnable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    view.dragModifiers = 0;
    pickAt(view, 50, 100);
    ASSERT_EQ(scene.selection.size(), 1u);

    EXPECT_TRUE(glIsEnabled(GL_DITHER));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    glDisable(GL_BLEND);

    // Away from the cursor the back buffer still holds what was there before the pick.
    unsigned char rgb[4] = {0, 0, 0, 0};
    glReadPixels(190, 10, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    EXPECT_NEAR(rgb[0], 51, 1);
    EXPECT_NEAR(rgb[1], 102, 1);
    EXPECT_NEAR(rgb[2], 153, 1);
}

TEST_F(Picking, ModifiersDecideWhatAMissDoes) {
    SceneObject& object = add(cornerTriangle());
    view.display();
    view.dragModifiers = 0;
    pickAt(view, 50, 100);
    ASSERT_TRUE(selected(object));

    view.dragModifiers = MOD_CTRL;
    pickAt(view, 70, SIZE - 1 - 70);
    EXPECT_TRUE(selected(object));

    view.dragModifiers = MOD_CTRL | MOD_SHIFT;
    pickAt(view, 70, SIZE - 1 - 70);
    EXPECT_TRUE(scene.selection.empty());
}

TEST_F(Picking, PressInAnEditModeSelectsNothing) {
    SceneObject& object = add(cornerTriangle());
    mode = Translate;
    click(50, 100);
    EXPECT_FALSE(object.selected);
    EXPECT_EQ(redraws, 0);
}

}  // namespace
