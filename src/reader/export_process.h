#pragma once

#include <string>
#include <string_view>

#include "reader/export_format.h"
#include "reader/export_scene.h"
#include "reader/export_stream.h"

// Exports with Assimp run in a reader process (the tessaly-reader program), so that a fault in an
// exporter can never take the open scene with it: the editor streams the scene's lists to it,
// it sends the files back in memory, and the editor writes them.

struct ExportRun {
    bool written = false;
    // Why not: the exporter's refusal, or what became of the process ("the exporter crashed
    // (Segmentation fault)", "the exporter ran out of time").
    std::string message;
    std::string replyBytes;  // what the process sent; `reply` views into it
    ExportReply reply;
};

// Runs one export of `scene` in `format` (any but Wrl) in a fresh reader process, with time and
// memory in proportion to the scene. `baseName` as for exportWithAssimp.
void exportInReaderProcess(const ExportScene& scene, ExportFormat format, std::string_view baseName,
                           ExportRun& run);

// The same with `program` standing in for tessaly-reader (called as "PROGRAM export CPU_SECONDS
// ADDRESS_MEGABYTES") and `seconds` of wall-clock time, after which it is killed.
void exportInProgram(const std::string& program, double seconds, const ExportScene& scene,
                     ExportFormat format, std::string_view baseName, ExportRun& run);
