// Coin3D parses the text; scene_walk.h turns its scene graph into triangles, mesh_builder.h into
// the lists. The reader process runs this with hard limits of its own: the text is still checked
// first for what is known to break the parser (vrml_hazards.h), and the walk keeps to the graph
// limits, so that an ordinary hostile file ends with a message rather than with the process.
#include "reader_helper/vrml_with_coin.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/nodes/SoSeparator.h>

#include <cctype>

#include "reader_helper/coin_session.h"
#include "reader_helper/mesh_builder.h"
#include "reader_helper/scene_walk.h"
#include "reader_helper/vrml_hazards.h"

namespace {

using namespace coin_reading;

// True when the text uses the word PROTO or EXTERNPROTO outside comments and strings.
bool mentionsPrototypes(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '#') {
            while (i < text.size() && text[i] != '\n') {
                ++i;
            }
        } else if (c == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\') {
                    ++i;
                }
            }
            ++i;
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            const size_t start = i;
            while (i < text.size() &&
                   (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_')) {
                ++i;
            }
            const std::string_view word = text.substr(start, i - start);
            if (word == "PROTO" || word == "EXTERNPROTO") {
                return true;
            }
        } else {
            ++i;
        }
    }
    return false;
}

// Why a file that parsed gave no triangle.
std::string nothingRead(const WalkFindings& found, std::string_view text) {
    std::string only;
    auto add = [&](const char* what) { only += (only.empty() ? "" : " and ") + std::string(what); };
    if (found.inlines > 0) {
        add("Inline references (not followed)");
    }
    if (found.linesOrPoints > 0) {
        add("lines or points");
    }
    if (found.texts > 0) {
        add("text");
    }
    if (only.empty() && mentionsPrototypes(text)) {
        add("PROTO/EXTERNPROTO definitions without instances");
    }
    if (only.empty()) {
        return found.shapes > 0 ? "no triangles: its shapes have no faces"
                                : "no triangles: the file has no shapes";
    }
    return "no triangles: only " + only;
}

}  // namespace

CoinReadOutcome readVrmlWithCoin(std::string_view text, MeshLists& out, const GraphLimits& limits) {
    if (std::optional<std::string> hazard = parserHazard(text)) {
        return {false, "not given to the VRML parser: " + *hazard};
    }
    startCoin();
    clearCoinMessages();
    SoInput input;
    input.setBuffer(text.data(), text.size());
    SoSeparator* root = SoDB::readAll(&input);
    if (!root) {
        return {false,
                coinMessages().empty() ? "the VRML parser rejected the file" : coinMessages()};
    }
    root->ref();
    MeshBuilder builder(limits.triangles, limits.points);
    SceneWalk walk(builder, limits);
    const bool whole = walk.walk(root);
    root->unref();
    if (!whole) {
        return {false, walk.stop};
    }
    builder.finish(out);
    if (out.coordIndex.empty()) {
        return {true, nothingRead(walk.findings, text)};
    }
    return {true, {}};
}
