#pragma once

#include <sys/stat.h>

#include <functional>
#include <string>

#include "library/model_text.h"

// A model file held in memory for reading: mapped read-only when the system allows it, read
// into a string otherwise (empty files, files whose size the system does not report). Another
// process may change the file while it is read; reading never crashes or waits on that, and
// `readUnchanged` tells whether what was read is what the file held.
struct MappedFile {
    ModelText text;
    size_t mappedLength = 0;
    std::string contents;  // used when the file is not mapped
    int fd = -1;           // kept open until the file is let go, to see whether it changed
    struct stat opened {};
    bool cutShort = false;  // an unmapped file that gave more than it may hold

    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    // Opens a regular file for reading. Directories, devices, FIFOs, dangling links and files
    // without read permission give false. Only the size the file had here is ever read.
    bool open(const std::string& path);

    // Runs `read`, which reads `text`. A page that vanishes from the mapping meanwhile (the file
    // was cut short) reads as zeros instead of ending the process. True when the file stayed as
    // it was opened throughout: no page vanished, and its size and modification time are the
    // same. Otherwise what `read` produced is not the file's content.
    bool readUnchanged(const std::function<void()>& read);
};
