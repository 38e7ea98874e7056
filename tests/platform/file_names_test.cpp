#include "platform/file_names.h"

#include <gtest/gtest.h>

TEST(WithDefaultExtension, AddsOnlyWhenTheNameHasNone) {
    EXPECT_EQ(withDefaultExtension("/home/u/scene", "vsf"), "/home/u/scene.vsf");
    EXPECT_EQ(withDefaultExtension("/home/u/scene.vsf", "vsf"), "/home/u/scene.vsf");
    EXPECT_EQ(withDefaultExtension("/home/u/scene.txt", "vsf"), "/home/u/scene.txt");
    EXPECT_EQ(withDefaultExtension("/home/u.d/scene", "vsf"), "/home/u.d/scene.vsf");
    EXPECT_EQ(withDefaultExtension("/home/u/.scene", "vsf"), "/home/u/.scene.vsf");
    EXPECT_EQ(withDefaultExtension("scene", "vsf"), "scene.vsf");
    EXPECT_EQ(withDefaultExtension("my scene.v1", "vsf"), "my scene.v1");
}
