// Starting the real program on a library of 10,000 small models: the time from starting it to
// its four views having drawn, and its resident and peak memory then. The pop-up menu's "Add
// Object" tree (three levels of sub-menus) is opened down to a model entry to show the menus work.
// Every run is a fresh program on its own virtual X server; medians are printed.
//
// Usage: bench_library [runs, default 3] [models, default 10000].
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/harness.h"
#include "support/run_figures.h"

namespace {

struct Start {
    bool ok = false;
    double seconds = 0;
    double resident = 0;
    double peak = 0;
    size_t menusOpened = 0;
};

Start startOnce(int models) {
    Start result;
    ProgramRun run;
    const std::string cube = cubeModel();
    char name[32];
    for (int i = 0; i < models; ++i) {
        std::snprintf(name, sizeof name, "model%05d.wrl", i);
        run.writeModel(name, cube);
    }
    const auto begin = std::chrono::steady_clock::now();
    if (!run.start({}, std::chrono::milliseconds(120000))) {
        std::fprintf(stderr, "the program did not come up\n");
        return result;
    }
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    result.resident = static_cast<double>(statusBytes(run.program, "VmRSS"));
    result.peak = static_cast<double>(statusBytes(run.program, "VmHWM"));
    result.menusOpened = run.openMenuPath(run.view(1).centre(), {0, 0, 0, 0}).size();
    result.ok = true;
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int models = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000;
    const double mb = 1e6;
    std::vector<double> seconds, resident, peak;
    for (int i = 0; i < runs; ++i) {
        const Start s = startOnce(models);
        if (!s.ok) {
            continue;
        }
        seconds.push_back(s.seconds);
        resident.push_back(s.resident);
        peak.push_back(s.peak);
        std::printf(
            "  run %d: views drawn after %.2f s, resident %.0f MB, peak %.0f MB, "
            "%zu menu windows opened down to a model\n",
            i, s.seconds, s.resident / mb, s.peak / mb, s.menusOpened);
        std::fflush(stdout);
    }
    std::printf(
        "%d models: window drawn after %.2f s, resident %.0f MB, peak %.0f MB "
        "(medians of %zu fresh programs)\n",
        models, median(seconds), median(resident) / mb, median(peak) / mb, seconds.size());
    return seconds.empty() ? 1 : 0;
}
