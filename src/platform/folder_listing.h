#pragma once

#include <string>
#include <vector>

// Names (without folder) of the entries of `folder` whose name ends in ".wrl" in any letter case,
// sorted by name in byte order so that menus are the same from run to run. Entries are not
// filtered by type: a folder or an unreadable file with such a name is listed, so that reading it
// fails and the user is told. Empty when the folder cannot be listed.
std::vector<std::string> listWrlFiles(const std::string& folder);
