#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "library/face_sets.h"

// The byte stream in which the parsing process hands FaceSets to the program: a list written
// once is referred to by its position among the lists of its kind, so shared lists cross once.

// Writes the stream to a file descriptor, buffered. Lists are numbered in the order written.
struct FaceSetWriter {
    explicit FaceSetWriter(int descriptor);
    void vectors(const Vec3f* data, size_t count);
    void indices(const int32_t* data, size_t count);
    void placement(const FaceSetPlacement& placement);
    // The file is not read after all; `why` says so in the parser's words.
    void rejected(std::string_view why);
    // Ends the stream and flushes it. True when every byte was written.
    bool end();

private:
    void record(uint32_t tag, uint64_t count, const void* data, size_t bytes);
    void write(const void* data, size_t bytes);
    void flush();
    void writeAll(const void* data, size_t bytes);

    int fd;
    bool ok = true;
    std::vector<char> buffer;
};

// Reads a complete stream; the lists in `sets` point into `bytes`, which must stay alive and be
// 4-byte aligned. False when the stream is cut short or malformed. A rejection fills `rejection`.
bool decodeFaceSets(std::string_view bytes, FaceSets& sets, std::string& rejection);
