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

std::string shortNumber(uint64_t value) {
    if (value < 10'000) {
        return groupedNumber(value);
    }
    static constexpr const char* UNITS[] = {"k", "M", "G", "T", "P", "E"};
    size_t unit = 0;
    value /= 1000;
    while (value >= 1000) {
        value /= 1000;
        ++unit;
    }
    return std::to_string(value) + UNITS[unit];
}

namespace {

// The objects and the selection in at most `room` characters: the first of the forms that fits.
std::string objectsText(size_t selected, size_t total, size_t room) {
    std::vector<std::string> forms;
    if (total == 0) {
        forms = {"No objects"};
    } else if (selected == 0) {
        forms = {plural(total, " object", " objects"), groupedNumber(total) + " obj.",
                 shortNumber(total) + " obj.", shortNumber(total)};
    } else {
        const std::string full = groupedNumber(selected) + "/" + groupedNumber(total);
        const std::string brief = shortNumber(selected) + "/" + shortNumber(total);
        forms = {full + " sel.", full, brief + " sel.", brief};
    }
    for (const std::string& form : forms) {
        if (characters(form) <= room) {
            return form;
        }
    }
    return forms.back();
}

std::string trianglesText(uint64_t triangles) {
    std::string text = plural(triangles, " triangle", " triangles");
    if (characters(text) > STATUS_COLUMNS) {
        text = shortNumber(triangles) + " triangles";
    }
    return text;
}

}  // namespace

std::vector<std::string> statusLines(const Scene& scene, int32_t editMode,
                                     std::string_view failure) {
    if (!failure.empty()) {
        return wrapText(failure, STATUS_COLUMNS, STATUS_ROWS);
    }
    const std::string mode = editModeName(editMode);
    const std::string objects =
        objectsText(scene.selection.size(), scene.objects.size(), STATUS_COLUMNS - mode.size() - 1);
    // The objects stand at the right end of the line.
    const size_t gap = std::max<size_t>(1, STATUS_COLUMNS - mode.size() - characters(objects));
    return {mode + std::string(gap, ' ') + objects, trianglesText(triangleCount(scene))};
}

std::string shortenedInMiddle(std::string_view text, size_t columns) {
    const size_t length = characters(text);
    if (length <= columns) {
        return std::string(text);
    }
    if (columns <= 3) {
        return std::string(columns, '.');
    }
    const size_t tail = (columns - 3) / 2;
    const size_t head = columns - 3 - tail;
    const size_t tailStart = bytesOf(text, length - tail);
    return std::string(text.substr(0, bytesOf(text, head))) + "..." +
           std::string(text.substr(tailStart));
}

std::string sceneFileLine(const SceneFileNote& note) {
    if (note.recovered && note.unsaved) {
        return "*Recovered, not saved";
    }
    if (note.name.empty()) {
        if (note.unsaved) {
            return "* Not saved";
        }
        return note.copyKept ? "Recovery copy kept" : "";
    }
    if (note.justSaved && !note.unsaved) {
        return "Saved " + shortenedInMiddle(note.name, STATUS_COLUMNS - 6);
    }
    if (note.unsaved) {
        return "* " + shortenedInMiddle(note.name, STATUS_COLUMNS - 2);
    }
    return shortenedInMiddle(note.name, STATUS_COLUMNS);
}

std::vector<std::string> recoveryNoticeLines() {
    return {"Unsaved work was kept", "Open: folder tessaly,", "or tessaly --recover"};
}
