#pragma once

// How the "Add Object" menu is laid out so that every entry can be reached on the screen at
// hand. Window-free: the text measure and the screen size come in as parameters.
//
// A pop-up menu is one window of fixed-height entries that never scrolls, so a library taller
// than the screen continues in cascades: the models are split into groups of at most
// MENU_GROUP_SIZE, each a sub-menu labelled with its first and last model name; more groups than
// the screen holds are grouped again the same way. 10,000 models are three steps deep. A library
// that fits stays one flat menu, exactly as its names read, unless a name is wider than a menu
// may be: that label alone is shortened in the middle, for display only.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The width in pixels of a label as the menus draw it.
using TextWidth = std::function<int(std::string_view)>;

// Measures of the freeglut menus: an entry is the font's height plus a border, a window has a
// border of MENU_BORDER on each side and four in width, a sub-menu entry adds an arrow as wide as
// MENU_ARROW_TEXT.
constexpr int MENU_ENTRY_HEIGHT = 25;
constexpr int MENU_BORDER = 2;
constexpr std::string_view MENU_ARROW_TEXT = "_";
constexpr int MENU_GROUP_SIZE = 30;

// The model menu's value for an entry that adds nothing.
constexpr int NO_MODEL = -1;
// The one entry of the model menu when the library is empty.
constexpr std::string_view NO_MODELS_LABEL = "(no models in VRMLmodels)";
// What stands for the cut-out middle of a shortened label, and between a group's first and last
// name. Plain ASCII: the menu font has no ellipsis character.
constexpr std::string_view ELLIPSIS = "...";
constexpr std::string_view GROUP_SEPARATOR = " - ";

// One menu entry: a command with its value, or a sub-menu with entries of its own.
struct MenuEntry {
    std::string label;
    int value = NO_MODEL;
    std::vector<MenuEntry> subMenu;

    bool isSubMenu() const { return !subMenu.empty(); }
};

struct MenuScreen {
    int width = 0;
    int height = 0;
    // Width of the pop-up menu that holds "Add Object": the model menu opens beside it.
    int parentMenuWidth = 0;
};

// Size of the window that shows these entries.
int menuWindowWidth(const std::vector<MenuEntry>& entries, const TextWidth& textWidth);
int menuWindowHeight(size_t entryCount);

// `text` when it is at most maxWidth wide; otherwise its beginning and end around ELLIPSIS, as
// much of both as fits. Never splits a UTF-8 character.
std::string shortenMiddle(const std::string& text, int maxWidth, const TextWidth& textWidth);

// The entries of the "Add Object" menu for the library's names, in library order; model i
// carries the value i wherever it ends up.
std::vector<MenuEntry> modelMenuEntries(const std::vector<std::string>& names,
                                        const MenuScreen& screen, const TextWidth& textWidth);
