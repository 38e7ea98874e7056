// libFuzzer target for the scene file reader. Any input must either be rejected or be a scene that
// writes back into a file which reads back to the same text (the writer and reader agree).
//
// Build and run (outside CMake, from the repository root):
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Isrc fuzz/scene_file_fuzz.cpp \
//       src/scenefile/scene_format.cpp src/scenefile/number_format.cpp src/scene/matrix.cpp \
//       -o scene_file_fuzz
//   ./scene_file_fuzz -max_total_time=60
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "scenefile/scene_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<std::string> library = {"box.wrl", "cone.wrl", "a", "b c.wrl"};
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto content = parseSceneFile(text, library);
    if (!content) {
        return 0;
    }
    if (!content->allFinite()) {
        std::abort();  // the reader must never accept inf or nan
    }
    const std::string written = formatSceneFile(*content);
    const auto again = parseSceneFile(written, library);
    if (!again || formatSceneFile(*again) != written) {
        std::abort();
    }
    return 0;
}
