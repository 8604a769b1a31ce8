#include "tabs/scenes/SceneBlockKind.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

Zelkoran::String SceneBlockKind::extensionOf(const Zelkoran::String& path)
{
    Zelkoran::Tool* tool = Zelkoran::Main::instance()->tool();
    Zelkoran::String extension = tool->fileGetExtension(path.c_str());
    tool->strToLowerCase(extension);
    return extension;
}

bool SceneBlockKind::hasSceneMarker(const void* data, size_t size)
{
    if (!data || size < kSceneMarker.size())
        return false;
    const std::string_view text(static_cast<const char*>(data), size);
    return text.find(kSceneMarker) != std::string_view::npos;
}

bool SceneBlockKind::isTiledExtension(std::string_view lowerExtension)
{
    return lowerExtension == "tmx" || lowerExtension == "tsx" || lowerExtension == "tx";
}

const char* SceneBlockKind::label(std::string_view lowerExtension, bool marker)
{
    if (lowerExtension == "tmx")
        return marker ? "ZK7SCENE" : "Tiled Map";
    if (lowerExtension == "tsx")
        return "Tiled TileSet";
    if (lowerExtension == "tx")
        return "Tiled Template";
    return "Unknown type";
}
