// The reader processes as the editor runs them: several at once, each decided once; a process
// that crashes, runs out of time or is cut off by the start-up allowance is reported as exactly
// that; a file that changes while it is read is refused; the editor itself never links a parser
// and survives a model file cut short while it starts.
#include "reader/reader_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "library/model_folder.h"
#include "library/model_reading.h"
#include "reader/helper_program.h"

namespace {

const std::string TRIANGLE =
    "#VRML V2.0 utf8\nShape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 "
    "0, 0 1 0 ] } coordIndex [ 0 1 2 -1 ] } }\n";

// Found by fuzzing: Assimp's binary PLY reading crashes on this header.
const std::string CRASHES_ASSIMP = std::string(
                                       "ply\nformat binary_little_endian 1.0\nelement vertex 3\n"
                                       "property floafloat y\nproperty float z\nelement face 2\n"
                                       "property list uchar )nt vertex_indices\necobnd_header\n") +
                                   std::string(8, '\0') + ")\b" + std::string(5, '\0') +
                                   std::string("\x80?\0\0\x82", 5) + std::string(12, '\0') +
                                   "\x80?" + std::string(4, '\0') + "\x03" + std::string(4, '\0') +
                                   "\x01" + std::string(3, '\0') + "\x02" + std::string(3, '\0');

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
            const bool vrml = name.size() > 4 && name.substr(name.size() - 4) == ".wrl";
            jobs.push_back({"VRMLmodels", name, vrml ? ReaderMode::Vrml : ReaderMode::Assimp});
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
        names.push_back("m" + std::to_string(i) + (i % 4 == 3 ? ".ply" : ".wrl"));
        writeModel(names.back(), i % 4 == 3 ? CRASHES_ASSIMP : TRIANGLE);
    }
    // Assimp's reading of that file crashes on most runs, not on all (what it reads past the
    // end differs): a stand-in program crashes for certain wherever Assimp is asked to read.
    const std::string crashing = folder / "crashing-reader";
    {
        std::ofstream script(crashing);
        script << "#!/bin/sh\n"
               << "[ \"$1\" = read-assimp ] && kill -SEGV $$\n"
               << "exec '" << readerProgramPath() << "' \"$@\"\n";
    }
    ASSERT_EQ(::chmod(crashing.c_str(), 0755), 0);
    ReadingAllowance allowance;
    allowance.parallel = 3;
    allowance.program = crashing;
    const std::vector<ReadingOutcome> outcomes = readAll(names, allowance);
    for (size_t i = 0; i < names.size(); ++i) {
        if (i % 4 == 3) {
            EXPECT_EQ(outcomes[i].end, ReadingOutcome::End::Failed);
            EXPECT_EQ(outcomes[i].why.rfind("the reader process crashed (signal 11, ", 0), 0u)
                << outcomes[i].why;
        } else {
            ASSERT_EQ(outcomes[i].end, ReadingOutcome::End::Replied) << outcomes[i].why;
            EXPECT_EQ(outcomes[i].reply.status, ReaderReply::Status::Read);
            EXPECT_EQ(outcomes[i].reply.lists.coordIndex.size(), 1u) << names[i];
        }
    }
}

TEST_F(ReaderProcessTest, TimeAndTheStartUpAllowanceEndReadingsAsSuch) {
    writeModel("slow.wrl", slowFile());
    writeModel("quick.wrl", TRIANGLE);
    ReadingAllowance allowance;
    allowance.seconds = 0.2;
    allowance.secondsPerMegabyte = 0;
    std::vector<ReadingOutcome> outcomes = readAll({"slow.wrl"}, allowance);
    EXPECT_EQ(outcomes[0].end, ReadingOutcome::End::Failed);
    EXPECT_EQ(outcomes[0].why, "the reader process did not finish within 1 s");
    // The quick file gets the usual allowance: a loaded machine may take longer than 0.2 s just
    // to start the process.
    outcomes = readAll({"quick.wrl"}, {});
    EXPECT_EQ(outcomes[0].end, ReadingOutcome::End::Replied) << outcomes[0].why;

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

TEST_F(ReaderProcessTest, TheProcessReadsUnderHardLimits) {
    // A file that keeps the parser busy long enough to look at the process while it reads.
    std::string big = slowFile();
    for (int i = 0; i < 3; ++i) {
        big.insert(big.size() - 6, big.substr(200, 12 * 400000));
    }
    writeModel("busy.wrl", big);
    const std::string program =
        std::filesystem::path(TESSALY_PROGRAM).parent_path() / "lib" / "tessaly" / "tessaly-reader";
    int output[2];
    ASSERT_EQ(::pipe(output), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(::open("VRMLmodels/busy.wrl", O_RDONLY), 0);
        ::dup2(output[1], 1);
        ::execl(program.c_str(), program.c_str(), "read-vrml", "busy.wrl", "7", "1500", nullptr);
        ::_exit(127);
    }
    ::close(output[1]);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::ifstream limitsFile("/proc/" + std::to_string(child) + "/limits");
    std::map<std::string, std::string> limits;  // name -> soft limit
    std::string line;
    while (std::getline(limitsFile, line)) {
        if (line.size() > 26 && line.rfind("Limit", 0) != 0) {
            std::istringstream soft(line.substr(26));
            soft >> limits[line.substr(0, 26)];
        }
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(output[0]);
    EXPECT_EQ(limits["Max cpu time              "], "7");
    EXPECT_EQ(limits["Max file size             "], "0");
    EXPECT_EQ(limits["Max core file size        "], "0");
    // 16 while it reads the file, none but its three once the VRML parser has the text.
    EXPECT_TRUE(limits["Max open files            "] == "16" ||
                limits["Max open files            "] == "3")
        << limits["Max open files            "];
#if defined(__SANITIZE_ADDRESS__)
    // A sanitized build limits its allocator instead (reader_main.cpp).
    EXPECT_EQ(limits["Max address space         "], "unlimited");
#else
    EXPECT_EQ(limits["Max address space         "], std::to_string(1500ull << 20));
#endif
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
