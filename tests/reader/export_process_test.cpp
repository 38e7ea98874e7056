#include "reader/export_process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/export_sample.h"
#include "support/temp_folder.h"

namespace {

// A stand-in for the reader program: a shell script.
std::string script(const TempFolder& folder, const std::string& name, const std::string& body) {
    const std::string path = folder.put(name, "#!/bin/sh\n" + body + "\n");
    chmod(path.c_str(), 0755);
    return path;
}

TEST(ExportProcess, TheReaderProgramSendsTheFilesBack) {
    const auto sample = makeExportSample();
    ExportRun run;
    exportInReaderProcess(sample->scene, ExportFormat::Gltf, "room", run);
    ASSERT_TRUE(run.written) << run.message;
    ASSERT_EQ(run.reply.blobs.size(), 2u);
    EXPECT_NE(run.reply.blobs[0].bytes.find("\"room.bin\""), std::string_view::npos);
    EXPECT_EQ(run.reply.blobs[1].suffix, ".bin");
    // Assimp's refusal comes back as the process's answer, not as a failure of the process.
    exportInReaderProcess(sample->scene, ExportFormat::Wrl, "room", run);
    EXPECT_FALSE(run.written);
    EXPECT_EQ(run.message, "not exported: no such format");
}

// Nothing a process does is taken for an export: a crash, a kill by a limit, silence, garbage or
// hanging each say what became of it.
TEST(ExportProcess, WhatBecameOfAFailedProcessIsSaid) {
    const auto sample = makeExportSample();
    TempFolder folder;
    const struct {
        const char* name;
        const char* body;
        const char* message;
    } cases[] = {
        {"crash", "cat >/dev/null; kill -SEGV $$",
         "not exported: the exporter crashed (Segmentation fault)"},
        {"cpu", "kill -XCPU $$", "not exported: the exporter ran out of time"},
        {"memory", "exit 3", "not exported: the exporter ran out of memory"},
        {"killed", "kill -KILL $$", "not exported: the exporter was killed"},
        {"silent", "cat >/dev/null",
         "not exported: the exporter's reply is broken (the reply is "
         "cut short)"},
        {"garbage", "cat >/dev/null; echo this is no reply at all",
         "not exported: the exporter's reply is broken (not an export reply)"},
        {"hangs", "exec sleep 60", "not exported: the exporter ran out of time"},
        {"status", "exit 9", "not exported: the exporter failed (status 9)"},
    };
    for (const auto& c : cases) {
        ExportRun run;
        exportInProgram(script(folder, c.name, c.body), 2, sample->scene, ExportFormat::Glb, "x",
                        run);
        EXPECT_FALSE(run.written) << c.name;
        EXPECT_EQ(run.message, c.message) << c.name;
    }
    ExportRun missing;
    exportInProgram(folder.path("none"), 2, sample->scene, ExportFormat::Glb, "x", missing);
    EXPECT_EQ(missing.message,
              "not exported: cannot start the exporter (No such file or directory)");
}

}  // namespace
