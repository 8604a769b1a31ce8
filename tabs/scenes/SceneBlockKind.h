// What a Tiled document block of the scene tab is, told from its name's
// extension and, for maps, from the engine's marker in its text. Pure.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Scene.h>

#include <cstddef>
#include <string_view>

class SceneBlockKind {
public:
    // The engine writes it into the maps it serialises.
    static constexpr std::string_view kSceneMarker = Zelkoran::kSceneMarker;

    // The extension of path, lower-case, without the dot ("Forest.TSX": "tsx").
    static Zelkoran::String extensionOf(const Zelkoran::String& path);
    // The marker anywhere in the bytes (which may hold NUL bytes).
    static bool hasSceneMarker(const void* data, size_t size);
    // "tmx", "tsx" or "tx": the extensions (lower-case, without the dot)
    // of the documents the tab lists.
    static bool isTiledExtension(std::string_view lowerExtension);
    // The kind label: "ZK7SCENE" or "Tiled Map" for maps, "Tiled TileSet",
    // "Tiled Template", else "Unknown type".
    static const char* label(std::string_view lowerExtension, bool marker);
};
