#pragma once

#include <string>

#include "edit/status_line.h"

// The recovery copy of the working folder's scene, wired into the program: kept in the recovery
// folder while the objects hold changes that no scene file holds, written some seconds after a
// change (on a thread of its own) and on every way out, made obsolete by a save or a load.

// After start-up, once the views and the panel exist. With `recoverNow` (--recover) the newest
// copy is loaded as a load that is not saved yet; otherwise an existing copy is announced in the
// status line. Installs the keeping of old content for in-place saves, the last words on SIGTERM,
// SIGINT, SIGHUP and on losing the X connection, and the write at exit.
void startRecovery(bool recoverNow);

// After every pass of the event loop: starts the periodic write when one is due, and tells the
// loop how long it may sleep until then. Costs nothing while nothing changed.
void keepRecoveryCopy();

// Writes the copy now if the scene holds changes that neither a scene file nor the copy holds.
// `withViews`: the views' GL state can be read (false once the X connection is gone).
void writeRecoveryCopyBeforeEnd(bool withViews);

// Before a save writes: a copy still being written finishes first, so that the two writers never
// run at once.
void waitForRecoveryWrite();
// A save or a load of `path` succeeded.
void sceneFileSaved(const std::string& path);
void sceneFileLoaded(const std::string& path);

// What the status line says about the scene file.
SceneFileNote sceneFileNote();
// The recovery folder in use (empty when none could be found), for the Open dialog's shortcut.
const std::string& recoveryFolderInUse();
