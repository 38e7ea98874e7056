// The full reading of shapes that Coin3D triangulates (as the reader process runs it:
// readVrmlWithCoin, file read included) beside Coin's own read and traversal of the same file
// (coin_baseline.h). bench_load measures the same for indexed face sets; the full reading should
// take at most twice as long as Coin's here too. Each figure is the best of three runs, each run
// in a fresh process of this program.
//
// Usage: bench_coin_shapes
//        bench_coin_shapes --measure full|coin FILE   (one reading, prints seconds and triangles)
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "coin_baseline.h"
#include "reader_helper/vrml_with_coin.h"

namespace {

namespace fs = std::filesystem;

int measure(const std::string& reader, const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    size_t triangles = 0;
    if (reader == "full") {
        std::ifstream file(path, std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(file), {}};
        MeshLists lists;
        readVrmlWithCoin(text, lists, {});
        triangles = lists.coordIndex.size();
    } else {
        triangles = coinReadAndTraverse(path);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.6f %zu\n", seconds, triangles);
    return triangles > 0 ? 0 : 1;
}

struct Run {
    double seconds = 1e300;
    size_t triangles = 0;
};

Run best(const std::string& self, const char* reader, const fs::path& file) {
    Run run;
    for (int i = 0; i < 3; ++i) {
        const std::string command =
            "'" + self + "' --measure " + reader + " '" + file.string() + "'";
        std::FILE* child = ::popen(command.c_str(), "r");
        Run once;
        if (!child || std::fscanf(child, "%lf %zu", &once.seconds, &once.triangles) != 2) {
            std::fprintf(stderr, "measuring %s on %s failed\n", reader, file.c_str());
            std::exit(1);
        }
        ::pclose(child);
        if (once.seconds < run.seconds) {
            run = once;
        }
    }
    return run;
}

// An elevation grid of n by n heights: 2 (n - 1)^2 triangles.
void writeElevationGrid(const fs::path& path, int n) {
    std::ofstream out(path);
    out << "#VRML V2.0 utf8\nShape { geometry ElevationGrid { xDimension " << n << " zDimension "
        << n << " xSpacing 0.1 zSpacing 0.1 creaseAngle 1 height [\n";
    for (int z = 0; z < n; ++z) {
        for (int x = 0; x < n; ++x) {
            out << std::sin(x * 0.05) * std::cos(z * 0.07) << (x + 1 < n ? ' ' : '\n');
        }
    }
    out << "] } }\n";
}

// Groups of the four primitives in a grid of places: 516 triangles a group at Coin's default
// complexity.
void writePrimitives(const fs::path& path, int groups) {
    std::ofstream out(path);
    out << "#VRML V2.0 utf8\n";
    for (int i = 0; i < groups; ++i) {
        out << "Transform { translation " << i % 50 * 3 << ' ' << i / 50 * 3
            << " 0 children [ Shape { geometry Sphere { } } Shape { geometry Cylinder { } }"
               " Shape { geometry Box { } } Shape { geometry Cone { } } ] }\n";
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--measure") == 0) {
        return measure(argv[2], argv[3]);
    }
    const std::string self = fs::canonical("/proc/self/exe").string();
    std::string pattern = (fs::temp_directory_path() / "tessaly-shapes-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = pattern;
    writeElevationGrid(root / "grid.wrl", 708);
    writePrimitives(root / "primitives.wrl", 2000);
    std::printf("Full reading beside Coin's own read and traversal (best of 3 each)\n");
    std::printf("%-14s %10s %6s | %9s | %9s | %s\n", "model", "triangles", "MB", "full: s",
                "Coin: s", "full / Coin");
    int status = 0;
    for (const char* name : {"grid.wrl", "primitives.wrl"}) {
        const fs::path file = root / name;
        const Run full = best(self, "full", file);
        const Run coin = best(self, "coin", file);
        if (full.triangles != coin.triangles) {
            std::fprintf(stderr, "%s: full reading %zu, Coin %zu triangles\n", name, full.triangles,
                         coin.triangles);
            status = 1;
        }
        std::printf("%-14s %10zu %6.1f | %9.3f | %9.3f | %5.2fx\n", name, coin.triangles,
                    static_cast<double>(fs::file_size(file)) / 1e6, full.seconds, coin.seconds,
                    full.seconds / coin.seconds);
        std::fflush(stdout);
    }
    fs::remove_all(root);
    return status;
}
