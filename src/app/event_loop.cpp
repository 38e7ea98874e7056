// Xlib is included only where X itself is used: its macros clash with other headers.
// The headers of our own and the standard ones come first: the X library's internal header
// (Xlibint.h, for the event conversion hooks and the event queue) defines macros named min and
// max.
#include "app/event_loop.h"

#include <csignal>
#include <optional>
#include <utility>
#include <vector>

#include "app/menu_repaint.h"
#include "app/press_log.h"
#include "platform/gtk_session.h"
//
#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/extensions/XInput2.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace {

std::vector<std::function<void()>> deferredActions;
std::vector<int> windowsToRedisplay;

Display* display() {
    return glXGetCurrentDisplay();
}

// freeglut runs the redisplays that input callbacks post within the same pass. One posted from a
// display callback itself would wait for the next X event; the bounded sleep below catches it.
constexpr int SAFETY_WAKE_MS = 500;

int requestedSleepMs = -1;

// The self-pipe: signal handlers and other threads write one byte to wake the loop, the signal's
// number or 0 for a plain wake.
int wakeRead = -1;
int wakeWrite = -1;
void (*signalLastWords)() = nullptr;

void openWakePipe() {
    if (wakeRead >= 0) {
        return;
    }
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead = ends[0];
        wakeWrite = ends[1];
    }
}

void noteSignal(int signal) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    if (wakeWrite >= 0) {
        [[maybe_unused]] const ssize_t n = write(wakeWrite, &byte, 1);
    }
    errno = saved;
}

// Ends the program as `signal` would have: its last words first, then the default action.
[[noreturn]] void endBySignal(int signal) {
    if (signalLastWords != nullptr) {
        signalLastWords();
    }
    std::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    _exit(128 + signal);
}

// Reads what woke the loop; a signal ends the program here.
void drainWakePipe() {
    if (wakeRead < 0) {
        return;
    }
    unsigned char bytes[64];
    ssize_t n = 0;
    while ((n = read(wakeRead, bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            if (bytes[i] != 0) {
                endBySignal(bytes[i]);
            }
        }
    }
}

}  // namespace

void sleepAtMost(int ms) {
    if (requestedSleepMs < 0 || ms < requestedSleepMs) {
        requestedSleepMs = ms < 0 ? 0 : ms;
    }
}

void wakeEventLoop() {
    noteSignal(0);
}

void endOnSignals(const std::vector<int>& signals, void (*lastWords)()) {
    openWakePipe();
    signalLastWords = lastWords;
    // A modal dialog runs a loop of its own: the signals must end the program from there too.
    watchDuringDialogs(wakeRead, drainWakePipe);
    for (int signal : signals) {
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction action {};
        action.sa_handler = noteSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(signal, &action, nullptr);
    }
}

void runAfterMenuCloses(std::function<void()> action) {
    deferredActions.push_back(std::move(action));
}

void redisplayAgainNextPass(int window) {
    windowsToRedisplay.push_back(window);
}

namespace {

void postDelayedRedisplays() {
    std::vector<int> due;
    due.swap(windowsToRedisplay);
    const int current = glutGetWindow();
    for (int window : due) {
        glutSetWindow(window);
        glutPostRedisplay();
    }
    if (current != 0) {
        glutSetWindow(current);
    }
}

}  // namespace

namespace {

// Shift, Ctrl and Alt of an X modifier state. Caps Lock (LockMask) and Num Lock (Mod2Mask) never
// count: with Caps Lock on, every click would otherwise act as a Shift-click.
int glutModifiersOf(unsigned int state) {
    int held = 0;
    if (state & ShiftMask)
        held |= GLUT_ACTIVE_SHIFT;
    if (state & ControlMask)
        held |= GLUT_ACTIVE_CTRL;
    if (state & Mod1Mask)
        held |= GLUT_ACTIVE_ALT;
    return held;
}

// The keys held right now, read from the X server: only right when nothing is waiting.
int heldModifierKeys(Display* connection) {
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(connection, DefaultRootWindow(connection), &root, &child, &rootX, &rootY, &x,
                       &y, &mask)) {
        return 0;
    }
    return glutModifiersOf(mask);
}

// Presses are noted while the X library converts them from the wire, in the order they arrive,
// whatever GLUT does with them later. freeglut receives presses as XInput 2 events where the
// server offers them, as core events otherwise: both are watched.
PressLog pressLog;

using WireToEvent = Bool (*)(Display*, XEvent*, xEvent*);
using WireToCookie = Bool (*)(Display*, XGenericEventCookie*, xEvent*);
WireToEvent libraryCoreButton = nullptr;
WireToCookie libraryInputCookie = nullptr;

Bool noteCorePress(Display* connection, XEvent* event, xEvent* wire) {
    const Bool converted = libraryCoreButton(connection, event, wire);
    if (converted && event->type == ButtonPress) {
        const XButtonEvent& press = event->xbutton;
        pressLog.note({connection->next_event_serial_num, press.window,
                       static_cast<int>(press.button) - 1, press.x, press.y,
                       glutModifiersOf(press.state)});
    }
    return converted;
}

Bool noteInputPress(Display* connection, XGenericEventCookie* cookie, xEvent* wire) {
    const Bool converted = libraryInputCookie(connection, cookie, wire);
    if (converted && cookie->evtype == XI_ButtonPress && cookie->data != nullptr) {
        const auto* press = static_cast<const XIDeviceEvent*>(cookie->data);
        // The keys held down (or latched by sticky keys); locked ones such as Caps Lock are not.
        const auto held = static_cast<unsigned int>(press->mods.base | press->mods.latched);
        pressLog.note({connection->next_event_serial_num, press->event, press->detail - 1,
                       static_cast<int>(press->event_x), static_cast<int>(press->event_y),
                       glutModifiersOf(held)});
    }
    return converted;
}

// After the windows exist, so that the input extension has set up its own conversion, which the
// notes wrap.
void notePressesFromNowOn(Display* connection) {
    libraryCoreButton = XESetWireToEvent(connection, ButtonPress, noteCorePress);
    int opcode = 0, firstEvent = 0, firstError = 0;
    if (!XQueryExtension(connection, "XInputExtension", &opcode, &firstEvent, &firstError)) {
        return;
    }
    libraryInputCookie = XESetWireToEventCookie(connection, opcode, noteInputPress);
    if (libraryInputCookie == nullptr) {
        // Nobody converts these events: leave it that way rather than convert them wrongly.
        connection->generic_event_vec[opcode & 0x7F] = nullptr;
    }
}

// The running number of the oldest event still waiting in the X library's queue.
unsigned long firstStillQueued(Display* connection) {
    unsigned long first = connection->next_event_serial_num;
    for (const _XQEvent* queued = connection->head; queued != nullptr; queued = queued->next) {
        if (queued->qserial_num < first) {
            first = queued->qserial_num;
        }
    }
    return first;
}

}  // namespace

int modifiersOfPress(int button, int x, int y) {
    Display* connection = display();
    if (connection == nullptr) {
        return 0;
    }
    const std::optional<int> noted =
        pressLog.takeHandled(firstStillQueued(connection), glXGetCurrentDrawable(), button, x, y);
    return noted ? *noted : heldModifierKeys(connection);
}

[[noreturn]] void runEventLoop(void (*afterEachPass)()) {
    if (Display* connection = display()) {
        notePressesFromNowOn(connection);
    }
    openWakePipe();
    for (;;) {
        drainWakePipe();
        glutMainLoopEvent();
        repaintNewlyShownMenus();
        if (afterEachPass != nullptr) {
            afterEachPass();
        }
        Display* connection = display();
        if (connection == nullptr) {
            continue;
        }
        if (!windowsToRedisplay.empty()) {
            postDelayedRedisplays();
            continue;
        }
        if (!deferredActions.empty()) {
            XSync(connection, False);
            glutMainLoopEvent();  // the menu closes and the windows redraw first
            std::vector<std::function<void()>> due;
            due.swap(deferredActions);
            for (auto& action : due) {
                action();
            }
            continue;
        }
        if (XPending(connection) > 0) {
            continue;
        }
        int sleepMs = SAFETY_WAKE_MS;
        if (requestedSleepMs >= 0 && requestedSleepMs < sleepMs) {
            sleepMs = requestedSleepMs;
        }
        requestedSleepMs = -1;
        pollfd descriptors[2] = {{ConnectionNumber(connection), POLLIN, 0}, {wakeRead, POLLIN, 0}};
        poll(descriptors, wakeRead >= 0 ? 2 : 1, sleepMs);
    }
}

void discardQueuedInput() {
    Display* connection = display();
    if (connection == nullptr) {
        return;
    }
    XSync(connection, False);
    XEvent event;
    const long inputMask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                           PointerMotionMask | ButtonMotionMask;
    while (XCheckMaskEvent(connection, inputMask, &event)) {
    }
    while (XCheckTypedEvent(connection, GenericEvent, &event)) {
        XFreeEventData(connection, &event.xcookie);
    }
    pressLog.presses.clear();
}
