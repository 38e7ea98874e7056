#pragma once

// Reading back what a GL test drew.

#include <GL/gl.h>

#include <array>
#include <vector>

namespace gltest {

using Rgb = std::array<unsigned char, 3>;

// The whole colour buffer, bottom row first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> data;

    Rgb at(int x, int y) const {
        const size_t i = 3 * (static_cast<size_t>(y) * width + x);
        return {data[i], data[i + 1], data[i + 2]};
    }
};

inline Pixels readPixels(GLenum buffer, int width, int height) {
    Pixels p{width, height, std::vector<unsigned char>(3 * width * height)};
    glReadBuffer(buffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, p.data.data());
    return p;
}

}  // namespace gltest
