#include "scene/gl_share_groups.h"

#include <gtest/gtest.h>

namespace {

// Contexts are only addresses here: nothing is made current.
TEST(GlShareGroupsTest, GroupsFollowSharingAndEndWithTheirLastContext) {
    int a = 0, b = 0, c = 0, d = 0;
    const size_t before = liveShareGroups();
    noteContextCreated(&a, nullptr);
    noteContextCreated(&b, &a);  // joins a's group
    noteContextCreated(&c, nullptr);
    EXPECT_EQ(liveShareGroups(), before + 2);
    noteContextCreated(&d, &c);
    EXPECT_EQ(liveShareGroups(), before + 2);

    noteContextDestroyed(&a);  // b keeps the group
    EXPECT_EQ(liveShareGroups(), before + 2);
    noteContextDestroyed(&b);
    EXPECT_EQ(liveShareGroups(), before + 1);
    noteContextDestroyed(&b);  // twice: nothing happens
    EXPECT_EQ(liveShareGroups(), before + 1);

    // A context made at the address of a destroyed one starts a group of its own.
    noteContextCreated(&a, nullptr);
    EXPECT_EQ(liveShareGroups(), before + 2);
    // Sharing with a context nobody reported gives a group of its own too.
    noteContextCreated(&b, &b + 1);
    EXPECT_EQ(liveShareGroups(), before + 3);
    for (int* context : {&a, &b, &c, &d}) {
        noteContextDestroyed(context);
    }
    EXPECT_EQ(liveShareGroups(), before);
    EXPECT_EQ(currentShareGroup(), NO_SHARE_GROUP);  // no context is current
}

}  // namespace
