// Feeds arbitrary bytes to the video reader as the content of an imported
// file: FFmpeg's demuxers (MP4/MOV, AVI, raw H.264) and decoders behind the
// engine's checks. A video that loads must have a sane size, decode frames
// no larger than the limits, and save and load again from an archive.
#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Video.h>

#include "FuzzHarness.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void checkFrame(Zelkoran::Video* video, int ms)
{
    SDL_Surface* frame = nullptr;
    const int rc = video->decodeFrameAt(ms, &frame);
    if (rc != 0 && frame)
        std::abort(); // a failure hands out no surface
    if (!frame)
        return;
    if (frame->w < 1 || frame->h < 1 || frame->w > 16384 || frame->h > 16384 ||
        frame->format->format != SDL_PIXELFORMAT_ARGB8888)
        std::abort();
    SDL_FreeSurface(frame);
}

void exercise(int id)
{
    Zelkoran::VideoMgr* videos = Zelkoran::Main::instance()->videoMgr();
    Zelkoran::Video* video = videos->get(id);
    Zelkoran::VideoInfo info;
    if (!video || video->getInfo(&info) != 0 || info.width < 1 || info.height < 1 || info.width > 16384 ||
        info.height > 16384)
        std::abort();
    const int64_t duration = video->getDuration();
    for (int64_t ms : {int64_t{0}, duration / 2, duration - 1, duration + 1, int64_t{40}})
        if (ms >= 0 && ms <= INT32_MAX)
            checkFrame(video, static_cast<int>(ms));
    video->seek(static_cast<int>(duration / 3));

    const std::string archivePath = fuzz::scratchPath("video_fuzz");
    Zelkoran::ArchiveMgr* archives = Zelkoran::Main::instance()->archiveMgr();
    const int archiveId = archives->create(archivePath.c_str(), 0);
    if (archiveId <= 0)
        return;
    archives->get(archiveId)->setDurable(false);
    if (video->save(archiveId, "fuzz") != 0)
        std::abort(); // whatever loads must save
    const int again = videos->load(archiveId, "fuzz");
    if (again <= 0 || videos->get(again)->getWidth() != info.width)
        std::abort();
    videos->close(again);
    archives->close(archiveId);
    std::remove(archivePath.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::scratchPath("video_fuzz", ".video");
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    const bool written = std::fwrite(data, 1, size, file) == size;
    std::fclose(file);
    Zelkoran::VideoMgr* videos = Zelkoran::Main::instance()->videoMgr();
    const int id = written ? videos->loadFromFile(path.c_str(), "", Zelkoran::ATT_MUSIC) : 0;
    if (id > 0) {
        exercise(id);
        videos->close(id);
    } else if (id != 0 && id != Zelkoran::RC_ERR_CORRUPT && id != Zelkoran::RC_ERR_NO_MEMORY) {
        std::abort(); // hostile bytes are reported as damage, nothing else
    }
    std::remove(path.c_str());
    return 0;
}
