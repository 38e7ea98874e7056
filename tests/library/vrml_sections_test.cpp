// The four section readers on their own, before any repair: what the word-and-pattern reading
// yields, quirks included. The reference stream reader must read every case the same way.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "scene/mesh.h"
#include "support/same_bits.h"
#include "support/sections.h"

namespace {

// The raw lists for this file content. Every content read here is also read by the reference
// stream reader, which must agree and leave the file where it found it.
Sections sections(const std::string& content) {
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    std::fwrite(content.data(), 1, content.size(), file);
    std::rewind(file);
    const Sections r = referenceReadSections(file);
    EXPECT_EQ(std::ftell(file), 0);
    EXPECT_FALSE(std::feof(file));
    std::fclose(file);
    const Sections s = readSections(content);
    EXPECT_TRUE(sameLists(s, r)) << "the reference reads this differently: "
                                 << content.substr(0, 200);
    return s;
}

using Triples = std::vector<IndexTriple>;
using Points = std::vector<Vec3d>;

TEST(VrmlSectionsTest, PointSearchSkipsTheFirstWordOtherSearchesDoNot) {
    const Sections first = sections(
        "Coordinate3 { point [ 1 2 3, ] }\n"
        "Normal { vector [ 0 0 1, ] }\n");
    EXPECT_TRUE(first.points.empty());
    EXPECT_EQ(first.normals, (Points{{0, 0, 1}}));

    EXPECT_EQ(sections("Normal { vector [ 0 0 1, ] }").normals, (Points{{0, 0, 1}}));
    EXPECT_EQ(sections("coordIndex [ 0, 1, 2, -1, ]").coordIndex, (Triples{{0, 1, 2}}));
    EXPECT_EQ(sections("normalIndex [ 0,1,2,-1, ]").normalIndex, (Triples{{0, 1, 2}}));
    // "Coordinate" is the second keyword of the point search.
    EXPECT_EQ(sections("#VRML Coordinate { point [ 4 5 6 ] }").points, (Points{{4, 5, 6}}));
}

TEST(VrmlSectionsTest, KeywordsMatchWholeWordsWithCaseEvenInComments) {
    const Sections s = sections(
        "#VRML V1.0 ascii\n"
        "Coordinate3{ point [ 9 9 9 ] }\n coordinate3 { point [ 8 8 8 ] }\n"
        "NormalBinding { value PER_VERTEX }\n"
        "# Coordinate3 { point [ 1 2 3 ] }\n"
        "Normal { vector [ 0 1 0 ] }\n");
    EXPECT_EQ(s.points, (Points{{1, 2, 3}}));
    EXPECT_EQ(s.normals, (Points{{0, 1, 0}}));
}

TEST(VrmlSectionsTest, OnlyTheFirstListOfEachKindIsRead) {
    const Sections s = sections(
        "#VRML V2.0 utf8\n"
        "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0, ] }\n"
        "  coordIndex [ 0, 1, 2, -1, ] } }\n"
        "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 5 5 5, ] }\n"
        "  normal Normal { vector [ 0 0 1, ] }\n"
        "  coordIndex [ 2, 1, 0, -1, ] normalIndex [ 0,0,0,-1, ] } }\n"
        "Shape { geometry IndexedFaceSet { normal Normal { vector [ 1 0 0, ] }\n"
        "  normalIndex [ 1,1,1,-1, ] } }\n");
    EXPECT_EQ(s.points, (Points{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
    EXPECT_EQ(s.normals, (Points{{0, 0, 1}}));
    EXPECT_EQ(s.coordIndex, (Triples{{0, 1, 2}}));
    EXPECT_EQ(s.normalIndex, (Triples{{0, 0, 0}}));
}

TEST(VrmlSectionsTest, PolygonsAreFanSplitAndAnUnterminatedLastOneIsDropped) {
    EXPECT_EQ(sections("coordIndex [ 0, 1, 2, 3, -1, ]").coordIndex,
              (Triples{{0, 1, 2}, {0, 2, 3}}));
    EXPECT_EQ(sections("coordIndex [ 4, 5, 6, 7, 8, -1, -1, 0, 1, -1, ]").coordIndex,
              (Triples{{4, 5, 6}, {4, 6, 7}, {4, 7, 8}}));
    EXPECT_EQ(sections("coordIndex [ 0, 1, 2, -1, 3, 4, 5 ]").coordIndex, (Triples{{0, 1, 2}}));
    EXPECT_EQ(sections("normalIndex [ 0,1,2,3,-1,4,5,6 ]").normalIndex,
              (Triples{{0, 1, 2}, {0, 2, 3}}));
    // Negative values other than -1 are stored as read; the repair deals with them later.
    EXPECT_EQ(sections("coordIndex [ 0, -5, 2, -1 ]").coordIndex, (Triples{{0, -5, 2}}));
    // The last word may end the file: it is still converted.
    EXPECT_EQ(sections("coordIndex [ 0, 1, 2, -1").coordIndex, (Triples{{0, 1, 2}}));
    EXPECT_EQ(sections("normalIndex [ 0,1,2,-1").normalIndex, (Triples{{0, 1, 2}}));
}

TEST(VrmlSectionsTest, CommaRulesDifferBetweenTheTwoIndexReaders) {
    // Lone commas are skipped by the word reader but end the stream reader after one index.
    const Sections spaced =
        sections("coordIndex [ 0 , 1 , 2 , -1 , ]\nnormalIndex [ 0 , 1 , 2 , -1 , ]");
    EXPECT_EQ(spaced.coordIndex, (Triples{{0, 1, 2}}));
    EXPECT_TRUE(spaced.normalIndex.empty());

    // Joined by commas: one by one in normalIndex, merged into "012" = 12 in coordIndex.
    const Sections joined =
        sections("coordIndex [ 0,1,2,-1, 12, 1, 2, -1, ]\nnormalIndex [ 0,1,2,-1, ]");
    EXPECT_EQ(joined.coordIndex, (Triples{{12, 12, 1}, {12, 1, 2}}));
    EXPECT_EQ(joined.normalIndex, (Triples{{0, 1, 2}}));

    // The first coordIndex word gets no skipping: commas alone end the list there.
    EXPECT_TRUE(sections("coordIndex [ , 0, 1, 2, -1 ]").coordIndex.empty());
    // The integer at the start of a word counts, the rest is ignored.
    EXPECT_EQ(sections("coordIndex [ 3.5, 1x, 2], -1]").coordIndex, (Triples{{3, 1, 2}}));
}

TEST(VrmlSectionsTest, CommaInPointListMustFollowTheThirdNumberDirectly) {
    EXPECT_EQ(sections("# Coordinate3 { point [ 1 2 3 , 4 5 6 ] }").points, (Points{{1, 2, 3}}));
    EXPECT_EQ(sections("# Coordinate3 { point [ 1 2 3 4 5 6, 7 8 9 ] }").points,
              (Points{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}));
    // The bracket joined to the first value is discarded with it: the values shift.
    EXPECT_EQ(sections("# Coordinate3 { point [1 2 3 4, 5 6 7, ] }").points,
              (Points{{2, 3, 4}, {5, 6, 7}}));
    EXPECT_EQ(sections("coordIndex [0, 1, 2, -1, 3, 4, 5, -1 ]").coordIndex, (Triples{{3, 4, 5}}));
    EXPECT_TRUE(sections("# Coordinate3 { point [ ] }").points.empty());
    EXPECT_TRUE(sections("# Coordinate3 { point [").points.empty());
}

TEST(VrmlSectionsTest, NumberFormsAsScanfReadsThem) {
    const Sections s =
        sections("# Coordinate3 { point [ -1.5e+2 +3 .5E-1, 0x1p3 -0 1e2, inf -INFINITY 7, ] }");
    ASSERT_EQ(s.points.size(), 3u);
    EXPECT_EQ(s.points[0], (Vec3d{-150, 3, 0.05}));
    EXPECT_EQ(s.points[1], (Vec3d{8, 0, 100}));
    EXPECT_TRUE(std::isinf(s.points[2].x) && std::isinf(s.points[2].y));

    // "1e" followed by a space still converts 1; a failed number ends the list.
    EXPECT_EQ(sections("# Coordinate3 { point [ 1e 2 3, -.e1 0 0, ] }").points,
              (Points{{1, 2, 3}}));
    // A locale with ',' as decimal point never applies: "1,5" is 1 followed by a comma.
    EXPECT_EQ(sections("# Coordinate3 { point [ 1 2 1,5 6 7, ] }").points,
              (Points{{1, 2, 1}, {5, 6, 7}}));
}

TEST(VrmlSectionsTest, CrLfLineEndsReadLikeSpaces) {
    const Sections s = sections(
        "#VRML V1.0 ascii\r\nCoordinate3 {\r\n point [\r\n 0 0 0,\r\n 1 0 0,\r\n 0 1 0\r\n "
        "]\r\n}\r\nNormal {\r\n vector [\r\n 0 0 1\r\n ]\r\n}\r\nIndexedFaceSet {\r\n"
        " coordIndex [\r\n 0, 1, 2, -1\r\n ]\r\n normalIndex [\r\n 0,0,0,-1\r\n ]\r\n}\r\n");
    EXPECT_EQ(s.points, (Points{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}));
    EXPECT_EQ(s.normals, (Points{{0, 0, 1}}));
    EXPECT_EQ(s.coordIndex, (Triples{{0, 1, 2}}));
    EXPECT_EQ(s.normalIndex, (Triples{{0, 0, 0}}));
}

TEST(VrmlSectionsTest, LongWordsAreCutAfter99Characters) {
    // 99 characters, then the rest of the run is the next word: here the keyword.
    const std::string run(99, 'x');
    EXPECT_EQ(sections("# " + run + "Coordinate3 { point [ 1 2 3 ] }").points, (Points{{1, 2, 3}}));
    EXPECT_TRUE(sections("# " + run + "xCoordinate3 { point [ 1 2 3 ] }").points.empty());

    // A huge word without whitespace reads in pieces and ends no search early.
    const std::string huge(300000, 'Q');
    const Sections s = sections("# " + huge + " Coordinate3 { point [ 1 2 3 ] } " + huge +
                                " coordIndex [ 0, 0, 0, -1, " + huge);
    EXPECT_EQ(s.points, (Points{{1, 2, 3}}));
    EXPECT_EQ(s.coordIndex, (Triples{{0, 0, 0}}));
}

TEST(VrmlSectionsTest, KeywordsWithoutListsYieldNothing) {
    for (const char* content :
         {"", "Coordinate3", "# Coordinate3", "Normal", "coordIndex", "normalIndex",
          "# Coordinate3 Normal coordIndex normalIndex Coordinate",
          "Normal\ncoordIndex\nnormalIndex\n", "coordIndex [", "normalIndex [ ,"}) {
        const Sections s = sections(content);
        EXPECT_TRUE(s.points.empty() && s.normals.empty() && s.coordIndex.empty() &&
                    s.normalIndex.empty())
            << content;
    }
    // A NUL byte belongs to the word: "Normal\0" is not the keyword.
    EXPECT_TRUE(sections(std::string("Normal\0 { vector [ 1 2 3 ] }", 28)).normals.empty());
}

}  // namespace
