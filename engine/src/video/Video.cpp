#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Video.h>

#include "audio/AudioTrackBlock.h"
#include "audio/MediaSourceBlock.h"
#include "core/FileReplace.h"
#include "core/WholeFile.h"
#include "ffmpeg/FfmpegLibrary.h"
#include "video/FramePump.h"
#include "video/FrameScaler.h"
#include "video/FrameSeeker.h"
#include "video/VideoBlock.h"
#include "video/VideoSound.h"

#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <new>

namespace Zelkoran {

namespace {

// The mixer reports its position once a pass; in between the clock runs on
// wall time, at most this far past the last report.
constexpr int64_t kSoundStepMs = 50;
// A pass starts its clock and sound once the frames decoded ahead fill
// their queue, so neither runs ahead of the picture and the first groups
// (a decoder's threads filling, a keyframe) find frames waiting; a decoder
// slower than this starts anyway, once its first frame is there (a clock
// started before it would only drop the frames that follow).
constexpr int64_t kPrerollMs = 1000;

int64_t elapsedMs(uint64_t since)
{
    return static_cast<int64_t>((SDL_GetPerformanceCounter() - since) * 1000 / SDL_GetPerformanceFrequency());
}

void requestFrames()
{
    if (Screen* screen = Main::instance()->configMgr()->get(0))
        screen->invalidate();
}

} // namespace

VideoInfo::VideoInfo() : videoCodec{}, audioCodec{}, container{}, pixelFormat{} {}

struct Video::Impl {
    enum State { STOPPED, PLAYING, PAUSED };

    int id = 0;
    String name;
    eAudioTrackTag tag = ATT_MUSIC;
    video::SharedBytes source;
    VideoInfo info;
    video::FrameSeeker seeker;
    video::FrameScaler stillScaler;
    video::VideoSound sound;
    std::unique_ptr<video::FramePump> pump;

    State state = STOPPED;
    int loopsLeft = 0;
    // Where a stopped or paused video stands.
    int64_t positionMs = 0;
    // The last pass ran to its end: the next play starts over.
    bool passEnded = false;
    // A paused video was moved: resuming starts decoding there.
    bool restartOnResume = false;
    // The pass waits for its first pictures; clock and sound wait with them.
    bool prerolling = false;
    uint64_t prerollSince = 0;
    // The clock: anchorMs at the performance counter anchorCounter.
    int64_t anchorMs = 0;
    uint64_t anchorCounter = 0;
    int64_t lastSoundMs = -1;

    SDL_FRect viewport{};
    float placedWidth = 0; // the last viewport that was not empty
    float placedHeight = 0;
    SDL_Texture* texture = nullptr;
    int textureWidth = 0;
    int textureHeight = 0;
    video::PumpedFrame picture; // the frame shown, in the texture once uploaded
    bool uploadPending = false;
    bool showPicture = false;

    // Frames dropped by the pumps of earlier passes since play.
    uint64_t droppedBefore = 0;

    ~Impl()
    {
        pump.reset();
        if (texture)
            SDL_DestroyTexture(texture);
    }

    // Ends the decoding thread, keeping its count of dropped frames.
    void endPump()
    {
        if (pump)
            droppedBefore += pump->dropped();
        pump.reset();
    }

    int64_t endMs() const
    {
        if (info.durationMs > 0)
            return info.durationMs;
        return pump ? pump->endMs() : -1;
    }

    // The size frames are converted to: the viewport's, the last one while
    // it is empty (hidden), the video's own before any.
    static int targetSide(float shown, float placed, int own)
    {
        const float side = shown >= 1 ? shown : placed;
        return side >= 1 ? std::min(static_cast<int>(std::lround(side)), video::kMaxSide) : own;
    }
    int targetWidth() const { return targetSide(viewport.w, placedWidth, info.width); }
    int targetHeight() const { return targetSide(viewport.h, placedHeight, info.height); }

    int64_t clock()
    {
        if (state != PLAYING || prerolling)
            return positionMs;
        int64_t elapsed = elapsedMs(anchorCounter);
        if (sound.isSounding()) {
            const int64_t heard = sound.positionMs();
            if (heard != lastSoundMs) {
                lastSoundMs = heard;
                anchorMs = heard;
                anchorCounter = SDL_GetPerformanceCounter();
                elapsed = 0;
            }
            elapsed = std::min(elapsed, kSoundStepMs);
        }
        return anchorMs + elapsed;
    }

    void startPass(int64_t fromMs)
    {
        endPump();
        sound.stop();
        pump = std::make_unique<video::FramePump>(source, fromMs, targetWidth(), targetHeight());
        positionMs = fromMs;
        prerolling = true;
        prerollSince = SDL_GetPerformanceCounter();
        passEnded = false;
        restartOnResume = false;
        state = PLAYING;
        requestFrames();
    }

    // The first pictures are there (or are late): clock and sound start together.
    // A sound the mixer has no channel for leaves the picture playing alone.
    void endPreroll()
    {
        prerolling = false;
        sound.playFrom(positionMs);
        anchorMs = positionMs;
        anchorCounter = SDL_GetPerformanceCounter();
        lastSoundMs = -1;
    }

    void endPass()
    {
        if (loopsLeft != 0) {
            if (loopsLeft > 0)
                --loopsLeft;
            startPass(0);
            return;
        }
        positionMs = std::max<int64_t>(endMs(), 0);
        endPump();
        sound.stop();
        state = STOPPED;
        passEnded = true;
    }

    // The frame at ms as the still picture of a stopped or paused video.
    int showStill(int64_t ms)
    {
        const AVFrame* frame = nullptr;
        if (const int rc = seeker.frameAt(ms, &frame); rc != RC_OK)
            return rc;
        if (!frame)
            return RC_OK;
        picture.ms = ms;
        picture.width = targetWidth();
        picture.height = targetHeight();
        if (const int rc = stillScaler.convertInto(*frame, picture.width, picture.height, picture.pixels); rc != RC_OK)
            return rc;
        uploadPending = true;
        showPicture = true;
        requestFrames();
        return RC_OK;
    }

    bool upload(SDL_Renderer* renderer)
    {
        if (!texture || textureWidth != picture.width || textureHeight != picture.height) {
            if (texture)
                SDL_DestroyTexture(texture);
            texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, picture.width,
                                        picture.height);
            textureWidth = texture ? picture.width : 0;
            textureHeight = texture ? picture.height : 0;
        }
        return texture && SDL_UpdateTexture(texture, nullptr, picture.pixels.data(), picture.width * 4) == 0;
    }

    void render(SDL_Renderer* renderer)
    {
        if (state == PLAYING && pump && prerolling &&
            (pump->filled() || (elapsedMs(prerollSince) >= kPrerollMs && pump->hasFrame())))
            endPreroll();
        if (state == PLAYING && pump && !prerolling) {
            const int64_t now = clock();
            pump->setClock(now);
            pump->setTargetSize(targetWidth(), targetHeight());
            if (pump->takeDue(now, picture)) {
                uploadPending = true;
                showPicture = true;
            }
            if (pump->drained() && (pump->failed() || now >= endMs()))
                endPass();
        }
        if (uploadPending && showPicture)
            uploadPending = !upload(renderer);
        if (showPicture && texture && viewport.w > 0 && viewport.h > 0)
            SDL_RenderCopyF(renderer, texture, nullptr, &viewport);
    }
};

Video::Video(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
Video::~Video() = default;

int Video::getID() const { return m_impl->id; }
const char* Video::getName() const { return m_impl->name.c_str(); }
eAudioTrackTag Video::getTag() const { return m_impl->tag; }

int Video::setTag(eAudioTrackTag tag)
{
    if (!audio::isAudioTrackTag(tag))
        return RC_ERR_INVALID;
    m_impl->tag = tag;
    return RC_OK;
}

int Video::play(int loops)
{
    Impl& v = *m_impl;
    if (loops < -1)
        return RC_ERR_INVALID;
    v.loopsLeft = loops;
    if (v.state == Impl::PLAYING)
        return RC_OK;
    // Without an audio device the picture plays alone.
    if (const int rc = v.sound.prepare(v.source); rc < 0)
        return rc == RC_ERR_IO ? RC_ERR_IO : RC_ERR_CORRUPT;
    if (v.state == Impl::STOPPED)
        v.droppedBefore = 0;
    const int64_t end = v.endMs();
    int64_t from = v.passEnded ? 0 : v.positionMs;
    if (end > 0 && from >= end)
        from = 0;
    v.startPass(from);
    return RC_OK;
}

int Video::pause()
{
    Impl& v = *m_impl;
    if (v.state != Impl::PLAYING)
        return RC_ERR_INVALID;
    v.positionMs = v.clock();
    v.sound.pause();
    v.state = Impl::PAUSED;
    return RC_OK;
}

int Video::resume()
{
    Impl& v = *m_impl;
    if (v.state != Impl::PAUSED)
        return RC_ERR_INVALID;
    if (v.restartOnResume) {
        v.startPass(v.positionMs);
        return RC_OK;
    }
    v.sound.resume();
    v.anchorMs = v.positionMs;
    v.anchorCounter = SDL_GetPerformanceCounter();
    v.lastSoundMs = -1;
    v.state = Impl::PLAYING;
    requestFrames();
    return RC_OK;
}

int Video::stop()
{
    Impl& v = *m_impl;
    v.endPump();
    v.sound.stop();
    v.state = Impl::STOPPED;
    v.positionMs = 0;
    v.passEnded = false;
    v.restartOnResume = false;
    v.showPicture = false;
    requestFrames();
    return RC_OK;
}

int Video::seek(int ms)
{
    Impl& v = *m_impl;
    int64_t to = std::max(ms, 0);
    const int64_t end = v.endMs();
    if (end > 0)
        to = std::min(to, end);
    if (v.state == Impl::PLAYING) {
        v.startPass(to);
        return RC_OK;
    }
    if (v.state == Impl::PAUSED) {
        v.endPump();
        v.sound.stop();
        v.restartOnResume = true;
    }
    v.positionMs = to;
    v.passEnded = false;
    // The end itself shows the last frame.
    return v.showStill(end > 0 && to >= end ? end - 1 : to);
}

void Video::setViewport(SDL_FRect rect)
{
    Impl& v = *m_impl;
    // Callers place the picture on every frame; only a change costs work.
    if (rect.x == v.viewport.x && rect.y == v.viewport.y && rect.w == v.viewport.w && rect.h == v.viewport.h)
        return;
    const bool resized = std::lround(rect.w) != std::lround(v.viewport.w) || std::lround(rect.h) != std::lround(v.viewport.h);
    v.viewport = rect;
    if (rect.w >= 1 && rect.h >= 1) {
        v.placedWidth = rect.w;
        v.placedHeight = rect.h;
    }
    // A still picture follows the new size at once; playback frames do with the next one.
    if (resized && v.showPicture && v.state != Impl::PLAYING && rect.w >= 1 && rect.h >= 1)
        v.showStill(v.picture.ms);
    requestFrames();
}

int Video::getDuration() const { return m_impl->info.durationMs; }

uint64_t Video::getDroppedFrames() const
{
    return m_impl->droppedBefore + (m_impl->pump ? m_impl->pump->dropped() : 0);
}

int Video::getPlaybackPosition() const
{
    Impl& v = *m_impl;
    int64_t at = v.clock();
    const int64_t end = v.endMs();
    if (end > 0)
        at = std::min(at, end);
    return static_cast<int>(std::clamp<int64_t>(at, 0, INT_MAX));
}

int Video::getWidth() const { return m_impl->info.width; }
int Video::getHeight() const { return m_impl->info.height; }

int Video::getInfo(VideoInfo* info) const
{
    if (!info)
        return RC_ERR_INVALID;
    *info = m_impl->info;
    return RC_OK;
}

int Video::save(int archiveId, const char* name)
{
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive)
        return RC_ERR_NOT_FOUND;
    const char* blockName = name && name[0] ? name : m_impl->name.c_str();
    if (!blockName[0] || !audio::isMediaName(blockName))
        return RC_ERR_INVALID;
    Vector<uint8_t> data;
    try {
        data = video::encodeVideoBlock(m_impl->tag, m_impl->source->data(), m_impl->source->size());
    } catch (const std::bad_alloc&) {
        return RC_ERR_NO_MEMORY;
    }
    if (data.empty())
        return RC_ERR_TOO_LARGE;
    Archive::Block block(blockName, video::kVideoBlockType);
    block.storage = blockStorage(*archive, Archive::ST_RAW); // compressed video does not compress further
    block.data = data.data();
    block.size = data.size();
    return archive->blockAdd(block);
}

int Video::saveToFile(const char* path)
{
    if (!path || !path[0])
        return RC_ERR_INVALID;
    return writeFileReplacing(path, m_impl->source->data(), m_impl->source->size());
}

int Video::decodeFrameAt(int ms, SDL_Surface** out)
{
    if (!out)
        return RC_ERR_INVALID;
    *out = nullptr;
    if (ms < 0)
        return RC_ERR_INVALID;
    return m_impl->seeker.surfaceAt(ms, out);
}

// --- VideoMgr ---

struct VideoMgr::Impl {
    std::map<int, std::unique_ptr<Video>> videos;
    int nextId = 1;

    // A video from source bytes: kept when FFmpeg reads a video stream in
    // them and decodes its first frame. The id or a negative code.
    int add(Vector<uint8_t>&& bytes, const char* name, eAudioTrackTag tag)
    {
        if (bytes.empty())
            return RC_ERR_CORRUPT;
        if (!video::FfmpegLibrary::shared())
            return RC_ERR_NO_LIBRARY;
        auto impl = std::make_unique<Video::Impl>();
        try {
            impl->source = std::make_shared<const Vector<uint8_t>>(std::move(bytes));
        } catch (const std::bad_alloc&) {
            return RC_ERR_NO_MEMORY;
        }
        if (const int rc = impl->seeker.open(impl->source, impl->info); rc != RC_OK)
            return rc;
        const AVFrame* first = nullptr;
        if (impl->seeker.frameAt(0, &first) != RC_OK || !first)
            return RC_ERR_CORRUPT;
        impl->id = nextId++;
        impl->name = name ? name : "";
        impl->tag = tag;
        const int id = impl->id;
        videos[id] = std::unique_ptr<Video>(new Video(std::move(impl)));
        return id;
    }
};

VideoMgr::VideoMgr() : m_impl(std::make_unique<Impl>()) {}

VideoMgr::~VideoMgr() = default;

int VideoMgr::loadFromFile(const char* path, const char* name, eAudioTrackTag tag)
{
    if (!path || !audio::isMediaName(name ? name : "") || !audio::isAudioTrackTag(tag))
        return RC_ERR_INVALID;
    Vector<uint8_t> bytes;
    if (const int rc = readWholeFile(path, bytes, INT32_MAX); rc != RC_OK)
        return rc;
    return m_impl->add(std::move(bytes), name, tag);
}

int VideoMgr::load(int archiveId, const char* name)
{
    video::VideoBlock parsed;
    Vector<uint8_t> bytes;
    const int rc = audio::loadMediaSourceBlock(archiveId, name, video::kVideoBlockType, &video::decodeVideoBlock,
                                               parsed, bytes);
    if (rc != RC_OK)
        return rc;
    return m_impl->add(std::move(bytes), name, parsed.tag);
}

Video* VideoMgr::get(int id)
{
    auto it = m_impl->videos.find(id);
    return it == m_impl->videos.end() ? nullptr : it->second.get();
}

int VideoMgr::close(int id) { return m_impl->videos.erase(id) ? RC_OK : RC_ERR_NOT_FOUND; }

int VideoMgr::setName(int id, const char* name)
{
    Video* video = get(id);
    if (!video)
        return RC_ERR_NOT_FOUND;
    if (!audio::isMediaBlockName(name))
        return RC_ERR_INVALID;
    for (const auto& [otherId, other] : m_impl->videos)
        if (otherId != id && other->m_impl->name == name)
            return RC_ERR_EXISTS;
    video->m_impl->name = name;
    return RC_OK;
}

int VideoMgr::remove(int archiveId, const char* name)
{
    return audio::removeMediaSourceBlock(archiveId, name, video::kVideoBlockType);
}

void VideoMgr::render(SDL_Renderer* renderer)
{
    bool playing = false;
    for (auto& [id, video] : m_impl->videos) {
        video->m_impl->render(renderer);
        playing = playing || video->m_impl->state == Video::Impl::PLAYING;
    }
    // Playing pictures move without input: keep frames at the render rate.
    if (playing)
        requestFrames();
}

} // namespace Zelkoran
