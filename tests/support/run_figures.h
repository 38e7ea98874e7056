#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Figures of measured runs, for the benchmarks that start the real program.

// The median of the samples, 0 for none.
double median(std::vector<double> v);

// A field of /proc/<pid>/status in bytes (the kB figures), or -1.
long statusBytes(pid_t pid, const std::string& field);
