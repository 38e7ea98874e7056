#pragma once

#include <cstddef>
#include <optional>
#include <vector>

// A button press as the X library read it off the connection, before GLUT dispatched it.
struct NotedPress {
    unsigned long queuePosition = 0;  // the X library's running number of queued events
    unsigned long window = 0;         // the X window the press was reported to
    int button = 0;                   // GLUT's numbering (0 left, 1 middle, 2 right)
    int x = 0, y = 0;                 // window coordinates, as GLUT passes them on
    int modifiers = 0;                // Shift (1), Ctrl (2) and Alt (4) held at the press
};

// The presses that have been read but perhaps not yet handled. A program that is busy handles a
// press long after it happened: the keys held by then say nothing about the press, the ones
// noted here do.
struct PressLog {
    // More presses than this are never waiting at once; older ones are dropped.
    static constexpr std::size_t CAPACITY = 256;

    std::vector<NotedPress> presses;  // oldest first

    void note(const NotedPress& press);

    // The modifiers of the press being handled now: the newest noted press that matches and has
    // already left the queue (`firstStillQueued` is the running number of the oldest event still
    // waiting). Every press that has left the queue is forgotten. Nothing when no press matches;
    // a `window` of 0 matches any window.
    std::optional<int> takeHandled(unsigned long firstStillQueued, unsigned long window, int button,
                                   int x, int y);
};
