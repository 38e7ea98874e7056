#include "scene/gl_share_groups.h"

#include <algorithm>
#include <vector>

#include "scene/mesh_drawings.h"

// Last: the X headers define macros (None, Bool) that clash with names above.
#include <GL/glx.h>

namespace {

struct ReportedContext {
    const void* context = nullptr;
    ShareGroup group = NO_SHARE_GROUP;
};

// A handful of entries: the windows, the panel and the menus. Process-wide: a pass learns its
// context only from GLX's current one, which carries no pointer to a record of the program.
std::vector<ReportedContext>& reported() {
    // Never destroyed: contexts may be reported gone while static objects are torn down.
    static auto* contexts = new std::vector<ReportedContext>;
    return *contexts;
}

ShareGroup groupOf(const void* context) {
    for (const ReportedContext& entry : reported()) {
        if (entry.context == context) {
            return entry.group;
        }
    }
    return NO_SHARE_GROUP;
}

}  // namespace

void noteContextCreated(const void* context, const void* sharesWith) {
    static ShareGroup lastGroup = NO_SHARE_GROUP;
    if (context == nullptr) {
        return;
    }
    noteContextDestroyed(context);  // an entry left by a context that went unreported
    ShareGroup group = sharesWith != nullptr ? groupOf(sharesWith) : NO_SHARE_GROUP;
    if (group == NO_SHARE_GROUP) {
        group = ++lastGroup;
    }
    reported().push_back({context, group});
}

void noteContextDestroyed(const void* context) {
    auto& contexts = reported();
    const auto entry = std::find_if(contexts.begin(), contexts.end(),
                                    [&](const ReportedContext& c) { return c.context == context; });
    if (entry == contexts.end()) {
        return;
    }
    const ShareGroup group = entry->group;
    contexts.erase(entry);
    if (std::none_of(contexts.begin(), contexts.end(),
                     [&](const ReportedContext& c) { return c.group == group; })) {
        forgetShareGroup(group);
    }
}

ShareGroup currentShareGroup() {
    const GLXContext current = glXGetCurrentContext();
    return current != nullptr ? groupOf(current) : NO_SHARE_GROUP;
}

const void* anyReportedContext() {
    return reported().empty() ? nullptr : reported().front().context;
}

size_t liveShareGroups() {
    std::vector<ShareGroup> groups;
    for (const ReportedContext& entry : reported()) {
        groups.push_back(entry.group);
    }
    std::sort(groups.begin(), groups.end());
    return static_cast<size_t>(std::unique(groups.begin(), groups.end()) - groups.begin());
}
