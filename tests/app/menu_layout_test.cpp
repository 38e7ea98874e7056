#include "app/menu_layout.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Ten pixels a byte: about the menu font's average.
int tenPerByte(std::string_view text) {
    return 10 * static_cast<int>(text.size());
}

const MenuScreen SCREEN{1280, 1024, 113};  // the test screen beside the widest pop-up menu

std::vector<std::string> numberedNames(int count, const std::string& stem) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%05d", i);
        names.push_back(stem + number + ".wrl");
    }
    return names;
}

struct Walk {
    std::vector<const MenuEntry*> models;  // in menu order
    int depth = 0;                         // sub-menu levels below "Add Object"
    int widestWindow = 0;
    size_t longestMenu = 0;
};

void walk(const std::vector<MenuEntry>& menu, int depth, Walk& out) {
    out.depth = std::max(out.depth, depth);
    out.widestWindow = std::max(out.widestWindow, menuWindowWidth(menu, tenPerByte));
    out.longestMenu = std::max(out.longestMenu, menu.size());
    for (const MenuEntry& entry : menu) {
        if (entry.isSubMenu()) {
            walk(entry.subMenu, depth + 1, out);
        } else {
            out.models.push_back(&entry);
        }
    }
}

TEST(MenuLayout, WithoutModelsOneEntrySaysSoAndAddsNothing) {
    const auto entries = modelMenuEntries({}, SCREEN, tenPerByte);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].label, "(no models in VRMLmodels)");
    EXPECT_EQ(entries[0].value, NO_MODEL);
    EXPECT_FALSE(entries[0].isSubMenu());
}

TEST(MenuLayout, ALibraryThatFitsIsOneMenuOfTheNamesAsTheyRead) {
    for (const auto& names : {std::vector<std::string>{"cube.wrl", "knot.wrl", "pyramid.wrl",
                                                       "sphere.wrl", "torus.wrl"},
                              numberedNames(40, "part-")}) {  // 40 entries fill 1024 pixels
        const auto entries = modelMenuEntries(names, SCREEN, tenPerByte);
        ASSERT_EQ(entries.size(), names.size());
        for (size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(entries[i].label, names[i]);
            EXPECT_EQ(entries[i].value, static_cast<int>(i));
            EXPECT_FALSE(entries[i].isSubMenu());
        }
        EXPECT_LE(menuWindowHeight(entries.size()), SCREEN.height);
    }
}

TEST(MenuLayout, AnOverlongNameIsShortenedInTheMiddleAndOnlyThatOne) {
    const std::string longName = std::string(125, 'a') + std::string(126, 'z') + ".wrl";
    const auto entries = modelMenuEntries({"cube.wrl", longName}, SCREEN, tenPerByte);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].label, "cube.wrl");
    const std::string& label = entries[1].label;
    EXPECT_EQ(entries[1].value, 1);
    EXPECT_EQ(label.substr(0, 20), longName.substr(0, 20));
    EXPECT_EQ(label.substr(label.size() - 20), longName.substr(longName.size() - 20));
    EXPECT_NE(label.find("..."), std::string::npos);
    // Beside the pop-up menu, on whichever side has room.
    EXPECT_LE(menuWindowWidth(entries, tenPerByte), (SCREEN.width - SCREEN.parentMenuWidth) / 2);
}

TEST(MenuLayout, ShorteningKeepsBothEndsAndWholeCharacters) {
    EXPECT_EQ(shortenMiddle("short.wrl", 90, tenPerByte), "short.wrl");
    EXPECT_EQ(shortenMiddle("abcdefghijklmn", 110, tenPerByte), "abcd...klmn");
    // "é" is two bytes: cutting between them would leave a broken character.
    const std::string accented = "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9";
    const std::string shortened = shortenMiddle(accented, 95, tenPerByte);
    EXPECT_EQ(shortened, "\xC3\xA9\xC3\xA9...\xC3\xA9");
    EXPECT_LE(tenPerByte(shortened), 95);
}

TEST(MenuLayout, ALongLibraryCascadesInGroupsThatKeepEveryModelAndItsValue) {
    for (int count : {41, 60, 2000, 10000}) {
        const auto names = numberedNames(count, "a_rather_long_and_descriptive_model_name_");
        const auto entries = modelMenuEntries(names, SCREEN, tenPerByte);
        Walk result;
        walk(entries, 0, result);
        ASSERT_EQ(result.models.size(), names.size()) << count;
        for (size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(result.models[i]->value, static_cast<int>(i));
        }
        EXPECT_LE(menuWindowHeight(result.longestMenu), SCREEN.height) << count;
        EXPECT_LE(result.widestWindow, SCREEN.width / 3) << count;
        EXPECT_LE(result.depth, 3) << count;
    }
}

TEST(MenuLayout, GroupsAreLabelledWithTheirFirstAndLastNames) {
    const auto names = numberedNames(60, "m");
    const auto entries = modelMenuEntries(names, SCREEN, tenPerByte);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].label, "m00000.wrl - m00029.wrl");
    EXPECT_EQ(entries[1].label, "m00030.wrl - m00059.wrl");
    EXPECT_EQ(entries[1].subMenu.size(), 30u);
    EXPECT_EQ(entries[1].subMenu[0].label, "m00030.wrl");
    EXPECT_EQ(entries[1].subMenu[0].value, 30);

    // Groups of groups name the first and last model they lead to.
    const auto many = modelMenuEntries(numberedNames(2000, "m"), SCREEN, tenPerByte);
    EXPECT_EQ(many.front().label.substr(0, 10), "m00000.wrl");
    EXPECT_EQ(many.back().label.substr(many.back().label.size() - 10), "m01999.wrl");
}

}  // namespace
