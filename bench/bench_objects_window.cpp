// The Objects window on a big scene: how long it takes to open, to draw a frame at the top, the
// middle and the end of the list (only the rows in sight are laid out), and to change the
// selection from the list, beside a pick in an orthographic view of the same scene. Also what
// the window costs every pass of the event loop while nothing changes.
//
// Needs an X display (run it under xvfb-run). Usage: bench_objects_window [objects, default
// 100000] [rounds, default 9]
#include <GL/freeglut.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "app/globals.h"
#include "app/objects_commands.h"
#include "app/shared_gl_contexts.h"
#include "interact/object_list.h"
#include "interact/pick_pass.h"
#include "panel/objects_window.h"
#include "scene/mesh.h"

namespace {

constexpr int VIEW_SIZE = 300;

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double medianOf(int rounds, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const double start = now();
        work();
        times.push_back(now() - start);
    }
    return median(times);
}

// A cube of side 2 around the origin, twelve triangles.
std::unique_ptr<Mesh> cubeMesh() {
    auto mesh = std::make_unique<Mesh>("cube.wrl");
    for (int i = 0; i < 8; ++i) {
        mesh->points.push_back({i & 1 ? 1.0 : -1.0, i & 2 ? 1.0 : -1.0, i & 4 ? 1.0 : -1.0});
    }
    const int32_t faces[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1},
                                 {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    for (const auto& f : faces) {
        mesh->coordIndex.push_back({f[0], f[1], f[2]});
        mesh->coordIndex.push_back({f[0], f[2], f[3]});
    }
    return mesh;
}

// `count` small cubes on a square grid filling the front view.
void placeObjects(size_t count) {
    scene.removeAllObjects();
    size_t side = 1;
    while (side * side < count) {
        ++side;
    }
    const float step = 3.6f / static_cast<float>(side);
    for (size_t i = 0; i < count; ++i) {
        SceneObject* object = scene.addInstance(0);
        object->transform = scaleMatrix(step * 0.3f, step * 0.3f, step * 0.3f);
        object->translateObject(-1.8f + step * static_cast<float>(i % side),
                                -1.8f + step * static_cast<float>(i / side), 0);
    }
}

void displayFront() {
    frontView.display();
}

void pump(const std::function<bool()>& done) {
    while (!done()) {
        glutMainLoopEvent();
    }
}

void measure(size_t count, int rounds, bool first) {
    placeObjects(count);
    const double ms = 1000;

    const size_t drawnBefore = objectsWindowFramesDrawn();
    const double start = now();
    openObjectsWindow();
    pump([drawnBefore] { return objectsWindowFramesDrawn() > drawnBefore; });
    glFinish();
    const double firstOpen = now() - start;

    std::vector<double> reopen;
    for (int i = 0; i < rounds; ++i) {
        hideObjectsWindow();
        glutMainLoopEvent();
        const size_t drawn = objectsWindowFramesDrawn();
        const double t = now();
        openObjectsWindow();
        pump([drawn] { return objectsWindowFramesDrawn() > drawn; });
        glFinish();
        reopen.push_back(now() - t);
    }

    // A frame with the list scrolled to a row: the scroll takes effect in the first frame, the
    // second draws there.
    auto frameAt = [&](size_t row) {
        objectsWindowChanged(row);
        drawObjectsWindowNow();
        drawObjectsWindowNow();
        return medianOf(rounds, drawObjectsWindowNow);
    };
    const double top = frameAt(0), middle = frameAt(count / 2), end = frameAt(count - 1);

    const double idlePass = medianOf(rounds, refreshObjectsWindow);

    // A click on a row: the Selection changes (committing the old one), the window draws the
    // new highlight and selection box.
    size_t anchor = SIZE_MAX;
    size_t row = 0;
    const double listClick = medianOf(rounds, [&] {
        clickObjectRow(scene, row, 0, anchor);
        row = (row + count / 7 + 1) % count;
        drawObjectsWindowNow();
    });
    const double selectAll = medianOf(rounds, [&] {
        selectAllObjects(scene);
        drawObjectsWindowNow();
        selectNoObjects(scene);
    });

    // A click in the front view: the pick pass over the whole scene and the selection rules.
    glutSetWindow(frontView.window);
    frontView.display();
    glFinish();
    int x = VIEW_SIZE / 2;
    const double pick = medianOf(rounds, [&] {
        const PickPixel pixel = renderPickPixel(frontView, x, VIEW_SIZE / 2);
        scene.clearSelection();
        applyPick(scene, decidePick(pixel, 0, scene.objects.size()));
        x = (x + 37) % VIEW_SIZE;
    });

    std::printf(
        "%8zu objects: open %.1f ms (%s), again %.1f ms; frame at the top %.2f, "
        "middle %.2f, end %.2f ms\n",
        count, firstOpen * ms, first ? "the window made" : "the window there, hidden",
        median(reopen) * ms, top * ms, middle * ms, end * ms);
    std::printf(
        "%8s          selection change from the list (frame included) %.2f ms, pick in a "
        "view %.2f ms; Select All with its box %.1f ms; idle pass %.3f ms\n",
        "", listClick * ms, pick * ms, selectAll * ms, idlePass * ms);
    hideObjectsWindow();
    glutMainLoopEvent();
}

}  // namespace

int main(int argc, char** argv) {
    const size_t objects = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;
    shareGlObjectsAmongWindows();
    int glutArgc = 1;
    char name[] = "bench_objects_window";
    char* glutArgv[] = {name, nullptr};
    glutInit(&glutArgc, glutArgv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);

    scene.models.push_back(cubeMesh());
    glutInitWindowPosition(0, 0);
    glutInitWindowSize(VIEW_SIZE, VIEW_SIZE);
    frontView.window = glutCreateWindow("front");
    glutDisplayFunc(displayFront);
    frontView.camera.axis = 2;
    frontView.initGL([](int) {});
    setProjection(VIEW_SIZE, VIEW_SIZE, false);
    for (int i = 0; i < 10; ++i) {
        glutMainLoopEvent();
        usleep(10000);
    }

    std::printf("Objects window, medians of %d rounds\n", rounds);
    // The big scene first, so that its figures include making the window.
    measure(objects, rounds, true);
    measure(100, rounds, false);
    std::fflush(stdout);
    std::_Exit(0);
}
