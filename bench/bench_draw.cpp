// Redraw, pick and drag speed of the three ways to draw the Scene, in one run: the immediate-mode
// reference passes, the Scene's passes from arrays in client memory (TESSALY_CLIENT_ARRAYS=1),
// and the Scene's passes from buffer objects (the program's way where the GL has them). Four views
// as the program has them (three orthographic wireframe views and the lit perspective view,
// 307 by 292 pixels each, their contexts sharing objects), over 1, 2 and 4 instances of a sample
// model, 4 instances stacked, and one generated model of a million triangles. The ways alternate
// frame by frame, so that whatever else runs on the machine weighs on all alike; every figure is
// a median. Then clicks in the front view through the program's pick pass, and the time from a
// motion event of a translate drag to the frame of the four views that shows it.
//
// Needs an X display (run it under xvfb-run). Usage:
//   bench_draw [rounds, default 7] [folder holding VRMLmodels, default the examples]
//              [model, default knot.wrl]
#include <GL/freeglut.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/shared_gl_contexts.h"
#include "grid_model.h"
#include "interact/drag_rules.h"
#include "interact/pick_pass.h"
#include "library/vrml_reader.h"
#include "scene/draw.h"
#include "scene/gl_buffers.h"
#include "scene/scene.h"
#include "view/view.h"

namespace {

constexpr int WIDTH = 307;
constexpr int HEIGHT = 292;

enum Way { IMMEDIATE, CLIENT_ARRAYS, BUFFER_OBJECTS, WAYS };
const char* const WAY_NAMES[WAYS] = {"immediate", "client arrays", "buffer objects"};

void useWay(Way way) {
    if (way == CLIENT_ARRAYS) {
        setenv(CLIENT_ARRAYS_VARIABLE, "1", 1);
    } else {
        unsetenv(CLIENT_ARRAYS_VARIABLE);
    }
}

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

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty()      ? 0
           : v.size() % 2 ? v[v.size() / 2]
                          : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// View::display with the immediate reference pass in place of the Scene's own.
void displayImmediate(View& view) {
    view.drawBackdrop();
    view.camera.perspective ? drawSolidImmediate(*view.scene) : drawWireframeImmediate(*view.scene);
    glFlush();
    glutSwapBuffers();
}

Way currentWay = BUFFER_OBJECTS;
int framesDrawn = 0;

void display(View& view) {
    useWay(currentWay);
    if (currentWay == IMMEDIATE) {
        displayImmediate(view);
    } else {
        view.display();
    }
    ++framesDrawn;
}

// The four views, in the program's order: side, front, top, perspective.
std::vector<std::unique_ptr<View>> views;

template <int index>
void displayView() {
    display(*views[index]);
}

void openView(Scene* scene, int index, void (*displayFunction)()) {
    const bool perspective = index == 3;
    const int axes[4] = {0, 2, 1, 2};
    auto view = std::make_unique<View>(scene);
    glutInitWindowPosition((index % 2) * (WIDTH + 10), (index / 2) * (HEIGHT + 30));
    glutInitWindowSize(WIDTH, HEIGHT);
    view->window = glutCreateWindow(perspective ? "perspective" : "orthographic");
    glutDisplayFunc(displayFunction);
    if (perspective) {
        view->background[0] = 0.2f;
        view->background[1] = 0.5f;
        view->background[2] = 0.7f;
    }
    view->camera.perspective = perspective;
    view->camera.axis = axes[index];
    view->initGL(noRedisplay);
    setProjection(WIDTH, HEIGHT, perspective);
    views.push_back(std::move(view));
}

// One redraw of a view, waited for.
double redraw(View& view) {
    glutSetWindow(view.window);
    const double start = now();
    display(view);
    glFinish();
    return now() - start;
}

struct FrameTimes {
    double all = 0;  // the four views, wall clock
    double cpu = 0;  // the four views, processor time of the process
    double perView[4] = {0, 0, 0, 0};
};

// Medians over `rounds` frames of each way, the ways alternating frame by frame.
void timeFrames(int rounds, FrameTimes (&out)[WAYS]) {
    std::vector<double> all[WAYS], cpu[WAYS], perView[WAYS][4];
    for (int round = -1; round < rounds; ++round) {  // one frame each to warm up
        for (int way = 0; way < WAYS; ++way) {
            currentWay = static_cast<Way>(way);
            const double cpuStart = cpuNow();
            double frame = 0;
            double viewTimes[4];
            for (int i = 0; i < 4; ++i) {
                viewTimes[i] = redraw(*views[i]);
                frame += viewTimes[i];
            }
            if (round < 0) {
                continue;
            }
            all[way].push_back(frame);
            cpu[way].push_back(cpuNow() - cpuStart);
            for (int i = 0; i < 4; ++i) {
                perView[way][i].push_back(viewTimes[i]);
            }
        }
    }
    for (int way = 0; way < WAYS; ++way) {
        out[way].all = median(all[way]);
        out[way].cpu = median(cpu[way]);
        for (int i = 0; i < 4; ++i) {
            out[way].perView[i] = median(perView[way][i]);
        }
    }
}

// A click at (x, row) in GL window coordinates: the program's pick pass, or the same steps with
// the immediate reference pass.
unsigned pick(View& view, Way way, int x, int row) {
    useWay(way);
    const PickPixel pixel = renderPickPixel(view, x, HEIGHT - 1 - row,
                                            way == IMMEDIATE ? drawPickColoursImmediate : nullptr);
    return pickCode(pixel.red, pixel.green, pixel.blue);
}

// Clicks over a grid of the front view: mean seconds per click; `codes` gets what each read.
double timePicks(View& view, Way way, std::vector<unsigned>& codes) {
    currentWay = way;
    redraw(view);  // the pick pass finds the state the display left
    glDisable(GL_DITHER);
    pick(view, way, WIDTH / 2, HEIGHT / 2);  // first use of the state
    codes.clear();
    double total = 0;
    for (int row = 20; row < HEIGHT; row += 40) {
        for (int x = 15; x < WIDTH; x += 40) {
            const double start = now();
            codes.push_back(pick(view, way, x, row));
            total += now() - start;
        }
    }
    return total / static_cast<double>(codes.size());
}

void runCase(size_t triangles, const std::string& label, int rounds) {
    FrameTimes times[WAYS];
    timeFrames(rounds, times);
    double pickTime[WAYS];
    std::vector<unsigned> codes[WAYS];
    for (int way = 0; way < WAYS; ++way) {
        pickTime[way] = timePicks(*views[1], static_cast<Way>(way), codes[way]);
    }
    const double ms = 1000;
    const FrameTimes& i = times[IMMEDIATE];
    const FrameTimes& c = times[CLIENT_ARRAYS];
    const FrameTimes& b = times[BUFFER_OBJECTS];
    std::printf("%-18s %9zu | %7.1f %7.1f %7.1f  %5.2fx %5.2fx | cpu %7.1f %7.1f %7.1f  %5.2fx\n",
                label.c_str(), triangles, i.all * ms, c.all * ms, b.all * ms, i.all / c.all,
                i.all / b.all, i.cpu * ms, c.cpu * ms, b.cpu * ms, i.cpu / b.cpu);
    const char* names[4] = {"side", "front", "top", "persp"};
    std::printf("%-18s per view, ms (immediate/client/buffers, buffers x):", "");
    for (int v = 0; v < 4; ++v) {
        std::printf(" %s %.1f/%.1f/%.1f %.2fx", names[v], i.perView[v] * ms, c.perView[v] * ms,
                    b.perView[v] * ms, i.perView[v] / b.perView[v]);
    }
    size_t hits = 0, differing = 0;
    for (size_t k = 0; k < codes[BUFFER_OBJECTS].size(); ++k) {
        hits += codes[BUFFER_OBJECTS][k] != PICK_NOTHING;
        differing += codes[BUFFER_OBJECTS][k] != codes[IMMEDIATE][k];
    }
    std::printf(
        "\n%-18s pick, ms: %.3f/%.3f/%.3f; %zu of %zu clicks hit; buffers %s client arrays, "
        "differ from immediate in %zu\n",
        "", pickTime[IMMEDIATE] * ms, pickTime[CLIENT_ARRAYS] * ms, pickTime[BUFFER_OBJECTS] * ms,
        hits, codes[BUFFER_OBJECTS].size(),
        codes[BUFFER_OBJECTS] == codes[CLIENT_ARRAYS] ? "same as" : "DIFFERENT FROM", differing);
    std::fflush(stdout);
}

// Motion events of a translate drag in the front view: from the handler's call to the four views
// drawn by GLUT's own redisplay (the last one finished), per way; medians.
void timeDrag(int steps) {
    View& front = *views[1];
    std::printf("translate drag, motion event to the frame of the four views, ms:");
    for (int way = 0; way < WAYS; ++way) {
        currentWay = static_cast<Way>(way);
        front.dragState = 0;
        front.dragModifiers = 0;
        front.lastX = 100;
        front.lastY = 100;
        std::vector<double> latencies;
        for (int step = -1; step < steps; ++step) {
            const int x = 100 + (step + 2) * (step % 2 == 0 ? 1 : -1);
            const double start = now();
            framesDrawn = 0;
            if (handleMotion(front, 1 /* Translate */, x, 100).redrawAll) {
                for (const auto& view : views) {
                    glutSetWindow(view->window);
                    glutPostRedisplay();
                }
            }
            while (framesDrawn < 4) {
                glutMainLoopEvent();
            }
            glFinish();
            if (step >= 0) {
                latencies.push_back(now() - start);
            }
        }
        std::printf(" %s %.1f", WAY_NAMES[way], median(latencies) * 1000);
    }
    std::printf("\n");
}

// Instances in the four quadrants of the front view, at different depths; two selected.
void placeSpread(Scene& scene, int count) {
    const float places[4][3] = {
        {-0.9f, 0.9f, 0.4f}, {0.9f, 0.9f, -0.3f}, {-0.9f, -0.9f, 0.1f}, {0.9f, -0.9f, -0.5f}};
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
}

bool readModel(Scene& scene, const std::string& folder, const std::string& name) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    auto mesh = std::make_unique<Mesh>(name);
    const bool ok = loadModel(*mesh) && !mesh->coordIndex.empty();
    std::filesystem::current_path(previous);
    if (ok) {
        scene.models.push_back(std::move(mesh));
    } else {
        std::fprintf(stderr, "cannot read %s/VRMLmodels/%s\n", folder.c_str(), name.c_str());
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::string folder = argc > 2 ? argv[2] : TESSALY_EXAMPLES_DIR;
    const std::string model = argc > 3 ? argv[3] : "knot.wrl";
    shareGlObjectsAmongWindows();
    int glutArgc = 1;
    char name[] = "bench_draw";
    char* glutArgv[] = {name, nullptr};
    glutInit(&glutArgc, glutArgv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);

    Scene scene;
    if (!readModel(scene, folder, model)) {
        return 1;
    }
    // The generated model, written to a temporary folder and read back as the program would.
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaly-draw-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path gridFolder = pattern;
    std::filesystem::create_directory(gridFolder / "VRMLmodels");
    writeGridModel(gridFolder / "VRMLmodels" / "grid.wrl", MILLION_TRIANGLE_GRID);
    const bool gridRead = readModel(scene, gridFolder.string(), "grid.wrl");
    std::filesystem::remove_all(gridFolder);
    if (!gridRead) {
        return 1;
    }

    openView(&scene, 0, displayView<0>);
    openView(&scene, 1, displayView<1>);
    openView(&scene, 2, displayView<2>);
    openView(&scene, 3, displayView<3>);
    for (int i = 0; i < 10; ++i) {
        glutMainLoopEvent();
        usleep(10000);
    }

    const size_t perModel = scene.models[0]->coordIndex.size();
    std::printf(
        "%s: %zu triangles; grid.wrl: %zu triangles. %s. Medians of %d frames, ms; x = "
        "immediate / that way\n",
        model.c_str(), perModel, scene.models[1]->coordIndex.size(),
        bufferFunctionsOfCurrentContext() != nullptr ? "Buffer objects available"
                                                     : "NO BUFFER OBJECTS: both array ways alike",
        rounds);
    std::printf("%-18s %9s | %7s %7s %7s  %6s %6s | cpu: the same\n", "case", "triangles", "immed.",
                "client", "buffers", "client", "buffers");
    runCase(0, "empty scene", rounds);
    for (int count = 1; count <= 4; count *= 2) {
        placeSpread(scene, count);
        runCase(perModel * count, std::to_string(count) + " x " + model, rounds);
    }
    timeDrag(2 * rounds + 1);
    // The same four instances stacked on one another, so that every click draws them all.
    scene.removeAllObjects();
    for (int i = 0; i < 4; ++i) {
        SceneObject* o = scene.addInstance(0);
        o->rotateObjectWorld(0, 0, 15.0f * i);
        o->translateObject(0, 0, 0.2f * i);
    }
    scene.selectObject(1);
    runCase(perModel * 4, "4 stacked", rounds);
    scene.removeAllObjects();
    scene.addInstance(1)->scaleObjectWorld(0.7f, 0.7f, 0.7f);
    runCase(scene.models[1]->coordIndex.size(), "grid.wrl", std::max(1, rounds / 2));

    for (const auto& view : views) {
        glutDestroyWindow(view->window);
    }
    return 0;
}
