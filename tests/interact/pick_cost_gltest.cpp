// Prints what a pick costs with the one-pixel scissor against a full-window pick image. Figures
// only: nothing here asserts on time.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <iostream>
#include <memory>

#include "app/globals.h"
#include "app/layout.h"
#include "app/view.h"
#include "scene/mesh.h"
#include "scene/scene.h"
#include "support/gl_window.h"

namespace {

constexpr int SIZE = 400;
constexpr int CELLS = 100;  // a CELLS x CELLS grid of quads filling the view box

std::unique_ptr<Mesh> gridMesh() {
    auto mesh = std::make_unique<Mesh>("grid.wrl");
    for (int row = 0; row <= CELLS; ++row) {
        for (int column = 0; column <= CELLS; ++column) {
            mesh->points.push_back({-1.9 + 3.8 * column / CELLS, -1.9 + 3.8 * row / CELLS, 0});
        }
    }
    mesh->normals = {{0, 0, 1}};
    for (int row = 0; row < CELLS; ++row) {
        for (int column = 0; column < CELLS; ++column) {
            const int a = row * (CELLS + 1) + column;
            mesh->coordIndex.push_back({a, a + 1, a + CELLS + 2});
            mesh->coordIndex.push_back({a, a + CELLS + 2, a + CELLS + 1});
            mesh->normalIndex.push_back({0, 0, 0});
            mesh->normalIndex.push_back({0, 0, 0});
        }
    }
    return mesh;
}

double millisecondsPer(int repeats, const std::function<void()>& pass) {
    pass();  // the first use of a state combination compiles shaders in the software rasteriser
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeats; ++i) {
        pass();
    }
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - start;
    return spent.count() / repeats;
}

void noRedisplay(int) {}

TEST(PickCost, ScissoredPickAgainstAFullPickImage) {
    Scene scene;
    View view(&scene);
    view.window = openTestWindow(SIZE, SIZE, "pick cost");
    view.camera.axis = 2;
    view.initGL(noRedisplay);
    setProjection(SIZE, SIZE, false);
    scene.models.push_back(gridMesh());
    for (int i = 0; i < 10; ++i) {
        scene.addInstance(0);
    }
    view.display();
    view.dragModifiers = 2;  // Ctrl: hits keep adding, misses change nothing
    const int repeats = 10;
    const double scissored = millisecondsPer(repeats, [&] { view.pickAt(SIZE / 2, SIZE / 2); });
    const double full = millisecondsPer(repeats, [&] {
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        view.camera.apply();
        scene.drawPickColours();
        unsigned char pixel[4];
        glReadPixels(SIZE / 2, SIZE / 2, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, pixel);
    });
    std::cout << "pick of " << scene.objects.size() * scene.models[0]->coordIndex.size()
              << " triangles in a " << SIZE << "x" << SIZE << " view: " << scissored
              << " ms with the one-pixel scissor, " << full << " ms for the full image\n";
    RecordProperty("pick_ms_scissored", std::to_string(scissored));
    RecordProperty("pick_ms_full", std::to_string(full));
}

}  // namespace
