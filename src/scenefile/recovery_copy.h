#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scene/matrix.h"
#include "scenefile/scene_format.h"

// A scene as the recovery copy keeps it, taken on the main thread in one quick pass: the views'
// state and each object's model (its index in the library) and transform. Formatting and writing
// it can then happen anywhere.
struct PlacedModel {
    int32_t model = 0;
    Matrix4 transform = identityMatrix();
};

struct SceneSnapshot {
    std::array<ViewState, 4> views;
    std::vector<PlacedModel> objects;
};

struct Scene;
// Each object's model index and placement, pending rotation folded in, bit for bit as undo keeps
// it. Quick enough for the event loop even with 100,000 objects.
std::vector<PlacedModel> placedModels(const Scene& scene);

// Where the copies of one working folder go, and the library's names that the model indices
// stand for.
struct RecoveryPlace {
    std::string folder;  // the recovery folder; empty: copies cannot be kept
    std::string key;     // recoveryKey of the working folder
    std::vector<std::string> modelNames;
};

// The ".vsf" text of the snapshot, exactly as a save of the same scene would write it.
std::string formatSnapshot(const SceneSnapshot& snapshot, const std::vector<std::string>& names);

// Writes the snapshot as the folder's one copy, named by `when` and its object count, with the
// safe writer, and then removes the folder's older copies. A snapshot without objects is not
// written where a copy with objects exists. False when it could not be written; `written` holds
// the new copy's path (empty when nothing was written).
bool writeRecoveryCopy(const RecoveryPlace& place, const SceneSnapshot& snapshot, std::time_t when,
                       std::string& written);

// Removes every copy of the working folder, except the file at `keep` (a path the user chose).
void removeRecoveryCopies(const RecoveryPlace& place, const std::string& keep = {});

// The path of the folder's newest copy, if any.
std::optional<std::string> newestRecoveryCopy(const RecoveryPlace& place);

// Whether `path` names a file directly inside the recovery folder.
bool insideRecoveryFolder(const RecoveryPlace& place, const std::string& path);

// Keeps the previous content of a file that a save overwrites in place, in the recovery folder
// (see inPlaceBackupName), written and synced before the overwrite starts. Returns what removes
// it again, or an empty function (errno set) when it could not be kept.
std::function<void()> keepPreviousContent(const RecoveryPlace& place, const std::string& target,
                                          std::string_view previous);
