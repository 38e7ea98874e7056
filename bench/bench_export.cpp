// Exporting one object of about a million triangles (a wavy grid with a normal per point, placed
// moved and turned) to every format: the time of the whole export as the editor runs it (the
// reader process included for the formats Assimp writes, the files written safely), the editor's
// peak memory growth meanwhile against the model's lists, and the reader process's peak size.
// Each export runs in a fresh child, so that none counts another's memory. "cpu s" is the
// processor time of the editor and the reader process together: on a loaded machine the wall
// time grows with the load, the processor time hardly. Nothing is asserted.
//
// Usage: bench_export [FOLDER]   (default: a new folder under /tmp, removed afterwards)
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "scene/scene.h"
#include "scenefile/scene_export.h"
#include "support/measured_run.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int GRID = 709;  // 708 * 708 * 2 = 1,002,528 triangles

void fillGrid(Mesh& mesh) {
    mesh.points.reserve(GRID * GRID);
    mesh.normals.reserve(GRID * GRID);
    for (int j = 0; j < GRID; ++j) {
        for (int i = 0; i < GRID; ++i) {
            const double x = i * 0.01, z = j * 0.01;
            const double y = 0.1 * std::sin(3 * x) * std::cos(2 * z);
            mesh.points.push_back({x, y, z});
            const double dx = 0.3 * std::cos(3 * x) * std::cos(2 * z);
            const double dz = -0.2 * std::sin(3 * x) * std::sin(2 * z);
            const double length = std::sqrt(dx * dx + 1 + dz * dz);
            mesh.normals.push_back({-dx / length, 1 / length, -dz / length});
        }
    }
    for (int j = 0; j + 1 < GRID; ++j) {
        for (int i = 0; i + 1 < GRID; ++i) {
            const int a = j * GRID + i, b = a + 1, c = a + GRID, d = c + 1;
            mesh.coordIndex.push_back({a, c, b});
            mesh.coordIndex.push_back({b, c, d});
        }
    }
    mesh.normalIndex = mesh.coordIndex;
}

double cpu(const rusage& usage) {
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

size_t listBytes(const Mesh& mesh) {
    return mesh.points.size() * sizeof(Vec3d) + mesh.normals.size() * sizeof(Vec3d) +
           mesh.coordIndex.size() * sizeof(IndexTriple) +
           mesh.normalIndex.size() * sizeof(IndexTriple);
}

struct Figures {
    bool written = false;
    double seconds = 0;
    double cpuSeconds = 0;  // the editor's and the reader process's together
    long helperPeakKb = 0;
    uintmax_t fileBytes = 0;
    char message[160] = {};
};

}  // namespace

int main(int argc, char** argv) {
    const bool ownFolder = argc < 2;
    const fs::path folder =
        ownFolder ? fs::temp_directory_path() / ("tessaly-bench-export-" + std::to_string(getpid()))
                  : fs::path(argv[1]);
    fs::create_directories(folder);

    Scene scene;
    scene.models.push_back(std::make_unique<Mesh>("grid.wrl"));
    Mesh& grid = *scene.models.back();
    fillGrid(grid);
    SceneObject* object = scene.addInstance(0);
    object->rotateObjectLocal(0, 30, 0);
    object->translateObject(1, 0, -2);
    const double listMb = listBytes(grid) / 1048576.0;
    std::printf("model: %zu triangles, %zu points, lists %.1f MB\n", grid.coordIndex.size(),
                grid.points.size(), listMb);
    std::printf("%-6s %9s %9s %13s %8s %14s %10s\n", "format", "seconds", "cpu s", "editor growth",
                "ratio", "reader process", "file");

    for (const char* extension : {"glb", "gltf", "obj", "stl", "ply", "wrl"}) {
        const std::string path = (folder / (std::string("scene.") + extension)).string();
        Figures figures;
        const MeasuredRun run = runMeasured(
            [&] {
                rusage before{};
                getrusage(RUSAGE_SELF, &before);
                const auto start = Clock::now();
                const ExportOutcome outcome = exportSceneToFile(scene, path);
                figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
                figures.written = outcome.written;
                std::snprintf(figures.message, sizeof figures.message, "%s",
                              outcome.message.c_str());
                rusage self{}, children{};
                getrusage(RUSAGE_SELF, &self);
                getrusage(RUSAGE_CHILDREN, &children);
                figures.helperPeakKb = children.ru_maxrss;
                figures.cpuSeconds = cpu(self) - cpu(before) + cpu(children);
                std::error_code error;
                figures.fileBytes = fs::file_size(path, error);
            },
            &figures, sizeof figures);
        if (!run.finished || !figures.written) {
            std::printf("%-6s failed: %s\n", extension, figures.message);
            continue;
        }
        const double growthMb = run.peakGrowthKb / 1024.0;
        std::printf("%-6s %9.3f %9.3f %10.1f MB %7.2fx %11.1f MB %7.1f MB\n", extension,
                    figures.seconds, figures.cpuSeconds, growthMb, growthMb / listMb,
                    extension == std::string("wrl") ? 0.0 : figures.helperPeakKb / 1024.0,
                    figures.fileBytes / 1048576.0);
    }
    if (ownFolder) {
        fs::remove_all(folder);
    }
    return 0;
}
