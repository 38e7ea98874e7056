#pragma once

// Finding drawn objects on the screen: the views draw objects white, selected ones red.

#include <optional>

#include "support/harness.h"

bool isWhite(Rgb c);
bool isRed(Rgb c);

// The screen point of view coordinates (right, up) in an orthographic view whose box spans
// -half..half on both axes (2 at home), stretched over the view's width and height.
Point viewPoint(const ScreenRect& view, double right, double up, double half = 2);

// The pixel nearest to `p` along its row (within 4 pixels) that passes `test`.
std::optional<Point> nearestInRow(const Screenshot& shot, Point p, bool (*test)(Rgb));
