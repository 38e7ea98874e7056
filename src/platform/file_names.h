#pragma once

#include <string>

// The save dialog's default extension: `path` with "." + `extension` appended when its last
// component has none ("scene" -> "scene.vsf"; "scene.txt", "a.b/scene.vsf" stay as they are). A
// leading dot does not start an extension (".scene" -> ".scene.vsf").
std::string withDefaultExtension(const std::string& path, const std::string& extension);
