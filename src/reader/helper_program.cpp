#include "reader/helper_program.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

std::string readerProgramPath() {
    static const std::string path = [] {
        namespace fs = std::filesystem;
        std::error_code error;
        const fs::path self = fs::read_symlink("/proc/self/exe", error);
        if (error) {
            return std::string();
        }
        const fs::path relative = fs::path("lib") / "tessaly" / "tessaly-reader";
        for (const fs::path& base : {self.parent_path(), self.parent_path().parent_path()}) {
            const fs::path candidate = base / relative;
            if (::access(candidate.c_str(), X_OK) == 0) {
                return candidate.string();
            }
        }
        return std::string();
    }();
    return path;
}
