#include "app/menus.h"

#include <GL/freeglut.h>

#include "app/event_loop.h"
#include "app/globals.h"
#include "platform/platform.h"
#include "scenefile/scene_file.h"

int createModelMenu() {
    const int menu = glutCreateMenu(modelMenuCallback);
    for (size_t i = 0; i < scene.models.size(); ++i) {
        glutAddMenuEntry(scene.models[i]->name.c_str(), static_cast<int>(i));
    }
    return menu;
}

void attachPopupMenu(int modelMenu, bool withLighting) {
    glutCreateMenu(menuCallback);
    glutAddSubMenu("Add Object", modelMenu);
    glutAddMenuEntry("Load Scene", MENU_LOAD);
    glutAddMenuEntry("Save Scene", MENU_SAVE);
    if (withLighting) {
        glutAddMenuEntry("Lighting", MENU_LIGHTING);
    }
    glutAttachMenu(GLUT_RIGHT_BUTTON);
}

void menuCallback(int value) {
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
    if (value < 0 || static_cast<size_t>(value) >= scene.models.size()) {
        return;
    }
    sideView.scene->addInstance(value);
    redisplayAll(sideView.window);
}
