#pragma once

#include <array>
#include <string>

#include "scenefile/scene_format.h"

// Asks for a file name and writes the scene and the four cameras to it. False when the dialog was
// cancelled or the file could not be written completely. A name that ends in an export format's
// extension (.glb, .gltf, .obj, .stl, .ply, .wrl) exports the scene in that format instead (see
// exportScene).
bool saveScene();
// Asks for a file name and replaces the scene and the cameras by its content. False, with nothing
// changed, when the dialog was cancelled or the file is not a complete, valid scene file.
// A successful load is one undo step: undoing it brings back the objects it replaced.
bool loadScene();

// The same; on failure `reason` says why in a few words for the status line ("cannot write:
// permission denied", "not a scene file: line 3 ends early"). Empty on success and when the
// dialog was cancelled.
bool saveScene(std::string& reason);

// Exports the placed objects to `path` in the format its extension names. The status line says
// what was written ("Exported 12 objects to room.glb") or why not, which `reason` holds too.
// Makes no undo step and leaves the scene as it is.
bool exportScene(const std::string& path, std::string& reason);
bool loadScene(std::string& reason);

// Loads the scene file at `path` as loadScene does after its dialog: checked whole first, one undo
// step. False, with nothing changed and `reason` saying why, when it is not a valid scene file.
bool loadSceneFrom(const std::string& path, std::string& reason);

// The four views' state as a save writes it (their GL matrices and cameras), side view first.
// Needs the views' GL contexts; the current window stays current.
std::array<ViewState, 4> captureViews();
