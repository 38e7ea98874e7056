#include "platform/platform.h"

Platform& platform() {
    static Platform current{
        [](const std::string&) { return std::vector<std::string>{}; },
        [](const std::string&, const std::string&) {},
        [] { return std::optional<std::string>{}; },
        [] { return std::optional<std::string>{}; },
        [] {},
    };
    return current;
}
