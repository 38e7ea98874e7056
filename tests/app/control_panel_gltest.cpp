#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <memory>

#include "app/control_panel.h"
#include "app/globals.h"
#include "app/menus.h"
#include "support/gl_window.h"

namespace {

void noDisplay() {}

struct LightState {
    bool lighting, light0, colourMaterial;
    bool operator==(const LightState&) const = default;
};

LightState lightStateOf(int window) {
    const int current = glutGetWindow();
    glutSetWindow(window);
    const LightState state{glIsEnabled(GL_LIGHTING) == GL_TRUE, glIsEnabled(GL_LIGHT0) == GL_TRUE,
                           glIsEnabled(GL_COLOR_MATERIAL) == GL_TRUE};
    glutSetWindow(current);
    return state;
}

TEST(PanelLightingGL, MenuToggleLeavesTheCheckBoxAndTheCheckBoxSwitchesOnlyLighting) {
    const int mainWindow = openTestWindow(400, 300, "panel lighting");
    perspectiveView.window = glutCreateSubWindow(mainWindow, 0, 0, 100, 100);
    glutDisplayFunc(noDisplay);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    const int otherView = glutCreateSubWindow(mainWindow, 200, 0, 100, 100);
    glutDisplayFunc(noDisplay);
    for (View* view : allViews) {
        if (view != &perspectiveView)
            view->window = otherView;
    }
    pumpGlutEvents();

    Panel panel;
    controlPanel = ControlPanel{};
    controlPanel.glui = &panel;
    controlPanel.callback = panelCallback;
    controlPanel.build();

    // The perspective view's pop-up entry switches all three off; the check box stays ticked.
    glutSetWindow(perspectiveView.window);
    menuCallback(MENU_LIGHTING);
    EXPECT_EQ(lightStateOf(perspectiveView.window), (LightState{false, false, false}));
    EXPECT_EQ(controlPanel.lightingCheckbox->get_int_val(), 1);

    // Unticking and ticking the box runs with the main window current and leaves it current.
    glutSetWindow(mainWindow);
    controlPanel.lightingCheckbox->choose(0);
    EXPECT_EQ(glutGetWindow(), mainWindow);
    EXPECT_EQ(lightStateOf(perspectiveView.window), (LightState{false, false, false}));
    controlPanel.lightingCheckbox->choose(1);
    EXPECT_EQ(glutGetWindow(), mainWindow);
    EXPECT_EQ(lightStateOf(perspectiveView.window), (LightState{true, false, false}));
    // Only the perspective view's context changed.
    EXPECT_EQ(lightStateOf(otherView), (LightState{false, false, false}));
    EXPECT_EQ(lightStateOf(mainWindow), (LightState{false, false, false}));

    // The pop-up entry turns everything back on.
    glutSetWindow(perspectiveView.window);
    menuCallback(MENU_LIGHTING);
    EXPECT_EQ(lightStateOf(perspectiveView.window), (LightState{false, false, false}));
    menuCallback(MENU_LIGHTING);
    EXPECT_EQ(lightStateOf(perspectiveView.window), (LightState{true, true, true}));

    controlPanel = ControlPanel{};
    for (View* view : allViews)
        view->window = 0;
    glutDestroyWindow(mainWindow);
    pumpGlutEvents();
}

// Adding from the pop-up menu's model list is an undo step like adding from the panel's list.
TEST(PanelUndoGL, AnAddFromTheModelMenuIsAStepThatUndoTakesBack) {
    const int mainWindow = openTestWindow(400, 300, "model menu");
    const int viewWindow = glutCreateSubWindow(mainWindow, 0, 0, 100, 100);
    glutDisplayFunc(noDisplay);
    for (View* view : allViews) {
        view->window = viewWindow;
    }
    scene.models.push_back(std::make_unique<Mesh>("a.wrl"));
    undoHistory = UndoHistory{};
    modelMenuCallback(0);
    modelMenuCallback(1);  // no such model: nothing added, no step
    ASSERT_EQ(scene.objects.size(), 1u);
    EXPECT_EQ(undoHistory.done.size(), 1u);
    glutSetWindow(mainWindow);
    panelCallback(ID_UNDO);
    EXPECT_TRUE(scene.objects.empty());
    EXPECT_EQ(glutGetWindow(), mainWindow);
    panelCallback(ID_REDO);
    EXPECT_EQ(scene.objects.size(), 1u);

    scene.objects.clear();
    scene.models.clear();
    undoHistory = UndoHistory{};
    glutDestroyWindow(mainWindow);
    pumpGlutEvents();
}

}  // namespace
