#pragma once

#include <optional>
#include <string>

// GTK 3 file choosers for scene files ("VRML Scene (*.vsf)"). The open dialog yields an existing
// file; the save dialog asks before replacing a file and adds ".vsf" to a name without extension.
// The save dialog also offers the export types (platform/save_types.h): the path it yields ends in
// the chosen type's extension, or in the one typed. Nothing means the user cancelled.
std::optional<std::string> gtkChooseSceneToOpen();
// The same, offering `shortcutFolder` (when it exists) among the places at the dialog's side.
std::optional<std::string> gtkChooseSceneToOpenOffering(const std::string& shortcutFolder);
std::optional<std::string> gtkChooseSceneToSave();
