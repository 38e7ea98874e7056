#pragma once

#include <functional>
#include <span>
#include <string>

#include "reader/reader_stream.h"

// The reader programs' exit statuses besides 0.
constexpr int EXIT_USAGE = 2;          // a call it does not understand
constexpr int EXIT_OUT_OF_MEMORY = 3;  // memory ran out
constexpr int EXIT_NO_INPUT = 4;       // the input could not be read or the reply not sent

// The model file `bytes` (the standard input) under the name `name`, read into a reply.
using ModelReading =
    std::function<ReaderReply(std::span<const char> bytes, const std::string& name)>;

// "PROGRAM MODE NAME CPU_SECONDS ADDRESS_MEGABYTES < FILE": sets the hard limits, maps the file,
// reads it with `read` and writes the reply to standard output. Ends the process itself after a
// reply; returns an exit status otherwise.
int runReadMode(int argc, char** argv, const ModelReading& read);
