#pragma once

#include <string>

#include "library/model_text.h"

// A model file held in memory for reading: mapped read-only when the system allows it, read
// into a string otherwise (empty files, files whose size the system does not report).
struct MappedFile {
    ModelText text;
    size_t mappedLength = 0;
    std::string contents;  // used when the file is not mapped

    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    // Opens a regular file for reading. Directories, devices, FIFOs, dangling links and files
    // without read permission give false. A read error keeps what was read before it.
    bool open(const std::string& path);
};
