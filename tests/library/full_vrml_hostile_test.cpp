// Hostile model files under the full reading: the parser is never handed what it cannot take,
// what crashes or never ends in it stays in its reader process, and every such file falls back
// to the classic reading with a message. The program's own memory stays bounded by the file's
// size (each load runs in a forked child, runMeasured, so that its peak is its own).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "library/model_folder.h"
#include "library/model_reading.h"
#include "support/measured_run.h"
#include "support/repeated_file.h"

namespace {

constexpr size_t MB = size_t{1} << 20;

struct FullLoad {
    bool readable = false;
    bool fellBack = false;
    char message[512] = {};
    size_t points = 0, triangles = 0;
    Vec3d firstPoint;
    long peakGrowthKb = -1;
};

// What the reader process made of one text.
struct FullVrmlResult {
    enum class Status { Read, Rejected };
    Status status = Status::Rejected;
    std::string message;
};

class FullVrmlHostileTest : public ModelFolderTest {
protected:
    size_t writeRepeated(const std::string& name, const std::string& head, const std::string& block,
                         size_t size, const std::string& tail) {
        return writeRepeatedFile(folder / "VRMLmodels" / name, head, block, size, tail);
    }

    // Reads VRMLmodels/<name> with the full reading (falling back as start-up does) in a child.
    static FullLoad loadInChild(const std::string& name) {
        FullLoad load;
        const MeasuredRun run = runMeasured(
            [&] {
                Mesh mesh(name);
                const ModelReadResult result = readModel(mesh, ModelReading::Full);
                load.readable = result.readable;
                load.fellBack = result.fellBack;
                std::strncpy(load.message, result.parserMessage.c_str(), sizeof load.message - 1);
                load.points = mesh.points.size();
                load.triangles = mesh.coordIndex.size();
                if (!mesh.points.empty()) {
                    load.firstPoint = mesh.points[0];
                }
            },
            &load, sizeof load);
        EXPECT_TRUE(run.finished) << "the load did not finish normally";
        load.peakGrowthKb = run.peakGrowthKb;
        return load;
    }

    // Reads the text in a reader process within the allowance; `mesh` gets the lists when read.
    FullVrmlResult readFullVrmlText(Mesh& mesh, const std::string& text,
                                    const ReadingAllowance& allowance = {}) {
        writeModel(mesh.name, text);
        ReadingOutcome outcome;
        readInReaderProcesses({{"VRMLmodels", mesh.name, ReaderMode::Vrml}}, allowance,
                              [&](size_t, ReadingOutcome&& taken) { outcome = std::move(taken); });
        if (outcome.end != ReadingOutcome::End::Replied) {
            return {FullVrmlResult::Status::Rejected, outcome.why};
        }
        if (outcome.reply.status != ReaderReply::Status::Read) {
            return {FullVrmlResult::Status::Rejected, outcome.reply.note};
        }
        takeReaderOutcome(mesh, true, std::move(outcome));
        return {FullVrmlResult::Status::Read, {}};
    }

    FullVrmlResult readText(const std::string& text, const ReadingAllowance& allowance = {}) {
        Mesh mesh("t.wrl");
        const FullVrmlResult result = readFullVrmlText(mesh, text, allowance);
        if (result.status != FullVrmlResult::Status::Read) {
            EXPECT_TRUE(mesh.points.empty() && mesh.coordIndex.empty());
        }
        return result;
    }

    // The same bound as for the classic reading: four times the file plus 100 MB.
    static void expectBounded(const FullLoad& load, size_t fileSize) {
        EXPECT_GE(load.peakGrowthKb, 0);
        EXPECT_LT(load.peakGrowthKb, static_cast<long>((4 * fileSize + 100 * MB) / 1024));
    }
};

void expectSays(const std::string& message, const std::string& part) {
    EXPECT_NE(message.find(part), std::string::npos) << message;
}

const std::string TRIANGLE_SHAPE =
    "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] } "
    "coordIndex [ 0 1 2 -1 ] } }\n";

TEST_F(FullVrmlHostileTest, EndlessWordsNeverReachTheParser) {
    const std::string word = "Coordinate3NormalcoordIndexnormalIndexpointvector";
    const size_t size =
        writeRepeated("word.wrl", "#VRML V1.0 ascii\nSeparator { ", word, 64 * MB, "Normal\n");
    const FullLoad load = loadInChild("word.wrl");
    EXPECT_TRUE(load.readable);
    EXPECT_TRUE(load.fellBack);
    expectSays(load.message, "a word of more than 500 characters at line 2");
    EXPECT_EQ(load.points + load.triangles, 0u);
    expectBounded(load, size);

    // The classic reading's endless word of keywords and brackets nests, and without a header
    // the parser is not even tried.
    const std::string brackets = "Coordinate3NormalcoordIndexnormalIndexpoint[vector{";
    EXPECT_EQ(
        readText("#VRML V1.0 ascii\n" + std::string(1000 * brackets.size(), 'x') + brackets).status,
        FullVrmlResult::Status::Rejected);
    writeRepeated("bare.wrl", "", brackets, 16 * MB, "");
    const FullLoad bare = loadInChild("bare.wrl");
    EXPECT_TRUE(bare.fellBack);
    expectSays(bare.message, "no \"#VRML V1.0 ascii\" or \"#VRML V2.0 utf8\" header");
}

TEST_F(FullVrmlHostileTest, HugeNumbersNeverReachTheParser) {
    // The parser keeps numbers in fixed buffers (an integer of 521 digits overruns its stack).
    const size_t size =
        writeRepeated("long.wrl", "#VRML V1.0 ascii\nCoordinate3 { point [ 0.", "0123456789",
                      64 * MB, "e" + std::string(MB, '9') + " 2 3 ] }\n");
    const FullLoad load = loadInChild("long.wrl");
    EXPECT_TRUE(load.fellBack);
    expectSays(load.message, "a word of more than 500 characters at line 2");
    EXPECT_EQ(load.points, 1u);  // as the classic reading reads it
    EXPECT_EQ(load.firstPoint.x, INFINITY);
    expectBounded(load, size);

    const FullVrmlResult integer =
        readText("#VRML V2.0 utf8\nShape { geometry IndexedFaceSet { coordIndex [ 0 " +
                 std::string(600, '1') + " ] } }\n");
    EXPECT_EQ(integer.status, FullVrmlResult::Status::Rejected);
    expectSays(integer.message, "a word of more than 500 characters");
}

TEST_F(FullVrmlHostileTest, WordsUpToTheLimitAreParsed) {
    // 500 characters: an index of 499 zeros and a 2, a coordinate of 500 characters.
    const std::string index = std::string(499, '0') + "2";
    const std::string coordinate = "0." + std::string(497, '0') + "5";
    Mesh mesh("m.wrl");
    const FullVrmlResult result = readFullVrmlText(
        mesh, "#VRML V2.0 utf8\nShape { geometry IndexedFaceSet { coord Coordinate { point [ " +
                  coordinate + " 0 0, 1 0 0, 0 1 0 ] } coordIndex [ 0 1 " + index + " -1 ] } }\n");
    ASSERT_EQ(result.status, FullVrmlResult::Status::Read) << result.message;
    EXPECT_EQ(mesh.coordIndex, (std::vector<IndexTriple>{{0, 1, 2}}));
    EXPECT_EQ(mesh.points[0].x, 0.0);  // 5e-498 is below single precision
}

TEST_F(FullVrmlHostileTest, DeepNestingAndLongHeadersNeverReachTheParser) {
    std::string deep = "#VRML V1.0 ascii\n";
    for (int i = 0; i < 100000; ++i) {
        deep += "Separator {\n";
    }
    const FullVrmlResult tooDeep = readText(deep);
    EXPECT_EQ(tooDeep.status, FullVrmlResult::Status::Rejected);
    expectSays(tooDeep.message, "nested more than 1000 levels deep at line 1002");

    // As deep as allowed: 997 transforms, then the shape's Shape, IndexedFaceSet and
    // Coordinate make 1000 levels of braces. One transform more is one level too many.
    auto nested = [](int transforms) {
        std::string text = "#VRML V2.0 utf8\n";
        for (int i = 0; i < transforms; ++i) {
            text += "Transform { translation 0 0 0.001 children [\n";
        }
        text += TRIANGLE_SHAPE;
        for (int i = 0; i < transforms; ++i) {
            text += "] }\n";
        }
        return text;
    };
    Mesh mesh("m.wrl");
    const FullVrmlResult deepest = readFullVrmlText(mesh, nested(997));
    ASSERT_EQ(deepest.status, FullVrmlResult::Status::Read) << deepest.message;
    EXPECT_NEAR(mesh.points[0].z, 0.997, 1e-4);
    expectSays(readText(nested(998)).message, "nested more than 1000 levels deep at line 1000");

    const FullVrmlResult header =
        readText("#VRML V2.0 utf8 " + std::string(2000, 'x') + "\n" + TRIANGLE_SHAPE);
    EXPECT_EQ(header.status, FullVrmlResult::Status::Rejected);
    expectSays(header.message, "a header line of more than 1000 bytes");
}

TEST_F(FullVrmlHostileTest, GraphsThatNeverEndAreStopped) {
    const FullVrmlResult cycle =
        readText("#VRML V2.0 utf8\nDEF A Group { children [ " + TRIANGLE_SHAPE + " USE A ] }\n");
    EXPECT_EQ(cycle.status, FullVrmlResult::Status::Rejected);
    expectSays(cycle.message, "a node that uses itself (USE A inside DEF A)");
}

TEST_F(FullVrmlHostileTest, WhatCrashesTheParserOnlyEndsItsProcess) {
    // Coin crashes on this (an error after a node that uses the node being defined); it is now
    // refused before the parser sees it. Whatever ends the reader process, the file falls back.
    const FullVrmlResult crash = readText(
        "#VRML V2.0 utf8\nDEF T Transform { children [ Shape { geometry IndexedFaceSet {\n"
        "coord Coordinate { point [0 1 0] } coord USE T ] }\n");
    EXPECT_EQ(crash.status, FullVrmlResult::Status::Rejected);
    EXPECT_FALSE(crash.message.empty());

    // An image of 32767 by 32767 pixels is allocated before its pixels are read.
    const FullVrmlResult image = readText(
        "#VRML V2.0 utf8\nShape { appearance Appearance { texture PixelTexture {\n"
        "image 32767 32767 4 0xFF } } }\n" +
        TRIANGLE_SHAPE);
    EXPECT_EQ(image.status, FullVrmlResult::Status::Rejected);
    expectSays(image.message, "the reader process");
}

TEST_F(FullVrmlHostileTest, TheReaderProcessHasATimeAllowance) {
    // A file that takes the parser a while: 400,000 faces.
    std::string big =
        "#VRML V2.0 utf8\nShape { geometry IndexedFaceSet { coord Coordinate {\n"
        "point [ 0 0 0, 1 0 0, 0 1 0 ] } coordIndex [\n";
    for (int i = 0; i < 400000; ++i) {
        big += "0, 1, 2, -1,\n";
    }
    big += "] } }\n";
    ReadingAllowance allowance;
    allowance.seconds = 0;
    allowance.secondsPerMegabyte = 0;
    const FullVrmlResult late = readText(big, allowance);
    EXPECT_EQ(late.status, FullVrmlResult::Status::Rejected);
    expectSays(late.message, "the reader process did not finish within 0 s");

    EXPECT_EQ(readText(big).status, FullVrmlResult::Status::Read);
}

}  // namespace
