#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The program run in `folder` without a display (DISPLAY unset), to its end (killed after two
// minutes): its exit status (-1 when it did not exit normally) and what it printed.
struct CommandRun {
    int status = -1;
    std::string out, err;
};

CommandRun runWithoutDisplay(const std::filesystem::path& folder,
                             const std::vector<std::string>& arguments);
