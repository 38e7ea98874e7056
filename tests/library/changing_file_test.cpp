// Model files that another process changes while they are read: cut short (pages of the mapping
// vanish, and touching one raises SIGBUS), grown, or rewritten in place. The read never ends the
// process; a file in change is reported like an unreadable one. Each read runs in a forked child,
// so that a read that does end its process fails the test instead of ending the test program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <string>

#include "library/mapped_file.h"
#include "library/mapping_guard.h"
#include "library/model_folder.h"
#include "support/measured_run.h"

namespace {

// A model of some megabytes: more than one release step of the reader, so that the sections lie
// pages apart.
std::string largeModel() {
    std::string text =
        "#VRML V2.0 utf8\nShape { geometry IndexedFaceSet {\ncoord Coordinate { "
        "point [\n";
    for (int i = 0; i < 100000; ++i) {
        text += std::to_string(i % 97) + ".25 " + std::to_string(i % 89) + ".5 0.125,\n";
    }
    text += "] }\ncoordIndex [\n";
    for (int i = 0; i + 2 < 100000; i += 3) {
        text += std::to_string(i) + ", " + std::to_string(i + 1) + ", " + std::to_string(i + 2) +
                ", -1,\n";
    }
    return text + "]\n} }\n";
}

struct ReadOutcome {
    bool mapped = false;
    bool loaded = false;
    size_t listEntries = 0;
};

class ChangingFileTest : public ModelFolderTest {
protected:
    // Opens VRMLmodels/<name>, lets `change` act on the file, then reads it, in a child process.
    ReadOutcome readAfter(const std::string& name, const std::function<void(const char*)>& change) {
        ReadOutcome outcome;
        const std::string path = "VRMLmodels/" + name;
        const MeasuredRun run = runMeasured(
            [&] {
                Mesh mesh(name);
                MappedFile file;
                outcome.mapped = file.open(path) && file.text.mapping != nullptr;
                change(path.c_str());
                outcome.loaded = loadModelFile(mesh, file);
                outcome.listEntries = mesh.points.size() + mesh.normals.size() +
                                      mesh.coordIndex.size() + mesh.normalIndex.size();
            },
            &outcome, sizeof outcome);
        EXPECT_TRUE(run.finished) << "the read ended the process";
        return outcome;
    }
};

TEST_F(ChangingFileTest, FileCutShortBetweenMappingAndReadingIsReportedNotFatal) {
    const std::string model = largeModel();
    ASSERT_GT(model.size(), 2 * PageRelease::STEP);
    writeModel("big.wrl", model);
    // Cut to nothing, inside the first page, in the middle of the points, and inside the last
    // page (where no page vanishes: only the size tells).
    for (const size_t length : {size_t{0}, size_t{100}, model.size() / 3, model.size() - 10}) {
        writeModel("big.wrl", model);
        const ReadOutcome outcome = readAfter("big.wrl", [length](const char* path) {
            ASSERT_EQ(::truncate(path, static_cast<off_t>(length)), 0);
        });
        EXPECT_TRUE(outcome.mapped);
        EXPECT_FALSE(outcome.loaded) << "cut to " << length;
        EXPECT_EQ(outcome.listEntries, 0u) << "cut to " << length;
    }
}

TEST_F(ChangingFileTest, FileGrownOrRewrittenDuringTheReadIsReported) {
    const std::string model = largeModel();
    writeModel("big.wrl", model);
    const ReadOutcome grown = readAfter("big.wrl", [](const char* path) {
        std::ofstream(path, std::ios::app) << "Normal { vector [ 0 0 1 ] }\n";
    });
    EXPECT_TRUE(grown.mapped);
    EXPECT_FALSE(grown.loaded);

    // Rewritten in place, same size: its modification time tells.
    writeModel("big.wrl", model);
    const ReadOutcome rewritten = readAfter("big.wrl", [](const char* path) {
        std::fstream(path, std::ios::in | std::ios::out) << "#VRML V1.0";
        struct stat info {};
        ASSERT_EQ(::stat(path, &info), 0);
        const timespec later[2] = {info.st_atim, {info.st_mtim.tv_sec + 5, info.st_mtim.tv_nsec}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path, later, 0), 0);
    });
    EXPECT_FALSE(rewritten.loaded);

    // A file too small to be mapped that fills while it is read.
    writeModel("empty.wrl", "");
    const ReadOutcome filled = readAfter("empty.wrl", [](const char* path) {
        std::ofstream(path, std::ios::app) << "Coordinate3 { point [ 0 0 0 ] }";
    });
    EXPECT_FALSE(filled.mapped);
    EXPECT_FALSE(filled.loaded);
}

TEST_F(ChangingFileTest, UnchangedFileReadsAsTheReferenceDoes) {
    writeModel("big.wrl", largeModel());
    const ReadOutcome outcome = readAfter("big.wrl", [](const char*) {});
    EXPECT_TRUE(outcome.mapped);
    EXPECT_TRUE(outcome.loaded);
    Mesh reference("big.wrl");
    ASSERT_TRUE(referenceLoadModel(reference));
    EXPECT_EQ(outcome.listEntries, reference.points.size() + reference.normals.size() +
                                       reference.coordIndex.size() + reference.normalIndex.size());
}

// A handler that stands for whatever was in place before a guard (a sanitizer's crash report):
// it notes the signal and, for a fault, makes the page readable so that the access can go on.
volatile sig_atomic_t earlierHandlerCalls = 0;
void earlierHandler(int, siginfo_t* info, void*) {
    earlierHandlerCalls = earlierHandlerCalls + 1;
    if (info->si_code > 0) {
        const uintptr_t page = reinterpret_cast<uintptr_t>(info->si_addr) &
                               ~static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE) - 1);
        ::mmap(reinterpret_cast<void*>(page), 1, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED,
               -1, 0);
    }
}

TEST_F(ChangingFileTest, SignalsThatAreNotTheGuardedMappingsReachTheEarlierHandler) {
    writeModel("other.wrl", std::string(3 * 4096, 'x'));
    struct Outcome {
        int callsForRaise = -1;
        int callsForOtherMapping = -1;
        bool restoredAfterwards = false;
    } outcome;
    const MeasuredRun run = runMeasured(
        [&] {
            struct sigaction earlier {};
            earlier.sa_sigaction = earlierHandler;
            earlier.sa_flags = SA_SIGINFO;
            ::sigaction(SIGBUS, &earlier, nullptr);
            MappedFile guarded;
            MappedFile other;
            if (!guarded.open("VRMLmodels/other.wrl") || !other.open("VRMLmodels/other.wrl")) {
                return;
            }
            {
                MappingGuard guard(guarded.text.mapping, guarded.mappedLength);
                ::raise(SIGBUS);
                outcome.callsForRaise = earlierHandlerCalls;
                // Cutting the file takes the pages of both mappings; only the guarded one's are
                // the guard's business.
                if (::truncate("VRMLmodels/other.wrl", 0) != 0) {
                    return;
                }
                const volatile char touched = other.text.bytes[5000];
                static_cast<void>(touched);
                outcome.callsForOtherMapping = earlierHandlerCalls;
            }
            struct sigaction now {};
            ::sigaction(SIGBUS, nullptr, &now);
            outcome.restoredAfterwards = now.sa_sigaction == earlierHandler;
        },
        &outcome, sizeof outcome);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(outcome.callsForRaise, 1);
    EXPECT_EQ(outcome.callsForOtherMapping, 2);
    EXPECT_TRUE(outcome.restoredAfterwards);
}

}  // namespace
