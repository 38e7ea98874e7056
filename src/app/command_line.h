#pragma once

#include <string>
#include <vector>

// Tessaly's own options; every other argument belongs to GLUT (-display, -geometry, -iconic,
// -direct, -indirect, -gldebug, -sync and their values) and is handed on unchanged.
struct CommandLine {
    bool fullVrml = false;    // --full-vrml
    bool allFormats = false;  // --all-formats
    bool listModels = false;  // --list-models
    bool help = false;        // --help
    bool recover = false;     // --recover
    // --export SCENE OUT: both paths, or `exportError` when they are not both given.
    bool exportScene = false;
    std::string exportFrom;
    std::string exportTo;
    std::string exportError;
    std::string unknownOption;  // the first argument starting with "--" that is none of ours
    std::vector<std::string> glutArguments;  // the program name, then GLUT's arguments in order
};

CommandLine parseCommandLine(int argc, const char* const* argv);

// What --help prints.
std::string usageText();
