#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// The formats a scene can be exported to, and the file-name extensions that choose them. Shared by
// the editor and the reader process, so it needs no code of either.
enum class ExportFormat : uint8_t { Glb, Gltf, Obj, Stl, Ply, Wrl };

struct ExportFormatName {
    ExportFormat format;
    std::string_view extension;  // without the dot, in small letters
};

inline constexpr std::array<ExportFormatName, 6> EXPORT_FORMATS{{
    {ExportFormat::Glb, "glb"},
    {ExportFormat::Gltf, "gltf"},
    {ExportFormat::Obj, "obj"},
    {ExportFormat::Stl, "stl"},
    {ExportFormat::Ply, "ply"},
    {ExportFormat::Wrl, "wrl"},
}};

inline constexpr std::string_view exportExtension(ExportFormat format) {
    for (const ExportFormatName& name : EXPORT_FORMATS) {
        if (name.format == format) {
            return name.extension;
        }
    }
    return {};
}

// The format whose extension ends the last component of `path`, in any letter case ("room.GLB");
// nothing for any other name (".vsf", no extension, "glb" alone, ".glb" alone).
inline std::optional<ExportFormat> exportFormatOfPath(std::string_view path) {
    const size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        return std::nullopt;
    }
    const std::string_view extension = name.substr(dot + 1);
    for (const ExportFormatName& candidate : EXPORT_FORMATS) {
        if (candidate.extension.size() != extension.size()) {
            continue;
        }
        bool same = true;
        for (size_t i = 0; i < extension.size() && same; ++i) {
            char c = extension[i];
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
            same = c == candidate.extension[i];
        }
        if (same) {
            return candidate.format;
        }
    }
    return std::nullopt;
}
