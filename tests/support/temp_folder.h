#pragma once

#include <filesystem>
#include <string>

// A fresh folder of its own under the system's temporary folder, removed with everything in it
// when the object goes, folders that a test made read-only included.
struct TempFolder {
    explicit TempFolder(const std::string& prefix = "tessaly-test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string path(const std::string& name) const;
    // Writes the file `name` with exactly these bytes and returns its path.
    std::string put(const std::string& name, const std::string& content) const;

    std::filesystem::path folder;
};
