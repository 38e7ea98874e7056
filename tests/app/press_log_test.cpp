#include "app/press_log.h"

#include <gtest/gtest.h>

namespace {

constexpr int LEFT = 0;
constexpr int CTRL = 2;
constexpr int SHIFT = 1;

NotedPress press(unsigned long position, int modifiers, int x = 10, int y = 20,
                 unsigned long window = 7, int button = LEFT) {
    return {position, window, button, x, y, modifiers};
}

TEST(PressLog, APressHandledLateKeepsItsOwnModifiers) {
    PressLog log;
    log.note(press(1, CTRL));
    // Ctrl was released and more input arrived before the program came to the press.
    log.note(press(2, 0, 300, 40));
    EXPECT_EQ(log.takeHandled(2, 7, LEFT, 10, 20), CTRL);
    EXPECT_EQ(log.takeHandled(3, 7, LEFT, 300, 40), 0);
    EXPECT_TRUE(log.presses.empty());
}

TEST(PressLog, PressesAtOnePlaceAreTakenInTheOrderTheyAreHandled) {
    PressLog log;
    log.note(press(1, SHIFT));
    log.note(press(2, CTRL));
    log.note(press(3, 0));
    // Only events up to position 1 have left the queue: the first press is the one handled.
    EXPECT_EQ(log.takeHandled(2, 7, LEFT, 10, 20), SHIFT);
    EXPECT_EQ(log.takeHandled(3, 7, LEFT, 10, 20), CTRL);
    EXPECT_EQ(log.takeHandled(4, 7, LEFT, 10, 20), 0);
}

TEST(PressLog, PressesThatNeverReachedTheHandlerAreForgotten) {
    PressLog log;
    // Presses GLUT handled itself (a menu, the panel) or that were dropped stay behind ...
    log.note(press(1, 0));
    log.note(press(2, SHIFT, 10, 20, 99));
    log.note(press(3, 0, 10, 20, 7, 2));
    log.note(press(4, CTRL));
    // ... and never answer for a later press at the same place.
    EXPECT_EQ(log.takeHandled(5, 7, LEFT, 10, 20), CTRL);
    EXPECT_TRUE(log.presses.empty());
}

TEST(PressLog, UnnotedPressesGiveNothingAndTheLogStaysBounded) {
    PressLog log;
    EXPECT_EQ(log.takeHandled(1, 7, LEFT, 10, 20), std::nullopt);
    log.note(press(1, CTRL));
    EXPECT_EQ(log.takeHandled(1, 7, LEFT, 10, 20), std::nullopt) << "still queued";
    EXPECT_EQ(log.takeHandled(2, 7, LEFT, 50, 20), std::nullopt) << "another place";
    EXPECT_TRUE(log.presses.empty());

    for (unsigned long i = 1; i <= PressLog::CAPACITY + 10; ++i) {
        log.note(press(i, i == PressLog::CAPACITY + 10 ? CTRL : 0));
    }
    EXPECT_EQ(log.presses.size(), PressLog::CAPACITY);
    EXPECT_EQ(log.takeHandled(PressLog::CAPACITY + 11, 0, LEFT, 11, 19), CTRL)
        << "any window, a pixel of slack";
}

}  // namespace
