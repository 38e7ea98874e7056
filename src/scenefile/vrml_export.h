#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "reader/export_scene.h"

// An exported scene as VRML 2.0 text: one Shape with one IndexedFaceSet that holds every triangle
// of every placed object in world coordinates, with its Normal node, one line per point, normal or
// triangle. Laid out so that the classic model reading takes all of it: an exported scene can be
// placed as a model itself.
//
// False, with `reason` for the status line, when the scene cannot be exported (see exportProblem)
// or a placed point lands at inf or nan.
bool formatVrmlExport(const ExportScene& scene, std::string& text, std::string& reason);

// The same text handed to `append` in pieces of about a megabyte, so that it is never held whole.
// False as above, or with an empty `reason` once `append` returned false.
bool writeVrmlExport(const ExportScene& scene, const std::function<bool(std::string_view)>& append,
                     std::string& reason);
