#pragma once

// tessaly-reader export CPU_SECONDS ADDRESS_MEGABYTES: reads one export request
// (reader/export_stream.h) from standard input to its end, writes the files with Assimp's
// exporters into memory and sends one reply with them to standard output. It writes no file: the
// editor does, safely. Exit status 0 with a reply (written or refused), 2 for a call it does not
// understand, 3 when memory ran out, 4 when the request could not be read or the reply not sent.
int runExportMode(int argc, char** argv);
