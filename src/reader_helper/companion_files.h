#pragma once

#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>

#include <span>
#include <string>
#include <vector>

// The file system Assimp sees while it reads one model: the model itself (already in memory)
// and the regular files beneath the model folder. An absolute path, a path through "..", a link
// leading out of the folder, a device, a FIFO or a folder is refused, and noted.
struct CompanionFiles : Assimp::IOSystem {
    CompanionFiles(std::string modelName, std::span<const char> modelBytes, int folder);

    bool Exists(const char* file) const override;
    char getOsSeparator() const override { return '/'; }
    Assimp::IOStream* Open(const char* file, const char* mode) override;
    void Close(Assimp::IOStream* stream) override;

    std::string modelName;
    std::span<const char> modelBytes;
    int folder;                         // descriptor of the model folder, or -1
    std::vector<std::string> refusals;  // "name (why)" for every companion refused

private:
    // The model folder's file `file` names, read into memory; false (with `why`) when refused.
    bool readCompanion(const std::string& file, std::vector<char>& bytes, std::string& why) const;
};
