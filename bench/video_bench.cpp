// Video speed against FFmpeg doing the same work alone, in one run:
//  - sequential frames through Video::decodeFrameAt against a plain
//    libavcodec loop with the same thread count that converts the same
//    frames to ARGB (and one that only decodes);
//  - 64 evenly spaced frames on demand against decoding forward through
//    the same span;
//  - real-time playback: frames dropped, main-thread cost per drawn frame,
//    and audio-video drift over a whole clip with sound.
// Sources: the 1080p H.264 sample (SKARDEN_SAMPLES/video) when present,
// else a 1080p MPEG-4 clip made here; clips with counted frames made here.
// Memory: peak RSS of the process is reported with every run.
#include "BenchDir.h"
#include "engine/video/VideoTestSupport.h"
#include "ResidentMemory.h"

#include <Zelkoran/Screen.h>
#include <Zelkoran/Timer.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <vector>

namespace {

using namespace Zelkoran;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Writes a clip with a keyframe every 25 frames into the bench directory;
// the path written.
std::string makeBenchClip(const char* name, int width, int height, int frames, int fps)
{
    videotest::ClipSpec spec;
    spec.width = width;
    spec.height = height;
    spec.frames = frames;
    spec.fps = fps;
    spec.gop = 25;
    const std::string made = bench::benchDir("video") + "/" + name;
    videotest::makeClip(made, spec);
    return made;
}

// The 1080p source: the sample, else a clip made once.
const std::string& source1080p()
{
    static const std::string path = [] {
        std::string sample = videotest::sample("mp4ff-h264-1080p.mp4");
        if (!sample.empty())
            return sample;
        return makeBenchClip("made-1080p.mp4", 1920, 1080, 50, 50);
    }();
    return path;
}

// A clip made once: 256 frames of 640 x 360 at 25 fps, a keyframe every 25.
const std::string& spacedSource()
{
    static const std::string path = makeBenchClip("spaced.mp4", 640, 360, 256, 25);
    return path;
}

Video* openVideo(const std::string& path)
{
    const int id = Main::instance()->videoMgr()->loadFromFile(path.c_str(), "", ATT_MUSIC);
    return id > 0 ? Main::instance()->videoMgr()->get(id) : nullptr;
}

// Plain FFmpeg: every frame of the file decoded (threads 0 = FFmpeg's
// choice, as the engine asks), and converted to ARGB when convert is set.
// The frames seen.
int plainDecode(const std::string& path, bool convert)
{
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return 0;
    avformat_find_stream_info(format, nullptr);
    const AVCodec* decoder = nullptr;
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    AVCodecContext* codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(codec, format->streams[index]->codecpar);
    codec->thread_count = 0;
    avcodec_open2(codec, decoder, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* sws = nullptr;
    std::vector<uint8_t> pixels;
    int frames = 0;
    auto drain = [&] {
        while (avcodec_receive_frame(codec, frame) == 0) {
            ++frames;
            if (convert) {
                sws = sws_getCachedContext(sws, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                           frame->width, frame->height, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr,
                                           nullptr, nullptr);
                pixels.resize(static_cast<size_t>(frame->width) * frame->height * 4);
                uint8_t* planes[4] = {pixels.data()};
                const int pitches[4] = {frame->width * 4};
                sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, pitches);
            }
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(codec, packet) >= 0)
            drain();
        av_packet_unref(packet);
    }
    avcodec_send_packet(codec, nullptr);
    drain();
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    return frames;
}

// Video::decodeFrameAt for each frame start in turn. The frames decoded.
int engineSequential(Video* video, int frames, double frameMs)
{
    int decoded = 0;
    for (int i = 0; i < frames; ++i) {
        SDL_Surface* surface = nullptr;
        if (video->decodeFrameAt(static_cast<int>(i * frameMs + 0.5), &surface) == 0 && surface) {
            ++decoded;
            SDL_FreeSurface(surface);
        }
    }
    return decoded;
}

void BM_SequentialFramesVsPlainFFmpeg(benchmark::State& state)
{
    const bool convert = state.range(0) != 0;
    Video* video = openVideo(source1080p());
    if (!video) {
        state.SkipWithError("the 1080p source does not load");
        return;
    }
    VideoInfo info;
    video->getInfo(&info);
    const int frames = static_cast<int>(info.frameCount);
    const double frameMs = 1000.0 / info.framesPerSecond;
    double engine = 0, plain = 0;
    for (auto _ : state) {
        auto t = Clock::now();
        const int decoded = engineSequential(video, frames, frameMs);
        const double engineSeconds = seconds(t);
        t = Clock::now();
        const int plainFrames = plainDecode(source1080p(), convert);
        plain += seconds(t);
        engine += engineSeconds;
        state.SetIterationTime(engineSeconds);
        if (decoded != frames || plainFrames != frames) {
            state.SkipWithError("frame counts differ");
            break;
        }
    }
    state.counters["frames"] = frames;
    state.counters["engine_fps"] = frames * static_cast<double>(state.iterations()) / engine;
    state.counters["ratio"] = plain / engine; // 1 = as fast as FFmpeg alone
    state.counters["rss_MiB"] = bench::peakResidentMiB();
    Main::instance()->videoMgr()->close(video->getID());
}

BENCHMARK(BM_SequentialFramesVsPlainFFmpeg)
    ->ArgName("baseline_converts")
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_SpacedFramesVsForward(benchmark::State& state)
{
    Video* video = openVideo(spacedSource());
    if (!video) {
        state.SkipWithError("the clip does not load");
        return;
    }
    const int duration = video->getDuration();
    constexpr int kRequests = 64;
    double spaced = 0, forward = 0;
    for (auto _ : state) {
        auto t = Clock::now();
        for (int i = 0; i < kRequests; ++i) {
            SDL_Surface* surface = nullptr;
            video->decodeFrameAt(duration * i / kRequests, &surface);
            SDL_FreeSurface(surface);
        }
        const double spacedSeconds = seconds(t);
        t = Clock::now();
        engineSequential(video, 256, 40.0);
        forward += seconds(t);
        spaced += spacedSeconds;
        state.SetIterationTime(spacedSeconds);
    }
    state.counters["ratio"] = forward / spaced; // > 1: on demand beats decoding everything
    state.counters["rss_MiB"] = bench::peakResidentMiB();
    Main::instance()->videoMgr()->close(video->getID());
}

BENCHMARK(BM_SpacedFramesVsForward)->UseManualTime()->Unit(benchmark::kMillisecond);

// Plays source in real time in an offscreen window, drawing a frame every
// 4 ms: frames dropped, the main thread's cost per drawn frame, and (for
// clips made here with counted frames) the drift between sound and picture.
void playInRealTime(benchmark::State& state, const std::string& path, bool counted)
{
    Main* engine = Main::instance();
    Screen* screen = engine->configMgr()->get(0);
    if (!screen->isShown()) {
        engine->timer()->init(0);
        screen->setDriver(Screen::DRV_SOFT);
        screen->setSize(1400, 1000);
        if (screen->show() != 0 || engine->configMgr()->audioInit(44100, 0x8010, 2) != 0) {
            state.SkipWithError("no window or audio");
            return;
        }
    }
    Video* video = openVideo(path);
    if (!video) {
        state.SkipWithError("the source does not load");
        return;
    }
    video->setViewport(SDL_FRect{400, 295, 800, 450});
    VideoInfo info;
    video->getInfo(&info);
    const double frameMs = 1000.0 / info.framesPerSecond;
    double worstMainMs = 0, totalMainMs = 0, worstDrift = 0;
    uint64_t drawn = 0, dropped = 0;
    for (auto _ : state) {
        video->play(0);
        const auto started = Clock::now();
        while (video->getPlaybackPosition() < video->getDuration()) {
            // Magenta shows until the first picture arrives: no drift to measure yet.
            SDL_SetRenderDrawColor(screen->getRenderer(), 255, 0, 255, 255);
            SDL_RenderClear(screen->getRenderer());
            const auto t = Clock::now();
            engine->videoMgr()->render(screen->getRenderer());
            const double mainMs = seconds(t) * 1000;
            worstMainMs = std::max(worstMainMs, mainMs);
            totalMainMs += mainMs;
            ++drawn;
            Uint32 pixel = 0;
            SDL_Rect centre{800, 520, 1, 1};
            SDL_RenderReadPixels(screen->getRenderer(), &centre, SDL_PIXELFORMAT_ARGB8888, &pixel, 4);
            if (counted && (pixel & 0xFFFFFF) != 0xFF00FF) {
                // The picture's frame number (the grey level repeats every 20 frames).
                const double r = (pixel >> 16) & 0xFF;
                const int level = static_cast<int>(std::lround((16.0 + r * 219.0 / 255.0 - 20.0) / 10.0));
                const double clock = video->getPlaybackPosition();
                const int near = static_cast<int>(clock / frameMs);
                int frame = near - ((near - level) % 20 + 20) % 20;
                if (near - frame > 10)
                    frame += 20;
                worstDrift = std::max(worstDrift, std::abs(clock - frame * frameMs - frameMs / 2));
            }
            SDL_Delay(4);
            if (seconds(started) * 1000 > video->getDuration() + 2000)
                break;
        }
        dropped += video->getDroppedFrames();
        state.SetIterationTime(seconds(started));
        video->stop();
    }
    state.counters["frames_dropped"] = static_cast<double>(dropped) / static_cast<double>(state.iterations());
    state.counters["main_ms_avg"] = totalMainMs / static_cast<double>(drawn);
    state.counters["main_ms_max"] = worstMainMs;
    if (counted)
        state.counters["drift_ms_max"] = worstDrift;
    state.counters["rss_MiB"] = bench::peakResidentMiB();
    engine->videoMgr()->close(video->getID());
}

void BM_RealTimePlayback1080p(benchmark::State& state) { playInRealTime(state, source1080p(), false); }
BENCHMARK(BM_RealTimePlayback1080p)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_RealTimePlaybackWithSound(benchmark::State& state)
{
    static const std::string path = [] {
        const std::string made = bench::benchDir("video") + "/sound.mp4";
        videotest::ClipSpec spec;
        spec.width = 320;
        spec.height = 240;
        spec.frames = 250;
        spec.fps = 50;
        spec.gop = 50;
        spec.sound = true;
        spec.levels = 20;
        videotest::makeClip(made, spec);
        return made;
    }();
    playInRealTime(state, path, true);
}
BENCHMARK(BM_RealTimePlaybackWithSound)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
