#include "scenefile/scene_export.h"

#include <unistd.h>

#include <filesystem>

#include "reader/compose_export.h"
#include "reader/export_format.h"
#include "reader/export_geometry.h"
#include "reader/export_process.h"
#include "scene/scene.h"
#include "scenefile/file_io.h"
#include "scenefile/vrml_export.h"

namespace fs = std::filesystem;

namespace {

ExportOutcome failed(std::string why) {
    return {false, std::move(why)};
}

ExportOutcome done(const ExportScene& scene, const std::string& path) {
    const size_t count = scene.objects.size();
    return {true, "Exported " + std::to_string(count) +
                      (count == 1 ? " object to " : " objects to ") +
                      fs::path(path).filename().string()};
}

// A companion file's suffix as an exporter may name it: a dot and a few letters or digits, so
// that it can only name a file beside the target.
bool plainSuffix(const std::string& suffix) {
    if (suffix.size() < 2 || suffix.size() > 9 || suffix[0] != '.') {
        return false;
    }
    for (size_t i = 1; i < suffix.size(); ++i) {
        const char c = suffix[i];
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return true;
}

// The name that companion files take: the target's name without its extension, with every
// character that a URI would have to encode replaced by '_' ("my room.gltf" -> "my_room"), so
// that the main file can name them plainly and every reader finds them.
std::string companionStem(const std::string& path) {
    std::string stem = fs::path(path).stem().string();
    for (char& c : stem) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        if (!plain) {
            c = '_';
        }
    }
    return stem;
}

// Writes the reply's files: companions first, so that the main file never names a missing one.
// A companion that this export created is removed again when a later file fails.
ExportOutcome writeBlobs(const ExportScene& scene, const std::string& path,
                         const ExportReply& reply) {
    if (reply.blobs.empty() || !reply.blobs[0].suffix.empty()) {
        return failed("not exported: the exporter gave no file");
    }
    std::vector<std::string> created;
    const auto undo = [&created] {
        for (const std::string& file : created) {
            unlink(file.c_str());
        }
    };
    std::string reason;
    for (size_t i = 1; i < reply.blobs.size(); ++i) {
        const ExportReply::Blob& blob = reply.blobs[i];
        if (!plainSuffix(blob.suffix)) {
            undo();
            return failed("not exported: the exporter named a strange file");
        }
        const std::string companion =
            (fs::path(path).parent_path() / (companionStem(path) + blob.suffix)).string();
        std::error_code error;
        const bool existed = fs::exists(fs::symlink_status(companion, error));
        if (!writeFileAtomically(companion, blob.bytes, reason)) {
            undo();
            return failed(reason);
        }
        if (!existed) {
            created.push_back(companion);
        }
    }
    if (!writeFileAtomically(path, reply.blobs[0].bytes, reason)) {
        undo();
        return failed(reason);
    }
    return done(scene, path);
}

}  // namespace

ExportOutcome exportSceneToFile(const Scene& scene, const std::string& path) {
    const auto format = exportFormatOfPath(path);
    if (!format) {
        return failed("not exported: unknown file type");
    }
    const ExportScene composed = composeExport(scene);
    if (std::string problem = exportProblem(composed); !problem.empty()) {
        return failed(std::move(problem));
    }
    if (*format == ExportFormat::Wrl) {
        // Written as it is made: the text is twice the size of the lists it comes from.
        std::string why, reason;
        const ContentProducer produce = [&composed, &why](const auto& append) {
            return writeVrmlExport(composed, append, why);
        };
        if (!writeFileAtomically(path, produce, reason)) {
            return failed(why.empty() ? reason : why);
        }
        return done(composed, path);
    }
    ExportRun run;
    exportInReaderProcess(composed, *format, companionStem(path), run);
    if (!run.written) {
        return failed(run.message.empty() ? "not exported: the exporter refused it" : run.message);
    }
    return writeBlobs(composed, path, run.reply);
}
