#include "scenefile/recovery_place.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

bool absolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

// A name cut to at most `bytes` bytes without splitting a UTF-8 character.
std::string cutAt(std::string_view text, size_t bytes) {
    if (text.size() <= bytes) {
        return std::string(text);
    }
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) {
        --bytes;
    }
    return std::string(text.substr(0, bytes));
}

std::string timeText(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[32] = "";
    std::strftime(text, sizeof text, "%Y-%m-%d %H.%M.%S", &local);
    return text;
}

bool digits(std::string_view text, std::string_view pattern) {
    if (text.size() != pattern.size()) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const bool isDigit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == '9' ? !isDigit : text[i] != pattern[i]) {
            return false;
        }
    }
    return true;
}

constexpr std::string_view TIME_PATTERN = "9999-99-99 99.99.99";

}  // namespace

std::string recoveryFolder(const char* stateHome, const char* home) {
    if (absolute(stateHome)) {
        return std::string(stateHome) + "/tessaly";
    }
    if (absolute(home)) {
        return std::string(home) + "/.local/state/tessaly";
    }
    return {};
}

std::string recoveryFolderFromEnvironment() {
    return recoveryFolder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
}

std::string recoveryKey(std::string_view workingFolder) {
    uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (char c : workingFolder) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    std::string name = fs::path(workingFolder).filename().string();
    if (name.empty()) {
        name = fs::path(workingFolder).parent_path().filename().string();
    }
    if (name.empty()) {
        name = "root";
    }
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '_';
        }
    }
    char hex[16] = "";
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(hash ^ (hash >> 32)));
    return cutAt(name, 60) + "-" + hex;
}

std::string recoveryCopyName(std::string_view key, std::time_t when, size_t objects) {
    return std::string(key) + " " + timeText(when) + " " + std::to_string(objects) +
           (objects == 1 ? " object.vsf" : " objects.vsf");
}

std::optional<size_t> recoveryCopyObjects(std::string_view fileName, std::string_view key) {
    if (fileName.size() <= key.size() + 1 + TIME_PATTERN.size() + 1 || !fileName.starts_with(key) ||
        fileName[key.size()] != ' ') {
        return std::nullopt;
    }
    std::string_view rest = fileName.substr(key.size() + 1);
    if (!digits(rest.substr(0, TIME_PATTERN.size()), TIME_PATTERN) ||
        rest[TIME_PATTERN.size()] != ' ') {
        return std::nullopt;
    }
    rest.remove_prefix(TIME_PATTERN.size() + 1);
    const size_t space = rest.find(' ');
    if (space == 0 || space == std::string_view::npos || space > 18) {
        return std::nullopt;
    }
    size_t count = 0;
    for (char c : rest.substr(0, space)) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        count = count * 10 + static_cast<size_t>(c - '0');
    }
    const std::string_view end = rest.substr(space);
    if (end != (count == 1 ? " object.vsf" : " objects.vsf")) {
        return std::nullopt;
    }
    return count;
}

std::vector<std::string> recoveryCopies(const std::string& folder, std::string_view key) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (recoveryCopyObjects(name, key) && it->is_regular_file(error)) {
            names.push_back(std::move(name));
        }
    }
    // The time stands right after the key, in an order that sorts as text.
    std::sort(names.begin(), names.end());
    return names;
}

std::string inPlaceBackupName(std::string_view key, std::time_t when, std::string_view target) {
    const std::string name = cutAt(fs::path(target).filename().string(), 120);
    return std::string(key) + " " + timeText(when) + " before saving " + name;
}

bool makePrivateFolder(const std::string& folder) {
    if (folder.empty()) {
        return false;
    }
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0) {
        return S_ISDIR(info.st_mode);
    }
    const std::string parent = fs::path(folder).parent_path().string();
    if (!parent.empty() && parent != folder && !makePrivateFolder(parent)) {
        return false;
    }
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}
