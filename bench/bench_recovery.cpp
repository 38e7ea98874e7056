// The periodic recovery copy: what it costs the event loop and how long the write takes.
//
// For scenes of 1,000 and 100,000 objects: the snapshot that the event loop takes (model indices
// and matrices), the write on the writer's thread (formatting and the safe writer, synced to
// disk), and the longest pause of a stand-in event loop (passes of about 1 ms of work each) while
// a copy is taken and written, beside the longest pause of the same loop without any copy. The
// copies go to a temporary folder that is removed afterwards. Nothing is asserted.
//
// Usage: bench_recovery
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "scene/scene.h"
#include "scenefile/recovery_copy.h"
#include "scenefile/recovery_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

double milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void fill(Scene& scene, int objects) {
    scene.models.push_back(std::make_unique<Mesh>("box.wrl"));
    scene.models.push_back(std::make_unique<Mesh>("a rather longer model name.wrl"));
    for (int i = 0; i < objects; ++i) {
        SceneObject* object = scene.addInstance(i % 2);
        object->translateObject(0.001f * i, -0.37f * (i % 13), 1.0f / 3 * (i % 7));
        object->rotateObjectLocal(static_cast<float>(i % 360), 12.5f, 0);
    }
}

// A pass of the stand-in event loop: about a millisecond of work, as drawing a frame might be.
void onePass() {
    const auto end = Clock::now() + std::chrono::microseconds(1000);
    while (Clock::now() < end) {
    }
}

// Runs the loop for `passes` passes, calling `duringPass` (with the pass number) after each, and
// returns the longest time between the ends of two passes beyond the pass itself.
template <typename During>
double longestPause(int passes, During duringPass) {
    double longest = 0;
    auto last = Clock::now();
    for (int pass = 0; pass < passes; ++pass) {
        onePass();
        duringPass(pass);
        const auto now = Clock::now();
        longest = std::max(longest, milliseconds(now - last) - 1.0);
        last = now;
    }
    return longest;
}

void measure(int objects, const std::string& folder) {
    Scene scene;
    fill(scene, objects);
    auto place = std::make_shared<RecoveryPlace>();
    place->folder = folder;
    place->key = "bench-00000000";
    for (const auto& model : scene.models) {
        place->modelNames.push_back(model->name);
    }

    // The snapshot, on the event loop's thread.
    constexpr int ROUNDS = 5;
    double snapshotWorst = 0, snapshotSum = 0;
    SceneSnapshot snapshot;
    for (int round = 0; round < ROUNDS; ++round) {
        const auto start = Clock::now();
        snapshot.objects = placedModels(scene);
        const double took = milliseconds(Clock::now() - start);
        snapshotWorst = std::max(snapshotWorst, took);
        snapshotSum += took;
    }

    // The write, on the writer's thread, as the program starts it.
    RecoveryWriter writer;
    double writeWorst = 0, writeSum = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        const auto start = Clock::now();
        writer.start(place, snapshot);
        writer.wait();
        const double took = milliseconds(Clock::now() - start);
        writeWorst = std::max(writeWorst, took);
        writeSum += took;
    }

    // The loop's longest pause: without copies, then with a copy taken and written every 200
    // passes (snapshot here, the rest on the writer's thread).
    const int passes = objects > 10'000 ? 3000 : 1000;
    const double quiet = longestPause(passes, [](int) {});
    int written = 0;
    const double withCopies = longestPause(passes, [&](int pass) {
        if (pass % 200 == 0 && !writer.busy()) {
            SceneSnapshot taken;
            taken.objects = placedModels(scene);
            writer.start(place, std::move(taken));
            ++written;
        }
    });
    writer.wait();

    std::printf(
        "%7d objects: snapshot %.2f ms (worst %.2f), write %.1f ms (worst %.1f), "
        "%.1f MB\n",
        objects, snapshotSum / ROUNDS, snapshotWorst, writeSum / ROUNDS, writeWorst,
        static_cast<double>(formatSnapshot(snapshot, place->modelNames).size()) / 1e6);
    std::printf(
        "         event loop longest pause: %.2f ms with %d copies written, %.2f ms without\n",
        withCopies, written, quiet);
}

}  // namespace

int main() {
    char pattern[] = "/tmp/tessaly-bench-recovery-XXXXXX";
    const char* folder = mkdtemp(pattern);
    if (folder == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    for (int objects : {1'000, 100'000}) {
        measure(objects, std::string(folder) + "/tessaly");
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
