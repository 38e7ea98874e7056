#pragma once

#include <csignal>
#include <cstddef>
#include <cstdint>

// A file mapping loses its pages when another process cuts the file short (an editor saving, a
// copy in progress), and touching a lost page raises SIGBUS, which ends the process. While a
// MappingGuard lives on a thread, a lost page of its mapping touched by that thread is replaced
// by a page of zeros and the guard notes the loss; reading simply goes on. The caller then
// discards what it read. Every other SIGBUS (another address, another thread, one sent by a
// process) goes to the handler that was in place before, or ends the process as it would have.
//
// The handler only compares addresses and makes one mmap system call, both safe in a signal
// handler; it never jumps out of the interrupted code, so no destructor or lock is skipped.
struct MappingGuard {
    uintptr_t begin = 0;  // the guarded pages
    uintptr_t end = 0;
    volatile sig_atomic_t lost = 0;  // set by the handler
    MappingGuard* outer = nullptr;   // the guard this one nests in, on the same thread

    MappingGuard(const void* mapping, size_t length);
    ~MappingGuard();
    MappingGuard(const MappingGuard&) = delete;
    MappingGuard& operator=(const MappingGuard&) = delete;

    // True when a page of the mapping was lost (and read as zeros) while the guard lived.
    bool pageLost() const { return lost != 0; }
};
