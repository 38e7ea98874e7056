#include "platform/file_names.h"

std::string withDefaultExtension(const std::string& path, const std::string& extension) {
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot > nameStart) {
        return path;
    }
    return path + "." + extension;
}
