// Frame-sequence imports against the work they cannot avoid, in one run:
//  - the tile analysis and atlas on made frames (a sprite moving over a
//    still background, noise, a pattern with +-2 jitter) as a ratio to
//    hashing every frame's tiles once with XXH3 on as many threads as the
//    conversion (x_hash), candidates per second, and the memory the
//    conversion added over the frames, against the unique tiles' pixels
//    plus 10 % of frames and unique tiles (mem_ratio, at most 1 = within
//    that); each atlas is handed back (releaseFrameTileAtlas) as a caller
//    done with it does, so the next conversion reuses its pages;
//  - the whole conversion (analysis and atlas) on one thread against two
//    and four, the median of interleaved runs of each (speedup, speedup_4),
//    and each against hashing on as many threads (x_hash_N), on made
//    frames and on a real video and GIF;
//  - tolerant matching ("Pixel deviation" at 90 %) on 8 frames of 512²,
//    1024² and 2048² against exact matching of the same frames on as many
//    threads (x_exact), and its time per pixel (ns_per_px, flat when it
//    grows with the pixels);
//  - whole GIF imports as a ratio to IMG_LoadAnimation alone (x_load);
//  - the GIF probe (size, frame count, duration) on a GIF of 100 000 1 x 1
//    frames made here, against the size check's walk of the same bytes
//    alone (x_walk; the probe also reads the file);
//  - the video front end's sampling of 64 frames of the 1080p sample as a
//    ratio to decoding and converting the same frames with libavcodec
//    straight (PlainVideoDecode.h, x_plain).
// GIF and video runs need SKARDEN_SAMPLES.
#include "engine/video/VideoTestSupport.h"
#include "import/scene/GIFLayers.h"
#include "import/scene/GIFSizeCheck.h"
#include "support/GifWriter.h"
#include "import/scene/FrameSampling.h"
#include "tabs/scenes/import/FrameSequenceSources.h"

#include "BenchDir.h"
#include "PlainVideoDecode.h"
#include "ResidentMemory.h"

#include <Zelkoran/FrameTiles.h>
#include <Zelkoran/Scene.h>

#include <SDL_image.h>
#include <benchmark/benchmark.h>
#include <omp.h>
#include <xxhash.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <random>
#include <time.h>

namespace {

using namespace Zelkoran;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// CPU seconds the process has used, on all its threads.
double processSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

enum Kind { SPRITE, NOISE, JITTER };

std::vector<SDL_Surface*> makeFrames(Kind kind, int w, int h, int count)
{
    std::mt19937 rng(42);
    std::vector<uint32_t> still(size_t(w) * size_t(h));
    for (size_t i = 0; i < still.size(); ++i)
        still[i] = kind == JITTER ? 0xFF000000u | uint32_t((i % 16) * 12) << 16 | uint32_t((i / size_t(w) % 16) * 12) << 8
                                  : 0xFF000000u | (rng() & 0xFFFFFFu);
    std::vector<SDL_Surface*> frames;
    for (int f = 0; f < count; ++f) {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
        auto* px = static_cast<uint32_t*>(s->pixels);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint32_t p = still[size_t(y) * size_t(w) + size_t(x)];
                if (kind == NOISE)
                    p = 0xFF000000u | (rng() & 0xFFFFFFu);
                else if (kind == JITTER)
                    p += (rng() % 5) * 0x010101u; // +-2 around the pattern's level
                else if (x >= f * 5 % w && x < f * 5 % w + 64 && y >= 40 && y < 104)
                    p = 0xFFE0A040u;
                px[size_t(y) * size_t(s->pitch / 4) + size_t(x)] = p;
            }
        frames.push_back(s);
    }
    return frames;
}

// The floor: every tile of every frame copied out and hashed once, the
// frames shared out over the threads OpenMP is set to, as the conversion's,
// the next tile's rows asked for ahead as the conversion does.
double hashAllTiles(const std::vector<SDL_Surface*>& frames, int tile)
{
    const Clock::time_point start = Clock::now();
    uint64_t sink = 0;
#pragma omp parallel for schedule(dynamic) reduction(+ : sink)
    for (size_t i = 0; i < frames.size(); ++i) {
        SDL_Surface* f = frames[i];
        std::vector<uint32_t> buffer(size_t(tile) * size_t(tile));
        for (int y = 0; y + tile <= f->h; y += tile)
            for (int x = 0; x + tile <= f->w; x += tile) {
                for (int row = 0; x + 2 * tile <= f->w && row < tile; ++row)
                    for (int byte = 0; byte < tile * 4; byte += 64)
                        __builtin_prefetch(static_cast<uint8_t*>(f->pixels) + size_t(y + row) * size_t(f->pitch) +
                                           size_t(x + tile) * 4 + size_t(byte));
                for (int row = 0; row < tile; ++row)
                    std::memcpy(buffer.data() + size_t(row * tile),
                                static_cast<uint8_t*>(f->pixels) + size_t(y + row) * size_t(f->pitch) + size_t(x) * 4,
                                size_t(tile) * 4);
                sink += XXH3_64bits(buffer.data(), buffer.size() * 4);
            }
    }
    benchmark::DoNotOptimize(sink);
    return seconds(start);
}

// Args: kind, width, tile, frames, match x 10, mode, threads.
void BM_FrameTiles(benchmark::State& state)
{
    const Kind kind = Kind(state.range(0));
    const int w = int(state.range(1)), tile = int(state.range(2));
    const int h = (w == 320 ? 240 : w * 9 / 16) / tile * tile; // whole tiles
    const int count = int(state.range(3));
    const FrameTileSettings s = FrameTileSettings::make(tile, tile, float(state.range(4)) / 10.0f, int(state.range(5)));
    omp_set_num_threads(int(state.range(6)));
    std::vector<SDL_Surface*> frames = makeFrames(kind, w, h, count);
    double convert = 0, hash = 0, memRatio = 0, prepare = 0, dedupe = 0, animations = 0;
    FrameTileAnalysis a;
    for (auto _ : state) {
        // What earlier runs freed must not hide what this one takes.
        const size_t before = bench::settledResidentBytes();
        bench::resetPeak();
        const Clock::time_point start = Clock::now();
        SDL_Surface* atlas = nullptr;
        if (analyzeFrameTiles(frames, s, a) != 0 || buildFrameTileAtlas(frames, a, s, atlas) != 0) {
            state.SkipWithError("the conversion failed");
            break;
        }
        const double took = seconds(start);
        prepare += a.prepareMs, dedupe += a.dedupeMs, animations += a.animationsMs;
        const double added = double(bench::peakResidentBytes()) - double(before);
        releaseFrameTileAtlas(atlas);
        convert += took;
        hash += hashAllTiles(frames, tile);
        const double frameBytes = double(w) * h * 4 * count, uniqueBytes = double(a.unique.size()) * tile * tile * 4;
        memRatio = std::max(memRatio, added / (uniqueBytes + 0.1 * (frameBytes + uniqueBytes)));
        state.SetIterationTime(took);
    }
    state.counters["x_hash"] = convert / hash;
    // Where the time goes: candidate preparation, the walk, animations, the rest (atlas).
    const double runs = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["prep_ms"] = prepare / runs;
    state.counters["walk_ms"] = dedupe / runs;
    state.counters["anim_ms"] = animations / runs;
    state.counters["atlas_ms"] = (convert * 1000.0 - prepare - dedupe - animations) / runs;
    state.counters["cand_per_s"] = double(a.rawTiles()) * double(state.iterations()) / convert;
    state.counters["unique"] = double(a.unique.size());
    state.counters["owners"] = double(a.owners.size());
    state.counters["mem_ratio"] = memRatio;
    for (SDL_Surface* f : frames)
        SDL_FreeSurface(f);
    omp_set_num_threads(omp_get_num_procs());
}

void frameTileArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"kind", "w", "tile", "frames", "match10", "mode", "threads"});
    if (bench::smoke()) {
        b->Args({SPRITE, 320, 16, 8, 1000, 1, 2});
        b->Args({JITTER, 320, 16, 4, 950, 1, 2});
        return;
    }
    for (int threads : {1, 2}) {
        b->Args({SPRITE, 320, 16, 8, 1000, 1, threads});
        b->Args({JITTER, 640, 16, 32, 1000, 1, threads}); // every tile unique
        b->Args({SPRITE, 1280, 16, 64, 1000, 1, threads});
        b->Args({SPRITE, 640, 16, 256, 1000, 1, threads});
        b->Args({JITTER, 640, 16, 32, 950, 1, threads});
    }
    for (int tile : {8, 16, 32})
        b->Args({SPRITE, 640, tile, 32, 1000, 0, 2});
    for (int match : {980, 950, 900})
        b->Args({JITTER, 640, 16, 32, match, 1, 2});
    for (int match : {1000, 980, 900})
        b->Args({JITTER, 320, 16, 16, match, 0, 2});
    for (int match : {1000, 950})
        b->Args({NOISE, 320, 16, 16, match, 1, 2});
    b->Args({SPRITE, 640, 8, 16, 950, 1, 2});
}
BENCHMARK(BM_FrameTiles)->Apply(frameTileArgs)->UseManualTime()->Unit(benchmark::kMillisecond);

// Args: side, kind (the jitter pattern: no tile within 10 % of another;
// the moving sprite: most tiles repeat).
void BM_TolerantScaling(benchmark::State& state)
{
    const int side = int(state.range(0));
    std::vector<SDL_Surface*> frames = makeFrames(Kind(state.range(1)), side, side, 8);
    const FrameTileSettings tolerant = FrameTileSettings::make(16, 16, 90.0f, 0);
    const FrameTileSettings exact = FrameTileSettings::make(16, 16, 100.0f, 0);
    double tolerantSeconds = 0, exactSeconds = 0;
    for (auto _ : state) {
        FrameTileAnalysis a;
        Clock::time_point t = Clock::now();
        const int rc = analyzeFrameTiles(frames, tolerant, a);
        const double took = seconds(t);
        t = Clock::now();
        FrameTileAnalysis b;
        if (rc != 0 || analyzeFrameTiles(frames, exact, b) != 0) {
            state.SkipWithError("the analysis failed");
            break;
        }
        exactSeconds += seconds(t);
        tolerantSeconds += took;
        state.counters["unique"] = double(a.unique.size());
        state.SetIterationTime(took);
    }
    state.counters["x_exact"] = tolerantSeconds / exactSeconds;
    const double runs = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["ns_per_px"] = tolerantSeconds * 1e9 / (double(side) * side * 8 * runs);
    state.counters["rss_MiB"] = bench::peakResidentMiB();
    for (SDL_Surface* f : frames)
        SDL_FreeSurface(f);
}
BENCHMARK(BM_TolerantScaling)
    ->ArgNames({"side", "kind"})
    ->Apply([](benchmark::internal::Benchmark* b) {
        if (bench::smoke()) {
            b->Args({128, JITTER});
            return;
        }
        for (int kind : {JITTER, SPRITE})
            for (int side : {512, 1024, 2048})
                b->Args({side, kind});
    })
    ->UseManualTime()
    ->Iterations(bench::scaled(3, 1))
    ->Unit(benchmark::kMillisecond);

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

std::string sample(const std::string& path)
{
    const char* root = std::getenv("SKARDEN_SAMPLES");
    return root ? std::string(root) + "/" + path : std::string();
}

// The first count frames a video shows over one second, as ARGB8888; none
// when the sample is missing.
std::vector<SDL_Surface*> clipFrames(const std::string& path, int count)
{
    const int id = path.empty() ? 0 : Main::instance()->videoMgr()->loadFromFile(path.c_str(), "clip", ATT_MUSIC);
    Video* video = id > 0 ? Main::instance()->videoMgr()->get(id) : nullptr;
    std::vector<SDL_Surface*> frames;
    if (!video)
        return frames;
    SceneLayerImportOptions o;
    o.frameCount = count;
    o.durationMs = 1000;
    const VideoSampleWindow window(o, video->getDuration());
    for (int i = 0; i < window.count; ++i) {
        SDL_Surface* frame = nullptr;
        if (video->decodeFrameAt(window.timeOf(i), &frame) == 0 && frame) {
            frames.push_back(SDL_ConvertSurfaceFormat(frame, SDL_PIXELFORMAT_ARGB8888, 0));
            SDL_FreeSurface(frame);
        }
    }
    Main::instance()->videoMgr()->close(id);
    return frames;
}

// Every frame of a GIF as SDL_image composes it, cut to whole tiles.
std::vector<SDL_Surface*> gifFrames(const std::string& path, int tile)
{
    IMG_Animation* gif = path.empty() ? nullptr : IMG_LoadAnimation(path.c_str());
    std::vector<SDL_Surface*> frames;
    for (int i = 0; gif && i < gif->count; ++i) {
        SDL_Surface* frame =
            SDL_CreateRGBSurfaceWithFormat(0, gif->w / tile * tile, gif->h / tile * tile, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_SetSurfaceBlendMode(gif->frames[i], SDL_BLENDMODE_NONE);
        SDL_BlitSurface(gif->frames[i], nullptr, frame, nullptr);
        frames.push_back(frame);
    }
    IMG_FreeAnimation(gif);
    return frames;
}

// The whole conversion (analysis and atlas) on 1, 2 and 4 threads, and
// hashing the same tiles on as many, runs of each interleaved so the
// machine's load hits them alike; the median of each. x_hash_N: the
// conversion on N threads against hashing on N; cpu_N_ms: the CPU time
// of a conversion on N threads (spent waiting included), which shows
// what scaling costs apart from the machine's load.
void scaleOver(benchmark::State& state, const std::vector<SDL_Surface*>& frames, int match10)
{
    const FrameTileSettings s = FrameTileSettings::make(16, 16, float(match10) / 10.0f, 1);
    // Per thread count: whole conversions, then preparation, walk, animations, atlas.
    const int teams[3] = {1, 2, 4};
    std::vector<double> runs[3], hashes[3], cpu[3], stages[3][4];
    for (auto _ : state) {
        for (int round = 0; round < bench::scaled(15, 1); ++round)
            for (int t = 0; t < 3; ++t) {
                omp_set_num_threads(teams[t]);
                FrameTileAnalysis a;
                SDL_Surface* atlas = nullptr;
                const double used = processSeconds();
                const Clock::time_point start = Clock::now();
                if (analyzeFrameTiles(frames, s, a) != 0 || buildFrameTileAtlas(frames, a, s, atlas) != 0) {
                    state.SkipWithError("the conversion failed");
                    break;
                }
                const double took = seconds(start) * 1000.0;
                cpu[t].push_back((processSeconds() - used) * 1000.0);
                runs[t].push_back(took);
                const double parts[4] = {a.prepareMs, a.dedupeMs, a.animationsMs,
                                         took - a.prepareMs - a.dedupeMs - a.animationsMs};
                for (int k = 0; k < 4; ++k)
                    stages[t][k].push_back(parts[k]);
                releaseFrameTileAtlas(atlas);
                hashes[t].push_back(hashAllTiles(frames, 16) * 1000.0);
            }
        state.SetIterationTime(runs[1].empty() ? 0 : median(runs[1]) / 1000.0);
    }
    if (!runs[0].empty() && !runs[1].empty() && !runs[2].empty()) {
        state.counters["speedup"] = median(runs[0]) / median(runs[1]);
        state.counters["speedup_4"] = median(runs[0]) / median(runs[2]);
        const char* names[4] = {"prep", "walk", "anim", "atlas"};
        for (int t = 0; t < 3; ++t) {
            const std::string team = "_" + std::to_string(teams[t]);
            state.counters["convert" + team + "_ms"] = median(runs[t]);
            state.counters["x_hash" + team] = median(runs[t]) / median(hashes[t]);
            state.counters["cpu" + team + "_ms"] = median(cpu[t]);
            for (int k = 0; k < 4; ++k)
                state.counters[names[k] + team + "_ms"] = median(stages[t][k]);
        }
    }
    omp_set_num_threads(omp_get_num_procs());
}

// Made frames. Args: kind, match x 10.
void BM_ThreadScaling(benchmark::State& state)
{
    const bool small = bench::smoke();
    std::vector<SDL_Surface*> frames = makeFrames(Kind(state.range(0)), small ? 320 : 1280, small ? 240 : 720, small ? 4 : 32);
    scaleOver(state, frames, int(state.range(1)));
    for (SDL_Surface* f : frames)
        SDL_FreeSurface(f);
}
BENCHMARK(BM_ThreadScaling)
    ->ArgNames({"kind", "match10"})
    ->Args({SPRITE, 1000})
    ->Args({JITTER, 1000})
    ->Args({JITTER, 950})
    ->UseManualTime()
    ->Iterations(1);

// Real frames, merging identical tiles only: 32 frames of the 1280x720
// H.264 sample, every frame of a photographic GIF.
void BM_ThreadScalingOnSample(benchmark::State& state, bool video)
{
    std::vector<SDL_Surface*> frames = video ? clipFrames(sample("video/openh264-Zhling_1280x720.264"), bench::scaled(32, 4))
                                             : gifFrames(sample("gif/gifplayer-muybridge.gif"), 16);
    if (frames.empty()) {
        state.SkipWithError("the sample is missing (SKARDEN_SAMPLES)");
        return;
    }
    state.counters["frames"] = double(frames.size());
    scaleOver(state, frames, 1000);
    for (SDL_Surface* f : frames)
        SDL_FreeSurface(f);
}
BENCHMARK_CAPTURE(BM_ThreadScalingOnSample, video, true)->UseManualTime()->Iterations(1);
BENCHMARK_CAPTURE(BM_ThreadScalingOnSample, gif, false)->UseManualTime()->Iterations(1);

// The tile analysis on 16 frames of a real clip (the 1280x720 H.264
// sample): time, candidates per second and how many tiles remain. Args:
// match x 10, threads.
void BM_FrameTilesOnClip(benchmark::State& state)
{
    std::vector<SDL_Surface*> frames = clipFrames(sample("video/openh264-Zhling_1280x720.264"), 16);
    if (frames.empty()) {
        state.SkipWithError("the 1280x720 sample is missing (SKARDEN_SAMPLES)");
        return;
    }
    const FrameTileSettings s = FrameTileSettings::make(16, 16, float(state.range(0)) / 10.0f, 1);
    omp_set_num_threads(int(state.range(1)));
    FrameTileAnalysis a;
    double took = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        if (analyzeFrameTiles(frames, s, a) != 0) {
            state.SkipWithError("the analysis failed");
            break;
        }
        took += seconds(start);
        state.SetIterationTime(seconds(start));
    }
    state.counters["cand_per_s"] = double(a.rawTiles()) * double(state.iterations()) / took;
    state.counters["unique"] = double(a.unique.size());
    state.counters["walk_ms"] = a.dedupeMs;
    for (SDL_Surface* f : frames)
        SDL_FreeSurface(f);
    omp_set_num_threads(omp_get_num_procs());
}
BENCHMARK(BM_FrameTilesOnClip)
    ->ArgNames({"match10", "threads"})
    ->Apply([](benchmark::internal::Benchmark* b) {
        b->Args({1000, 2});
        if (bench::smoke())
            return;
        b->Args({950, 1});
        b->Args({950, 2});
        b->Args({900, 2});
    })
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_GIFImport(benchmark::State& state, const char* file)
{
    const std::string path = sample(std::string("gif/") + file);
    IMG_Animation* probe = path.empty() ? nullptr : IMG_LoadAnimation(path.c_str());
    if (!probe) {
        state.SkipWithError("the sample GIF is missing (SKARDEN_SAMPLES)");
        return;
    }
    int total = 0;
    for (int i = 0; i < probe->count; ++i)
        total += probe->delays[i] > 0 ? probe->delays[i] : 100;
    SceneLayerImportOptions o;
    o.sourceType = 2, o.fileKind = 3;
    o.sourcePath = path.c_str();
    o.padToTile = true;
    o.frameCount = std::min(probe->count, 256);
    o.durationMs = total;
    IMG_FreeAnimation(probe);
    const SceneSourceProbe found;
    double import = 0, load = 0;
    for (auto _ : state) {
        Clock::time_point t = Clock::now();
        IMG_FreeAnimation(IMG_LoadAnimation(path.c_str()));
        load += seconds(t);
        const int id = Main::instance()->sceneMgr()->create("", 0);
        t = Clock::now();
        SceneImportJob job{o, found, Main::instance()->sceneMgr()->get(id)};
        const int rc = GifAnimationSource().import(job).code;
        const double took = seconds(t);
        import += took;
        Main::instance()->sceneMgr()->close(id);
        if (rc != 0) {
            state.SkipWithError("the import failed");
            break;
        }
        state.SetIterationTime(took);
    }
    state.counters["x_load"] = import / load;
}
BENCHMARK_CAPTURE(BM_GIFImport, moon_impact, "moon_impact.gif")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GIFImport, muybridge, "gifplayer-muybridge.gif")->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_GIFProbe(benchmark::State& state)
{
    const int count = bench::scaled(100000, 1000);
    const std::vector<giftest::Frame> frames(size_t(count), giftest::Frame{{1}, 3, -1, 0, 0, 1, 1, 1});
    const std::vector<uint8_t> bytes = giftest::encode(1, 1, {{0, 0, 0}, {255, 0, 0}}, frames);
    const std::string path = bench::benchDir("gif") + "/many-frames.gif";
    giftest::write(path, bytes);
    double probe = 0, walk = 0;
    for (auto _ : state) {
        Clock::time_point t = Clock::now();
        int w = 0, h = 0, found = 0, ms = 0;
        const bool read = getGIFMetadata(path.c_str(), w, h, found, ms);
        const double took = seconds(t);
        t = Clock::now();
        GIFLayout layout;
        checkGIFLayout(bytes.data(), bytes.size(), layout);
        walk += seconds(t);
        probe += took;
        if (!read || found != count || ms != count * 30) {
            state.SkipWithError("the probe misread the GIF");
            break;
        }
        state.SetIterationTime(took);
    }
    state.counters["frames"] = count;
    state.counters["x_walk"] = probe / walk;
}
BENCHMARK(BM_GIFProbe)->UseManualTime()->Unit(benchmark::kMillisecond);

// libavcodec alone: decodes forward and converts to ARGB the frame shown
// at each sample time. The frames converted.
int plainSamples(const std::string& path, const VideoSampleWindow& window)
{
    bench::PlainVideoDecode decoder(path);
    const AVRational base = decoder.timeBase();
    AVFrame* shown = av_frame_alloc();
    std::vector<uint8_t> pixels;
    int done = 0;
    // Each decoded frame covers the samples before the next one's time.
    const auto take = [&](AVFrame* next) {
        const int64_t ms = next ? av_rescale_q(next->best_effort_timestamp, base, AVRational{1, 1000}) : INT64_MAX;
        for (; done < window.count && shown->data[0] && window.timeOf(done) < ms; ++done)
            decoder.toBGRA(shown, pixels);
        if (next) {
            av_frame_unref(shown);
            av_frame_move_ref(shown, next);
        }
    };
    while (AVFrame* frame = decoder.next()) {
        take(frame);
        if (done == window.count)
            decoder.endInput(); // what the decoder holds still comes out, as at the file's end
    }
    take(nullptr);
    av_frame_free(&shown);
    return done;
}

void BM_VideoSampling64(benchmark::State& state)
{
    const std::string path = sample("video/mp4ff-h264-1080p.mp4");
    if (path.empty() || !std::ifstream(path)) {
        state.SkipWithError("the 1080p sample is missing (SKARDEN_SAMPLES)");
        return;
    }
    SceneLayerImportOptions o;
    o.frameCount = 64;
    o.durationMs = 1000;
    double engine = 0, plain = 0;
    for (auto _ : state) {
        Clock::time_point t = Clock::now();
        const int id = Main::instance()->videoMgr()->loadFromFile(path.c_str(), "", ATT_MUSIC);
        Video* video = Main::instance()->videoMgr()->get(id);
        const VideoSampleWindow window(o, video ? video->getDuration() : 0);
        int sampled = 0;
        for (int i = 0; video && i < window.count; ++i) {
            SDL_Surface* frame = nullptr;
            if (video->decodeFrameAt(window.timeOf(i), &frame) == 0 && frame)
                ++sampled;
            SDL_FreeSurface(frame);
        }
        Main::instance()->videoMgr()->close(id);
        const double took = seconds(t);
        engine += took;
        t = Clock::now();
        const int straight = plainSamples(path, window);
        plain += seconds(t);
        if (sampled != 64 || straight != 64) {
            state.SkipWithError("frame counts differ");
            break;
        }
        state.SetIterationTime(took);
    }
    state.counters["x_plain"] = engine / plain;
}
BENCHMARK(BM_VideoSampling64)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
