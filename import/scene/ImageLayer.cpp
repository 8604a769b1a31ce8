// A still PNG or BMP as a scene layer, padded to whole tiles when asked.
#include "import/scene/ImageLayer.h"
#include "import/scene/FrameImportResult.h"
#include "import/scene/SceneImportChecks.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>

#include <SDL_surface.h>

#include <string>

using namespace Zelkoran;

namespace {

int g_padImageCounter = 0;

} // namespace

int importImageLayer(Scene* scene, const SceneLayerImportOptions& o, const String& layerName)
{
    if (!scene)
        return IR_NO_SCENE;
    if (!o.padToTile || o.tileWidth < 1 || o.tileHeight < 1)
        return scene->importLayerFromFile(o.targetLayer, o.sourcePath.c_str(), layerName.c_str(), o.tileWidth,
                                          o.tileHeight, o.matchPercent, o.colorKey);
    ImageMgr* images = Main::instance()->imageMgr();
    const std::string n = std::to_string(g_padImageCounter++);
    const int sourceId = images->loadFromFile(o.sourcePath.c_str(), ("__scene_image_pad_source_" + n).c_str());
    if (sourceId <= 0)
        return sourceId;
    const Image* source = images->get(sourceId);
    SDL_Surface* pixels = source ? source->getSurface() : nullptr;
    if (!pixels) {
        images->close(sourceId);
        return IR_VIDEO_ACCESS;
    }
    SDL_Surface* copy = SDL_ConvertSurfaceFormat(pixels, SDL_PIXELFORMAT_ARGB8888, 0);
    images->close(sourceId);
    if (!copy)
        return IR_CONVERT;
    SDL_Surface* padded = padSurfaceToTile(copy, o.tileWidth, o.tileHeight, o.padTransparent, o.padColor);
    if (!padded)
        return IR_ATLAS;
    const int id = images->create(("__scene_image_padded_" + n).c_str(), 10);
    if (id < 1) {
        SDL_FreeSurface(padded);
        return IR_IMAGE_ACCESS;
    }
    Image* image = images->get(id);
    if (!image || image->assignSurface(padded, 1) < 0) {
        SDL_FreeSurface(padded);
        images->close(id);
        return IR_IMAGE_ACCESS;
    }
    const int rc = scene->importLayerFromImage(o.targetLayer, id, layerName.c_str(), o.tileWidth, o.tileHeight,
                                               o.matchPercent, o.colorKey);
    images->close(id);
    return rc;
}
