#include "app/menus.h"

#include <GL/freeglut.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/event_loop.h"
#include "app/globals.h"
#include "app/menu_layout.h"
#include "app/panel_status.h"
#include "app/scene_file_commands.h"
#include "app/shared_gl_contexts.h"
#include "platform/platform.h"

namespace {

constexpr const char* ADD_OBJECT = "Add Object";
constexpr const char* LOAD_SCENE = "Load Scene";
constexpr const char* SAVE_SCENE = "Save Scene";
constexpr const char* LIGHTING = "Lighting";

int menuTextWidth(std::string_view text) {
    const std::string copy(text);
    return glutBitmapLength(GLUT_BITMAP_HELVETICA_18,
                            reinterpret_cast<const unsigned char*>(copy.c_str()));
}

// Sub-menus first: an entry can only lead to a menu that already exists.
int createMenuTree(const std::vector<MenuEntry>& entries) {
    std::vector<int> subMenus(entries.size(), 0);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].isSubMenu()) {
            subMenus[i] = createMenuTree(entries[i].subMenu);
        }
    }
    const int menu = glutCreateMenu(modelMenuCallback);
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].isSubMenu()) {
            glutAddSubMenu(entries[i].label.c_str(), subMenus[i]);
        } else {
            glutAddMenuEntry(entries[i].label.c_str(), entries[i].value);
        }
    }
    return menu;
}

}  // namespace

int createModelMenu() {
    std::vector<std::string> names;
    names.reserve(scene.models.size());
    for (const auto& model : scene.models) {
        names.push_back(model->name);
    }
    // The widest pop-up menu, the one of the perspective view.
    const std::vector<MenuEntry> popup = {{ADD_OBJECT, NO_MODEL, {MenuEntry{}}},
                                          {LOAD_SCENE, MENU_LOAD, {}},
                                          {SAVE_SCENE, MENU_SAVE, {}},
                                          {LIGHTING, MENU_LIGHTING, {}}};
    const MenuScreen screen{glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT),
                            menuWindowWidth(popup, menuTextWidth)};
    const MenuWindowsShareOneContext oneContext;
    return createMenuTree(modelMenuEntries(names, screen, menuTextWidth));
}

void attachPopupMenu(int modelMenu, bool withLighting) {
    {
        const MenuWindowsShareOneContext oneContext;
        glutCreateMenu(menuCallback);
    }
    glutAddSubMenu(ADD_OBJECT, modelMenu);
    glutAddMenuEntry(LOAD_SCENE, MENU_LOAD);
    glutAddMenuEntry(SAVE_SCENE, MENU_SAVE);
    if (withLighting) {
        glutAddMenuEntry(LIGHTING, MENU_LIGHTING);
    }
    glutAttachMenu(GLUT_RIGHT_BUTTON);
}

void menuCallback(int value) {
    noteUserAction();
    switch (value) {
        case MENU_SAVE:
            runAfterMenuCloses([] {
                if (!saveScene()) {
                    platform().showMessage("Error saving scene", "Error");
                }
            });
            break;
        case MENU_LOAD:
            runAfterMenuCloses([] {
                if (!loadScene()) {
                    platform().showMessage("Error loading scene", "Error");
                }
            });
            break;
        case MENU_LIGHTING:
            if (glIsEnabled(GL_LIGHTING)) {
                glDisable(GL_LIGHTING);
                glDisable(GL_LIGHT0);
                glDisable(GL_COLOR_MATERIAL);
            } else {
                glEnable(GL_LIGHTING);
                glEnable(GL_LIGHT0);
                glEnable(GL_COLOR_MATERIAL);
            }
            break;
        default:
            break;
    }
}

void modelMenuCallback(int value) {
    noteUserAction();
    if (value < 0 || static_cast<size_t>(value) >= scene.models.size()) {
        return;
    }
    undoHistory.recordAdd(*sideView.scene, sideView.scene->addInstance(value));
    redisplayAll(sideView.window);
}
