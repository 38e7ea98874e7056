#pragma once

// Which GL contexts share their objects. A buffer object made in one context can be used in every
// context of its share group, and the driver frees it when the group's last context is destroyed.
// Whoever creates and destroys contexts reports it here (the program does for all its windows);
// drawing keeps buffer objects only in reported contexts, because of any other context it could
// not learn when its objects are gone.

#include <cstddef>
#include <cstdint>

// A group of contexts that share objects; numbers are never reused. 0: not a reported context.
using ShareGroup = uint64_t;
constexpr ShareGroup NO_SHARE_GROUP = 0;

// `sharesWith`: the reported context whose objects the new one shares, or null for a group of
// its own.
void noteContextCreated(const void* context, const void* sharesWith);
// When the group's last context goes, so does everything drawing kept for the group.
void noteContextDestroyed(const void* context);

// The group of the calling thread's current GLX context.
ShareGroup currentShareGroup();
// A live reported context that a new context can share with, or null when there is none.
const void* anyReportedContext();
// The number of groups that have live reported contexts.
size_t liveShareGroups();
