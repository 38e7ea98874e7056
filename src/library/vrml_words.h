#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scene/vec.h"

// The model reader does not parse VRML: it reads the file as whitespace-separated words and a few
// formatted numbers, exactly as the C formatted-input conversions ("%s", "%d", "%lf") read them
// in the C locale (see model_text.h). These are the pieces every reading of a model shares.

// Size of a word buffer, terminator included: a word has at most 99 characters. A longer run of
// non-whitespace is cut after 99 characters and the rest reads as the next word.
constexpr int TOKEN_MAX = 100;
// Entries reserved in each list before its section is read.
constexpr int RESERVE_COUNT = 1000;

// Closes a polygon: p0..p(n-1) becomes the triangles (p0, p(i), p(i+1)), i = 1..n-2, appended in
// that order. Fewer than three indices give nothing. The polygon is left unchanged.
void appendFan(const std::vector<int32_t>& polygon, std::vector<IndexTriple>& triangles);
