#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where recovery copies live and how they are named. One folder for every working folder:
// "$XDG_STATE_HOME/tessaly" (an absolute XDG_STATE_HOME only), else "$HOME/.local/state/tessaly".
// A copy's name starts with the key of the working folder it belongs to (the folder's own name and
// a hash of its whole path), then says when it was written and how many objects it holds:
//
//     models-1f2e3d4c 2026-12-07 18.30.05 12 objects.vsf
//
// The old content of a file that a save overwrites in place is kept beside them as
//
//     models-1f2e3d4c 2026-12-07 18.30.05 before saving scene.vsf

// Empty when neither variable gives an absolute folder.
std::string recoveryFolder(const char* stateHome, const char* home);
std::string recoveryFolderFromEnvironment();

// The working folder's name (control characters as '_', cut to 60 bytes, "root" for "/"), a dash
// and eight hex digits of a hash of the whole path.
std::string recoveryKey(std::string_view workingFolder);

std::string recoveryCopyName(std::string_view key, std::time_t when, size_t objects);
// The objects a copy of `key` holds, as its name says; nothing when `fileName` is no copy of it.
std::optional<size_t> recoveryCopyObjects(std::string_view fileName, std::string_view key);
// The names of the copies of `key` in `folder`, oldest first (by the time in the name).
std::vector<std::string> recoveryCopies(const std::string& folder, std::string_view key);

// The name that keeps the old content of `target` while it is overwritten in place. It ends as
// the target's name does, so a kept scene file is listed by the Open dialog and other files are
// not mistaken for scenes.
std::string inPlaceBackupName(std::string_view key, std::time_t when, std::string_view target);

// Makes the folder and any missing parents, private to the user (0700). False when it cannot.
bool makePrivateFolder(const std::string& folder);
