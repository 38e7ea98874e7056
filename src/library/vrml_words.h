#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "scene/vec.h"

// The model reader does not parse VRML: it reads the file as whitespace-separated words and a few
// formatted numbers, exactly as the C formatted-input conversions ("%s", "%d", "%lf") read them
// in the C locale. These helpers are those pieces.

// Size of a word buffer, terminator included: a word has at most 99 characters. A longer run of
// non-whitespace is cut after 99 characters and the rest reads as the next word.
constexpr int TOKEN_MAX = 100;
// Entries reserved in each list before its section is read.
constexpr int RESERVE_COUNT = 1000;

// Reads the next word like "%99s": skips space, \t, \n, \v, \f and \r, then takes up to 99
// characters up to the next whitespace. The word keeps every byte it read, NUL bytes included.
// False when no word is left (end of file or read error); `word` is then unchanged.
bool readWord(std::FILE* file, std::string& word);

// Deletes every ',' from the text, wherever it stands.
void removeCommas(std::string& text);

// Converts the integer at the start of the text like "%d" (what follows it is ignored, and the
// text ends at its first NUL byte). False when the text does not start with an integer.
bool wordToInt(const std::string& text, int& value);

// Closes a polygon: p0..p(n-1) becomes the triangles (p0, p(i), p(i+1)), i = 1..n-2, appended in
// that order. Fewer than three indices give nothing. The polygon is left unchanged.
void appendFan(const std::vector<int32_t>& polygon, std::vector<IndexTriple>& triangles);
