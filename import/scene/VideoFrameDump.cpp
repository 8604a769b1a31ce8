// Diagnostics: the frames a video import would sample, written as PNG
// files, with the decode and save times in the log.
#include "import/scene/VideoFrameDump.h"
#include "import/scene/FrameImportResult.h"
#include "import/scene/FrameSampling.h"
#include "import/scene/ImportProgress.h"
#include "import/scene/OpenVideo.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Log.h>
#include <Zelkoran/Tool.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

using namespace Zelkoran;

namespace {

int g_dumpCounter = 0;

} // namespace

int dumpVideoFrames(const SceneLayerImportOptions& o, const String& outputPath, ImportProgress* progress)
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
    if (!stepImport(progress, 0))
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
        if (!stepImport(progress, written))
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
