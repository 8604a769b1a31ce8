// Video speed against FFmpeg doing the same work alone, in one run:
//  - every frame in turn through Video::decodeFrameAt, the video opened and
//    closed inside the timing, against a plain libavcodec loop
//    (PlainVideoDecode.h) that opens the same file, reads its packets,
//    decodes them with the same thread count and converts every frame to
//    BGRA at its own size (and one that only decodes); the two alternate
//    within each of 9 passes. On busy content: a 1080p H.264 clip made here
//    of moving texture with noise, 3 GOPs of 60 frames, with B-frames (and
//    on the 1080p sample when present). Each frame is timed too, on both
//    sides, and each frame's time is its median over the passes, so a
//    passing stall of the machine drops out: slowest_x_median and
//    plain_slowest_x_median give the slowest frame against the median frame
//    of each side; slowest_x_plain gives the engine's slowest frame against
//    the plain loop's (1 = the same stall). A frame that decoded its group
//    twice would stand out every 60 frames.
//    Both sides stall once per group, at the frame shown just before a
//    keyframe: the decoder gives that frame out of the keyframe's own
//    decoding call, and the keyframe (here tens of times the bytes of the
//    frames around it) decodes on one thread for longer than the frames
//    already in flight take to come out. The engine meets it one frame
//    earlier: it decodes a frame ahead to know where the asked one ends.
//    The medians differ between the sides, so slowest_x_plain is the
//    figure that says whether the engine adds to the stall;
//  - 64 evenly spaced frames on demand against decoding forward through
//    the same span;
//  - real-time playback: frames dropped, main-thread cost per drawn frame,
//    and audio-video drift over a whole clip with sound; on the busy clip
//    at 1x speed, whose frames carry their number in squares along the top,
//    when each frame first shows on the playback clock against its time:
//    frames shown a frame time or more late (or never), and the worst
//    lateness in ms and in frame times (33.3 ms at its 30 fps).
// Sources: the busy clip and clips with counted frames are made here; the
// 1080p H.264 sample (SKARDEN_SAMPLES/video) when present, else the busy
// clip, for real-time playback.
// Memory: peak RSS of the process is reported with every run.
#include "BenchDir.h"
#include "engine/video/VideoTestSupport.h"
#include "PlainVideoDecode.h"
#include "ResidentMemory.h"

#include <Zelkoran/Screen.h>
#include <Zelkoran/Timer.h>

extern "C" {
#include <libavutil/opt.h>
}

#include <benchmark/benchmark.h>

#include <algorithm>
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

// The busy clip carries its frame number in a row of kMarkBits flat
// squares along its top edge, black for 0 and white for 1, lowest bit first.
constexpr int kMarkBits = 8;

// Side of a mark square in a picture width pixels wide: an eighth of the
// width across all the squares.
int markSide(int width) { return width / (2 * kMarkBits); }

// A clip whose decoding costs what real footage does: a texture drifting
// by a few pixels a frame under noise, H.264 with B-frames, a keyframe
// every 60 frames (the group a frame just before a keyframe belongs to
// shows only in presentation times), with its frame number marked. The
// path written, empty when FFmpeg refused.
std::string makeBusyClip(int width, int height, int frames)
{
    const std::string path = bench::benchDir("video") + "/busy.mp4";
    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, "mp4", path.c_str()) < 0)
        return {};
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_H264);
    AVStream* stream = avformat_new_stream(out, nullptr);
    AVCodecContext* codec = encoder ? avcodec_alloc_context3(encoder) : nullptr;
    bool ok = codec != nullptr;
    if (ok) {
        codec->width = width;
        codec->height = height;
        codec->pix_fmt = AV_PIX_FMT_YUV420P;
        codec->time_base = AVRational{1, 30};
        codec->framerate = AVRational{30, 1};
        codec->gop_size = 60;
        codec->max_b_frames = 2;
        codec->bit_rate = 8000000;
        if (out->oformat->flags & AVFMT_GLOBALHEADER)
            codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        av_opt_set(codec->priv_data, "preset", "veryfast", 0);
        ok = avcodec_open2(codec, encoder, nullptr) == 0 && avcodec_parameters_from_context(stream->codecpar, codec) >= 0;
        stream->time_base = codec->time_base;
    }
    ok = ok && avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(out, nullptr) >= 0;
    AVFrame* frame = av_frame_alloc();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width;
    frame->height = height;
    ok = ok && av_frame_get_buffer(frame, 0) >= 0;
    uint32_t noise = 12345;
    for (int n = 0; ok && n < frames; ++n) {
        ok = av_frame_make_writable(frame) >= 0;
        for (int p = 0; p < 3; ++p) {
            const int w = p ? width / 2 : width, h = p ? height / 2 : height;
            for (int y = 0; y < h; ++y) {
                uint8_t* row = frame->data[p] + y * frame->linesize[p];
                for (int x = 0; x < w; ++x) {
                    noise = noise * 1664525u + 1013904223u;
                    const int texture = ((x + 3 * n) * 7 ^ (y + n) * 5) & 0x7F;
                    row[x] = static_cast<uint8_t>(p ? 96 + (texture >> 2) : 40 + texture + (noise >> 28));
                    const int side = p ? markSide(width) / 2 : markSide(width);
                    if (y < side && x < side * kMarkBits)
                        row[x] = static_cast<uint8_t>(p ? 128 : ((n >> (x / side)) & 1) ? 235 : 16);
                }
            }
        }
        frame->pts = n;
        ok = videotest::detail::encode(codec, frame, out, stream);
    }
    ok = ok && videotest::detail::encode(codec, nullptr, out, stream) && av_write_trailer(out) >= 0;
    av_frame_free(&frame);
    avcodec_free_context(&codec);
    avio_closep(&out->pb);
    avformat_free_context(out);
    return ok ? path : std::string();
}

// The busy clip, made once per run.
const std::string& busyClip()
{
    static const std::string path =
        bench::smoke() ? makeBusyClip(320, 180, 130) : makeBusyClip(1920, 1080, 180);
    return path;
}

// The 1080p source for playback: the sample, else the busy clip.
const std::string& source1080p()
{
    static const std::string path = [] {
        std::string sample = videotest::sample("mp4ff-h264-1080p.mp4");
        return sample.empty() ? busyClip() : sample;
    }();
    return path;
}

// A clip made once: 256 frames of 640 x 360 at 25 fps, a keyframe every 25.
const std::string& spacedSource()
{
    static const std::string path = makeBenchClip("spaced.mp4", 640, 360, bench::scaled(256, 50), 25);
    return path;
}

Video* openVideo(const std::string& path)
{
    const int id = Main::instance()->videoMgr()->loadFromFile(path.c_str(), "", ATT_MUSIC);
    return id > 0 ? Main::instance()->videoMgr()->get(id) : nullptr;
}

// Plain FFmpeg: every frame of the file decoded, and converted to BGRA
// when convert is set, each one's seconds into frameSeconds. The frames
// seen.
int plainDecode(const std::string& path, bool convert, std::vector<double>& frameSeconds)
{
    bench::PlainVideoDecode decoder(path);
    std::vector<uint8_t> pixels;
    int frames = 0;
    for (auto t = Clock::now();; t = Clock::now()) {
        const AVFrame* frame = decoder.next();
        if (!frame)
            break;
        ++frames;
        if (convert)
            decoder.toBGRA(frame, pixels);
        frameSeconds.push_back(seconds(t));
    }
    return frames;
}

// Video::decodeFrameAt for the middle of each frame in turn (a user
// scrubbing asks for any time within a frame), each one's seconds
// into frameSeconds when given. The frames decoded.
int engineSequential(Video* video, int frames, double frameMs, std::vector<double>* frameSeconds = nullptr)
{
    int decoded = 0;
    for (int i = 0; i < frames; ++i) {
        SDL_Surface* surface = nullptr;
        const auto t = Clock::now();
        if (video->decodeFrameAt(static_cast<int>((i + 0.5) * frameMs), &surface) == 0 && surface) {
            ++decoded;
            SDL_FreeSurface(surface);
        }
        if (frameSeconds)
            frameSeconds->push_back(seconds(t));
    }
    return decoded;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The slowest and the median frame's seconds, from frame times of whole
// passes laid end to end (frames per pass); each frame's time is its
// median over the passes. The first frame is left out: it waits for the
// decoder's threads to start (inside the open for decodeFrameAt).
struct FrameSpread {
    double slowest = 0;
    double median = 0;
    double slowestOverMedian() const { return median > 0 ? slowest / median : 0; }
};

FrameSpread frameSpread(const std::vector<double>& passes, int frames)
{
    std::vector<double> perFrame;
    for (int i = 1; i < frames; ++i) {
        std::vector<double> times;
        for (size_t at = static_cast<size_t>(i); at < passes.size(); at += static_cast<size_t>(frames))
            times.push_back(passes[at]);
        perFrame.push_back(median(times));
    }
    if (perFrame.empty())
        return {};
    return {*std::max_element(perFrame.begin(), perFrame.end()), median(perFrame)};
}

// Args: whether the baseline converts; 0 = the busy clip, 1 = the sample.
void BM_SequentialFramesVsPlainFFmpeg(benchmark::State& state)
{
    const bool convert = state.range(0) != 0;
    const std::string path = state.range(1) ? videotest::sample("mp4ff-h264-1080p.mp4") : busyClip();
    if (path.empty()) {
        state.SkipWithError("the 1080p sample is missing (SKARDEN_SAMPLES)");
        return;
    }
    Video* probe = openVideo(path);
    if (!probe) {
        state.SkipWithError("the source does not load");
        return;
    }
    VideoInfo info;
    probe->getInfo(&info);
    Main::instance()->videoMgr()->close(probe->getID());
    const int frames = static_cast<int>(info.frameCount);
    const double frameMs = 1000.0 / info.framesPerSecond;
    double engine = 0, plain = 0;
    std::vector<double> frameSeconds, plainFrameSeconds;
    for (auto _ : state) {
        auto t = Clock::now();
        Video* video = openVideo(path);
        const int decoded = video ? engineSequential(video, frames, frameMs, &frameSeconds) : 0;
        if (video)
            Main::instance()->videoMgr()->close(video->getID());
        const double engineSeconds = seconds(t);
        t = Clock::now();
        const int plainFrames = plainDecode(path, convert, plainFrameSeconds);
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
    const FrameSpread engineSpread = frameSpread(frameSeconds, frames);
    const FrameSpread plainSpread = frameSpread(plainFrameSeconds, frames);
    state.counters["slowest_x_median"] = engineSpread.slowestOverMedian();
    state.counters["plain_slowest_x_median"] = plainSpread.slowestOverMedian();
    state.counters["slowest_x_plain"] = plainSpread.slowest > 0 ? engineSpread.slowest / plainSpread.slowest : 0;
    state.counters["rss_MiB"] = bench::peakResidentMiB();
}

BENCHMARK(BM_SequentialFramesVsPlainFFmpeg)
    ->ArgNames({"baseline_converts", "sample"})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Iterations(bench::scaled(9, 1))
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
        engineSequential(video, bench::scaled(256, 50), 40.0);
        forward += seconds(t);
        spaced += spacedSeconds;
        state.SetIterationTime(spacedSeconds);
    }
    state.counters["ratio"] = forward / spaced; // > 1: on demand beats decoding everything
    state.counters["rss_MiB"] = bench::peakResidentMiB();
    Main::instance()->videoMgr()->close(video->getID());
}

BENCHMARK(BM_SpacedFramesVsForward)->UseManualTime()->Unit(benchmark::kMillisecond);

// How a played clip tells which frame the window shows.
enum class FrameMark {
    None,   // it does not
    Grey,   // a grey level repeating every 20 frames (clips with counted frames)
    Squares // the busy clip's squares
};

// The frame number the busy clip's squares show in the viewport view, -1
// when the viewport shows none (the magenta background).
int markedFrame(SDL_Renderer* renderer, const SDL_FRect& view, int clipWidth)
{
    const float scale = view.w / static_cast<float>(clipWidth);
    const float side = static_cast<float>(markSide(clipWidth)) * scale;
    int frame = 0;
    for (int bit = 0; bit < kMarkBits; ++bit) {
        SDL_Rect at{static_cast<int>(view.x + side * (static_cast<float>(bit) + 0.5f)),
                    static_cast<int>(view.y + side * 0.5f), 1, 1};
        Uint32 pixel = 0;
        SDL_RenderReadPixels(renderer, &at, SDL_PIXELFORMAT_ARGB8888, &pixel, 4);
        if ((pixel & 0xFFFFFF) == 0xFF00FF)
            return -1;
        if (((pixel >> 8) & 0xFF) > 128)
            frame |= 1 << bit;
    }
    return frame;
}

// Plays source in real time in an offscreen window, drawing a frame every
// 4 ms: frames dropped, the main thread's cost per drawn frame, and, for
// clips that mark their frames, when each frame first shows against its
// time on the playback clock (late_frames: frames that showed a frame time
// or more after their time, or never; lateness_max_ms and
// lateness_max_x_frame: the latest of them, in ms and in frame times) and
// (for clips made here with counted frames) the drift between sound and
// picture.
void playInRealTime(benchmark::State& state, const std::string& path, FrameMark mark)
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
    const SDL_FRect view{400, 295, 800, 450};
    video->setViewport(view);
    VideoInfo info;
    video->getInfo(&info);
    const double frameMs = 1000.0 / info.framesPerSecond;
    const int frameCount = static_cast<int>(std::lround(video->getDuration() / frameMs));
    double worstMainMs = 0, totalMainMs = 0, worstDrift = 0, worstLateness = 0;
    uint64_t drawn = 0, dropped = 0, late = 0;
    for (auto _ : state) {
        video->play(0);
        const auto started = Clock::now();
        int lastFrame = -1;
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
            const double clock = video->getPlaybackPosition();
            if (mark == FrameMark::Grey && (pixel & 0xFFFFFF) != 0xFF00FF) {
                // The picture's frame number (the grey level repeats every 20 frames).
                const double r = (pixel >> 16) & 0xFF;
                const int level = static_cast<int>(std::lround((16.0 + r * 219.0 / 255.0 - 20.0) / 10.0));
                const int near = static_cast<int>(clock / frameMs);
                int frame = near - ((near - level) % 20 + 20) % 20;
                if (near - frame > 10)
                    frame += 20;
                worstDrift = std::max(worstDrift, std::abs(clock - frame * frameMs - frameMs / 2));
            }
            if (const int frame = mark == FrameMark::Squares ? markedFrame(screen->getRenderer(), view, info.width) : -1;
                frame > lastFrame) {
                // Frames passed over never showed: late by more than any.
                late += static_cast<uint64_t>(frame - lastFrame - 1);
                const double lateness = clock - frame * frameMs;
                worstLateness = std::max(worstLateness, lateness);
                late += lateness >= frameMs ? 1 : 0;
                lastFrame = frame;
            }
            SDL_Delay(4);
            if (seconds(started) * 1000 > video->getDuration() + 2000)
                break;
        }
        if (mark == FrameMark::Squares)
            late += static_cast<uint64_t>(std::max(0, frameCount - 1 - lastFrame));
        dropped += video->getDroppedFrames();
        state.SetIterationTime(seconds(started));
        video->stop();
    }
    const auto perPass = [&](double total) { return total / static_cast<double>(state.iterations()); };
    state.counters["frames_dropped"] = perPass(static_cast<double>(dropped));
    state.counters["main_ms_avg"] = totalMainMs / static_cast<double>(drawn);
    state.counters["main_ms_max"] = worstMainMs;
    if (mark == FrameMark::Grey)
        state.counters["drift_ms_max"] = worstDrift;
    if (mark == FrameMark::Squares) {
        state.counters["frame_ms"] = frameMs;
        state.counters["late_frames"] = perPass(static_cast<double>(late));
        state.counters["lateness_max_ms"] = worstLateness;
        state.counters["lateness_max_x_frame"] = worstLateness / frameMs;
    }
    state.counters["rss_MiB"] = bench::peakResidentMiB();
    engine->videoMgr()->close(video->getID());
}

void BM_RealTimePlayback1080p(benchmark::State& state) { playInRealTime(state, source1080p(), FrameMark::None); }
BENCHMARK(BM_RealTimePlayback1080p)->UseManualTime()->Iterations(bench::scaled(2, 1))->Unit(benchmark::kMillisecond);

void BM_RealTimePlaybackBusy1080p(benchmark::State& state)
{
    playInRealTime(state, busyClip(), FrameMark::Squares);
}
BENCHMARK(BM_RealTimePlaybackBusy1080p)
    ->UseManualTime()
    ->Iterations(bench::scaled(3, 1))
    ->Unit(benchmark::kMillisecond);

void BM_RealTimePlaybackWithSound(benchmark::State& state)
{
    static const std::string path = [] {
        const std::string made = bench::benchDir("video") + "/sound.mp4";
        videotest::ClipSpec spec;
        spec.width = 320;
        spec.height = 240;
        spec.frames = bench::scaled(250, 25);
        spec.fps = 50;
        spec.gop = 50;
        spec.sound = true;
        spec.levels = 20;
        videotest::makeClip(made, spec);
        return made;
    }();
    playInRealTime(state, path, FrameMark::Grey);
}
BENCHMARK(BM_RealTimePlaybackWithSound)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
