#pragma once

#include <string>
#include <string_view>

#include "reader/mesh_lists.h"

// What the full VRML reading of one file's text gave.
struct CoinReadOutcome {
    bool parsed = false;  // false: the parser or a limit rejected the text; `out` stays empty
    // When rejected: the parser's own words or the limit met. When parsed but no triangle was
    // read: why (only Inline references, only lines or points, only prototypes, only text).
    std::string message;
};

// Reads VRML 1.0 or 2.0 text with Coin3D, in this process, into `out` (which should be empty).
// Inline, WWWInline, File and EXTERNPROTO are never followed.
CoinReadOutcome readVrmlWithCoin(std::string_view text, MeshLists& out, const GraphLimits& limits);
