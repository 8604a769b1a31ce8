// Animated GIFs as layer sources: the probe, the first frame as a still
// layer, and sampled frames as an animated tile layer. Frames are the
// GIF's screen (GIFFrames.h), ARGB8888.
#include "import/scene/GIFLayers.h"
#include "import/scene/FrameImportResult.h"
#include "import/scene/FrameSequenceLayer.h"
#include "import/scene/FrameSampling.h"
#include "import/scene/GIFFrames.h"
#include "import/scene/GIFSizeCheck.h"
#include "import/scene/SceneImportChecks.h"
#include "import/scene/ImportProgress.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

using namespace Zelkoran;

namespace {

int g_gifImageCounter = 0;

// Delays below 1 (or none at all) count as 100 ms.
int frameDelay(int delayMs) { return delayMs < 1 ? 100 : delayMs; }

// Every frame as the GIF's screen shows it, with its delay; the file is
// read once and checked before anything is decoded.
int loadGIFFrames(const Zelkoran::String& path, std::vector<SDL_Surface*>& frames, std::vector<int>& delays,
                  int& width, int& height)
{
    width = height = 0;
    std::vector<uint8_t> bytes;
    GIFLayout layout;
    if (!checkGIFFile(path.c_str(), bytes, layout))
        return IR_GIF_UNREADABLE;
    if (int rc = composeGIFFrames(bytes, layout, frames, delays); rc != 0)
        return rc;
    if (frames.empty())
        return IR_GIF_NO_FRAMES;
    for (int& delay : delays)
        delay = frameDelay(delay);
    width = frames[0]->w, height = frames[0]->h;
    return 0;
}

} // namespace

// Walks the file's blocks without decoding a frame; a frame the decoder
// would refuse for hiding another is refused here too.
bool getGIFMetadata(const String& path, int& width, int& height, int& frameCount, int& totalMs)
{
    width = height = frameCount = totalMs = 0;
    std::vector<uint8_t> bytes;
    GIFLayout layout;
    int64_t total = 0;
    bool hidden = false;
    const auto visit = [&](const GIFFrameSpan& f) {
        total += frameDelay(f.delayMs);
        hidden = hidden || f.hidesFrame;
    };
    int w = 0, h = 0;
    if (!checkGIFFile(path.c_str(), bytes, layout, visit) || hidden ||
        !gifScreenSize(bytes.data(), bytes.size(), layout, w, h))
        return false;
    width = std::max(w, 1), height = std::max(h, 1);
    frameCount = layout.frames;
    totalMs = int(std::min<int64_t>(total, INT32_MAX));
    return true;
}

int importGIFImageLayer(Scene* scene, const SceneLayerImportOptions& o, const String& layerName)
{
    if (!scene)
        return IR_NO_SCENE;
    std::vector<SDL_Surface*> frames;
    std::vector<int> delays;
    int width = 0, height = 0;
    if (int rc = loadGIFFrames(o.sourcePath, frames, delays, width, height); rc != 0)
        return rc;
    if (frames.empty())
        return IR_GIF_NO_FRAMES;
    SDL_Surface* frame = frames[0];
    frames.erase(frames.begin());
    destroyFrames(frames);
    if (o.padToTile && o.tileWidth >= 1 && o.tileHeight >= 1 &&
        !(frame = padSurfaceToTile(frame, o.tileWidth, o.tileHeight, o.padTransparent, o.padColor)))
        return IR_ATLAS;
    ImageMgr* images = Main::instance()->imageMgr();
    const std::string name = "__scene_gif_image_" + std::to_string(g_gifImageCounter++);
    const int imageId = images->create(name.c_str(), 10);
    Image* image = imageId >= 1 ? images->get(imageId) : nullptr;
    if (!image || image->assignSurface(frame, 1) < 0) {
        SDL_FreeSurface(frame);
        if (imageId >= 1)
            images->close(imageId);
        return IR_IMAGE_ACCESS;
    }
    const int rc = scene->importLayerFromImage(o.targetLayer, imageId, layerName.c_str(), o.tileWidth, o.tileHeight,
                                               o.matchPercent, o.colorKey);
    images->close(imageId);
    return rc;
}

int importGIFAnimatedLayer(Scene* scene, const SceneLayerImportOptions& o, ImportProgress* progress, String* message)
{
    if (message)
        message->clear();
    if (!scene)
        return IR_NO_SCENE;
    std::vector<SDL_Surface*> loaded;
    std::vector<int> delays;
    int width = 0, height = 0;
    if (int rc = loadGIFFrames(o.sourcePath, loaded, delays, width, height); rc != 0)
        return rc;
    if (loaded.empty())
        return IR_GIF_NO_FRAMES;
    const GIFSamplePlan plan(delays, o.startMs, o.durationMs, o.frameCount);
    const int n = int(plan.frames.size());
    if (progress)
        progress->setRange(0, n + 3);
    if (!stepImport(progress, 0)) {
        destroyFrames(loaded);
        return IR_CANCELLED;
    }
    std::vector<SDL_Surface*> selection;
    if (plan.whole) {
        selection.swap(loaded);
    } else {
        // The converter takes every surface it is given: a frame chosen
        // several times is copied for all but its last sample.
        std::vector<size_t> lastUse(loaded.size(), SIZE_MAX);
        for (size_t i = 0; i < plan.frames.size(); ++i)
            lastUse[size_t(plan.frames[i])] = i;
        for (size_t i = 0; i < plan.frames.size(); ++i) {
            SDL_Surface*& source = loaded[size_t(plan.frames[i])];
            SDL_Surface* sample = lastUse[size_t(plan.frames[i])] == i
                                      ? std::exchange(source, nullptr)
                                      : SDL_ConvertSurfaceFormat(source, SDL_PIXELFORMAT_ARGB8888, 0);
            if (!sample) {
                destroyFrames(selection);
                destroyFrames(loaded);
                return IR_TILE_ACCESS;
            }
            selection.push_back(sample);
        }
        destroyFrames(loaded);
    }
    bool padded = false;
    for (SDL_Surface*& frame : selection) {
        if (o.padToTile) {
            const int fw = frame->w, fh = frame->h;
            SDL_Surface* grown = padSurfaceToTile(frame, o.tileWidth, o.tileHeight, o.padTransparent, o.padColor);
            if (!grown) {
                // frame is consumed unless the tile size was refused
                if (o.tileWidth >= 1 && o.tileHeight >= 1)
                    frame = nullptr;
                destroyFrames(selection);
                return IR_PAD_FAILED;
            }
            frame = grown;
            padded = padded || frame->w != fw || frame->h != fh;
        }
        if (progress && !stepImport(progress, progress->value() + 1)) {
            destroyFrames(selection);
            return IR_CANCELLED;
        }
    }
    SceneLayerImportOptions copy = o;
    copy.durationMs = int(std::min<int64_t>(plan.durationMs, INT32_MAX));
    const int rc = importFramesAsTileLayer(scene, copy, selection, width, height, padded, "GIF", &plan.durationsMs,
                                           progress, message);
    destroyFrames(selection); // left to the caller only by the first checks
    return rc;
}
