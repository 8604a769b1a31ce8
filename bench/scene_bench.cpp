// Scene speed against Tiled's own renderer, measured in one run, each map
// run interleaving both sides so machine noise hits them alike:
//  - process against process: `scene_render map.tmx out.png` (the engine's
//    tool: load, draw, write a PNG) against `tmxrasterizer map.tmx out.png`,
//    both started the same way; "process_ratio" = scene_render time /
//    tmxrasterizer time, target at most 1.0 on every sample map and on
//    maps of the test generator (the first seed of each CI group);
//  - load and draw inside this process (warm, no PNG) against the whole
//    tmxrasterizer process minus its empty start-up (tmxrasterizer on a map
//    of one empty cell, timed in the same iteration): "inprocess_ratio";
//  - loading a generated 1024 x 1024 map of 4 layers (base64 + zlib): time,
//    and the resident memory it adds;
//  - drawing tile objects of a 100 x 100 tile stretched into 150 x 150
//    boxes (each screen pixel its own run of the tile's pixels) against the
//    same boxes holding a 150 x 150 tile as it is: "scaled_ratio". Each
//    iteration draws both into the same target, which of them first
//    alternating (the first draw after the target is set costs more).
// SKARDEN_SAMPLES: the samples folder (default ../shared/samples); the map
// runs are skipped without it or without tmxrasterizer on the PATH.
// Files go to a fresh folder per run inside SKARDEN_BENCH_DIR.
#include "BenchDir.h"
#include "ResidentMemory.h"
#include "engine/scene/MapGenerator.h"
#include "scene/TileData.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Screen.h>

#include <SDL.h>
#include <SDL_image.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Zelkoran::Main;

SDL_Renderer* renderer()
{
    static SDL_Renderer* r = [] {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        Zelkoran::Screen* screen = Main::instance()->configMgr()->get(0);
        screen->setDriver(Zelkoran::Screen::DRV_SOFT);
        screen->setSize(64, 64);
        return screen->show() == 0 ? screen->getRenderer() : nullptr;
    }();
    return r;
}

// Loads the map and draws it whole into a target of its size; false on failure.
bool loadAndRender(const std::string& path)
{
    Zelkoran::SceneMgr& scenes = *Main::instance()->sceneMgr();
    const int id = scenes.loadFromFile(path.c_str());
    Zelkoran::Scene* scene = scenes.get(id);
    if (!scene)
        return false;
    const int w = std::max(1, scene->getWidth()), h = std::max(1, scene->getHeight());
    SDL_Texture* target = SDL_CreateTexture(renderer(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, w, h);
    SDL_SetRenderTarget(renderer(), target);
    scene->setViewport(SDL_Rect{0, 0, w, h});
    scene->render(0, 0);
    SDL_RenderFlush(renderer());
    SDL_SetRenderTarget(renderer(), nullptr);
    SDL_DestroyTexture(target);
    scenes.close(id);
    return true;
}

double secondsOf(const std::string& command)
{
    const auto start = Clock::now();
    const int rc = std::system(command.c_str());
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    return rc == 0 ? s : -1.0;
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

std::string tiledCommand(const std::string& map, const std::string& out)
{
    return "QT_QPA_PLATFORM=offscreen tmxrasterizer --no-smoothing " + quoted(map) + " " + quoted(out) +
           " >/dev/null 2>&1";
}

// A map of one empty cell: what tmxrasterizer spends before any drawing.
const std::string& emptyMap()
{
    static const std::string path = [] {
        const std::string p = bench::benchDir() + "/empty.tmx";
        std::ofstream(p) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<map version=\"1.10\" "
                            "orientation=\"orthogonal\" width=\"1\" height=\"1\" tilewidth=\"16\" tileheight=\"16\">"
                            "<layer id=\"1\" name=\"l\" width=\"1\" height=\"1\"><data encoding=\"csv\">0</data>"
                            "</layer></map>\n";
        return p;
    }();
    return path;
}

void BM_LoadAndFirstRender(benchmark::State& state, const std::string& path)
{
    if (!renderer() || std::system("command -v tmxrasterizer >/dev/null 2>&1") != 0) {
        state.SkipWithError("needs a renderer and tmxrasterizer");
        return;
    }
    const std::string tiledOut = bench::benchDir() + "/tiled.png", engineOut = bench::benchDir() + "/engine.png";
    const std::string tiled = tiledCommand(path, tiledOut), tiledEmpty = tiledCommand(emptyMap(), tiledOut);
    const std::string engineTool = quoted(SCENE_RENDER) + " " + quoted(path) + " " + quoted(engineOut) + " >/dev/null 2>&1";
    double inProcess = 0, tool = 0, reference = 0, empty = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!loadAndRender(path)) {
            state.SkipWithError("the map does not load");
            return;
        }
        const double e = std::chrono::duration<double>(Clock::now() - start).count();
        const double p = secondsOf(engineTool), t = secondsOf(tiled), z = secondsOf(tiledEmpty);
        if (p < 0 || t < 0 || z < 0) {
            state.SkipWithError("scene_render or tmxrasterizer failed");
            return;
        }
        state.SetIterationTime(p);
        inProcess += e, tool += p, reference += t, empty += z;
    }
    const double n = double(state.iterations());
    state.counters["scene_render_ms"] = tool * 1000 / n;
    state.counters["tmxrasterizer_ms"] = reference * 1000 / n;
    state.counters["process_ratio"] = tool / reference;
    state.counters["inprocess_ms"] = inProcess * 1000 / n;
    state.counters["tmx_empty_ms"] = empty * 1000 / n;
    state.counters["inprocess_ratio"] = reference > empty ? inProcess / (reference - empty) : 0.0;
}

// A 1024 x 1024 map of four base64 + zlib layers over a 16-tile set.
std::string generatedMap()
{
    const std::string path = bench::benchDir() + "/generated1024.tmx";
    if (fs::exists(path))
        return path;
    const int side = bench::scaled(1024, 64);
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 64, 64, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int i = 0; i < 64 * 64; ++i)
        static_cast<uint32_t*>(s->pixels)[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    IMG_SavePNG(s, (bench::benchDir() + "/generated.png").c_str());
    SDL_FreeSurface(s);
    std::ofstream out(path);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<map version=\"1.10\" orientation=\"orthogonal\" width=\""
        << side << "\" height=\"" << side << "\" tilewidth=\"16\" tileheight=\"16\">\n"
        << " <tileset firstgid=\"1\" name=\"g\" tilewidth=\"16\" tileheight=\"16\" tilecount=\"16\" columns=\"4\">"
           "<image source=\"generated.png\" width=\"64\" height=\"64\"/></tileset>\n";
    std::vector<uint32_t> cells(size_t(side) * side);
    for (int layer = 0; layer < 4; ++layer) {
        for (size_t i = 0; i < cells.size(); ++i)
            cells[i] = (i * 7 + size_t(layer) * 3) % 17; // 0 = empty now and then
        Zelkoran::String data;
        Zelkoran::scene::encodeTileData(cells.data(), cells.size(), side, "base64", "zlib", data);
        out << " <layer id=\"" << layer + 1 << "\" name=\"l" << layer << "\" width=\"" << side << "\" height=\""
            << side << "\"><data encoding=\"base64\" compression=\"zlib\">" << data.c_str() << "</data></layer>\n";
    }
    out << "</map>\n";
    return path;
}

void BM_LoadGenerated1024(benchmark::State& state)
{
    const std::string path = generatedMap();
    Zelkoran::SceneMgr& scenes = *Main::instance()->sceneMgr();
    double added = 0;
    for (auto _ : state) {
        const size_t before = bench::residentBytes();
        const int id = scenes.loadFromFile(path.c_str());
        if (id <= 0) {
            state.SkipWithError(scenes.getLastError());
            return;
        }
        added = double(bench::residentBytes()) - double(before);
        scenes.close(id);
    }
    state.counters["rss_added_MiB"] = added / (1 << 20);
    state.counters["peak_rss_MiB"] = bench::peakResidentMiB();
}
BENCHMARK(BM_LoadGenerated1024)->Unit(benchmark::kMillisecond)->MinTime(bench::scaled(2.0, 0.001));

// A map of 64 tile objects in 150 x 150 boxes: a 100 x 100 tile stretched
// (scaled) or a 150 x 150 one as it is.
std::string objectsMap(bool scaled)
{
    const std::string path = bench::benchDir() + (scaled ? "/scaled.tmx" : "/unscaled.tmx");
    if (fs::exists(path))
        return path;
    const int side = scaled ? 100 : 150;
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, side, side, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int i = 0; i < side * side; ++i)
        static_cast<uint32_t*>(s->pixels)[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    const std::string picture = scaled ? "scaled.png" : "unscaled.png";
    IMG_SavePNG(s, (bench::benchDir() + "/" + picture).c_str());
    SDL_FreeSurface(s);
    std::ofstream out(path);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<map version=\"1.10\" orientation=\"orthogonal\" "
           "width=\"8\" height=\"8\" tilewidth=\"150\" tileheight=\"150\">\n"
        << " <tileset firstgid=\"1\" name=\"t\" tilewidth=\"" << side << "\" tileheight=\"" << side
        << "\" tilecount=\"1\" columns=\"1\"><image source=\"" << picture << "\" width=\"" << side
        << "\" height=\"" << side << "\"/></tileset>\n <objectgroup id=\"1\" name=\"o\">\n";
    for (int i = 0; i < 64; ++i)
        out << "  <object id=\"" << i + 1 << "\" gid=\"1\" x=\"" << i % 8 * 150 << "\" y=\"" << (i / 8 + 1) * 150
            << "\" width=\"150\" height=\"150\"/>\n";
    out << " </objectgroup>\n</map>\n";
    return path;
}

// Seconds to draw the loaded scene id whole into target.
double drawSeconds(int id, SDL_Texture* target)
{
    Zelkoran::Scene* scene = Main::instance()->sceneMgr()->get(id);
    SDL_SetRenderTarget(renderer(), target);
    const auto start = Clock::now();
    scene->setViewport(SDL_Rect{0, 0, 1200, 1200});
    scene->render(0, 0);
    SDL_RenderFlush(renderer());
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    SDL_SetRenderTarget(renderer(), nullptr);
    return s;
}

void BM_DrawScaledTileObjects(benchmark::State& state)
{
    if (!renderer()) {
        state.SkipWithError("needs a renderer");
        return;
    }
    Zelkoran::SceneMgr& scenes = *Main::instance()->sceneMgr();
    const int scaled = scenes.loadFromFile(objectsMap(true).c_str());
    const int plain = scenes.loadFromFile(objectsMap(false).c_str());
    SDL_Texture* target = SDL_CreateTexture(renderer(), SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, 1200, 1200);
    double stretched = 0, asIs = 0;
    bool scaledFirst = true;
    for (auto _ : state) {
        if (scaled <= 0 || plain <= 0 || !target) {
            state.SkipWithError("the maps do not load");
            break;
        }
        double a = 0, b = 0;
        if (scaledFirst)
            a = drawSeconds(scaled, target), b = drawSeconds(plain, target);
        else
            b = drawSeconds(plain, target), a = drawSeconds(scaled, target);
        scaledFirst = !scaledFirst;
        state.SetIterationTime(a);
        stretched += a, asIs += b;
    }
    const double n = double(std::max<int64_t>(1, state.iterations()));
    state.counters["scaled_ms"] = stretched * 1000 / n;
    state.counters["unscaled_ms"] = asIs * 1000 / n;
    state.counters["scaled_ratio"] = asIs > 0 ? stretched / asIs : 0.0;
    SDL_DestroyTexture(target);
    scenes.close(scaled);
    scenes.close(plain);
}
BENCHMARK(BM_DrawScaledTileObjects)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(bench::scaled(20, 1));

void registerGeneratedMaps()
{
    // As the generator's CI run: its seeds 1 to 8 open its eight groups.
    constexpr uint32_t kGroups = 8, kLeftOut = scenetest::HexagonalDiagonalFlips;
    for (uint32_t seed = 1; seed <= (bench::smoke() ? 1 : kGroups); ++seed) {
        const std::string folder = bench::benchDir() + "/generated-" + std::to_string(seed);
        const std::string tmx = scenetest::generateMap(seed, folder, kLeftOut).tmx.string();
        benchmark::RegisterBenchmark(("BM_LoadAndFirstRender/generated/seed-" + std::to_string(seed)).c_str(),
                                     BM_LoadAndFirstRender, tmx)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(bench::scaled(5, 1));
    }
}

void registerSampleMaps()
{
    const char* env = std::getenv("SKARDEN_SAMPLES");
    const fs::path root = fs::path(env ? env : "../shared/samples") / "tiled";
    std::error_code ec;
    std::vector<fs::path> maps;
    for (const auto& e : fs::recursive_directory_iterator(root, ec))
        if (e.path().extension() == ".tmx")
            maps.push_back(e.path());
    std::sort(maps.begin(), maps.end());
    if (bench::smoke() && maps.size() > 1)
        maps.resize(1);
    for (const fs::path& p : maps)
        benchmark::RegisterBenchmark(("BM_LoadAndFirstRender/" + p.parent_path().filename().string() + "/" +
                                      p.filename().string())
                                         .c_str(),
                                     BM_LoadAndFirstRender, p.string())
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(bench::scaled(5, 1));
}

} // namespace

int main(int argc, char** argv)
{
    registerSampleMaps();
    registerGeneratedMaps();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Main::terminate();
    return 0;
}
