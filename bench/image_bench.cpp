// PNG encoding (image blocks and PNG exports) against decoding the same
// picture, 4096 x 4096, in one process: game art (flat tiles, outlines,
// shading, transparent holes; ARGB) and a photo-like picture (smooth light,
// texture and sensor noise; RGB). Each iteration encodes and then decodes,
// so machine noise hits both alike; "enc/dec" is the ratio of their summed
// times (the target is at most 2), "enc/dec_cpu" the same in the process's
// processor time, which other programs on a busy machine do not inflate
// (both sides run on one thread). SDL_image's default PNG writer, which
// the engine used before, is timed once per picture for comparison.
#include "BenchDir.h"
#include "image/ImageSurface.h"
#include "image/PngCodec.h"

#include "ResidentMemory.h"

#include <Zelkoran/Main.h>

#include <SDL.h>
#include <SDL_image.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>

namespace {

namespace zi = Zelkoran::image;
using Clock = std::chrono::steady_clock;

const int kSide = bench::scaled(4096, 512);

// Processor time of the whole process, in seconds.
double processSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A small fast generator, so the pictures are the same on every run.
struct Random {
    uint32_t state;
    uint32_t next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    // Roughly normal, mean 0, standard deviation about 1.
    float normal() { return ((next() & 1023) + (next() & 1023) + (next() & 1023) - 1534.5f) / 512.0f; }
};

uint8_t clampByte(float v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// 64-px tiles of a few designs, each a four-shade texture with a dark
// outline, lit by a soft diagonal; round transparent holes with a soft rim.
SDL_Surface* gameArt()
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, kSide, kSide, 32, zi::kAlphaFormat);
    const uint8_t palette[6][3] = {{62, 137, 72}, {120, 94, 60}, {90, 96, 110}, {48, 84, 160}, {196, 170, 96}, {150, 60, 50}};
    Random random{12345};
    uint8_t texture[64][64];
    for (auto& row : texture)
        for (uint8_t& t : row)
            t = static_cast<uint8_t>(random.next() % 4);
    for (int y = 0; y < kSide; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + static_cast<size_t>(y) * s->pitch);
        for (int x = 0; x < kSide; ++x) {
            const int tx = x / 64, ty = y / 64, cx = x % 64, cy = y % 64;
            const uint8_t* c = palette[(tx * 7 + ty * 13 + (tx ^ ty)) % 6];
            const bool outline = cx == 0 || cy == 0 || cx == 63 || cy == 63;
            const float light = (0.75f + 0.2f * static_cast<float>(cx + cy) / 126.0f) * (1.0f - 0.08f * texture[cy][cx / 2 * 2]);
            const float hx = static_cast<float>(x % 512) - 256, hy = static_cast<float>(y % 512) - 256;
            const float hole = std::sqrt(hx * hx + hy * hy);
            const uint8_t alpha = hole < 60 ? 0 : hole < 64 ? static_cast<uint8_t>((hole - 60) * 64) : 255;
            const float shade = outline ? 0.25f : light;
            row[x] = static_cast<uint32_t>(alpha) << 24 | static_cast<uint32_t>(clampByte(c[0] * shade)) << 16 |
                     static_cast<uint32_t>(clampByte(c[1] * shade)) << 8 | clampByte(c[2] * shade);
        }
    }
    return s;
}

// Large soft light, a mid-scale texture and per-channel noise of a few
// levels, as a camera gives; no alpha.
SDL_Surface* photo()
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, kSide, kSide, 32, zi::kOpaqueFormat);
    Random random{777};
    for (int y = 0; y < kSide; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + static_cast<size_t>(y) * s->pitch);
        for (int x = 0; x < kSide; ++x) {
            const float fx = static_cast<float>(x), fy = static_cast<float>(y);
            const float light = 110 + 70 * std::sin(fx * 0.0011f) * std::cos(fy * 0.0009f) + 25 * std::sin((fx + fy) * 0.013f);
            row[x] = static_cast<uint32_t>(clampByte(light * 1.1f + 3 * random.normal())) << 16 |
                     static_cast<uint32_t>(clampByte(light * 0.9f + 10 + 3 * random.normal())) << 8 |
                     clampByte(light * 0.7f + 30 + 3 * random.normal());
        }
    }
    return s;
}

SDL_Surface* picture(int kind)
{
    static SDL_Surface* pictures[2] = {gameArt(), photo()};
    return pictures[kind];
}

void BM_EncodeVsDecode(benchmark::State& state)
{
    SDL_Surface* source = picture(static_cast<int>(state.range(0)));
    state.SetLabel(state.range(0) == 0 ? "game art, RGBA" : "photo-like, RGB");
    double encodeSeconds = 0, decodeSeconds = 0, encodeCpu = 0, decodeCpu = 0;
    size_t pngBytes = 0;
    for (auto _ : state) {
        Zelkoran::Vector<uint8_t> png;
        const double startCpu = processSeconds();
        const auto start = Clock::now();
        if (zi::encodePng(source, png) != 0) {
            state.SkipWithError("encode failed");
            break;
        }
        const auto encoded = Clock::now();
        const double encodedCpu = processSeconds();
        SDL_Surface* back = zi::decodePng(png.data(), png.size());
        const auto decoded = Clock::now();
        encodeCpu += encodedCpu - startCpu;
        decodeCpu += processSeconds() - encodedCpu;
        if (!back) {
            state.SkipWithError("decode failed");
            break;
        }
        SDL_FreeSurface(back);
        encodeSeconds += std::chrono::duration<double>(encoded - start).count();
        decodeSeconds += std::chrono::duration<double>(decoded - encoded).count();
        pngBytes = png.size();
        state.SetIterationTime(std::chrono::duration<double>(decoded - start).count());
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["encode_ms"] = encodeSeconds * 1000 / n;
    state.counters["decode_ms"] = decodeSeconds * 1000 / n;
    state.counters["enc/dec"] = decodeSeconds > 0 ? encodeSeconds / decodeSeconds : 0;
    state.counters["enc/dec_cpu"] = decodeCpu > 0 ? encodeCpu / decodeCpu : 0;
    state.counters["png_MiB"] = static_cast<double>(pngBytes) / (1 << 20);
    state.counters["peak_rss_MiB"] = bench::peakResidentMiB();
}
BENCHMARK(BM_EncodeVsDecode)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(bench::scaled(5, 1));

// SDL_image's own writer (default zlib level, adaptive filters).
void BM_SdlImageEncode(benchmark::State& state)
{
    SDL_Surface* source = picture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        SDL_RWops* rw = SDL_RWFromFile("/dev/null", "wb");
        if (!rw || IMG_SavePNG_RW(source, rw, 1) != 0) {
            state.SkipWithError("encode failed");
            break;
        }
    }
}
BENCHMARK(BM_SdlImageEncode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
