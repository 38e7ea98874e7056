#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "scene/mesh.h"

// The full reading of a model file (tessaly --full-vrml): a real VRML 1.0 / 2.0 parser (Coin3D)
// reads the file, and every IndexedFaceSet of its scene graph, at every place where the graph
// uses it (DEF/USE), lands in the Mesh with the transforms of that place applied. Colours,
// textures, line and point sets, primitives (Box, Sphere, ...) are left out; Inline, WWWInline,
// File and EXTERNPROTO are never followed. The parser runs in a child process with a time and a
// memory allowance, so a file that crashes it or never ends costs the program nothing.

// How far the full reading may go with one file before it gives up.
struct FullVrmlLimits {
    double seconds = 20;                   // for the parser, plus
    double secondsPerMegabyte = 1;         //   this much per megabyte of file
    size_t megabytes = 1024;               // growth of the parser's resident size, plus
    size_t megabytesPerMegabyte = 16;      //   this much per megabyte of file
    size_t nodeVisits = 5'000'000;         // nodes met while walking the graph (DEF/USE repeat)
    size_t faceSetPlacements = 1'000'000;  // face sets met while walking the graph
    size_t triangles = 16'000'000;
    size_t points = 16'000'000;
};

struct FullVrmlResult {
    enum class Status {
        Read,        // the lists are filled
        Unreadable,  // the file cannot be opened
        Rejected,    // the parser or a limit refused the file; the lists are untouched
    };
    Status status = Status::Unreadable;
    std::string message;  // why it was rejected: the parser's own words or the limit met
};

// Reads the file at `path` into the four lists of `mesh` (which should be empty).
FullVrmlResult readFullVrml(Mesh& mesh, const std::string& path, const FullVrmlLimits& limits = {});

// The same for file contents already in memory.
FullVrmlResult readFullVrmlText(Mesh& mesh, std::string_view text,
                                const FullVrmlLimits& limits = {});
