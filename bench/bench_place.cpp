// Placing a big model through the real program: the generated model of a million triangles (with
// normals per point, per face, or none) is the only model of a fresh program on its own virtual X
// server; its front view's pop-up menu adds it ("Add Object", first entry). Measured per run, in
// the program's process: the processor time from the click to the program falling idle after the
// four views show the model (menu handling, building the drawing data, the first frame of each
// view), and how far its peak resident memory grew from just before the click, against the size of
// the model's four lists. With the program as it is (buffer objects where the GL has them) and, on
// request, with TESSALY_CLIENT_ARRAYS=1. Every run is a fresh program; medians are printed.
//
// Usage: bench_place [runs per layout and way, default 3] [all]. Starts its own X servers (xvfb-run
// not needed).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "grid_model.h"
#include "library/vrml_reader.h"
#include "scene/gl_buffers.h"
#include "scene/mesh.h"
#include "support/harness.h"
#include "support/run_figures.h"

namespace {

namespace fs = std::filesystem;

// Sets the process's peak resident size back to its present size.
bool resetPeak(pid_t pid) {
    std::ofstream clear("/proc/" + std::to_string(pid) + "/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

template <typename T>
size_t listBytes(const std::vector<T>& list) {
    return list.size() * sizeof(T);
}

struct Placing {
    bool ok = false;
    double cpu = 0;         // seconds of processor time from the click to idle
    double wall = 0;        // seconds from the click to the four views showing the model
    double peakGrowth = 0;  // bytes
    double residentGrowth = 0;
};

// Waits until the program uses no more processor time for a while; its time then.
double idleCpu(const ProgramRun& run) {
    double last = run.cpuSeconds();
    int still = 0;
    while (still < 4) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const double now = run.cpuSeconds();
        still = now - last < 0.002 ? still + 1 : 0;
        last = now;
    }
    return last;
}

Placing placeOnce(const fs::path& model) {
    Placing result;
    ProgramRun run;
    fs::copy_file(model, run.folder / "VRMLmodels" / model.filename());
    if (!run.start({}, std::chrono::milliseconds(120000))) {
        std::fprintf(stderr, "the program did not come up\n");
        return result;
    }
    idleCpu(run);
    std::vector<std::vector<uint32_t>> before;
    for (int i = 0; i < 4; ++i) {
        before.push_back(run.pixelsOf(run.view(i)));
    }
    // "Add Object", then the model's entry in the sub-menu, pressed once everything is open.
    const std::vector<ScreenRect> menus = run.openMenuPath(run.view(1).centre(), {0});
    if (menus.size() != 2) {
        std::fprintf(stderr, "the menu did not open\n");
        return result;
    }
    run.move({menus[1].x + 20, menus[1].y + 14});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    idleCpu(run);
    const long resident = statusBytes(run.program, "VmRSS");
    if (!resetPeak(run.program)) {
        std::fprintf(stderr, "cannot reset the peak resident size\n");
        return result;
    }
    const double cpuStart = run.cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    run.xdotool("click 1");
    const bool shown = waitUntil(
        [&] {
            for (int i = 0; i < 4; ++i) {
                if (run.pixelsOf(run.view(i)) == before[i]) {
                    return false;
                }
            }
            return true;
        },
        std::chrono::milliseconds(60000));
    result.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.cpu = idleCpu(run) - cpuStart;
    result.peakGrowth = static_cast<double>(statusBytes(run.program, "VmHWM") - resident);
    result.residentGrowth = static_cast<double>(statusBytes(run.program, "VmRSS") - resident);
    result.ok = shown;
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    // With a second argument "all", also with TESSALY_CLIENT_ARRAYS=1.
    const bool bothWays = argc > 2 && std::string(argv[2]) == "all";
    std::string pattern = (fs::temp_directory_path() / "tessaly-place-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path folder = pattern;
    fs::create_directory(folder / "VRMLmodels");
    const fs::path model = folder / "VRMLmodels" / "grid.wrl";
    const double mb = 1024.0 * 1024.0;
    std::printf("%-10s %-16s %8s %8s %12s %14s   (medians of %d fresh programs)\n", "normals",
                "way", "cpu s", "shown s", "peak growth", "resident after", runs);
    for (const GridNormals layout :
         {GridNormals::PerVertex, GridNormals::PerFace, GridNormals::None}) {
        // BENCH_PLACE_GRID=n places an n by n grid instead: with a small one, the growth that does
        // not depend on the model's size shows.
        const char* grid = std::getenv("BENCH_PLACE_GRID");
        const int n = grid != nullptr ? std::max(2, std::atoi(grid)) : MILLION_TRIANGLE_GRID;
        const size_t triangles = writeGridModel(model, n, layout);
        // The model's lists as the program reads them.
        const auto previous = fs::current_path();
        fs::current_path(folder);
        Mesh mesh("grid.wrl");
        const bool read = loadModel(mesh);
        fs::current_path(previous);
        if (!read) {
            std::fprintf(stderr, "cannot read the generated model\n");
            return 1;
        }
        const double lists =
            static_cast<double>(listBytes(mesh.points) + listBytes(mesh.normals) +
                                listBytes(mesh.coordIndex) + listBytes(mesh.normalIndex));
        std::printf(
            "normals %s: %zu triangles, %zu points, %zu normals, %.1f MB file, lists %.1f MB\n",
            gridNormalsName(layout), triangles, mesh.points.size(), mesh.normals.size(),
            static_cast<double>(fs::file_size(model)) / mb, lists / mb);
        for (const bool clientArrays : {false, true}) {
            if (clientArrays && !bothWays) {
                continue;
            }
            if (clientArrays) {
                setenv(CLIENT_ARRAYS_VARIABLE, "1", 1);
            } else {
                unsetenv(CLIENT_ARRAYS_VARIABLE);
            }
            std::vector<double> cpu, wall, peak, resident;
            for (int i = 0; i < runs; ++i) {
                const Placing p = placeOnce(model);
                if (!p.ok) {
                    std::fprintf(stderr, "run %d failed\n", i);
                    continue;
                }
                cpu.push_back(p.cpu);
                wall.push_back(p.wall);
                peak.push_back(p.peakGrowth);
                resident.push_back(p.residentGrowth);
                std::printf(
                    "  run %d: cpu %.2f s, shown after %.2f s, peak +%.0f MB (%.2fx lists), "
                    "resident +%.0f MB\n",
                    i, p.cpu, p.wall, p.peakGrowth / mb, p.peakGrowth / lists,
                    p.residentGrowth / mb);
                std::fflush(stdout);
            }
            const char* way = clientArrays ? "client arrays" : "buffer objects";
            std::printf("%-10s %-16s %8.2f %8.2f %6.0f MB %4.2fx %8.0f MB %4.2fx\n",
                        gridNormalsName(layout), way, median(cpu), median(wall), median(peak) / mb,
                        median(peak) / lists, median(resident) / mb, median(resident) / lists);
            std::fflush(stdout);
        }
    }
    unsetenv(CLIENT_ARRAYS_VARIABLE);
    fs::remove_all(folder);
    return 0;
}
