#pragma once

#include <cstdio>
#include <string>

#include "library/model_library.h"

// tessaly --export SCENE OUT: reads the model folder as start-up would (without any window or
// message box; its notes go to `err`) and the scene file, and exports the scene to `to` in the
// format its extension names. Returns the exit status: 0 when written ("Exported 12 objects to
// room.glb" on `out`); 1 with one line on `err` saying why when nothing was written (an unknown
// extension, an unreadable scene file or one naming a model the folder lacks, an unwritable
// target).
int exportFromCommandLine(const ModelFolderReading& reading, const std::string& from,
                          const std::string& to, std::FILE* out, std::FILE* err);
