#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The services that the editor takes from the desktop: folder listing, the modal message box and
// the scene file dialogs. The program installs the desktop implementation (GTK and
// std::filesystem) at start-up; tests install a scripted one.
struct Platform {
    // Names (without folder) of the entries of `folder` whose name ends in ".wrl" in any letter
    // case, sorted by name. Empty when the folder cannot be listed.
    std::function<std::vector<std::string>(const std::string& folder)> listModelFiles;
    // A modal box with the caption, the text and one OK button; returns once dismissed.
    std::function<void(const std::string& text, const std::string& caption)> showMessage;
    // The scene file dialogs: a path, or nothing when the user cancelled.
    std::function<std::optional<std::string>()> chooseSceneToOpen;
    std::function<std::optional<std::string>()> chooseSceneToSave;
    // Run after every modal dialog closes: the program drops the input queued for its windows
    // meanwhile and redraws them. May be empty.
    std::function<void()> afterModalDialog;
};

// The services in use. Starts with harmless stand-ins: an empty listing, messages dropped,
// dialogs cancelled.
Platform& platform();

// The desktop implementation: GTK 3 dialogs (initialised at the first use) and std::filesystem.
Platform desktopPlatform();
