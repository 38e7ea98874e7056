// The reader processes as the editor runs them: several at once, each decided once; a process
// that crashes, runs out of time or is cut off by the start-up allowance is reported as exactly
// that; a file that changes while it is read is refused; the editor itself never links a parser
// and survives a model file cut short while it starts.
#include "reader/reader_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "library/model_folder.h"
#include "library/model_reading.h"

namespace {

const std::string TRIANGLE =
    "#VRML V2.0 utf8\nShape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 "
    "0, 0 1 0 ] } coordIndex [ 0 1 2 -1 ] } }\n";

// An image of 32767 by 32767 pixels is allocated before its pixels are read: the process meets
// its memory limit (a crash by SIGABRT in a sanitized build, whose allocator stops it).
const std::string MEMORY_BOMB =
    "#VRML V2.0 utf8\nShape { appearance Appearance { texture PixelTexture {\n"
    "image 32767 32767 4 0xFF } } }\n";

// Takes the parser a second or more: 400,000 faces.
std::string slowFile() {
    std::string big =
        "#VRML V2.0 utf8\nShape { geometry IndexedFaceSet { coord Coordinate {\n"
        "point [ 0 0 0, 1 0 0, 0 1 0 ] } coordIndex [\n";
    for (int i = 0; i < 400000; ++i) {
        big += "0, 1, 2, -1,\n";
    }
    return big + "] } }\n";
}

class ReaderProcessTest : public ModelFolderTest {
protected:
    std::vector<ReadingOutcome> readAll(const std::vector<std::string>& names,
                                        const ReadingAllowance& allowance = {}) {
        std::vector<ReadingJob> jobs;
        for (const std::string& name : names) {
            jobs.push_back({"VRMLmodels", name, ReaderMode::Vrml});
        }
        std::vector<ReadingOutcome> outcomes(names.size());
        std::vector<int> calls(names.size(), 0);
        readInReaderProcesses(jobs, allowance, [&](size_t job, ReadingOutcome&& outcome) {
            ++calls.at(job);
            outcomes[job] = std::move(outcome);
        });
        EXPECT_EQ(calls, std::vector<int>(names.size(), 1)) << "each file is decided once";
        return outcomes;
    }
};

TEST_F(ReaderProcessTest, ManyFilesAreReadAtOnceAndEachIsDecidedOnce) {
    std::vector<std::string> names;
    for (int i = 0; i < 12; ++i) {
        names.push_back("m" + std::to_string(i) + ".wrl");
        writeModel(names.back(), i % 4 == 3 ? MEMORY_BOMB : TRIANGLE);
    }
    ReadingAllowance allowance;
    allowance.parallel = 3;
    const std::vector<ReadingOutcome> outcomes = readAll(names, allowance);
    for (size_t i = 0; i < names.size(); ++i) {
        if (i % 4 == 3) {
            EXPECT_EQ(outcomes[i].end, ReadingOutcome::End::Failed);
            const std::string& why = outcomes[i].why;
            EXPECT_TRUE(why.rfind("the reader process ran out of memory at its limit of ", 0) ==
                            0 ||
                        why.rfind("the reader process crashed (signal 6, ", 0) == 0)
                << why;
        } else {
            ASSERT_EQ(outcomes[i].end, ReadingOutcome::End::Replied) << outcomes[i].why;
            EXPECT_EQ(outcomes[i].reply.status, ReaderReply::Status::Read);
            EXPECT_EQ(outcomes[i].reply.lists.coordIndex.size(), 1u);
        }
    }
}

TEST_F(ReaderProcessTest, TimeAndTheStartUpAllowanceEndReadingsAsSuch) {
    writeModel("slow.wrl", slowFile());
    writeModel("quick.wrl", TRIANGLE);
    ReadingAllowance allowance;
    allowance.seconds = 0.2;
    allowance.secondsPerMegabyte = 0;
    std::vector<ReadingOutcome> outcomes = readAll({"slow.wrl", "quick.wrl"}, allowance);
    EXPECT_EQ(outcomes[0].end, ReadingOutcome::End::Failed);
    EXPECT_EQ(outcomes[0].why, "the reader process did not finish within 1 s");
    EXPECT_EQ(outcomes[1].end, ReadingOutcome::End::Replied);

    // One process at a time and a total of 0.3 s: the slow file is cut off by the total, the
    // quick one after it is never started.
    allowance = {};
    allowance.parallel = 1;
    allowance.totalSeconds = 0.3;
    outcomes = readAll({"slow.wrl", "quick.wrl"}, allowance);
    for (const ReadingOutcome& outcome : outcomes) {
        EXPECT_EQ(outcome.end, ReadingOutcome::End::NotRun);
        EXPECT_EQ(outcome.why, "the reader processes' start-up allowance of 1 s was spent");
    }
    // Start-up then reads such a .wrl file the classic way and says so.
    Mesh mesh("quick.wrl");
    ReadingOutcome notRun;
    notRun.why = outcomes[1].why;
    const ModelReadResult result = takeReaderOutcome(mesh, true, std::move(notRun));
    EXPECT_TRUE(result.readable && result.fellBack);
    EXPECT_EQ(result.note,
              "read the classic way: the reader processes' start-up allowance of 1 s was spent");
    EXPECT_EQ(mesh.coordIndex.size(), 1u);
}

TEST_F(ReaderProcessTest, AnInlineNamingADeviceOrAFileIsNeverOpened) {
    put("secret.wrl", TRIANGLE);
    writeModel("inline.wrl",
               "#VRML V2.0 utf8\nInline { url \"/dev/zero\" }\nInline { url \"../secret.wrl\" }\n"
               "Inline { url \"file:///dev/urandom\" }\n");
    const std::vector<ReadingOutcome> outcomes = readAll({"inline.wrl"});
    ASSERT_EQ(outcomes[0].end, ReadingOutcome::End::Replied) << outcomes[0].why;
    EXPECT_EQ(outcomes[0].reply.status, ReaderReply::Status::Read);
    EXPECT_TRUE(outcomes[0].reply.lists.coordIndex.empty()) << "the inlined file is not read";
    EXPECT_NE(outcomes[0].reply.note.find("Inline"), std::string::npos) << outcomes[0].reply.note;
}

TEST_F(ReaderProcessTest, AFileThatChangesWhileItIsReadIsRefused) {
    writeModel("moving.wrl", slowFile());
    std::thread toucher([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::ofstream(folder / "VRMLmodels" / "moving.wrl", std::ios::app) << "# more\n";
    });
    const std::vector<ReadingOutcome> outcomes = readAll({"moving.wrl"});
    toucher.join();
    EXPECT_EQ(outcomes[0].end, ReadingOutcome::End::Changed);
    EXPECT_EQ(outcomes[0].why, "the file changed while it was read");
    Mesh mesh("moving.wrl");
    ReadingOutcome changed = outcomes[0];
    EXPECT_FALSE(takeReaderOutcome(mesh, true, std::move(changed)).readable);
}

// Runs the program with the arguments in the test's folder; its exit status (or 128 + signal).
int runProgram(const std::vector<std::string>& arguments) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>(TESSALY_PROGRAM)};
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        ::execv(TESSALY_PROGRAM, argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

TEST_F(ReaderProcessTest, AModelFileCutShortWhileTessalyStartsEndsNothing) {
    // A file of 32 MB that another process keeps cutting short and writing again while the
    // program reads it in full (once a SIGBUS in the editor, which mapped it).
    const std::filesystem::path path = folder / "VRMLmodels" / "cut.wrl";
    const std::string block =
        "Transform { children Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 "
        "0, 1 0 0, 0 1 0 ] } coordIndex [ 0 1 2 -1 ] } } }\n";
    std::string content = "#VRML V2.0 utf8\n";
    while (content.size() < (32u << 20)) {
        content += block;
    }
    writeModel("cut.wrl", content);
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::atomic<bool> done{false};
        std::thread cutter([&] {
            for (int i = 0; !done; ++i) {
                std::filesystem::resize_file(path, i % 2 ? content.size() : 4096);
                std::this_thread::sleep_for(std::chrono::milliseconds(3));
            }
        });
        const int status = runProgram({"--full-vrml", "--list-models"});
        done = true;
        cutter.join();
        EXPECT_EQ(status, 0) << "attempt " << attempt;
    }
}

TEST(ReaderProcessLinks, TheEditorLinksNeitherParser) {
    std::FILE* pipe = ::popen(("ldd " + std::string(TESSALY_PROGRAM)).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string libraries;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        libraries += line;
    }
    EXPECT_EQ(::pclose(pipe), 0);
    EXPECT_NE(libraries.find("libc.so"), std::string::npos) << libraries;
    EXPECT_EQ(libraries.find("Coin"), std::string::npos) << libraries;
    EXPECT_EQ(libraries.find("assimp"), std::string::npos) << libraries;
}

}  // namespace
