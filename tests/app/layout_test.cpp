#include <gtest/gtest.h>

#include "app/layout.h"

namespace {

TEST(LayoutTest, InitialWindowGivesFourViewsOf307By292) {
    const auto rects = layoutViews(800, 600);
    EXPECT_EQ(rects[0], (ViewRect{5, 5, 307, 292}));
    EXPECT_EQ(rects[1], (ViewRect{317, 5, 307, 292}));
    EXPECT_EQ(rects[2], (ViewRect{5, 303, 307, 292}));
    EXPECT_EQ(rects[3], (ViewRect{317, 303, 307, 292}));
}

TEST(LayoutTest, OddSizesTruncateTowardZero) {
    const auto rects = layoutViews(801, 601);
    EXPECT_EQ(rects[0].width, 308);
    EXPECT_EQ(rects[0].height, 293);
    EXPECT_EQ(rects[3].y, 601 - 5 - 293);
}

TEST(LayoutTest, TinyWindowsNeverGiveViewsBelowOnePixel) {
    for (int width : {0, 1, 100, 186, 187, 188}) {
        for (int height : {1, 5, 16, 17, 18}) {
            for (const ViewRect& rect : layoutViews(width, height)) {
                EXPECT_GE(rect.width, 1) << width << "x" << height;
                EXPECT_GE(rect.height, 1) << width << "x" << height;
            }
        }
    }
}

}  // namespace
