#include "support/scripted_platform.h"

#include "platform/folder_listing.h"

namespace {

std::optional<std::string> takeFront(std::deque<std::optional<std::string>>& answers) {
    if (answers.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

}  // namespace

ScriptedPlatform::~ScriptedPlatform() {
    if (previous) {
        platform() = std::move(*previous);
    }
}

void ScriptedPlatform::install() {
    if (!previous) {
        previous = platform();
    }
    Platform& p = platform();
    p.listModelFiles = [this](const std::string& folder) {
        return listing ? *listing : listWrlFiles(folder);
    };
    p.showMessage = [this](const std::string& text, const std::string& caption) {
        messages.push_back({text, caption});
    };
    p.chooseSceneToOpen = [this] {
        ++openDialogs;
        return takeFront(openAnswers);
    };
    p.chooseSceneToSave = [this] {
        ++saveDialogs;
        return takeFront(saveAnswers);
    };
}
