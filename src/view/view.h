#pragma once

#include <cstdint>

#include "view/camera.h"

struct Scene;

// One of the four views of the Scene: a GLUT sub-window with its own camera and drag state.
struct View {
    int32_t window = 0;  // GLUT id of the view's sub-window; 0 until created
    float background[3] = {0.6f, 0.6f, 0.6f};
    Scene* scene = nullptr;       // not owned
    int32_t* editMode = nullptr;  // the editing mode that all views share; not owned
    Camera camera;
    int32_t dragState = 0;      // 0 while a left-button drag that started here runs, -1 otherwise
    int32_t dragModifiers = 0;  // Shift/Ctrl/Alt mask taken at the left-button press; -1 if none
    int32_t lastX = 0;
    int32_t lastY = 0;
    void (*redisplay)(int window) = nullptr;  // redraws every view, set by initGL
    // The Shift (1), Ctrl (2) and Alt (4) keys held at a left-button press, with GLUT's button
    // and position of the press. Without it every press counts as made with no key held.
    int (*pressModifiers)(int button, int x, int y) = nullptr;

    // A view that only draws needs no editing mode; the input handlers read and set *editMode.
    explicit View(Scene* viewed, int32_t* sharedEditMode = nullptr)
        : scene(viewed), editMode(sharedEditMode) {}

    void initGL(void (*redisplayCallback)(int window));
    void display();
    // What display draws under the scene: the cleared background, the camera, grid and axes.
    void drawBackdrop() const;
    // The input handlers carry out the interaction rules on this record: interact/view_input.h.
};

void drawGrid();
void drawAxes();
// Viewport and projection of the current view window.
void setProjection(int width, int height, bool perspective);
