#include "app/menu_layout.h"

#include <algorithm>

namespace {

// The UTF-8 characters of `text`: a lead byte with its continuation bytes.
std::vector<std::string_view> characters(std::string_view text) {
    std::vector<std::string_view> result;
    size_t start = 0;
    for (size_t i = 1; i <= text.size(); ++i) {
        if (i == text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            result.push_back(text.substr(start, i - start));
            start = i;
        }
    }
    return result;
}

// An entry under construction, with the library positions of its first and last model.
struct Node {
    MenuEntry entry;
    size_t first = 0;
    size_t last = 0;
};

std::string groupLabel(const std::string& first, const std::string& last, int maxWidth,
                       const TextWidth& textWidth) {
    const int each = (maxWidth - textWidth(GROUP_SEPARATOR)) / 2;
    return shortenMiddle(first, each, textWidth) + std::string(GROUP_SEPARATOR) +
           shortenMiddle(last, each, textWidth);
}

// Splits `level` into as few groups of at most groupSize as possible, of nearly equal sizes.
std::vector<Node> groupLevel(std::vector<Node>& level, size_t groupSize,
                             const std::vector<std::string>& names, int maxLabelWidth,
                             const TextWidth& textWidth) {
    const size_t count = (level.size() + groupSize - 1) / groupSize;
    std::vector<Node> groups(count);
    for (size_t g = 0; g < count; ++g) {
        const size_t begin = g * level.size() / count, end = (g + 1) * level.size() / count;
        Node& group = groups[g];
        group.first = level[begin].first;
        group.last = level[end - 1].last;
        group.entry.label =
            groupLabel(names[group.first], names[group.last], maxLabelWidth, textWidth);
        for (size_t i = begin; i < end; ++i) {
            group.entry.subMenu.push_back(std::move(level[i].entry));
        }
    }
    return groups;
}

}  // namespace

int menuWindowWidth(const std::vector<MenuEntry>& entries, const TextWidth& textWidth) {
    int widest = 0;
    for (const MenuEntry& entry : entries) {
        const int width =
            textWidth(entry.label) + (entry.isSubMenu() ? textWidth(MENU_ARROW_TEXT) : 0);
        widest = std::max(widest, width);
    }
    return widest + 4 * MENU_BORDER;
}

int menuWindowHeight(size_t entryCount) {
    return static_cast<int>(entryCount) * MENU_ENTRY_HEIGHT + 2 * MENU_BORDER;
}

std::string shortenMiddle(const std::string& text, int maxWidth, const TextWidth& textWidth) {
    if (textWidth(text) <= maxWidth) {
        return text;
    }
    // The bitmap fonts have no kerning: a text is as wide as its characters together.
    const std::vector<std::string_view> chars = characters(text);
    std::vector<int> widths;
    widths.reserve(chars.size());
    for (std::string_view c : chars) {
        widths.push_back(textWidth(c));
    }
    const int budget = maxWidth - textWidth(ELLIPSIS);
    size_t head = 0, tail = 0;
    int used = 0;
    // Takes a character from each end in turn while one fits, so that both ends stay readable.
    for (bool grew = true; grew && head + tail < chars.size();) {
        grew = false;
        const bool headFirst = head <= tail;
        for (const bool fromHead : {headFirst, !headFirst}) {
            const int width = widths[fromHead ? head : chars.size() - 1 - tail];
            if (used + width <= budget) {
                used += width;
                ++(fromHead ? head : tail);
                grew = true;
                break;
            }
        }
    }
    std::string result;
    for (size_t i = 0; i < head; ++i) {
        result += chars[i];
    }
    result += ELLIPSIS;
    for (size_t i = chars.size() - tail; i < chars.size(); ++i) {
        result += chars[i];
    }
    return result;
}

std::vector<MenuEntry> modelMenuEntries(const std::vector<std::string>& names,
                                        const MenuScreen& screen, const TextWidth& textWidth) {
    if (names.empty()) {
        return {MenuEntry{std::string(NO_MODELS_LABEL), NO_MODEL, {}}};
    }
    const size_t capacity =
        static_cast<size_t>(std::max(1, (screen.height - 2 * MENU_BORDER) / MENU_ENTRY_HEIGHT));
    // A sub-menu opens right of its parent, or left of it where the screen ends. A menu at most
    // half as wide as the room the parent leaves always finds room on one side; nested group
    // menus are their own parents, hence at most a third of the screen.
    const int besidePopup = (screen.width - screen.parentMenuWidth) / 2;
    const bool flat = names.size() <= capacity;
    const int widest = flat ? besidePopup : std::min(besidePopup, screen.width / 3);
    const int maxLabelWidth = widest - 4 * MENU_BORDER;

    std::vector<Node> level(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        level[i].entry = {
            shortenMiddle(names[i], maxLabelWidth, textWidth), static_cast<int>(i), {}};
        level[i].first = level[i].last = i;
    }
    const size_t groupSize = std::max<size_t>(2, std::min<size_t>(MENU_GROUP_SIZE, capacity));
    const int maxGroupLabelWidth = maxLabelWidth - textWidth(MENU_ARROW_TEXT);
    while (level.size() > capacity) {
        level = groupLevel(level, groupSize, names, maxGroupLabelWidth, textWidth);
    }
    std::vector<MenuEntry> entries;
    entries.reserve(level.size());
    for (Node& node : level) {
        entries.push_back(std::move(node.entry));
    }
    return entries;
}
