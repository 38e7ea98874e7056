#include <cstdio>

#include "app/command_line.h"
#include "app/command_line_export.h"
#include "app/model_listing.h"
#include "app/startup.h"

int main(int argc, char** argv) {
    const CommandLine line = parseCommandLine(argc, argv);
    if (!line.unknownOption.empty()) {
        std::fprintf(stderr, "tessaly: unknown option %s\n\n%s", line.unknownOption.c_str(),
                     usageText().c_str());
        return 2;
    }
    if (!line.exportError.empty()) {
        std::fprintf(stderr, "tessaly: %s\n\n%s", line.exportError.c_str(), usageText().c_str());
        return 2;
    }
    if (line.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    const ModelFolderReading reading(line.fullVrml ? ModelReading::Full : ModelReading::Classic,
                                     line.allFormats);
    if (line.exportScene) {
        return exportFromCommandLine(reading, line.exportFrom, line.exportTo, stdout, stderr);
    }
    if (line.listModels) {
        return listModels(reading, stdout);
    }
    runTessaly(line.glutArguments, reading, line.recover);
}
