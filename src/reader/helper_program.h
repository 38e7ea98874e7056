#pragma once

#include <string>

// Where the reader process's program is: lib/tessaly/tessaly-reader beside the running program's
// folder (the build tree) or beside its parent (an installed bin/tessaly). Empty when neither
// holds it.
std::string readerProgramPath();
