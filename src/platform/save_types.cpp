#include "platform/save_types.h"

#include "platform/file_names.h"

namespace {

bool endsInAnyType(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) {
        return false;
    }
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    for (const SaveType& type : SAVE_TYPES) {
        if (extension == type.extension) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string savePathForType(const std::string& typed, size_t type) {
    if (type == 0 || type >= SAVE_TYPES.size()) {
        return withDefaultExtension(typed, "vsf");
    }
    if (endsInAnyType(typed)) {
        return typed;
    }
    return typed + "." + std::string(SAVE_TYPES[type].extension);
}
