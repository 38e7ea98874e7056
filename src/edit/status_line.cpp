#include "edit/status_line.h"

#include <algorithm>

#include "scene/scene.h"

namespace {

bool continuesCharacter(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

size_t characters(std::string_view text) {
    size_t count = 0;
    for (char c : text) {
        count += !continuesCharacter(c);
    }
    return count;
}

// The byte length of the first `count` characters of the text.
size_t bytesOf(std::string_view text, size_t count) {
    size_t at = 0;
    for (size_t seen = 0; at < text.size(); ++at) {
        if (!continuesCharacter(text[at]) && seen++ == count) {
            break;
        }
    }
    return at;
}

std::string plural(uint64_t count, const char* one, const char* many) {
    return groupedNumber(count) + (count == 1 ? one : many);
}

}  // namespace

const char* editModeName(int32_t editMode) {
    switch (editMode) {
        case 1:
            return "Translate";
        case 2:
            return "Scale";
        case 3:
            return "Rotate";
        default:
            return "Select";
    }
}

uint64_t triangleCount(const Scene& scene) {
    uint64_t total = 0;
    for (const auto& object : scene.objects) {
        total += object->mesh != nullptr ? object->mesh->coordIndex.size() : 0;
    }
    return total;
}

std::string groupedNumber(uint64_t value) {
    std::string digits = std::to_string(value);
    for (size_t at = digits.size(); at > 3; at -= 3) {
        digits.insert(at - 3, 1, ',');
    }
    return digits;
}

std::vector<std::string> wrapText(std::string_view text, size_t columns, size_t maxLines) {
    std::vector<std::string> lines;
    std::string line;
    const auto finishLine = [&] {
        if (!line.empty()) {
            lines.push_back(std::move(line));
            line.clear();
        }
    };
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find(' ', at), text.size());
        std::string_view word = text.substr(at, end - at);
        at = end + 1;
        while (characters(word) > columns) {
            finishLine();
            const size_t bytes = bytesOf(word, columns);
            lines.emplace_back(word.substr(0, bytes));
            word.remove_prefix(bytes);
        }
        if (word.empty()) {
            continue;
        }
        if (!line.empty() && characters(line) + 1 + characters(word) > columns) {
            finishLine();
        }
        if (!line.empty()) {
            line += ' ';
        }
        line += word;
    }
    finishLine();
    if (lines.size() > maxLines) {
        lines.resize(maxLines);
        if (!lines.empty()) {
            std::string& last = lines.back();
            const size_t keep = columns > 3 ? columns - 3 : 0;
            last = last.substr(0, bytesOf(last, std::min(characters(last), keep))) + "...";
        }
    }
    return lines;
}

std::vector<std::string> statusLines(const Scene& scene, int32_t editMode,
                                     std::string_view failure) {
    const size_t objects = scene.objects.size();
    const std::string facts[] = {
        editModeName(editMode),
        objects == 0
            ? "No objects"
            : groupedNumber(scene.selection.size()) + " of " + groupedNumber(objects) + " selected",
        plural(triangleCount(scene), " triangle", " triangles"),
    };
    std::vector<std::string> lines;
    for (const std::string& fact : facts) {
        for (std::string& line : wrapText(fact, STATUS_COLUMNS, 2)) {
            lines.push_back(std::move(line));
        }
    }
    for (std::string& line : wrapText(failure, STATUS_COLUMNS, 2)) {
        lines.push_back(std::move(line));
    }
    return lines;
}
