#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>

// Permission bits do not bind root, who runs the tests in CI: writes whose outcome depends on
// them run in a child process as an ordinary user, nobody (65534) when the tests run as root,
// else the user running the tests.
constexpr uid_t RUNNER = 65534;

// Gives a file or folder to the user that runAsOrdinaryUser runs as.
void giveToRunner(const std::filesystem::path& path);

// Runs `action` in a child process as an ordinary user; its result, or nothing (and a test
// failure) when the child could not drop its privileges or did not end normally.
std::optional<bool> runAsOrdinaryUser(const std::function<bool()>& action);
