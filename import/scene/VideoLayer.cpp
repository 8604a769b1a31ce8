// Video files as layer sources: the probe and evenly spaced frames of a
// time window as an animated tile layer. Decoding is the engine's
// (Video::decodeFrameAt).
#include "import/scene/VideoLayer.h"
#include "import/scene/FrameImportResult.h"
#include "import/scene/FrameSampling.h"
#include "import/scene/FrameSequenceLayer.h"
#include "import/scene/ImportProgress.h"
#include "import/scene/OpenVideo.h"
#include "import/scene/SceneImportChecks.h"

#include <Zelkoran/Scene.h>

#include <algorithm>

using namespace Zelkoran;

namespace {

int g_metaCounter = 0;
int g_importCounter = 0;

} // namespace

bool getVideoMetadata(Main* main, const char* path, int& width, int& height, int& durationMs)
{
    width = height = durationMs = 0;
    OpenVideo video(path, "__scene_import_video_meta_", g_metaCounter, main);
    if (video.id() <= 0)
        return false;
    if (const Video* v = video.get()) {
        width = v->getWidth(), height = v->getHeight();
        durationMs = std::max(v->getDuration(), 0);
    }
    return width > 0 && height > 0;
}

int importVideoLayer(Scene* scene, const SceneLayerImportOptions& o, ImportProgress* progress, String* message)
{
    if (message)
        message->clear();
    if (!scene)
        return IR_NO_SCENE;
    if (o.sourcePath.empty())
        return IR_NO_FRAMES;
    if (o.tileWidth < 1 || o.tileHeight < 1)
        return IR_BAD_TILE_SIZE;
    std::vector<SDL_Surface*> frames;
    bool padded = false;
    int sourceW = 0, sourceH = 0;
    int64_t durationMs = 1;
    {
        OpenVideo video(o.sourcePath.c_str(), "__scene_video_import_", g_importCounter);
        if (video.id() <= 0)
            return video.id();
        Video* v = video.get();
        if (!v)
            return IR_VIDEO_ACCESS;
        const VideoSampleWindow window(o, v->getDuration());
        durationMs = window.duration;
        if (progress)
            progress->setRange(0, window.count + 3);
        if (!stepImport(progress, 0))
            return IR_CANCELLED;
        for (int i = 0; i < window.count; ++i) {
            SDL_Surface* frame = nullptr;
            if (int rc = v->decodeFrameAt(window.timeOf(i), &frame); rc != 0) {
                SDL_FreeSurface(frame);
                destroyFrames(frames);
                return rc;
            }
            if (!frame)
                break; // the clip ended early: go on with what there is
            if (frame->format->format != SDL_PIXELFORMAT_ARGB8888) {
                SDL_Surface* converted = SDL_ConvertSurfaceFormat(frame, SDL_PIXELFORMAT_ARGB8888, 0);
                SDL_FreeSurface(frame);
                if (!(frame = converted)) {
                    destroyFrames(frames);
                    return IR_CONVERT;
                }
            }
            const int fw = frame->w, fh = frame->h;
            if (frames.empty()) {
                sourceW = fw, sourceH = fh;
            } else if (fw != sourceW || fh != sourceH) {
                SDL_FreeSurface(frame);
                destroyFrames(frames);
                return IR_FRAME_SIZES_DIFFER;
            }
            if (o.padToTile) {
                if (!(frame = padSurfaceToTile(frame, o.tileWidth, o.tileHeight, o.padTransparent, o.padColor))) {
                    destroyFrames(frames);
                    return IR_PAD_FAILED;
                }
                padded = padded || frame->w > fw || frame->h > fh;
            }
            frames.push_back(frame);
            if (!stepImport(progress, int(frames.size()))) {
                destroyFrames(frames);
                return IR_CANCELLED;
            }
        }
    }
    if (frames.empty())
        return IR_NO_FRAME_DECODED;
    SceneLayerImportOptions copy = o;
    copy.durationMs = int(durationMs);
    return importFramesAsTileLayer(scene, copy, frames, sourceW, sourceH, padded, "Video", nullptr, progress,
                                   message);
}
