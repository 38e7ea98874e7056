#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

// Writes `head`, then `block` repeated until `size` bytes of it, then `tail`: huge test files
// without holding them in memory. Returns the file's size.
size_t writeRepeatedFile(const std::filesystem::path& path, const std::string& head,
                         const std::string& block, size_t size, const std::string& tail);
