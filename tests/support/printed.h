#pragma once

#include <cstdio>
#include <functional>
#include <string>

// Everything `write` puts into a stream, read back from a temporary file.
inline std::string printed(const std::function<void(std::FILE*)>& write) {
    std::FILE* file = std::tmpfile();
    write(file);
    std::rewind(file);
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, got);
    }
    std::fclose(file);
    return text;
}
