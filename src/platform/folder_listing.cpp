#include "platform/folder_listing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

bool endsWithWrl(const std::string& name) {
    static const std::string extension = ".wrl";
    if (name.size() < extension.size()) {
        return false;
    }
    const auto tail = name.end() - static_cast<std::ptrdiff_t>(extension.size());
    return std::equal(tail, name.end(), extension.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
}

}  // namespace

bool hasExtension(const std::string& name, const std::string& extension) {
    if (name.size() <= extension.size() || name[name.size() - extension.size() - 1] != '.') {
        return false;
    }
    return std::equal(
        extension.begin(), extension.end(),
        name.end() - static_cast<std::ptrdiff_t>(extension.size()), [](char wanted, char c) {
            return (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == wanted;
        });
}

std::vector<std::string> listFilesWithExtensions(const std::string& folder,
                                                 const std::vector<std::string>& extensions) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (std::any_of(extensions.begin(), extensions.end(), [&](const std::string& extension) {
                return hasExtension(name, extension);
            })) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> listWrlFiles(const std::string& folder) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string name = it->path().filename().string();
        if (endsWithWrl(name)) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}
