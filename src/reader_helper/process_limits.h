#pragma once

#include <cstddef>

// The hard limits the reader process puts on itself before it reads anything: they hold
// whatever the parser does afterwards.
struct ProcessLimits {
    unsigned cpuSeconds = 30;
    size_t addressSpaceMegabytes = 4096;
    unsigned openFiles = 16;
};

// Closes every descriptor above standard error (the editor may hold some without close-on-exec)
// and sets the limits: address space, CPU time, no file writing, few descriptors, no core dump.
// False when one could not be set.
bool limitThisProcess(const ProcessLimits& limits);

// From here on the process opens no file at all (it keeps standard input, output and error): for
// a parser that must never follow what a model file names, whatever it is told.
bool openNoMoreFiles();
