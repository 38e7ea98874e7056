// libFuzzer target for the scene file reader. Any input must either be rejected or be a scene that
// writes back into a file which reads back to the same text (the writer and reader agree).
//
// Built by the TESSALY_FUZZ configuration; scripts/fuzz.sh builds and runs it.
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
