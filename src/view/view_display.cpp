#include "view/view.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include "scene/scene.h"

void View::initGL(void (*redisplayCallback)(int window)) {
    redisplay = redisplayCallback;
    camera.home();
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glEnable(GL_NORMALIZE);
    if (camera.perspective) {
        glEnable(GL_CULL_FACE);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_COLOR_MATERIAL);
    }
}

void View::display() {
    drawBackdrop();
    if (camera.perspective) {
        scene->drawSolid();
    } else {
        scene->drawWireframe();
    }
    glFlush();
    glutSwapBuffers();
}

void View::drawBackdrop() const {
    glClearColor(background[0], background[1], background[2], 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    camera.apply();

    const bool lit = glIsEnabled(GL_LIGHTING);
    if (lit) {
        glDisable(GL_LIGHTING);
    }
    glEnable(GL_LINE_SMOOTH);
    drawGrid();
    drawAxes();
    glDisable(GL_LINE_SMOOTH);
    if (lit) {
        glEnable(GL_LIGHTING);
    }
}

void drawGrid() {
    glColor3f(0.4f, 0.4f, 0.4f);
    glBegin(GL_LINES);
    for (int i = 0; i <= 10; ++i) {
        const float t = static_cast<float>(i - 5);
        glVertex3f(-5, 0, t);
        glVertex3f(5, 0, t);
        glVertex3f(t, 0, 5);
        glVertex3f(t, 0, -5);
    }
    glEnd();
}

void drawAxes() {
    GLfloat width = 1;
    glGetFloatv(GL_LINE_WIDTH, &width);
    glLineWidth(2);
    glBegin(GL_LINES);
    // Y is red and X green, so that the vertical axis stands out in every view.
    glColor3f(1, 0, 0);
    glVertex3f(0, 0, 0);
    glVertex3f(0, 1, 0);
    glColor3f(0, 1, 0);
    glVertex3f(0, 0, 0);
    glVertex3f(1, 0, 0);
    glColor3f(0, 0, 1);
    glVertex3f(0, 0, 0);
    glVertex3f(0, 0, 1);
    glEnd();
    glLineWidth(width);
}

void setProjection(int width, int height, bool perspective) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glViewport(0, 0, width, height);
    if (perspective) {
        gluPerspective(45, static_cast<double>(width) / height, 0.1, 200);
    } else {
        glOrtho(-2, 2, -2, 2, 0.1, 200);
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
