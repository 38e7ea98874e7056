#include "support/repeated_file.h"

#include <fstream>

size_t writeRepeatedFile(const std::filesystem::path& path, const std::string& head,
                         const std::string& block, size_t size, const std::string& tail) {
    constexpr size_t CHUNK = size_t{1} << 20;
    std::ofstream out(path, std::ios::binary);
    out << head;
    std::string chunk;
    while (chunk.size() + block.size() <= CHUNK) {
        chunk += block;
    }
    size_t done = 0;
    while (done + chunk.size() <= size) {
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        done += chunk.size();
    }
    while (done + block.size() <= size) {
        out << block;
        done += block.size();
    }
    out << tail;
    return head.size() + done + tail.size();
}
