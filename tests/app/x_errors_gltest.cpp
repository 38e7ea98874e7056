// X protocol errors of our own requests on the real display: reported on stderr, and the process
// goes on (Xlib's default handler would end it).
#include "app/x_errors.h"

// Before Xlib, whose None macro breaks GoogleTest.
#include <gtest/gtest.h>
//
#include <X11/Xlib.h>

#include <string>

namespace {

TEST(XErrors, AreReportedAndTheProgramGoesOn) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const XErrorHandler previous = XSetErrorHandler(nullptr);
    const XIOErrorHandler previousIo = XSetIOErrorHandler(nullptr);
    reportXErrorsAndGoOn();

    testing::internal::CaptureStderr();
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    XResizeWindow(display, window, 0, 0);  // as freeglut sizes a menu without entries
    XSync(display, False);
    XDestroyWindow(display, window);
    XMapWindow(display, window);  // a window that is gone
    XSync(display, False);
    const std::string reported = testing::internal::GetCapturedStderr();

    EXPECT_NE(reported.find("BadValue"), std::string::npos) << reported;
    EXPECT_NE(reported.find("X_ConfigureWindow"), std::string::npos) << reported;
    EXPECT_NE(reported.find("BadWindow"), std::string::npos) << reported;
    EXPECT_NE(reported.find("X_MapWindow"), std::string::npos) << reported;
    // The connection still serves requests.
    XWindowAttributes root;
    EXPECT_NE(XGetWindowAttributes(display, DefaultRootWindow(display), &root), 0);

    XCloseDisplay(display);
    XSetErrorHandler(previous);
    XSetIOErrorHandler(previousIo);
}

}  // namespace
