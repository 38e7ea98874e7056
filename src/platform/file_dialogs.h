#pragma once

#include <optional>
#include <string>

// GTK 3 file choosers for scene files ("VRML Scene (*.vsf)"). The open dialog yields an existing
// file; the save dialog asks before replacing a file and adds ".vsf" to a name without extension.
// Nothing means the user cancelled.
std::optional<std::string> gtkChooseSceneToOpen();
std::optional<std::string> gtkChooseSceneToSave();
