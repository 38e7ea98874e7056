#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "reader/reader_stream.h"

// Reading model files in reader processes (the tessaly-reader program), several at once: the
// editor opens each file, hands the open file to a fresh process as its standard input, and
// takes back one reply. Nothing the process does or sends can harm the editor: it runs under hard
// limits, is killed when its time is up, and its reply is checked before it is used.

enum class ReaderMode {
    Vrml,    // the full VRML reading
    Assimp,  // the other model formats
};

struct ReadingJob {
    std::string folder;  // the model folder: companion files come only from inside it
    std::string name;    // the file's name in it
    ReaderMode mode = ReaderMode::Vrml;
};

struct ReadingAllowance {
    double seconds = 10;              // wall-clock time for one file, plus
    double secondsPerMegabyte = 0.5;  //   this much per megabyte of file
    double totalSeconds = 20;         // for all the files; after that no file is given to a process
    size_t megabytes = 2048;          // address space of one process, plus
    size_t megabytesPerMegabyte = 32;  //   this much per megabyte of file
    unsigned parallel = 0;             // processes at once; 0: one per processor
    StreamLimits stream;
    // The reader program to start; empty: tessaly-reader beside this program. Tests name a
    // stand-in here to make a process fail in a chosen way.
    std::string program;
};

struct ReadingOutcome {
    enum class End {
        Replied,     // `reply` holds what the process said
        Unreadable,  // the file could not be opened as a regular file (`why`)
        Changed,     // the file changed while it was read
        Failed,      // the process crashed, was killed, said nothing or too much (`why`)
        NotRun,      // the total allowance was spent before the file was read
    };
    End end = End::NotRun;
    std::string why;
    ReaderReply reply;
};

// Reads every job, `parallel` at a time, and calls `decided` (on this thread) with the job's
// position as soon as each file is decided, in whatever order they finish.
void readInReaderProcesses(
    const std::vector<ReadingJob>& jobs, const ReadingAllowance& allowance,
    const std::function<void(size_t job, ReadingOutcome&& outcome)>& decided);
