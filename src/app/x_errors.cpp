#include "app/x_errors.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

// A fault that repeats at every redraw must not flood the terminal.
constexpr int MAX_REPORTS = 20;
int reports = 0;
void (*lastWordsOnLoss)() = nullptr;

int reportError(Display* display, XErrorEvent* error) {
    if (reports >= MAX_REPORTS) {
        return 0;
    }
    ++reports;
    char description[256] = "";
    XGetErrorText(display, error->error_code, description, sizeof description);
    const std::string code = std::to_string(error->request_code);
    char request[128] = "";
    XGetErrorDatabaseText(display, "XRequest", code.c_str(), code.c_str(), request, sizeof request);
    std::fprintf(
        stderr, "Tessaly: X error %s in request %s (minor %d), resource or value 0x%lx; going on\n",
        description, request, error->minor_code, error->resourceid);
    if (reports == MAX_REPORTS) {
        std::fputs("Tessaly: further X errors are not reported\n", stderr);
    }
    return 0;
}

[[noreturn]] int connectionLost(Display*) {
    static const char message[] = "Tessaly: lost the connection to the X server\n";
    [[maybe_unused]] const ssize_t written = write(2, message, sizeof message - 1);
    if (lastWordsOnLoss != nullptr) {
        lastWordsOnLoss();
    }
    _exit(1);
}

}  // namespace

void reportXErrorsAndGoOn() {
    XSetErrorHandler(reportError);
    XSetIOErrorHandler(connectionLost);
}

void setLastWordsOnConnectionLoss(void (*lastWords)()) {
    lastWordsOnLoss = lastWords;
}
