// The stream in which the parsing process hands over its face sets: what it writes reads back,
// and output cut short or garbled (a child that died while writing) is refused, never misread.
#include "library/face_set_stream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/printed.h"

namespace {

// Everything a writer puts into a temporary file.
std::string written(const std::function<void(FaceSetWriter&)>& write, bool& ended) {
    return printed([&](std::FILE* file) {
        FaceSetWriter writer(fileno(file));
        write(writer);
        ended = writer.end();
    });
}

TEST(FaceSetStreamTest, WhatIsWrittenReadsBackAndShortOutputIsRefused) {
    const Vec3f points[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const int32_t coordIndex[5] = {0, 1, 2, 3, -1};
    std::vector<Vec3f> many(100000, Vec3f{1, 2, 3});  // larger than the writer's buffer
    FaceSetPlacement placement;
    placement.points = 0;
    placement.coordIndex = 0;
    placement.matrix[12] = 5;
    bool ended = false;
    const std::string bytes = written(
        [&](FaceSetWriter& out) {
            out.vectors(points, 4);
            out.indices(coordIndex, 5);
            out.vectors(many.data(), many.size());
            out.placement(placement);
        },
        ended);
    ASSERT_TRUE(ended);

    // Read from 4-byte aligned memory, as from the mapped output file.
    std::vector<uint32_t> aligned((bytes.size() + 3) / 4);
    std::memcpy(aligned.data(), bytes.data(), bytes.size());
    const std::string_view view(reinterpret_cast<const char*>(aligned.data()), bytes.size());
    FaceSets sets;
    std::string rejection;
    ASSERT_TRUE(decodeFaceSets(view, sets, rejection));
    EXPECT_TRUE(rejection.empty());
    ASSERT_EQ(sets.vectors.size(), 2u);
    ASSERT_EQ(sets.indices.size(), 1u);
    ASSERT_EQ(sets.placements.size(), 1u);
    EXPECT_EQ(sets.vectors[0][2].x, 1);
    EXPECT_EQ(sets.vectors[1].size(), many.size());
    EXPECT_EQ(sets.vectors[1].back().z, 3);
    EXPECT_EQ(sets.indices[0][4], -1);
    EXPECT_EQ(sets.placements[0].matrix[12], 5);

    // Cut anywhere before its end, the stream is refused.
    for (size_t length = 0; length < bytes.size(); length += length < 200 ? 1 : 4099) {
        FaceSets cut;
        EXPECT_FALSE(decodeFaceSets(view.substr(0, length), cut, rejection)) << length;
    }
    // A count that runs past the end.
    std::string garbled = bytes;
    const uint64_t huge = ~uint64_t{0} / 2;
    std::memcpy(garbled.data() + 4 + 8, &huge, sizeof huge);
    std::memcpy(aligned.data(), garbled.data(), garbled.size());
    FaceSets wrong;
    EXPECT_FALSE(decodeFaceSets(view, wrong, rejection));
}

TEST(FaceSetStreamTest, ARejectionCarriesItsMessage) {
    bool ended = false;
    const std::string bytes =
        written([](FaceSetWriter& out) { out.rejected("Coin read error: odd"); }, ended);
    std::vector<uint32_t> aligned((bytes.size() + 3) / 4);
    std::memcpy(aligned.data(), bytes.data(), bytes.size());
    FaceSets sets;
    std::string rejection;
    ASSERT_TRUE(decodeFaceSets({reinterpret_cast<const char*>(aligned.data()), bytes.size()}, sets,
                               rejection));
    EXPECT_EQ(rejection, "Coin read error: odd");

    // A writer whose file cannot take the bytes says so at the end.
    FaceSetWriter broken(-1);
    broken.rejected(std::string(100000, 'x'));
    EXPECT_FALSE(broken.end());
}

}  // namespace
