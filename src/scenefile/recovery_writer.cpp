#include "scenefile/recovery_writer.h"

#include <signal.h>

#include <ctime>

void RecoveryWriter::start(std::shared_ptr<const RecoveryPlace> place, SceneSnapshot snapshot) {
    wait();
    running = true;
    // Signals stay with the main thread, whose event loop ends the program on them.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    worker = std::thread([this, place = std::move(place), snapshot = std::move(snapshot)] {
        std::string written;
        lastSucceeded = writeRecoveryCopy(*place, snapshot, std::time(nullptr), written);
        running = false;
        if (finished) {
            finished();
        }
    });
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

bool RecoveryWriter::writeNow(const RecoveryPlace& place, const SceneSnapshot& snapshot) {
    wait();
    std::string written;
    lastSucceeded = writeRecoveryCopy(place, snapshot, std::time(nullptr), written);
    return lastSucceeded;
}

void RecoveryWriter::wait() {
    if (worker.joinable()) {
        worker.join();
    }
    running = false;
}

bool RecoverySchedule::writeNow(uint64_t changes, bool unsaved, Clock::time_point now,
                                bool writerBusy) {
    if (!behind(changes, unsaved)) {
        dueAt.reset();
        return false;
    }
    if (!dueAt) {
        dueAt = now + delay;
    }
    return now >= *dueAt && !writerBusy;
}

std::optional<std::chrono::milliseconds> RecoverySchedule::untilDue(Clock::time_point now) const {
    if (!dueAt) {
        return std::nullopt;
    }
    if (*dueAt <= now) {
        return std::chrono::milliseconds(0);
    }
    return std::chrono::ceil<std::chrono::milliseconds>(*dueAt - now);
}
