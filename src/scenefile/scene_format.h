#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "scene/matrix.h"
#include "scene/vec.h"

// What a ".vsf" scene file holds, apart from any window: the four views' GL matrices and camera
// state, then one record per object.
//
// The text: four view lines (side, front, top, perspective) of 40 tokens each, then every object
// record (model name and 16 numbers) on a fifth line. Every token is followed by one space; each
// view line ends with '\n' after that space; the file ends with the space after the last number.

struct ViewState {
    Matrix4 projection = identityMatrix();
    Matrix4 modelview = identityMatrix();
    Vec3 eye;
    float panX = 0;
    float panY = 0;
    int32_t rotX = 0;
    int32_t rotY = 0;
    float zoom = 0;
};

struct ObjectRecord {
    std::string name;  // the model file's name, written as it is
    Matrix4 transform = identityMatrix();
    int modelIndex = -1;  // position in the model library; set by the parser
};

struct SceneFileContent {
    std::array<ViewState, 4> views;  // side, front, top, perspective
    std::vector<ObjectRecord> objects;

    // False when a number is inf or nan: such a file could not be read back.
    bool allFinite() const;
};

std::string formatSceneFile(const SceneFileContent& content);

// Reads the whole text or nothing. Tokens are separated by any run of white space (line breaks,
// CR LF included, carry no meaning). Nothing is returned when a number is malformed or not a
// finite float, an angle is not a 32-bit integer, the text ends inside a view line or a record,
// or a record names no model of `libraryNames` (compared byte for byte; the first match counts).
// A name is one word; only where a word and the 16 numbers after it make no record are the
// library's names that hold white space tried, as the writer puts them: the longest one that
// stands in the text there, followed by 16 numbers.
// Angles are brought into -359..359 by the remainder of truncating division, as orbiting keeps
// them; the rotation they stand for is the same.
std::optional<SceneFileContent> parseSceneFile(std::string_view text,
                                               std::span<const std::string> libraryNames);
// The same reading; when the text is refused, `refusal` says why in a few words that fit the
// panel's status line: "not a scene file: it is empty", "not a scene file: line 3 ends early",
// "not a scene file: bad number in line 2", "not a scene file: bad angle in line 4" (lines
// counted from 1 by '\n'), or "no model 'x.wrl' in VRMLmodels" (a long name shortened to 20
// bytes with "...", control characters shown as '?'). Empty when the text is taken.
std::optional<SceneFileContent> parseSceneFile(std::string_view text,
                                               std::span<const std::string> libraryNames,
                                               std::string& refusal);
