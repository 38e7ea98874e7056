#include "support/view_pixels.h"

bool isWhite(Rgb c) {
    return c.r > 200 && c.g > 200 && c.b > 200;
}

bool isRed(Rgb c) {
    return c.r > 200 && c.g < 60 && c.b < 60;
}

Point viewPoint(const ScreenRect& view, double right, double up, double half) {
    return {view.x + static_cast<int>((right + half) / (2 * half) * view.width),
            view.y + static_cast<int>((half - up) / (2 * half) * view.height)};
}

std::optional<Point> nearestInRow(const Screenshot& shot, Point p, bool (*test)(Rgb)) {
    for (int d = 0; d <= 4; ++d) {
        for (int x : {p.x - d, p.x + d}) {
            if (test(shot.at(x, p.y))) {
                return Point{x, p.y};
            }
        }
    }
    return std::nullopt;
}
