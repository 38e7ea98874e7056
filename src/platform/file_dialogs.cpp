// Placeholder until the file dialogs are written: every dialog is cancelled.
#include "platform/file_dialogs.h"

std::optional<std::string> gtkChooseSceneToOpen() { return std::nullopt; }
std::optional<std::string> gtkChooseSceneToSave() { return std::nullopt; }
