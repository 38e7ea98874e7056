#include "support/dialogs.h"

#include <gtest/gtest.h>

std::optional<ScreenRect> focusWindow(const ProgramRun& run, const std::string& title,
                                      milliseconds timeout) {
    std::optional<unsigned long> window;
    if (!waitUntil([&] { return (window = run.findWindow(title)).has_value(); }, timeout)) {
        return std::nullopt;
    }
    std::optional<ScreenRect> rect;
    waitUntil([&] { return (rect = run.windowRect(*window)) && rect->width > 50; });
    if (rect) {
        run.move(rect->centre());
        // GTK finishes mapping and focusing before keys arrive.
        run.settle();
    }
    return rect;
}

void enterName(const ProgramRun& run, const std::string& name) {
    run.type(name);
    run.settle();
    run.key("Return");
}

bool gone(const ProgramRun& run, const std::string& title) {
    return waitUntil([&] { return !run.findWindow(title); });
}

void chooseFile(const ProgramRun& run, Point button, const std::string& title,
                const std::string& name) {
    run.click(button);
    std::optional<unsigned long> dialog;
    ASSERT_TRUE(waitUntil([&] { return (dialog = run.findWindow(title)).has_value(); }));
    std::optional<ScreenRect> rect;
    ASSERT_TRUE(waitUntil([&] { return (rect = run.windowRect(*dialog)) && rect->width > 50; }));
    run.move(rect->centre());
    run.settle();
    enterName(run, name);
    ASSERT_TRUE(gone(run, title));
    run.settle();
}
