#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "scenefile/recovery_copy.h"

// Writes recovery copies on a thread of its own, one at a time, so that formatting and writing a
// large scene never holds up the event loop. The caller takes the snapshot; everything after that
// happens here.
struct RecoveryWriter {
    std::thread worker;
    std::atomic<bool> running{false};
    std::atomic<bool> lastSucceeded{true};
    // Called on the writing thread when a write started by `start` has ended (may be empty).
    std::function<void()> finished;

    RecoveryWriter() = default;
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;
    ~RecoveryWriter() { wait(); }

    // Starts writing the snapshot (after any write still running has ended).
    void start(std::shared_ptr<const RecoveryPlace> place, SceneSnapshot snapshot);
    // Writes the snapshot before returning (after any write still running has ended).
    bool writeNow(const RecoveryPlace& place, const SceneSnapshot& snapshot);
    // Returns once no write is running.
    void wait();
    bool busy() const { return running.load(); }
};

// Decides when a copy is due: some seconds after the first change that no copy (and no scene file)
// holds yet, so that a burst of edits makes one write and a kill loses at most the last few
// seconds. Changes are counted by the undo history (every step made, undone or redone).
struct RecoverySchedule {
    using Clock = std::chrono::steady_clock;
    std::chrono::milliseconds delay{3000};
    uint64_t heldChanges = 0;  // the change count that the copy (or the scene file) holds
    std::optional<Clock::time_point> dueAt;

    // Whether to write a copy now. `changes` is the current change count, `unsaved` whether the
    // scene holds changes no scene file holds, `writerBusy` whether a write still runs.
    bool writeNow(uint64_t changes, bool unsaved, Clock::time_point now, bool writerBusy);
    // How long the event loop may sleep before the next copy is due; nothing while none is.
    std::optional<std::chrono::milliseconds> untilDue(Clock::time_point now) const;
    // A copy (or a scene file) now holds the scene as it is at `changes`.
    void held(uint64_t changes) {
        heldChanges = changes;
        dueAt.reset();
    }
    // Whether the scene holds changes that neither a scene file nor the copy holds.
    bool behind(uint64_t changes, bool unsaved) const { return unsaved && changes != heldChanges; }
};
