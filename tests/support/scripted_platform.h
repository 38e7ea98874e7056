#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

// A Platform for tests: no dialogs ever appear.
//
//   ScriptedPlatform scripted;
//   scripted.openAnswers.push_back("/tmp/a.vsf");  // the next open dialog "chooses" this file
//   scripted.install();                             // platform() now uses `scripted`
//   ...                                             // code under test
//   EXPECT_EQ(scripted.messages.size(), 1u);
//
// The destructor puts back whatever platform() held before install(), so a test cannot leave
// dangling services behind.
struct ScriptedPlatform {
    struct Message {
        std::string text;
        std::string caption;
    };

    // When set, every listing returns exactly these names; otherwise the real listing of the
    // asked folder (relative to the working directory) is used.
    std::optional<std::vector<std::string>> listing;
    // Every message shown, in order.
    std::vector<Message> messages;
    // Answers of the scene file dialogs, taken from the front. An empty queue answers "cancel"
    // (as does a queued std::nullopt).
    std::deque<std::optional<std::string>> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    // How often each dialog was asked for.
    int openDialogs = 0;
    int saveDialogs = 0;

    ScriptedPlatform() = default;
    ScriptedPlatform(const ScriptedPlatform&) = delete;
    ScriptedPlatform& operator=(const ScriptedPlatform&) = delete;
    ~ScriptedPlatform();

    // Makes platform() use this object (listing, message box, dialogs). afterModalDialog is left
    // as it was.
    void install();

private:
    std::optional<Platform> previous;
};
