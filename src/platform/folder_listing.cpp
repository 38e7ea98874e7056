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
