#include "library/model_reading.h"

#include <utility>

#include "library/vrml_reader.h"

namespace {

ModelReadResult readClassicInstead(Mesh& mesh, const std::string& why, bool parserRefused) {
    ModelReadResult result;
    result.readable = loadModel(mesh);
    result.fellBack = result.readable;
    result.parserMessage = why;
    result.note = parserRefused ? "read the classic way: the VRML parser refused it (" + why + ")"
                                : "read the classic way: " + why;
    if (!result.readable) {
        result.note = "cannot be read";
    }
    return result;
}

}  // namespace

ModelReadResult takeReaderOutcome(Mesh& mesh, bool vrml, ReadingOutcome&& outcome) {
    using End = ReadingOutcome::End;
    ModelReadResult result;
    switch (outcome.end) {
        case End::Replied:
            break;
        case End::Unreadable:
        case End::Changed:
            result.note = "cannot be read: " + outcome.why;
            return result;
        case End::Failed:
        case End::NotRun:
            if (vrml) {
                return readClassicInstead(mesh, outcome.why, false);
            }
            result.readable = true;
            result.note = "not read: " + outcome.why;
            return result;
    }
    ReaderReply& reply = outcome.reply;
    if (reply.status == ReaderReply::Status::Rejected) {
        if (vrml) {
            return readClassicInstead(mesh, reply.note, true);
        }
        result.readable = true;
        result.note = "not read: " + reply.note;
        return result;
    }
    result.readable = true;
    mesh.points = std::move(reply.lists.points);
    mesh.normals = std::move(reply.lists.normals);
    mesh.coordIndex = std::move(reply.lists.coordIndex);
    mesh.normalIndex = std::move(reply.lists.normalIndex);
    mesh.twoSidedTriangles = reply.lists.twoSidedTriangles;
    if (!reply.note.empty()) {
        result.note = mesh.coordIndex.empty() && reply.note.rfind("no triangles", 0) != 0
                          ? "no triangles: " + reply.note
                          : reply.note;
    }
    return result;
}

ModelReadResult readModel(Mesh& mesh, ModelReading reading) {
    if (reading == ModelReading::Classic) {
        ModelReadResult result;
        result.readable = loadModel(mesh);
        return result;
    }
    ReadingOutcome taken;
    readInReaderProcesses({{"VRMLmodels", mesh.name, ReaderMode::Vrml}}, {},
                          [&](size_t, ReadingOutcome&& outcome) { taken = std::move(outcome); });
    return takeReaderOutcome(mesh, true, std::move(taken));
}
