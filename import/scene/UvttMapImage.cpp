// The map picture of a Universal VTT import.
#include "import/scene/UvttMapImage.h"

#include "import/scene/UvttImportResult.h"
#include "import/scene/SceneImportChecks.h"
#include "import/scene/UvttMessages.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>

#include <cstring>

using namespace Zelkoran;

namespace {

using uvtt::counted;
using uvtt::fail;
using uvtt::kMaxMapPixels;
using uvtt::kMaxMapSide;

int g_imageCounter = 0;

// Limits of the base64 text and of the decoded bytes.
constexpr size_t kMaxBase64Length = 89478616;
constexpr size_t kMaxPngBytes = 67108864;

} // namespace

int importUVTTMapImage(Scene* scene, const SceneLayerImportOptions& options, const UVTTDocument& document,
                       const String& layerName, String& error)
{
    if (options.uvttMapMode == 2)
        return 0;
    std::string_view text;
    if (!document.image || document.image->get_string().get(text))
        return fail(error, UIR_XML, "UVTT does not contain an embedded map image.");
    const bool tiles = options.uvttMapMode == 0;
    const int64_t w = document.pixelWidth, h = document.pixelHeight;
    if (w > kMaxMapSide || h > kMaxMapSide || w * h > kMaxMapPixels || text.size() > kMaxBase64Length)
        return fail(error, UIR_IMAGE_SIZE, "UVTT embedded image exceeds the supported import size.");
    if (tiles && !isUVTTTileGridSupported(w, h, options.tileWidth, options.tileHeight))
        return fail(error, UIR_TILE_GRID, "UVTT tile conversion exceeds the supported 262144-cell limit.");

    // simdjson's strings end in a NUL, so the text ends at the first one.
    const char* base64 = text.data();
    const size_t length = std::strlen(base64);
    if (length >= 5 && std::strncmp(base64, "data:", 5) == 0)
        if (const void* comma = std::memchr(base64, ',', length))
            base64 = static_cast<const char*>(comma) + 1;
    Vector<uint8_t> bytes;
    if (!Main::instance()->tool()->decodeBase64(base64, bytes, true) || bytes.size() > kMaxPngBytes)
        return fail(error, UIR_FILE, "UVTT embedded image base64 data could not be decoded.");
    ImageMgr* images = Main::instance()->imageMgr();
    int pngWidth = 0, pngHeight = 0;
    if (images->statedSize(bytes.data(), bytes.size(), &pngWidth, &pngHeight) != PF_PNG)
        return fail(error, UIR_NOT_PNG, "UVTT embedded image is not PNG. WebP support is deferred.");
    if (pngWidth != w || pngHeight != h)
        return fail(error, UIR_PNG_SIZE,
                    "UVTT embedded PNG dimensions do not match its resolution metadata.");

    const int n = g_imageCounter++;
    const int loaded = images->loadFromBuffer(bytes.data(), bytes.size(), counted("__uvtt_image_", n).c_str());
    if (loaded <= 0)
        return fail(error, loaded ? loaded : RC_ERR_CORRUPT, "UVTT embedded PNG could not be loaded.");
    bytes = Vector<uint8_t>();
    const Image* image = images->get(loaded);
    const SDL_Surface* surface = image ? image->getSurface() : nullptr;
    if (!surface || surface->w != w || surface->h != h) {
        images->close(loaded);
        return fail(error, UIR_PNG_SIZE,
                    "UVTT embedded PNG dimensions do not match its resolution metadata.");
    }

    int source = loaded, padded = 0;
    if (tiles && options.padToTile) {
        SDL_Surface* converted = SDL_ConvertSurfaceFormat(image->getSurface(), SDL_PIXELFORMAT_ARGB8888, 0);
        SDL_Surface* grown = converted ? padSurfaceToTile(converted, options.tileWidth, options.tileHeight,
                                                          options.padTransparent, options.padColor)
                                       : nullptr;
        if (!grown) {
            images->close(loaded);
            return fail(error, UIR_NEW_TMX, "UVTT embedded image could not be padded to the tile size.");
        }
        padded = images->create(counted("__uvtt_padded_", n).c_str(), 10);
        Image* target = padded > 0 ? images->get(padded) : nullptr;
        if (!target || target->assignSurface(grown, 1) < 0) {
            SDL_FreeSurface(grown);
            if (padded > 0)
                images->close(padded);
            images->close(loaded);
            return fail(error, UIR_BOOTSTRAP, "UVTT padded image resource could not be created.");
        }
        source = padded;
    }
    const int result = scene->importLayerFromImage(options.targetLayer, source, layerName.c_str(),
                                                   tiles ? options.tileWidth : 0, tiles ? options.tileHeight : 0,
                                                   options.matchPercent, -1);
    if (padded > 0)
        images->close(padded);
    images->close(loaded);
    if (result != 0)
        return fail(error, result, "UVTT embedded image could not be converted into the selected Scene layer type.");
    return 0;
}

