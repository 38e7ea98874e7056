#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct Scene;

// The panel's status line, as text: two lines that fit the panel, which is 165 pixels wide and
// whose font is 7 pixels a character, so at most STATUS_COLUMNS characters each:
//
//     Translate   3/12 sel.
//     48,120 triangles
//
// The editing mode in force (Select for any value but 1, 2 and 3) on the left, the objects on the
// right ("No objects", "12 objects" while none is selected, "3/12 sel." otherwise), then the
// triangles of every object's mesh together. Counts too long for the line are shortened
// ("12k/100k"). When a failure is given (the reason a load or save failed), its text takes both
// lines instead, wrapped at spaces ("..." ends a longer one).
constexpr size_t STATUS_COLUMNS = 21;
constexpr size_t STATUS_ROWS = 2;

// Shown as the failure after an edit step that was not applied because an object's placement
// would have held a number too large to store (or no number at all).
constexpr const char* EDIT_NOT_FINITE = "Edit not applied: result not finite";

std::vector<std::string> statusLines(const Scene& scene, int32_t editMode,
                                     std::string_view failure = {});

// The parts, for the wiring and the tests.
const char* editModeName(int32_t editMode);
uint64_t triangleCount(const Scene& scene);
// 1234567 -> "1,234,567".
std::string groupedNumber(uint64_t value);
// At most five characters: as groupedNumber below 10,000, else cut (never rounded up) to
// thousands, millions and so on: 12,345 -> "12k", 1,234,567 -> "1M".
std::string shortNumber(uint64_t value);
// Splits the text at spaces into lines of at most `columns` characters (UTF-8 characters, not
// bytes); a word longer than a line is cut. No more than `maxLines` lines: the last one then ends
// in "...".
std::vector<std::string> wrapText(std::string_view text, size_t columns, size_t maxLines);

// What the status line's third line says about the scene file: its name (last saved or loaded,
// shortened in the middle to fit) after "* " while the objects hold unsaved changes, "Saved " and
// the name right after a save, "*Recovered, not saved" for a scene taken from a recovery copy,
// and "* Not saved" or "Recovery copy kept" while no file was saved or loaded yet.
struct SceneFileNote {
    std::string name;        // the file's name without its folder; empty before any save or load
    bool unsaved = false;    // the objects hold changes that no scene file holds
    bool justSaved = false;  // a save succeeded and nothing changed since
    bool recovered = false;  // taken from a recovery copy and not saved since
    bool copyKept = false;   // a recovery copy of this working folder exists
};
std::string sceneFileLine(const SceneFileNote& note);
// Shown at start while a recovery copy of the working folder exists, in the scene file's line and
// the two below: that it does and the two ways to get it back.
std::vector<std::string> recoveryNoticeLines();
// The text in at most `columns` characters: a longer one keeps its start and end around "...".
std::string shortenedInMiddle(std::string_view text, size_t columns);
