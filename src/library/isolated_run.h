#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Runs a piece of work in a child process, so that whatever the work meets (a crash, an endless
// loop, a memory blow-up) ends only the child. The child writes its result to an anonymous
// in-memory file, which the caller maps once the child has finished. The child's standard input,
// output and error are /dev/null: nothing it prints reaches the program's own streams.
struct IsolatedRun {
    enum class Outcome {
        Finished,       // the work returned true and the child exited normally
        Failed,         // the work returned false, or the child exited otherwise or was killed
        TimedOut,       // killed after the time allowed
        TooMuchMemory,  // killed when its resident size grew beyond the memory allowed
        NotStarted,     // no child could be made (the reason is in `detail`)
    };
    Outcome outcome = Outcome::NotStarted;
    std::string detail;      // how the child ended, when it did not finish
    std::string_view bytes;  // what the child wrote (Finished only); valid while this lives

    IsolatedRun() = default;
    IsolatedRun(const IsolatedRun&) = delete;
    IsolatedRun& operator=(const IsolatedRun&) = delete;
    ~IsolatedRun();

    void* mapping = nullptr;
    size_t mappedLength = 0;
};

// `work` runs in the child with the descriptor of the output file. The memory allowed is counted
// as the growth of the child's resident memory over what it shares with the caller at the start.
void runIsolated(IsolatedRun& run, const std::function<bool(int fd)>& work, double seconds,
                 size_t memoryBytes);
