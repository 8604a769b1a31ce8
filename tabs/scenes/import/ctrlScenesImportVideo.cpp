// Video files as layer sources: the import dialog's checks and the
// converters' entry points; the converters are the importer's (import/scene/).
#include "tabs/scenes/ctrlScenes.h"
#include "import/scene/FrameSampling.h"
#include "import/scene/OpenVideo.h"
#include "import/scene/SceneImportChecks.h"
#include "import/scene/VideoFrameDump.h"
#include "import/scene/VideoLayer.h"
#include "tabs/scenes/import/SceneImportProgress.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Video.h>

#include <algorithm>

using namespace Zelkoran;

namespace {

int g_validateCounter = 0;

} // namespace

bool CtrlScenes::validateVideoLayerImport(Scene* scene, const SceneLayerImportOptions& o, string& message) const
{
    message.clear();
    const auto fail = [&](const char* text) {
        message = text;
        return false;
    };
    if (o.sourcePath.empty())
        return fail("Source video file cannot be empty.");
    if (!Main::instance()->tool()->fileExists(o.sourcePath.c_str()))
        return fail("Source video file does not exist.");
    if (o.tileWidth <= 0 || o.tileHeight <= 0)
        return fail("Video import requires a tile width and tile height greater than zero.");
    if (o.frameCount <= 0)
        return fail("Number of frames must be greater than zero.");
    if (o.durationMs <= 0)
        return fail("Video duration must be greater than zero.");
    if (!isMatchPercentValid(o.matchPercent))
        return fail("Match percentage must be between 1 and 100.");
    if (uint32_t(o.matchMode) > 1)
        return fail("Video match mode is invalid.");
    if (!validateSceneImportTargetLayer(scene, o.targetLayer, message) ||
        !validateSceneImportSaveContext(scene, message))
        return false;
    OpenVideo video(o.sourcePath.c_str(), "__scene_video_validate_", g_validateCounter);
    if (video.id() <= 0)
        return fail("Video file could not be opened.");
    Video* v = video.get();
    if (!v)
        return fail("Video resource could not be accessed.");
    VideoInfo info;
    v->getInfo(&info);
    if (info.width <= 0 || info.height <= 0)
        return fail("Video stream was not detected.");
    if (!o.padToTile && (info.width % o.tileWidth || info.height % o.tileHeight))
        return fail(
            notWholeTilesMessage("Video resolution", info.width, info.height, o.tileWidth, o.tileHeight).c_str());
    const int start = std::max(o.startMs, 0);
    const int total = v->getDuration();
    if (total > 0 && total < start)
        return fail("Start time is beyond the video duration.");
    SDL_Surface* frame = nullptr;
    if (v->decodeFrameAt(start, &frame) != 0 || !frame) {
        SDL_FreeSurface(frame);
        return fail("First video frame could not be decoded.");
    }
    const int fw = frame->w, fh = frame->h;
    SDL_FreeSurface(frame);
    if (!o.padToTile && (fw % o.tileWidth || fh % o.tileHeight))
        return fail(notWholeTilesMessage("Decoded frame size", fw, fh, o.tileWidth, o.tileHeight).c_str());
    return validateFrameSequenceSize(VideoSampleWindow(o, total).count, fw, fh, o.tileWidth, o.tileHeight, o.padToTile,
                                     message);
}

int CtrlScenes::importVideoLayer(Scene* scene, const SceneLayerImportOptions& o, WidgetProgress* progress,
                                 string* message)
{
    ImportProgress bar = widgetImportProgress(progress);
    return ::importVideoLayer(scene, o, &bar, message);
}

int CtrlScenes::dumpVideoFrames(const SceneLayerImportOptions& o, const string& outputPath, WidgetProgress* progress)
{
    ImportProgress bar = widgetImportProgress(progress);
    return ::dumpVideoFrames(o, outputPath, &bar);
}
