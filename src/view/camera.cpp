#include "view/camera.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

namespace {

float& component(Vec3& v, int axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

// The framing goes last, nearest the objects: everything the camera does before it then works
// in framed units.
void applyFraming(const Framing& framing) {
    if (!framing.active) {
        return;
    }
    const float shrink = 1.0f / framing.scale;
    glScalef(shrink, shrink, shrink);
    glTranslatef(-framing.centre.x, -framing.centre.y, -framing.centre.z);
}

}  // namespace

void Camera::home() {
    eye = {0, 0, 0};
    component(eye, axis) = 5.0f;
    centre = {0, 0, 0};
    component(centre, axis) = -1.0f;
}

void Camera::reset() {
    home();
    zoom = 0;
    rotY = 0;
    rotX = 0;
    panY = 0;
    panX = 0;
    framing = {};
}

float Camera::orthoHalfSize() const {
    const float half = 2.0f - 2.0f * zoom;
    return half < ORTHO_MIN_HALF ? ORTHO_MIN_HALF : half;
}

void Camera::apply() const {
    if (perspective) {
        gluLookAt(eye.x, eye.y, eye.z, centre.x, centre.y, centre.z, up.x, up.y, up.z);
        glTranslatef(panX, panY, 0);
        glRotatef(static_cast<float>(rotX), 1, 0, 0);
        glRotatef(static_cast<float>(rotY), 0, 1, 0);
        applyFraming(framing);
        return;
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double h = orthoHalfSize();
    const double depth = framing.active ? framing.depthHalf : 200;
    glOrtho(-h, h, -h, h, -depth, depth);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (axis == 0) {
        glRotatef(-90, 0, 1, 0);
        glTranslatef(0, panY, -panX);
    } else if (axis == 1) {
        glRotatef(90, 1, 0, 0);
        glTranslatef(panX, 0, -panY);
    } else {
        glTranslatef(panX, panY, 0);
    }
    applyFraming(framing);
}

void Camera::pan(float dx, float dy) {
    if (perspective) {
        panX += dx;
        panY += dy;
    } else {
        panX += 10 * dx;
        panY += 10 * dy;
    }
}

void Camera::orbit(int dx, int dy) {
    rotY = (rotY + dx) % 360;
    rotX = (rotX + dy) % 360;
}

void Camera::zoomBy(float amount) {
    if (!perspective) {
        zoom += amount * 0.05f;
        // Keep the stored zoom at the limit where the box stops shrinking, so that zooming out
        // again reacts at once.
        const float maxZoom = (2.0f - ORTHO_MIN_HALF) / 2.0f;
        if (zoom > maxZoom) {
            zoom = maxZoom;
        }
        return;
    }
    Vec3 step = centre.scaled(amount * 0.01f);
    // The eye may approach centre but never reach or pass it: a step forward stops
    // EYE_MIN_DISTANCE short of centre (measured along the direction of travel).
    const float length = std::sqrt(step.x * step.x + step.y * step.y + step.z * step.z);
    if (length > 0) {
        const Vec3 toCentre = centre.minus(eye);
        const float ahead =
            (toCentre.x * step.x + toCentre.y * step.y + toCentre.z * step.z) / length;
        if (ahead > 0) {
            const float room = ahead - EYE_MIN_DISTANCE;
            if (room <= 0) {
                return;
            }
            if (length > room) {
                step = step.scaled(room / length);
            }
        }
    }
    eye = {eye.x + step.x, eye.y + step.y, eye.z + step.z};
}
