#pragma once

#include <string>
#include <vector>

// Names (without folder) of the entries of `folder` whose name ends in ".wrl" in any letter case,
// sorted by name in byte order so that menus are the same from run to run. Entries are not
// filtered by type: a folder or an unreadable file with such a name is listed, so that reading it
// fails and the user is told. Empty when the folder cannot be listed.
std::vector<std::string> listWrlFiles(const std::string& folder);

// True when `name` ends in "." + `extension` in any letter case (`extension` in lower case).
bool hasExtension(const std::string& name, const std::string& extension);

// The same for entries that end in any of `extensions` (lower case, without the dot).
std::vector<std::string> listFilesWithExtensions(const std::string& folder,
                                                 const std::vector<std::string>& extensions);
