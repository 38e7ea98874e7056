// Model loading speed and memory: writes VRML 2.0 models of about 10 thousand, 100 thousand and
// 1 million triangles (points, normals, coordIndex, normalIndex) into a temporary folder, and
// loads each with loadModel and with the straightforward reference reader. Every load runs
// in a fresh process (the benchmark starts itself again), so that its peak resident memory
// (VmHWM) is its own. The figures of both readers are printed side by side, with the speed-up
// and the fast reader's peak memory in multiples of its four lists.
//
// A second table gives the full reading (--full-vrml) of the same models beside the classic one
// and beside Coin3D's own read and traversal of the file (SoDB::readAll and an SoCallbackAction
// that triangulates every shape): the full reading should take at most twice as long as Coin's.
// It is measured as the reader process runs it (readVrmlWithCoin, file read included), without
// the handing over of the lists between the processes.
//
// A third table reads generated 1M-triangle OBJ, binary STL, binary PLY and GLB files through the
// reader process (tessaly --all-formats) beside Assimp's own import of the same file in one
// process: at most 1.25 times Assimp's time, and the editor's peak memory growth at most 1.5
// times the four lists. A fourth reads a folder of many VRML files in full with two reader
// processes at once and with one: at most 0.6 times the time.
//
// Usage: bench_load [largest triangle count, default 1000000]
//        bench_load --folder   (only the folder read by one and by two processes)
//        bench_load --measure fast|reference|full|coin|assimp|helper NAME
//                   (one load in VRMLmodels/, prints figures)
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Importer.hpp>

#include "coin_baseline.h"
#include "format_models.h"
#include "grid_model.h"
#include "library/model_reading.h"
#include "library/vrml_reader.h"
#include "reader/reader_process.h"
#include "reader_helper/vrml_with_coin.h"
#include "scene/mesh.h"
#include "support/reference_reader.h"

namespace {

namespace fs = std::filesystem;

// Peak resident memory of this process so far, in bytes.
long peakResidentBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atol(line.c_str() + 6) * 1024;
        }
    }
    return -1;
}

// This process's CPU time and that of its children that have ended (the full reading parses in
// a child process).
double cpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    rusage children{};
    ::getrusage(RUSAGE_CHILDREN, &children);
    auto seconds = [](const timeval& v) {
        return static_cast<double>(v.tv_sec) + static_cast<double>(v.tv_usec) * 1e-6;
    };
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9 +
           seconds(children.ru_utime) + seconds(children.ru_stime);
}

// Mixes every bit of a list (4-byte words: both element types are made of them) into the hash.
template <typename T>
void hashList(uint64_t& hash, const std::vector<T>& list) {
    static_assert(sizeof(T) % 4 == 0);
    const size_t words = list.size() * sizeof(T) / 4;
    for (size_t i = 0; i < words; ++i) {
        uint32_t word;
        std::memcpy(&word, reinterpret_cast<const char*>(list.data()) + 4 * i, 4);
        hash = (hash ^ word) * 1099511628211u;
    }
    hash = (hash ^ list.size()) * 1099511628211u;
}

// One load in this process: prints wall and CPU seconds, peak bytes, list bytes, triangles and a
// hash of the four lists' bits.
int measure(const std::string& reader, const std::string& name) {
    Mesh mesh(name);
    const long peakBefore = peakResidentBytes();
    const double cpuStart = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    bool ok = false;
    size_t coinTriangles = 0;
    if (reader == "fast") {
        ok = loadModel(mesh);
    } else if (reader == "reference") {
        ok = referenceLoadModel(mesh);
    } else if (reader == "full") {
        std::ifstream file("VRMLmodels/" + name, std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(file), {}};
        MeshLists lists;
        ok = readVrmlWithCoin(text, lists, {}).parsed && !lists.coordIndex.empty();
        mesh.points = std::move(lists.points);
        mesh.normals = std::move(lists.normals);
        mesh.coordIndex = std::move(lists.coordIndex);
        mesh.normalIndex = std::move(lists.normalIndex);
    } else if (reader == "coin") {
        coinTriangles = coinReadAndTraverse("VRMLmodels/" + name);
        ok = coinTriangles > 0;
    } else if (reader == "assimp") {
        // Assimp's own import, as the reader process asks for it.
        Assimp::Importer importer;
        const aiScene* scene =
            importer.ReadFile("VRMLmodels/" + name, aiProcess_Triangulate | aiProcess_SortByPType);
        for (unsigned m = 0; scene && m < scene->mNumMeshes; ++m) {
            coinTriangles += scene->mMeshes[m]->mNumFaces;
        }
        ok = coinTriangles > 0;
    } else if (reader == "helper") {
        ReadingOutcome outcome;
        readInReaderProcesses({{"VRMLmodels", name, ReaderMode::Assimp}}, {},
                              [&](size_t, ReadingOutcome&& taken) { outcome = std::move(taken); });
        ok = takeReaderOutcome(mesh, false, std::move(outcome)).note.empty();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = cpuSeconds() - cpuStart;
    if (!ok) {
        return 1;
    }
    const size_t listBytes =
        (mesh.points.size() + mesh.normals.size()) * sizeof(Vec3d) +
        (mesh.coordIndex.size() + mesh.normalIndex.size()) * sizeof(IndexTriple);
    uint64_t hash = 14695981039346656037u;
    hashList(hash, mesh.points);
    hashList(hash, mesh.normals);
    hashList(hash, mesh.coordIndex);
    hashList(hash, mesh.normalIndex);
    const bool outside = reader == "coin" || reader == "assimp";
    const size_t triangles = outside ? coinTriangles : mesh.coordIndex.size();
    // The reader process's load gives its editor's growth; the others their whole peak.
    const long peak = peakResidentBytes() - (reader == "helper" ? peakBefore : 0);
    std::printf("%.6f %.6f %ld %zu %zu %016llx\n", seconds, cpu, peak, listBytes, triangles,
                static_cast<unsigned long long>(hash));
    return 0;
}

struct Figures {
    double seconds = 0;
    double cpu = 0;
    long peak = 0;
    size_t listBytes = 0;
    size_t triangles = 0;
    unsigned long long hash = 0;
};

// Runs one measurement in a fresh process of this program.
Figures measureInChild(const std::string& self, const std::string& reader,
                       const std::string& name) {
    const std::string command = "'" + self + "' --measure " + reader + " '" + name + "'";
    std::FILE* child = ::popen(command.c_str(), "r");
    Figures f;
    if (!child || std::fscanf(child, "%lf %lf %ld %zu %zu %llx", &f.seconds, &f.cpu, &f.peak,
                              &f.listBytes, &f.triangles, &f.hash) != 6) {
        std::fprintf(stderr, "measuring %s on %s failed\n", reader.c_str(), name.c_str());
        std::exit(1);
    }
    ::pclose(child);
    return f;
}

// A folder of many models read in full, two reader processes at once against one.
int benchFolder(const fs::path& root) {
    int status = 0;
    std::vector<ReadingJob> jobs;
    for (int i = 0; i < 16; ++i) {
        const std::string name = "part" + std::to_string(i) + ".wrl";
        writeGridModel(root / "VRMLmodels" / name, 160);
        jobs.push_back({"VRMLmodels", name, ReaderMode::Vrml});
    }
    const auto folderSeconds = [&](unsigned parallel) {
        double fastest = 1e9;
        for (int run = 0; run < 3; ++run) {
            ReadingAllowance allowance;
            allowance.parallel = parallel;
            size_t read = 0;
            const auto start = std::chrono::steady_clock::now();
            readInReaderProcesses(jobs, allowance, [&](size_t, ReadingOutcome&& outcome) {
                read += outcome.end == ReadingOutcome::End::Replied;
            });
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (read != jobs.size()) {
                std::fprintf(stderr, "the folder read %zu of %zu files\n", read, jobs.size());
                status = 1;
            }
            fastest = std::min(fastest, seconds);
        }
        return fastest;
    };
    // The CPU time tells whether two at once had two processors to themselves: on a machine
    // shared with other work, the scheduler may give the whole session no more than one.
    double cpu = cpuSeconds();
    const double one = folderSeconds(1);
    const double cpuOne = (cpuSeconds() - cpu) / 3;
    cpu = cpuSeconds();
    const double two = folderSeconds(2);
    const double cpuTwo = (cpuSeconds() - cpu) / 3;
    std::printf(
        "\nFull reading of a folder of %zu models of 50,562 triangles (best of 3 wall, mean cpu): "
        "one at a time %.3f s (cpu %.3f s), two at once %.3f s (cpu %.3f s), ratio %.2f\n",
        jobs.size(), one, cpuOne, two, cpuTwo, two / one);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--measure") == 0) {
        return measure(argv[2], argv[3]);
    }
    const bool folderOnly = argc > 1 && std::strcmp(argv[1], "--folder") == 0;
    const long largest = argc > 1 && !folderOnly ? std::atol(argv[1]) : 1000000;
    const std::string self = fs::canonical("/proc/self/exe").string();
    std::string pattern = (fs::temp_directory_path() / "tessaly-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = pattern;
    const fs::path previous = fs::current_path();
    fs::create_directory(root / "VRMLmodels");
    fs::current_path(root);
    if (folderOnly) {
        const int folderStatus = benchFolder(root);
        fs::current_path(previous);
        fs::remove_all(root);
        return folderStatus;
    }

    // Wall-clock figures, and the CPU time of the load in brackets: on a shared machine the CPU
    // time is the steadier measure. MB/s and the speed-up are given for both.
    std::printf("%10s %6s | %-26s | %-26s | %-13s | %s\n", "", "", "reference: s (cpu) MB/s",
                "fast: s (cpu) MB/s", "speed-up", "fast peak memory");
    std::printf("%10s %6s | %7s %7s %10s | %7s %7s %10s | %5s %7s | %8s %8s %6s\n", "triangles",
                "MB", "wall", "cpu", "MB/s", "wall", "cpu", "MB/s", "wall", "(cpu)", "peak MB",
                "lists MB", "ratio");
    int status = 0;
    struct Model {
        std::string name;
        size_t triangles;
        double megabytes;
        Figures classic;
    };
    std::vector<Model> models;
    for (long target = 10000; target <= largest; target *= 10) {
        const int n = static_cast<int>(std::ceil(std::sqrt(target / 2.0))) + 1;
        const std::string name = "grid" + std::to_string(target) + ".wrl";
        const size_t triangles = writeGridModel(root / "VRMLmodels" / name, n);
        const double megabytes = fs::file_size(root / "VRMLmodels" / name) / 1e6;

        const Figures reference = measureInChild(self, "reference", name);
        // The fast reader's best of three, so that one disturbed run does not decide.
        Figures fast = measureInChild(self, "fast", name);
        for (int i = 0; i < 2; ++i) {
            const Figures again = measureInChild(self, "fast", name);
            if (again.seconds < fast.seconds) {
                fast = again;
            }
        }
        if (fast.triangles != triangles || reference.triangles != triangles) {
            std::fprintf(stderr, "%s: read %zu and %zu of %zu triangles\n", name.c_str(),
                         reference.triangles, fast.triangles, triangles);
            status = 1;
        }
        if (fast.hash != reference.hash) {
            std::fprintf(stderr, "%s: the two readers give different lists\n", name.c_str());
            status = 1;
        }
        std::printf(
            "%10zu %6.1f | %7.3f %7.3f %4.0f (%3.0f) | %7.3f %7.3f %4.0f (%3.0f) | %4.1fx (%4.1fx) "
            "| "
            "%8.1f %8.1f %6.2f\n",
            triangles, megabytes, reference.seconds, reference.cpu, megabytes / reference.seconds,
            megabytes / reference.cpu, fast.seconds, fast.cpu, megabytes / fast.seconds,
            megabytes / fast.cpu, reference.seconds / fast.seconds, reference.cpu / fast.cpu,
            fast.peak / 1e6, fast.listBytes / 1e6,
            static_cast<double>(fast.peak) / static_cast<double>(fast.listBytes));
        std::fflush(stdout);
        models.push_back({name, triangles, megabytes, fast});
    }

    std::printf(
        "\nFull reading (--full-vrml) beside the classic one and Coin's own read and "
        "traversal (best of 3 each)\n");
    std::printf("%10s %6s | %-16s | %-17s | %-17s | %s\n", "triangles", "MB", "classic: s (cpu)",
                "full: s (cpu)", "Coin: s (cpu)", "full / Coin");
    for (const Model& model : models) {
        auto best = [&](const char* reader) {
            Figures f = measureInChild(self, reader, model.name);
            for (int i = 0; i < 2; ++i) {
                const Figures again = measureInChild(self, reader, model.name);
                if (again.seconds < f.seconds) {
                    f = again;
                }
            }
            return f;
        };
        const Figures full = best("full");
        const Figures coin = best("coin");
        if (full.triangles != model.triangles || coin.triangles != model.triangles) {
            std::fprintf(stderr, "%s: full reading %zu, Coin %zu of %zu triangles\n",
                         model.name.c_str(), full.triangles, coin.triangles, model.triangles);
            status = 1;
        }
        std::printf(
            "%10zu %6.1f | %7.3f (%6.3f) | %7.3f (%7.3f) | %7.3f (%7.3f) | %4.2fx (%4.2fx)\n",
            model.triangles, model.megabytes, model.classic.seconds, model.classic.cpu,
            full.seconds, full.cpu, coin.seconds, coin.cpu, full.seconds / coin.seconds,
            full.cpu / coin.cpu);
        std::fflush(stdout);
        fs::remove(root / "VRMLmodels" / model.name);
    }
    const auto best = [&](const char* reader, const std::string& name) {
        Figures f = measureInChild(self, reader, name);
        for (int i = 0; i < 2; ++i) {
            const Figures again = measureInChild(self, reader, name);
            if (again.seconds < f.seconds) {
                f = again;
            }
        }
        return f;
    };
    std::printf(
        "\nOther formats (--all-formats) through the reader process beside Assimp's own import "
        "in one process (best of 3 each; cpu includes the reader process)\n");
    std::printf("%6s %10s %6s | %-17s | %-17s | %-13s | %s\n", "format", "triangles", "MB",
                "Assimp: s (cpu)", "Tessaly: s (cpu)", "ratio", "editor growth / lists MB");
    const int n = static_cast<int>(std::ceil(std::sqrt(largest / 2.0))) + 1;
    for (const char* format : {"obj", "stl", "ply", "glb"}) {
        const std::string name = std::string("grid.") + format;
        const size_t triangles = writeGridInFormat(root / "VRMLmodels" / name, n);
        const double megabytes = fs::file_size(root / "VRMLmodels" / name) / 1e6;
        const Figures assimp = best("assimp", name);
        const Figures helper = best("helper", name);
        if (assimp.triangles != triangles || helper.triangles != triangles) {
            std::fprintf(stderr, "%s: Assimp %zu, Tessaly %zu of %zu triangles\n", name.c_str(),
                         assimp.triangles, helper.triangles, triangles);
            status = 1;
        }
        std::printf(
            "%6s %10zu %6.1f | %7.3f (%7.3f) | %7.3f (%7.3f) | %4.2fx (%4.2fx) | %6.1f / "
            "%6.1f = %4.2f\n",
            format, triangles, megabytes, assimp.seconds, assimp.cpu, helper.seconds, helper.cpu,
            helper.seconds / assimp.seconds, helper.cpu / assimp.cpu, helper.peak / 1e6,
            helper.listBytes / 1e6,
            static_cast<double>(helper.peak) / static_cast<double>(helper.listBytes));
        std::fflush(stdout);
        fs::remove(root / "VRMLmodels" / name);
    }

    status |= benchFolder(root);
    fs::current_path(previous);
    fs::remove_all(root);
    return status;
}
