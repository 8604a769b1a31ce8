// Video files as layer sources: the probe, the checks, evenly spaced frames
// of a time window as an animated tile layer, and a diagnostic frame dump.
// Decoding is the engine's (Video::decodeFrameAt).
#include "tabs/scenes/ctrlScenes.h"
#include "import/scene/FrameSampling.h"
#include "import/scene/SceneImportChecks.h"
#include "tabs/scenes/import/SceneImportProgress.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Log.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Video.h>
#include <Zelkoran/Widget.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

using namespace Zelkoran;

namespace {

int g_metaCounter = 0;
int g_validateCounter = 0;
int g_importCounter = 0;
int g_dumpCounter = 0;

// A video opened for one operation and closed with it.
class OpenVideo {
public:
    OpenVideo(const char* path, const char* family, int& counter, Main* main = Main::instance())
        : m_videos(main->videoMgr())
    {
        const std::string name = family + std::to_string(counter++);
        m_id = m_videos->loadFromFile(path, name.c_str(), ATT_MUSIC);
    }
    ~OpenVideo()
    {
        if (m_id > 0)
            m_videos->close(m_id);
    }
    OpenVideo(const OpenVideo&) = delete;
    OpenVideo& operator=(const OpenVideo&) = delete;
    // The loader's result: the id (> 0) or its failure value.
    int id() const { return m_id; }
    Video* get() const { return m_id > 0 ? m_videos->get(m_id) : nullptr; }

private:
    VideoMgr* m_videos;
    int m_id = 0;
};

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
        if (!stepSceneImportProgress(progress, 0))
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
            if (!stepSceneImportProgress(progress, int(frames.size()))) {
                destroyFrames(frames);
                return IR_CANCELLED;
            }
        }
    }
    if (frames.empty())
        return IR_NO_FRAME_DECODED;
    SceneLayerImportOptions copy = o;
    copy.durationMs = int(durationMs);
    return importFrameSequenceLayer(scene, copy, frames, sourceW, sourceH, padded, "Video", nullptr, progress,
                                    message);
}

int CtrlScenes::dumpVideoFrames(const SceneLayerImportOptions& o, const string& outputPath, WidgetProgress* progress)
{
    using Clock = std::chrono::steady_clock;
    const auto ms = [](Clock::duration d) {
        return double(std::chrono::duration_cast<std::chrono::microseconds>(d).count()) / 1000.0;
    };
    if (o.sourcePath.empty())
        return IR_NO_SCENE;
    if (outputPath.empty())
        return IR_NO_FRAMES;
    const Clock::time_point begin = Clock::now();
    const int dump = g_dumpCounter;
    OpenVideo video(o.sourcePath.c_str(), "__scene_video_frame_dump_", g_dumpCounter);
    if (video.id() <= 0)
        return video.id();
    Video* v = video.get();
    if (!v)
        return IR_VIDEO_ACCESS;
    const Clock::duration load = Clock::now() - begin;
    Main* main = Main::instance();
    Tool* tool = main->tool();
    std::string base = tool->pathNormalize(outputPath.c_str()).c_str();
    if (tool->fileCheckExtension(base.c_str(), "png") && base.size() >= 4)
        base.resize(base.size() - 4);
    const VideoSampleWindow window(o, v->getDuration());
    if (progress)
        progress->setRange(0, window.count);
    if (!stepSceneImportProgress(progress, 0))
        return IR_CANCELLED;
    ImageMgr* images = main->imageMgr();
    Clock::duration decodeTotal{}, decodeMin = Clock::duration::max(), decodeMax{}, saveTotal{};
    int written = 0, rc = 0;
    for (int i = 0; i < window.count && rc == 0; ++i) {
        const Clock::time_point decodeStart = Clock::now();
        SDL_Surface* frame = nullptr;
        if ((rc = v->decodeFrameAt(window.timeOf(i), &frame)) != 0 || !frame) {
            SDL_FreeSurface(frame);
            break;
        }
        const Clock::duration took = Clock::now() - decodeStart;
        decodeTotal += took, decodeMin = std::min(decodeMin, took), decodeMax = std::max(decodeMax, took);
        char name[64], suffix[16];
        std::snprintf(name, sizeof name, "__scene_video_frame_%06d_%03d", dump, i);
        std::snprintf(suffix, sizeof suffix, "_%03d", i);
        const Clock::time_point saveStart = Clock::now();
        const int imageId = images->create(name, 10);
        Image* image = imageId > 0 ? images->get(imageId) : nullptr;
        if (!image || image->assignSurface(frame, 1) < 0) {
            SDL_FreeSurface(frame);
            if (imageId > 0)
                images->close(imageId);
            return IR_NO_FRAME_DECODED;
        }
        const bool saved = image->saveToPNG((base + suffix + ".png").c_str());
        images->close(imageId);
        if (!saved)
            return IR_PNG_WRITE;
        saveTotal += Clock::now() - saveStart;
        ++written;
        if (!stepSceneImportProgress(progress, written))
            return IR_CANCELLED;
    }
    if (Log* log = main->logMgr()->get(0)) {
        log->msg(4, "[Skarden] Video frame dump bench:\n");
        log->msg(4, "  Frames: %d\n", written);
        log->msg(4, "  Load video: %.3fms\n", ms(load));
        log->msg(4, "  Get frames total: %.3fms\n", ms(decodeTotal));
        log->msg(4, "  Get frame average: %.3fms\n", written ? ms(decodeTotal) / written : 0.0);
        log->msg(4, "  Get frame minimum: %.3fms\n", written ? ms(decodeMin) : 0.0);
        log->msg(4, "  Get frame maximum: %.3fms\n", ms(decodeMax));
        log->msg(4, "  Save PNG total: %.3fms\n", ms(saveTotal));
        log->msg(4, "  Total: %.3fms\n", ms(Clock::now() - begin));
    }
    if (rc != 0)
        return rc;
    return written > 0 ? 0 : IR_NOTHING_WRITTEN;
}
