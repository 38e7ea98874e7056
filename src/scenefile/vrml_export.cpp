#include "scenefile/vrml_export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "reader/export_geometry.h"

namespace {

// Shortest text that reads back to the same double, never in the locale's notation.
void appendNumber(std::string& text, double value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    text.append(buffer, end);
}

// "x y z," : the comma right after the third number, as the classic reading expects.
bool appendVector(std::string& text, const Vec3d& v) {
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) {
        return false;
    }
    appendNumber(text, v.x);
    text += ' ';
    appendNumber(text, v.y);
    text += ' ';
    appendNumber(text, v.z);
    text += ",\n";
    return true;
}

void appendTriangle(std::string& text, int64_t a, int64_t b, int64_t c) {
    char buffer[80];
    char* at = buffer;
    for (const int64_t index : {a, b, c}) {
        at = std::to_chars(at, buffer + sizeof buffer, index).ptr;
        *at++ = ',';
        *at++ = ' ';
    }
    text.append(buffer, at);
    text += "-1,\n";
}

// Text gathered in pieces of about a megabyte, each handed on when full.
struct Output {
    const std::function<bool(std::string_view)>& append;
    std::string piece;
    bool ok = true;

    std::string& text() { return piece; }
    void pass() {
        if (piece.size() >= (1u << 20)) {
            flush();
        }
    }
    bool flush() {
        ok = ok && append(piece);
        piece.clear();
        return ok;
    }
};

// Each object's points, then its normals, and the offsets of both in the whole lists.
struct ObjectOffsets {
    int64_t points = 0;
    int64_t normals = 0;
};

}  // namespace

bool formatVrmlExport(const ExportScene& scene, std::string& text, std::string& reason) {
    text.clear();
    const bool written = writeVrmlExport(
        scene,
        [&text](std::string_view piece) {
            text.append(piece);
            return true;
        },
        reason);
    if (!written) {
        text.clear();
    }
    return written;
}

bool writeVrmlExport(const ExportScene& scene, const std::function<bool(std::string_view)>& append,
                     std::string& reason) {
    reason = exportProblem(scene);
    if (!reason.empty()) {
        return false;
    }
    // Indices of the whole lists are written as the classic reading takes them: 32-bit.
    uint64_t points = 0, normals = 0;
    for (const ExportObject& object : scene.objects) {
        const ExportModel& model = scene.models[object.model];
        points += model.points.size();
        normals += std::max(model.normals.size(), model.coordIndex.size());
    }
    if (points > INT32_MAX || normals > INT32_MAX) {
        reason = "not exported: too many points for one file";
        return false;
    }
    std::vector<WorldPlacement> placements;
    std::vector<bool> fileNormals;
    placements.reserve(scene.objects.size());
    for (const ExportObject& object : scene.objects) {
        placements.push_back(worldPlacement(object.matrix));
        fileNormals.push_back(normalsServeEveryTriangle(scene.models[object.model]));
    }
    Output out{append, {}};
    out.piece.reserve((1u << 20) + 4096);
    std::string& text = out.text();
    text +=
        "#VRML V2.0 utf8\n"
        "Shape {\n"
        " appearance Appearance { material Material { } }\n"
        " geometry IndexedFaceSet {\n"
        "  coord Coordinate { point [\n";
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        for (const Vec3d& p : scene.models[scene.objects[i].model].points) {
            if (!appendVector(text, placePoint(placements[i], p))) {
                reason = "not exported: a placed point is inf or nan";
                return false;
            }
            out.pass();
        }
    }
    text += "  ] }\n  normal Normal { vector [\n";
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        const ExportModel& model = scene.models[scene.objects[i].model];
        if (fileNormals[i]) {
            for (const Vec3d& n : model.normals) {
                appendVector(text, placeNormal(placements[i], n));
                out.pass();
            }
            continue;
        }
        for (const IndexTriple& t : model.coordIndex) {
            appendVector(text, flatNormal(placePoint(placements[i], model.points[t.a]),
                                          placePoint(placements[i], model.points[t.b]),
                                          placePoint(placements[i], model.points[t.c])));
            out.pass();
        }
    }
    text += "  ] }\n  coordIndex [\n";
    std::vector<ObjectOffsets> offsets(scene.objects.size());
    ObjectOffsets next;
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        const ExportModel& model = scene.models[scene.objects[i].model];
        offsets[i] = next;
        next.points += static_cast<int64_t>(model.points.size());
        next.normals +=
            static_cast<int64_t>(fileNormals[i] ? model.normals.size() : model.coordIndex.size());
        for (const IndexTriple& t : model.coordIndex) {
            const int64_t o = offsets[i].points;
            appendTriangle(text, o + t.a, o + t.b, o + t.c);
            out.pass();
        }
    }
    text += "  ]\n  normalIndex [\n";
    for (size_t i = 0; i < scene.objects.size(); ++i) {
        const ExportModel& model = scene.models[scene.objects[i].model];
        const int64_t o = offsets[i].normals;
        for (size_t t = 0; t < model.coordIndex.size(); ++t) {
            if (fileNormals[i]) {
                const IndexTriple& n = model.normalIndex[t];
                appendTriangle(text, o + n.a, o + n.b, o + n.c);
            } else {
                const int64_t flat = o + static_cast<int64_t>(t);
                appendTriangle(text, flat, flat, flat);
            }
            out.pass();
        }
    }
    text += "  ]\n }\n}\n";
    if (!out.flush()) {
        reason.clear();  // the writer's own failure: its caller knows why
        return false;
    }
    return true;
}
