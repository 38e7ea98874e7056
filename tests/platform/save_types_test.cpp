#include "platform/save_types.h"

#include <gtest/gtest.h>

#include "reader/export_format.h"

namespace {

TEST(SaveTypes, TheSceneTypeComesFirstAndEveryOtherTypeIsAnExportFormat) {
    EXPECT_EQ(SAVE_TYPES[0].label, "VRML Scene (*.vsf)");
    ASSERT_EQ(SAVE_TYPES.size(), EXPORT_FORMATS.size() + 1);
    for (size_t i = 1; i < SAVE_TYPES.size(); ++i) {
        const std::string name = "room." + std::string(SAVE_TYPES[i].extension);
        ASSERT_TRUE(exportFormatOfPath(name).has_value()) << name;
        EXPECT_EQ(exportExtension(*exportFormatOfPath(name)), SAVE_TYPES[i].extension);
        EXPECT_NE(SAVE_TYPES[i].label.find("(*." + std::string(SAVE_TYPES[i].extension) + ")"),
                  std::string_view::npos);
    }
    EXPECT_FALSE(exportFormatOfPath("room.vsf").has_value());
    EXPECT_FALSE(exportFormatOfPath("/a.glb/room").has_value());
    EXPECT_FALSE(exportFormatOfPath(".glb").has_value());
    EXPECT_EQ(exportFormatOfPath("/x/room.GlB"), ExportFormat::Glb);
}

TEST(SaveTypes, ANameGetsTheChosenTypesExtensionUnlessItNamesATypeItself) {
    const size_t vsf = 0, glb = 1, obj = 3;
    // The scene type as before: ".vsf" only for a name without any extension.
    EXPECT_EQ(savePathForType("/h/room", vsf), "/h/room.vsf");
    EXPECT_EQ(savePathForType("/h/room.txt", vsf), "/h/room.txt");
    EXPECT_EQ(savePathForType("/h/room.glb", vsf), "/h/room.glb");
    // An export type.
    EXPECT_EQ(savePathForType("/h/room", glb), "/h/room.glb");
    EXPECT_EQ(savePathForType("/h/.room", glb), "/h/.room.glb");
    EXPECT_EQ(savePathForType("/h/room.v2", glb), "/h/room.v2.glb");
    EXPECT_EQ(savePathForType("/h/room.STL", glb), "/h/room.STL");
    EXPECT_EQ(savePathForType("/h/room.vsf", obj), "/h/room.vsf");
    EXPECT_EQ(savePathForType("/h.d/room", obj), "/h.d/room.obj");
}

}  // namespace
