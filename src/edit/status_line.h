#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct Scene;

// The panel's status line, as text. The panel is 165 pixels wide and its font 7 pixels a
// character, so every line holds at most STATUS_COLUMNS characters:
//
//     Translate
//     3 of 12 selected
//     48,120 triangles
//     not a scene file:
//     line 3 ends early
//
// The editing mode as it is in force (Select for any value but 1, 2 and 3), the objects
// ("No objects" when there are none, else "k of n selected"), the triangles of every object's
// mesh together, and, when given, the reason a load or save failed, wrapped at spaces into at
// most two lines ("..." ends a longer one). A fact too long for one line wraps too.
constexpr size_t STATUS_COLUMNS = 21;

std::vector<std::string> statusLines(const Scene& scene, int32_t editMode,
                                     std::string_view failure = {});

// The parts, for the wiring and the tests.
const char* editModeName(int32_t editMode);
uint64_t triangleCount(const Scene& scene);
// 1234567 -> "1,234,567".
std::string groupedNumber(uint64_t value);
// Splits the text at spaces into lines of at most `columns` characters (UTF-8 characters, not
// bytes); a word longer than a line is cut. No more than `maxLines` lines: the last one then ends
// in "...".
std::vector<std::string> wrapText(std::string_view text, size_t columns, size_t maxLines);
