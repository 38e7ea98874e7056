#include "scenefile/recovery_copy.h"

#include <unistd.h>

#include <cerrno>

#include <filesystem>
#include <unordered_map>

#include "edit/undo_history.h"
#include "scene/scene.h"
#include "scenefile/file_io.h"
#include "scenefile/recovery_place.h"

namespace fs = std::filesystem;

namespace {

bool samePlace(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

}  // namespace

std::vector<PlacedModel> placedModels(const Scene& scene) {
    std::unordered_map<const Mesh*, int32_t> index;
    for (size_t i = 0; i < scene.models.size(); ++i) {
        index.emplace(scene.models[i].get(), static_cast<int32_t>(i));
    }
    std::vector<PlacedModel> placed;
    placed.reserve(scene.objects.size());
    for (const auto& object : scene.objects) {
        const auto found = index.find(object->mesh);
        // Only selected objects carry a pending rotation; the rest are taken as they are.
        const bool pending = object->pendingRotation != identityMatrix();
        placed.push_back({found != index.end() ? found->second : -1,
                          pending ? foldedTransform(*object) : object->transform});
    }
    return placed;
}

std::string formatSnapshot(const SceneSnapshot& snapshot, const std::vector<std::string>& names) {
    SceneFileContent content;
    content.views = snapshot.views;
    content.objects.reserve(snapshot.objects.size());
    static const std::string unknown = "?";
    for (const PlacedModel& placed : snapshot.objects) {
        const bool known = placed.model >= 0 && static_cast<size_t>(placed.model) < names.size();
        content.objects.push_back({known ? names[placed.model] : unknown, placed.transform});
    }
    return formatSceneFile(content);
}

bool writeRecoveryCopy(const RecoveryPlace& place, const SceneSnapshot& snapshot, std::time_t when,
                       std::string& written) {
    written.clear();
    if (!makePrivateFolder(place.folder)) {
        return false;
    }
    const std::vector<std::string> older = recoveryCopies(place.folder, place.key);
    if (snapshot.objects.empty()) {
        for (const std::string& name : older) {
            if (recoveryCopyObjects(name, place.key).value_or(0) > 0) {
                return true;  // an empty scene never replaces one with objects
            }
        }
    }
    const std::string path =
        place.folder + "/" + recoveryCopyName(place.key, when, snapshot.objects.size());
    if (!writeFileAtomically(path, formatSnapshot(snapshot, place.modelNames))) {
        return false;
    }
    written = path;
    for (const std::string& name : older) {
        const std::string old = place.folder + "/" + name;
        if (old != path) {
            unlink(old.c_str());
        }
    }
    return true;
}

void removeRecoveryCopies(const RecoveryPlace& place, const std::string& keep) {
    if (place.folder.empty()) {
        return;
    }
    for (const std::string& name : recoveryCopies(place.folder, place.key)) {
        const std::string path = place.folder + "/" + name;
        if (keep.empty() || !samePlace(path, keep)) {
            unlink(path.c_str());
        }
    }
}

std::optional<std::string> newestRecoveryCopy(const RecoveryPlace& place) {
    if (place.folder.empty()) {
        return std::nullopt;
    }
    const std::vector<std::string> names = recoveryCopies(place.folder, place.key);
    if (names.empty()) {
        return std::nullopt;
    }
    return place.folder + "/" + names.back();
}

bool insideRecoveryFolder(const RecoveryPlace& place, const std::string& path) {
    if (place.folder.empty()) {
        return false;
    }
    return samePlace(fs::path(path).parent_path().string(), place.folder);
}

std::function<void()> keepPreviousContent(const RecoveryPlace& place, const std::string& target,
                                          std::string_view previous) {
    if (!makePrivateFolder(place.folder)) {
        if (errno == 0) {
            errno = ENOENT;
        }
        return {};
    }
    const std::string path =
        place.folder + "/" + inPlaceBackupName(place.key, std::time(nullptr), target);
    std::string reason;
    if (!writeFileAtomically(path, previous, reason)) {
        return {};
    }
    return [path] { unlink(path.c_str()); };
}
