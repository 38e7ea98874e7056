// The reply stream between the reader process and the editor: what is written reads back the
// same, and what the decoder is given is never trusted: claimed counts beyond the limits or the
// bytes there, indices outside their lists, non-finite numbers, cut or padded streams.
#include "reader/reader_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

ReaderReply sampleReply() {
    ReaderReply reply;
    reply.status = ReaderReply::Status::Read;
    reply.note = "two triangles, one two-sided";
    reply.lists.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0.5}};
    reply.lists.normals = {{0, 0, 1}, {0, 0, -1}};
    reply.lists.coordIndex = {{0, 1, 2}, {1, 3, 2}};
    reply.lists.normalIndex = {{0, 0, 0}, {1, 1, 1}};
    reply.lists.twoSidedTriangles = 1;
    return reply;
}

std::optional<std::string> decode(const std::vector<std::byte>& bytes, ReaderReply& reply,
                                  const StreamLimits& limits = {}) {
    return decodeReply(bytes, reply, limits);
}

// Offset of the first list's count in an encoded reply: magic, version, status, note.
size_t pointCountAt(const ReaderReply& reply) {
    return 12 + 8 + reply.note.size();
}

void putU64(std::vector<std::byte>& bytes, size_t at, uint64_t value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

TEST(ReaderStreamTest, WhatIsWrittenReadsBackTheSame) {
    const ReaderReply sent = sampleReply();
    ReaderReply got;
    ASSERT_EQ(decode(encodeReply(sent), got), std::nullopt);
    EXPECT_EQ(got.status, ReaderReply::Status::Read);
    EXPECT_EQ(got.note, sent.note);
    EXPECT_EQ(got.lists.points, sent.lists.points);
    EXPECT_EQ(got.lists.normals, sent.lists.normals);
    EXPECT_EQ(got.lists.coordIndex, sent.lists.coordIndex);
    EXPECT_EQ(got.lists.normalIndex, sent.lists.normalIndex);
    EXPECT_EQ(got.lists.twoSidedTriangles, 1u);

    ReaderReply rejection;
    rejection.note = "Assimp: unexpected end of file";
    ASSERT_EQ(decode(encodeReply(rejection), got), std::nullopt);
    EXPECT_EQ(got.status, ReaderReply::Status::Rejected);
    EXPECT_EQ(got.note, rejection.note);
    EXPECT_TRUE(got.lists.points.empty() && got.lists.coordIndex.empty());

    // The lists alone, as the export direction sends them, through the same functions.
    std::vector<std::byte> bytes;
    encodeMeshLists(sent.lists, bytes);
    encodeText("tail", bytes);
    const StreamLimits limits;
    StreamReader in{bytes, limits, {}};
    MeshLists lists;
    std::string tail;
    ASSERT_TRUE(in.meshLists(lists) && in.text(tail)) << in.error;
    EXPECT_EQ(lists.coordIndex, sent.lists.coordIndex);
    EXPECT_EQ(tail, "tail");
    EXPECT_TRUE(in.rest.empty());
}

TEST(ReaderStreamTest, AReplyTakenInPiecesIsTheSameAsTakenWhole) {
    const std::vector<std::byte> whole = encodeReply(sampleReply());
    for (const size_t piece : {size_t{1}, size_t{7}, size_t{4096}}) {
        const StreamLimits limits;
        ReplyReader reader(limits);
        for (size_t at = 0; at < whole.size(); at += piece) {
            ASSERT_TRUE(
                reader.take(std::span(whole).subspan(at, std::min(piece, whole.size() - at))))
                << reader.error;
        }
        ReaderReply got;
        ASSERT_EQ(reader.finish(got), std::nullopt);
        EXPECT_EQ(got.lists.points, sampleReply().lists.points);
        EXPECT_EQ(got.lists.normalIndex, sampleReply().lists.normalIndex);
        EXPECT_EQ(got.note, sampleReply().note);
    }
    // Refused as soon as a count is over the limit, whatever follows.
    std::vector<std::byte> huge = whole;
    putU64(huge, pointCountAt(sampleReply()), uint64_t{1} << 40);
    const StreamLimits limits;
    ReplyReader reader(limits);
    EXPECT_FALSE(reader.take(std::span(huge).first(pointCountAt(sampleReply()) + 8)));
    EXPECT_EQ(reader.error, "more points than the limit of 16000000");
}

// Lists of many megabytes arrive in pieces that split items anywhere, as a pipe hands them
// over; a bad item deep inside is still found.
TEST(ReaderStreamTest, LargeListsTakenInOddPiecesAreTheSame) {
    ReaderReply sent;
    sent.status = ReaderReply::Status::Read;
    for (int i = 0; i < 100'000; ++i) {
        const double x = i * 0.001;
        sent.lists.points.push_back({x, x * x, -x});
        sent.lists.normals.push_back({0, 0, x});
        sent.lists.coordIndex.push_back({i, (i + 1) % 100'000, (i + 7) % 100'000});
        sent.lists.normalIndex.push_back({i, i, (i + 3) % 100'000});
    }
    const std::vector<std::byte> whole = encodeReply(sent);
    const auto takeInPieces = [&](const std::vector<std::byte>& bytes, std::string& error) {
        const StreamLimits limits;
        ReplyReader reader(limits);
        ReaderReply got;
        for (size_t at = 0; at < bytes.size(); at += 100'003) {
            std::span<std::byte> room = reader.space();
            const size_t part = std::min({size_t{100'003}, bytes.size() - at});
            // Through space() and advance() as the editor reads a pipe, room by room.
            for (size_t done = 0; done < part && !room.empty(); room = reader.space()) {
                const size_t step = std::min(room.size(), part - done);
                std::memcpy(room.data(), bytes.data() + at + done, step);
                done += step;
                if (!reader.advance(step)) {
                    break;
                }
            }
        }
        error = reader.finish(got).value_or("");
        return got;
    };
    std::string error;
    const ReaderReply got = takeInPieces(whole, error);
    EXPECT_EQ(error, "");
    EXPECT_TRUE(got.lists.points == sent.lists.points && got.lists.normals == sent.lists.normals &&
                got.lists.coordIndex == sent.lists.coordIndex &&
                got.lists.normalIndex == sent.lists.normalIndex);
    ReaderReply decoded;
    EXPECT_EQ(decode(whole, decoded), std::nullopt);
    EXPECT_TRUE(decoded.lists.normalIndex == sent.lists.normalIndex);

    ReaderReply spoilt = sent;
    spoilt.lists.normalIndex[77'777].c = 100'000;
    takeInPieces(encodeReply(spoilt), error);
    EXPECT_EQ(error, "a normal triple outside the normals");
    spoilt = sent;
    spoilt.lists.points[99'999].z = NAN;
    EXPECT_EQ(decode(encodeReply(spoilt), decoded), "a point that is not a finite number");
}

TEST(ReaderStreamTest, EveryCutOrPaddedStreamIsRefusedAndLeavesTheReplyAlone) {
    const std::vector<std::byte> whole = encodeReply(sampleReply());
    for (size_t size = 0; size < whole.size(); ++size) {
        ReaderReply got;
        got.note = "untouched";
        const std::vector<std::byte> cut(whole.begin(), whole.begin() + static_cast<long>(size));
        ASSERT_NE(decode(cut, got), std::nullopt) << size;
        EXPECT_EQ(got.note, "untouched");
    }
    std::vector<std::byte> padded = whole;
    padded.push_back(std::byte{0});
    ReaderReply got;
    EXPECT_EQ(decode(padded, got), "bytes after the end of the reply");
    std::vector<std::byte> foreign = whole;
    foreign[0] = std::byte{'X'};
    EXPECT_EQ(decode(foreign, got), "not a reply of the reader process");
}

TEST(ReaderStreamTest, ClaimedCountsAreCheckedBeforeAnythingIsAllocated) {
    const ReaderReply sent = sampleReply();
    const size_t at = pointCountAt(sent);
    ReaderReply got;

    // 2^61 points would need exabytes: refused at once by the limit.
    std::vector<std::byte> huge = encodeReply(sent);
    putU64(huge, at, uint64_t{1} << 61);
    EXPECT_EQ(decode(huge, got), "more points than the limit of 16000000");
    // Within the limit but beyond the bytes that follow.
    std::vector<std::byte> short_ = encodeReply(sent);
    putU64(short_, at, 1'000'000);
    EXPECT_EQ(decode(short_, got), "the stream is cut short");
    // A note longer than allowed.
    ReaderReply wordy = sent;
    wordy.note = std::string(100, 'x');
    StreamLimits small;
    small.textBytes = 99;
    EXPECT_EQ(decode(encodeReply(wordy), got, small), "more text bytes than the limit of 99");
    small = {};
    small.triangles = 1;
    EXPECT_EQ(decode(encodeReply(sent), got, small), "more triangles than the limit of 1");
}

TEST(ReaderStreamTest, ListsThatDrawingCouldNotUseAreRefused) {
    struct Case {
        void (*spoil)(MeshLists&);
        const char* says;
    };
    for (const Case& c : {
             Case{[](MeshLists& l) { l.coordIndex[1].c = 4; },
                  "a triangle with a corner outside the points"},
             Case{[](MeshLists& l) { l.coordIndex[0].a = -1; },
                  "a triangle with a corner outside the points"},
             Case{[](MeshLists& l) { l.normalIndex[1].b = 2; },
                  "a normal triple outside the normals"},
             Case{[](MeshLists& l) { l.normalIndex.pop_back(); },
                  "normal triples that do not match the triangles"},
             Case{[](MeshLists& l) { l.normalIndex.clear(); },
                  "normal triples that do not match the triangles"},
             Case{[](MeshLists& l) { l.points[2].y = NAN; }, "a point that is not a finite number"},
             Case{[](MeshLists& l) { l.normals[0].z = INFINITY; },
                  "a normal that is not a finite number"},
             Case{[](MeshLists& l) { l.twoSidedTriangles = 3; },
                  "more two-sided triangles than triangles"},
         }) {
        ReaderReply spoilt = sampleReply();
        c.spoil(spoilt.lists);
        ReaderReply got;
        EXPECT_EQ(decode(encodeReply(spoilt), got), c.says);
    }
}

}  // namespace
