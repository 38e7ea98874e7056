#pragma once

#include <cstddef>
#include <functional>

// Runs `work` in a forked child and measures how far the child's resident size grew while it
// ran: the peak (VmHWM, reset first) minus the size before. `work` fills the plain-data record
// `result` (size bytes), which is copied back to the caller. Memory bounds of the readers are
// tested this way, so that nothing the test process did before counts.
struct MeasuredRun {
    bool finished = false;   // the child ran `work` and exited normally
    long peakGrowthKb = -1;  // peak resident size during `work` minus the size before it
};

MeasuredRun runMeasured(const std::function<void()>& work, void* result, size_t size);
