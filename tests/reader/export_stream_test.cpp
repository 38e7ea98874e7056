#include "reader/export_stream.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/export_sample.h"

namespace {

std::vector<std::byte> joined(const StreamPieces& stream) {
    std::vector<std::byte> bytes;
    for (const auto& piece : stream.pieces) {
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    }
    EXPECT_EQ(bytes.size(), stream.totalBytes);
    return bytes;
}

TEST(ExportStream, ARequestComesThroughWholeAndEveryCutIsRefused) {
    const auto sample = makeExportSample();
    const auto bytes = joined(exportRequestPieces(sample->scene, ExportFormat::Ply, "room"));
    ExportRequest request;
    ASSERT_EQ(decodeExportRequest(bytes, request), std::nullopt);
    EXPECT_EQ(request.format, ExportFormat::Ply);
    EXPECT_EQ(request.baseName, "room");
    ASSERT_EQ(request.lists.size(), 2u);
    EXPECT_EQ(request.names[1], "tetrahedron.wrl");
    EXPECT_EQ(request.lists[0].points, sample->cube.points);
    EXPECT_EQ(request.lists[0].normalIndex, sample->cube.normalIndex);
    ASSERT_EQ(request.objects.size(), ExportSample::OBJECTS);
    EXPECT_EQ(request.objects[4].matrix, sample->scene.objects[4].matrix);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        ExportRequest partial;
        EXPECT_NE(decodeExportRequest(std::span(bytes).first(cut), partial), std::nullopt) << cut;
    }
}

TEST(ExportStream, HostileRequestsAreRefusedBeforeAnythingIsAllocated) {
    const auto sample = makeExportSample();
    auto bytes = joined(exportRequestPieces(sample->scene, ExportFormat::Glb, "x"));
    // The first model's point count (after magic, version, format, the base name and the model
    // count, then the model's name) claims 2^60 points.
    const size_t pointCount = 12 + 8 + 1 + 8 + 8 + std::strlen("cube.wrl");
    auto huge = bytes;
    const uint64_t claim = uint64_t{1} << 60;
    std::memcpy(huge.data() + pointCount, &claim, sizeof claim);
    ExportRequest request;
    EXPECT_NE(decodeExportRequest(huge, request), std::nullopt);
    // A triangle corner outside the points.
    auto outside = bytes;
    const size_t firstTriangle = pointCount + 8 + 8 * 24 + 8 + 6 * 24 + 8;
    const int32_t far = 8;
    std::memcpy(outside.data() + firstTriangle, &far, sizeof far);
    EXPECT_EQ(decodeExportRequest(outside, request), "a triangle with a corner outside the points");
    bytes.push_back(std::byte{0});
    EXPECT_EQ(decodeExportRequest(bytes, request), "bytes after the request");
}

TEST(ExportStream, AReplyViewsItsBlobsAndEveryCutIsRefused) {
    const std::vector<ExportBlob> blobs = {{"", "main file"}, {".bin", std::string(1000, 'b')}};
    const auto bytes = joined(exportReplyPieces(true, "", blobs));
    ExportReply reply;
    ASSERT_EQ(decodeExportReply(bytes, reply), std::nullopt);
    EXPECT_TRUE(reply.written);
    ASSERT_EQ(reply.blobs.size(), 2u);
    EXPECT_EQ(reply.blobs[0].bytes, "main file");
    EXPECT_EQ(reply.blobs[1].suffix, ".bin");
    EXPECT_EQ(reply.blobs[1].bytes.size(), 1000u);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        ExportReply partial;
        EXPECT_NE(decodeExportReply(std::span(bytes).first(cut), partial), std::nullopt) << cut;
    }
    const auto refused = joined(exportReplyPieces(false, "not exported: why", {}));
    ASSERT_EQ(decodeExportReply(refused, reply), std::nullopt);
    EXPECT_FALSE(reply.written);
    EXPECT_EQ(reply.message, "not exported: why");
}

}  // namespace
