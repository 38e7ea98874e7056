#include "scenefile/scene_format.h"

#include <cmath>

#include "scenefile/number_format.h"

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Splits the text into white-space separated words, one at a time.
struct Tokens {
    std::string_view rest;

    std::optional<std::string_view> next() {
        size_t start = 0;
        while (start < rest.size() && isSpace(rest[start])) {
            ++start;
        }
        if (start == rest.size()) {
            rest = {};
            return std::nullopt;
        }
        size_t end = start;
        while (end < rest.size() && !isSpace(rest[end])) {
            ++end;
        }
        const std::string_view word = rest.substr(start, end - start);
        rest.remove_prefix(end);
        return word;
    }

    bool nextFloat(float& target) {
        const auto word = next();
        const auto value = word ? parseFloat(*word) : std::nullopt;
        if (value) {
            target = *value;
        }
        return value.has_value();
    }

    bool nextMatrix(Matrix4& target) {
        for (float& element : target) {
            if (!nextFloat(element)) {
                return false;
            }
        }
        return true;
    }

    bool nextAngle(int32_t& target) {
        const auto word = next();
        const auto value = word ? parseInt(*word) : std::nullopt;
        if (value) {
            target = *value % 360;
        }
        return value.has_value();
    }
};

void put(std::string& out, const std::string& token) {
    out += token;
    out += ' ';
}

void putMatrix(std::string& out, const Matrix4& m) {
    for (float element : m) {
        put(out, formatFloat(element));
    }
}

bool finite(const Matrix4& m) {
    for (float element : m) {
        if (!std::isfinite(element)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool SceneFileContent::allFinite() const {
    for (const ViewState& v : views) {
        if (!finite(v.projection) || !finite(v.modelview) || !std::isfinite(v.eye.x) ||
            !std::isfinite(v.eye.y) || !std::isfinite(v.eye.z) || !std::isfinite(v.panX) ||
            !std::isfinite(v.panY) || !std::isfinite(v.zoom)) {
            return false;
        }
    }
    for (const ObjectRecord& o : objects) {
        if (!finite(o.transform)) {
            return false;
        }
    }
    return true;
}

std::string formatSceneFile(const SceneFileContent& content) {
    std::string out;
    out.reserve(4 * 40 * 12 + content.objects.size() * 17 * 12);
    for (const ViewState& v : content.views) {
        putMatrix(out, v.projection);
        putMatrix(out, v.modelview);
        put(out, formatFloat(v.eye.x));
        put(out, formatFloat(v.eye.y));
        put(out, formatFloat(v.eye.z));
        put(out, formatFloat(v.panX));
        put(out, formatFloat(v.panY));
        put(out, formatInt(v.rotX));
        put(out, formatInt(v.rotY));
        put(out, formatFloat(v.zoom));
        out += '\n';
    }
    for (const ObjectRecord& o : content.objects) {
        put(out, o.name);
        putMatrix(out, o.transform);
    }
    return out;
}

std::optional<SceneFileContent> parseSceneFile(std::string_view text,
                                               std::span<const std::string> libraryNames) {
    Tokens tokens{text};
    SceneFileContent content;
    for (ViewState& v : content.views) {
        if (!tokens.nextMatrix(v.projection) || !tokens.nextMatrix(v.modelview) ||
            !tokens.nextFloat(v.eye.x) || !tokens.nextFloat(v.eye.y) ||
            !tokens.nextFloat(v.eye.z) || !tokens.nextFloat(v.panX) || !tokens.nextFloat(v.panY) ||
            !tokens.nextAngle(v.rotX) || !tokens.nextAngle(v.rotY) || !tokens.nextFloat(v.zoom)) {
            return std::nullopt;
        }
    }
    while (const auto name = tokens.next()) {
        ObjectRecord record;
        for (size_t i = 0; i < libraryNames.size(); ++i) {
            if (libraryNames[i] == *name) {
                record.modelIndex = static_cast<int>(i);
                break;
            }
        }
        if (record.modelIndex < 0 || !tokens.nextMatrix(record.transform)) {
            return std::nullopt;
        }
        record.name = std::string(*name);
        content.objects.push_back(std::move(record));
    }
    return content;
}
