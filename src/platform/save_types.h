#pragma once

#include <array>
#include <string>
#include <string_view>

// The file types the save dialog offers: the scene file first (chosen at the start), then one
// per export format.
struct SaveType {
    std::string_view label;
    std::string_view extension;  // without the dot, in small letters
};

inline constexpr std::array<SaveType, 7> SAVE_TYPES{{
    {"VRML Scene (*.vsf)", "vsf"},
    {"glTF 2.0 Binary (*.glb)", "glb"},
    {"glTF 2.0 (*.gltf)", "gltf"},
    {"Wavefront OBJ (*.obj)", "obj"},
    {"STL Binary (*.stl)", "stl"},
    {"PLY Binary (*.ply)", "ply"},
    {"VRML 2.0 (*.wrl)", "wrl"},
}};

// The path the save dialog yields for the name typed and the type chosen (a position in
// SAVE_TYPES). The scene type adds ".vsf" to a name without extension and keeps any other name as
// typed. An export type keeps a name that ends in one of the types' extensions (in any letter
// case: it chooses the format itself) and adds its own extension to any other name.
std::string savePathForType(const std::string& typed, size_t type);
