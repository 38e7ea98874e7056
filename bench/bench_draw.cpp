// Redraw and pick speed: the four views of the program (three orthographic wireframe views and
// the lit perspective view, 307 by 292 pixels each, drawn by View::display) over scenes of
// instances of a sample model, once with the straightforward immediate-mode passes and once
// with the array passes, in the same run; then clicks in the front view done the way the pick
// pass does them (clear, camera, scissor to one pixel, drawPickColours, read one pixel).
//
// Needs an X display (run it under xvfb-run). Usage:
//   bench_draw [folder holding VRMLmodels, default the source tree's examples] [model, default
//   knot.wrl]
#include <GL/freeglut.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "interact/pick_pass.h"
#include "library/vrml_reader.h"
#include "scene/draw.h"
#include "scene/scene.h"
#include "view/view.h"

namespace {

constexpr int WIDTH = 307;
constexpr int HEIGHT = 292;

void displayNothing() {}
void noRedisplay(int) {}

// Processor time of the whole process, the rasteriser's threads included: steadier than the
// wall clock on a machine shared with other work.
double cpuNow() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct BenchView {
    View view;
    BenchView(Scene* scene, const char* title, bool perspective, int axis, int x, int y)
        : view(scene) {
        glutInitWindowPosition(x, y);
        glutInitWindowSize(WIDTH, HEIGHT);
        view.window = glutCreateWindow(title);
        glutDisplayFunc(displayNothing);
        view.camera.perspective = perspective;
        view.camera.axis = axis;
        view.initGL(noRedisplay);
        setProjection(WIDTH, HEIGHT, perspective);
    }
    // One redraw, waited for.
    double redraw() {
        glutSetWindow(view.window);
        const double start = now();
        view.display();
        glFinish();
        return now() - start;
    }
};

// Seconds per frame of the four views, of each view, and processor seconds per frame: medians
// over `rounds` frames of each way, the two ways alternating frame by frame so that whatever
// else runs on the machine weighs on both alike. Index 1: immediate passes, 0: array passes.
struct FrameTimes {
    double all = 0;
    double cpu = 0;
    double perView[4] = {0, 0, 0, 0};
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty()      ? 0
           : v.size() % 2 ? v[v.size() / 2]
                          : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void timeFrames(std::vector<std::unique_ptr<BenchView>>& views, int rounds, FrameTimes (&out)[2]) {
    std::vector<double> all[2], cpu[2], perView[2][4];
    for (int round = -2; round < rounds; ++round) {  // two frames each to warm up
        for (int immediate = 1; immediate >= 0; --immediate) {
            immediatePasses = immediate == 1;
            const double cpuStart = cpuNow();
            double frame = 0;
            double viewTimes[4] = {0, 0, 0, 0};
            for (size_t i = 0; i < views.size() && i < 4; ++i) {
                viewTimes[i] = views[i]->redraw();
                frame += viewTimes[i];
            }
            if (round < 0) {
                continue;
            }
            all[immediate].push_back(frame);
            cpu[immediate].push_back(cpuNow() - cpuStart);
            for (int i = 0; i < 4; ++i) {
                perView[immediate][i].push_back(viewTimes[i]);
            }
        }
    }
    immediatePasses = false;
    for (int k = 0; k < 2; ++k) {
        out[k].all = median(all[k]);
        out[k].cpu = median(cpu[k]);
        for (int i = 0; i < 4; ++i) {
            out[k].perView[i] = median(perView[k][i]);
        }
    }
}

// The program's own pick pass for a click at (x, row) in GL window coordinates.
unsigned pick(View& view, int x, int row) {
    const PickPixel pixel = renderPickPixel(view, x, HEIGHT - 1 - row);
    return pickCode(pixel.red, pixel.green, pixel.blue);
}

// Clicks spread over the view: a grid of pixels. Mean seconds per click; `hits` counts clicks
// that hit an object, and `codes` receives what each click read.
double timePicks(View& view, int& hits, std::vector<unsigned>& codes) {
    glutSetWindow(view.window);
    view.display();  // the pick pass finds the state the display left
    glDisable(GL_DITHER);
    pick(view, WIDTH / 2, HEIGHT / 2);  // first use of the state
    codes.clear();
    hits = 0;
    double total = 0;
    int clicks = 0;
    for (int row = 20; row < HEIGHT; row += 40) {
        for (int x = 15; x < WIDTH; x += 40) {
            const double start = now();
            const unsigned code = pick(view, x, row);
            total += now() - start;
            ++clicks;
            codes.push_back(code);
            hits += code != PICK_NOTHING;
        }
    }
    return total / clicks;
}

void runCase(Scene& scene, std::vector<std::unique_ptr<BenchView>>& views, size_t triangles,
             const char* label) {
    FrameTimes times[2];
    double pickTime[2];
    int hits[2];
    std::vector<unsigned> codes[2];
    timeFrames(views, 7, times);
    for (int immediate = 1; immediate >= 0; --immediate) {
        immediatePasses = immediate == 1;
        pickTime[immediate] = timePicks(views[1]->view, hits[immediate], codes[immediate]);
    }
    immediatePasses = false;
    const double ms = 1000;
    std::printf("%-22s %9zu %9.1f %9.1f %7.2fx  ortho %6.2f %6.2f  pick %6.3f %6.3f  %5.3f  %s\n",
                label, triangles, times[1].all * ms, times[0].all * ms, times[1].all / times[0].all,
                times[1].perView[1] * ms, times[0].perView[1] * ms, pickTime[1] * ms,
                pickTime[0] * ms, pickTime[0] / times[0].perView[1],
                codes[0] == codes[1] ? "same" : "DIFFERENT");
    std::printf("%-22s   per view (immediate / arrays, ms):", "");
    const char* names[4] = {"side", "front", "top", "persp"};
    for (int i = 0; i < 4; ++i) {
        std::printf(" %s %.1f/%.1f", names[i], times[1].perView[i] * ms, times[0].perView[i] * ms);
    }
    std::printf("; cpu per frame %.1f/%.1f (%.2fx); clicks hitting %d of %zu\n", times[1].cpu * ms,
                times[0].cpu * ms, times[1].cpu / times[0].cpu, hits[0], codes[0].size());
    (void)scene;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : TESSALY_EXAMPLES_DIR;
    const std::string model = argc > 2 ? argv[2] : "knot.wrl";
    int glutArgc = 1;
    char name[] = "bench_draw";
    char* glutArgv[] = {name, nullptr};
    glutInit(&glutArgc, glutArgv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);

    Scene scene;
    if (chdir(folder.c_str()) != 0) {
        std::perror(folder.c_str());
        return 1;
    }
    scene.models.push_back(std::make_unique<Mesh>(model));
    if (!loadModel(*scene.models[0]) || scene.models[0]->coordIndex.empty()) {
        std::fprintf(stderr, "cannot read %s/VRMLmodels/%s\n", folder.c_str(), model.c_str());
        return 1;
    }
    const size_t perModel = scene.models[0]->coordIndex.size();

    std::vector<std::unique_ptr<BenchView>> views;
    views.push_back(std::make_unique<BenchView>(&scene, "side", false, 0, 0, 0));
    views.push_back(std::make_unique<BenchView>(&scene, "front", false, 2, WIDTH + 10, 0));
    views.push_back(std::make_unique<BenchView>(&scene, "top", false, 1, 0, HEIGHT + 30));
    views.push_back(
        std::make_unique<BenchView>(&scene, "perspective", true, 2, WIDTH + 10, HEIGHT + 30));
    for (int i = 0; i < 10; ++i) {
        glutMainLoopEvent();
        usleep(10000);
    }

    std::printf(
        "%s: %zu triangles. Times in ms; ratio = immediate / arrays; pick ratio = array "
        "pick / array front-view redraw\n",
        model.c_str(), perModel);
    std::printf("%-22s %9s %9s %9s %8s  %-13s  %-13s  %5s\n", "case", "triangles", "immediate",
                "arrays", "ratio", "front view", "pick", "ratio");
    // Instances in the four quadrants of the front view, at different depths; two selected.
    const float places[4][3] = {
        {-0.9f, 0.9f, 0.4f}, {0.9f, 0.9f, -0.3f}, {-0.9f, -0.9f, 0.1f}, {0.9f, -0.9f, -0.5f}};
    // No objects first: what clearing, grid, axes and the buffer swap cost by themselves.
    runCase(scene, views, 0, "empty scene");
    for (int count = 1; count <= 4; count *= 2) {
        scene.removeAllObjects();
        for (int i = 0; i < count; ++i) {
            SceneObject* o = scene.addInstance(0);
            o->scaleObjectWorld(0.5f, 0.5f, 0.5f);
            o->rotateObjectWorld(10.0f * i, 20.0f * i, 0);
            o->translateObject(places[i][0], places[i][1], places[i][2]);
        }
        scene.selectObject(0);
        if (count == 4) {
            scene.objects[2]->selected = true;
            scene.selection.push_back(scene.objects[2].get());
        }
        const std::string label = std::to_string(count) + " x " + model;
        runCase(scene, views, perModel * count, label.c_str());
    }
    // The same four instances stacked on one another, so that every click draws them all.
    scene.removeAllObjects();
    for (int i = 0; i < 4; ++i) {
        SceneObject* o = scene.addInstance(0);
        o->rotateObjectWorld(0, 0, 15.0f * i);
        o->translateObject(0, 0, 0.2f * i);
    }
    scene.selectObject(1);
    runCase(scene, views, perModel * 4, "4 stacked");

    for (auto& v : views) {
        glutDestroyWindow(v->view.window);
    }
    return 0;
}
