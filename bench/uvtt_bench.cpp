// Universal VTT imports of the sample maps that embed their picture
// (SKARDEN_SAMPLES/uvtt, skipped without it) and of a generated
// object-heavy map: 4000 x 4000 pixels (40 x 40 cells of 100 pixels, a PNG
// with some noise) with 65 536 objects holding 500 000 points: 40 000 walls of 10 points, 10 000 outlines of 8, 10 000
// portals of 2, 5 536 lights. Each benchmark times a piece against its
// baseline in the same iteration and reports the ratio:
//  - reader_ratio: the reader's parse and checks over simdjson's bare DOM
//    parse of the same bytes (target: at most 2);
//  - import_ratio: the whole new-scene import (a tile layer of one grid
//    cell per tile; 50 x 50 tiles for the generated map) over base64
//    decode, PNG decode and tiling of the map picture alone, the least work
//    that gives the same picture layer (target: at most 3);
//  - BM_Stages: milliseconds per stage of one import and the peak RSS.
#include "services/GlobalStatus.h"
#include "support/TestFolder.h"
#include "tabs/scenes/import/MapSceneSources.h"
#include "import/scene/UvttDocument.h"
#include "import/scene/UvttMapImage.h"
#include "import/scene/UvttObjects.h"

#include "BenchDir.h"
#include "ResidentMemory.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/XML.h>

#include <SDL_image.h>
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <optional>
#include <random>
#include <string>

using namespace Zelkoran;

namespace {

// The smoke run's map is a tenth a side, with a hundredth of the objects.
const int kSide = bench::scaled(4000, 400);
constexpr int kPerGrid = 100;
constexpr int kTile = 50;
int objects(int full) { return bench::scaled(full, full / 100); }

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::string mapPng()
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, kSide, kSide, 32, SDL_PIXELFORMAT_ARGB8888);
    std::mt19937 noise(7);
    for (int y = 0; y < kSide; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < kSide; ++x) {
            const uint32_t floor = ((x / kPerGrid + y / kPerGrid) & 1) ? 0x6B5A48u : 0x847260u;
            row[x] = 0xFF000000u | (floor + (noise() & 0x070707u));
        }
    }
    std::vector<uint8_t> buffer(size_t(kSide) * kSide * 4 + 65536);
    SDL_RWops* out = SDL_RWFromMem(buffer.data(), int(buffer.size()));
    IMG_SavePNG_RW(s, out, 0);
    std::string bytes(reinterpret_cast<char*>(buffer.data()), size_t(SDL_RWtell(out)));
    SDL_RWclose(out);
    SDL_FreeSurface(s);
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    text.resize(size_t(EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                       reinterpret_cast<const unsigned char*>(bytes.data()), int(bytes.size()))));
    return text;
}

std::string mapJson()
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> at(0.0, double(kSide / kPerGrid));
    std::string json;
    json.reserve(48u << 20);
    auto point = [&](double x, double y) {
        char text[64];
        std::snprintf(text, sizeof text, "{\"x\":%.4f,\"y\":%.4f}", x, y);
        json += text;
    };
    auto path = [&](int points) {
        json += '[';
        for (int i = 0; i < points; ++i) {
            if (i)
                json += ',';
            point(at(rng), at(rng));
        }
        json += ']';
    };
    const std::string cells = std::to_string(kSide / kPerGrid);
    json += "{\"format\":1.0,\"resolution\":{\"map_origin\":{\"x\":0,\"y\":0},\"map_size\":{\"x\":" + cells +
            ",\"y\":" + cells + "},"
            "\"pixels_per_grid\":100},\"line_of_sight\":[";
    for (int i = 0; i < objects(40000); ++i) {
        json += i ? "," : "";
        path(10);
    }
    json += "],\"objects_line_of_sight\":[";
    for (int i = 0; i < objects(10000); ++i) {
        json += i ? "," : "";
        path(8);
    }
    json += "],\"portals\":[";
    for (int i = 0; i < objects(10000); ++i) {
        json += i ? ",{\"bounds\":" : "{\"bounds\":";
        path(2);
        json += ",\"closed\":true}";
    }
    json += "],\"lights\":[";
    for (int i = 0; i < objects(5536); ++i) {
        json += i ? ",{\"position\":" : "{\"position\":";
        point(at(rng), at(rng));
        json += ",\"range\":4,\"intensity\":0.8,\"color\":\"#ffcc88\"}";
    }
    json += "],\"image\":\"" + mapPng() + "\"}";
    return json;
}

// The generated map, written once into a scratch folder.
struct GeneratedMap {
    TestFolder folder;
    std::string path = folder.path("generated.uvtt");
    std::string bytes;
    GeneratedMap()
    {
        bytes = mapJson();
        std::ofstream(path, std::ios::binary) << bytes;
    }
};

GeneratedMap& generated()
{
    static GeneratedMap map;
    return map;
}

// The editor's window and status, which the scene tab imports under.
struct TabRig {
    std::optional<GlobalStatus> status;
    bool build()
    {
        Screen* screen = Main::instance()->configMgr()->get(0);
        screen->setDriver(Screen::DRV_SOFT);
        screen->setSize(1400, 1000);
        if (screen->show() < 0)
            return false;
        char name[] = "Skarden";
        char* argv[] = {name};
        status.emplace(1, argv);
        return true;
    }
    ~TabRig()
    {
        status.reset();
        Main::terminate();
    }
};

// The map a benchmark runs on: "generated", or a file of the samples'
// uvtt folder; empty when it is missing.
std::string mapPath(const std::string& which)
{
    if (which == "generated")
        return generated().path;
    const char* root = std::getenv("SKARDEN_SAMPLES");
    const std::string path = root ? std::string(root) + "/uvtt/" + which : std::string();
    return !path.empty() && std::ifstream(path) ? path : std::string();
}

// One tile a grid cell, but for the generated map's half cells.
int tileFor(const std::string& which, const UVTTDocument& document)
{
    return which == "generated" ? kTile : document.pixelsPerGrid;
}

SceneLayerImportOptions importOptions(const std::string& path, int tile)
{
    SceneLayerImportOptions o;
    o.sourceType = SST_UVTT;
    o.sourcePath = path.c_str();
    o.tileWidth = o.tileHeight = tile;
    return o;
}

// Base64 decode, PNG decode and tiling of the map picture alone. Ms.
double mapAlone(const UVTTDocument& document, int tile)
{
    const auto start = std::chrono::steady_clock::now();
    std::string_view text;
    if (document.image->get_string().get(text))
        return -1.0;
    Vector<uint8_t> bytes;
    Main::instance()->tool()->decodeBase64(text.data(), bytes, true);
    ImageMgr* images = Main::instance()->imageMgr();
    const int image = images->loadFromBuffer(bytes.data(), bytes.size(), "__bench_map");
    const int sceneId = Main::instance()->sceneMgr()->create("", 0);
    const int rc = Main::instance()->sceneMgr()->get(sceneId)->importLayerFromImage(1, image, "Map", tile, tile,
                                                                                     100.0f, -1);
    const double ms = msSince(start);
    Main::instance()->sceneMgr()->close(sceneId);
    images->close(image);
    return rc == 0 ? ms : -1.0;
}

// One new-scene import as the scene tab runs it. Ms, or -1.
double wholeImport(const GlobalStatus& status, const std::string& path, int tile)
{
    const auto start = std::chrono::steady_clock::now();
    const int id = Main::instance()->sceneMgr()->create("", 0);
    const SceneLayerImportOptions request = importOptions(path, tile);
    const SceneSourceProbe found;
    SceneImportJob job{request, found, Main::instance()->sceneMgr()->get(id), true, status.sArchivePath,
                       status.iArchiveID};
    const int rc = UvttSource().import(job).code;
    const double ms = msSince(start);
    if (job.scene)
        Main::instance()->sceneMgr()->close(job.scene->getID());
    return rc == 0 ? ms : -1.0;
}

void BM_ReaderAgainstBareParse(benchmark::State& state)
{
    const std::string& bytes = generated().bytes;
    double bare = 0.0, reader = 0.0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        {
            simdjson::padded_string padded(bytes);
            simdjson::dom::parser parser;
            simdjson::dom::element root;
            benchmark::DoNotOptimize(parser.parse(padded).get(root));
        }
        bare += msSince(start);
        start = std::chrono::steady_clock::now();
        {
            UVTTDocument document;
            String error;
            if (!parseUVTTDocument(bytes.data(), bytes.size(), document, error))
                state.SkipWithError(error.c_str());
        }
        reader += msSince(start);
    }
    const double n = double(state.iterations());
    state.counters["bare_ms"] = bare / n;
    state.counters["reader_ms"] = reader / n;
    state.counters["reader_ratio"] = reader / bare;
}
BENCHMARK(BM_ReaderAgainstBareParse)->Unit(benchmark::kMillisecond)->Iterations(bench::scaled(5, 1));

void BM_ImportAgainstMapAlone(benchmark::State& state, const char* which)
{
    const std::string path = mapPath(which);
    if (path.empty()) {
        state.SkipWithError("the sample map is missing (SKARDEN_SAMPLES)");
        return;
    }
    TabRig rig;
    if (!rig.build()) {
        state.SkipWithError("no editor");
        return;
    }
    UVTTDocument document;
    String error;
    if (!loadUVTTDocument(path.c_str(), document, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const int tile = tileFor(which, document);
    double alone = 0.0, whole = 0.0;
    for (auto _ : state) {
        const double a = mapAlone(document, tile), w = wholeImport(*rig.status, path, tile);
        if (a < 0 || w < 0) {
            state.SkipWithError("import failed");
            return;
        }
        alone += a, whole += w;
    }
    const double n = double(state.iterations());
    state.counters["map_alone_ms"] = alone / n;
    state.counters["import_ms"] = whole / n;
    state.counters["import_ratio"] = whole / alone;
    state.counters["peak_rss_mib"] = bench::peakResidentMiB();
}
#define IMPORT_CASE(label, file) \
    BENCHMARK_CAPTURE(BM_ImportAgainstMapAlone, label, file)->Unit(benchmark::kMillisecond)->Iterations(bench::scaled(3, 1))
IMPORT_CASE(generated_objects, "generated");
IMPORT_CASE(imagix_sample, "imagix-sampleMap.dd2vtt");
IMPORT_CASE(oganm_test, "oganm-test.dd2vtt");

// The stages of one import, done one after another as the import does them.
void BM_Stages(benchmark::State& state)
{
    double read = 0, parse = 0, objects = 0, decode = 0, tiling = 0, build = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        std::ifstream in(generated().path, std::ios::binary | std::ios::ate);
        std::string bytes(size_t(in.tellg()), '\0');
        in.seekg(0).read(bytes.data(), std::streamsize(bytes.size()));
        read += msSince(start);

        start = std::chrono::steady_clock::now();
        UVTTDocument document;
        String error;
        parseUVTTDocument(bytes.data(), bytes.size(), document, error);
        parse += msSince(start);

        start = std::chrono::steady_clock::now();
        XMLMgr* xmls = Main::instance()->xmlMgr();
        const int xmlId = xmls->create("map", 0);
        XML* xml = xmls->get(xmlId);
        xml->setAttributeString("version", "1.10");
        xml->setAttributeString("orientation", "orthogonal");
        xml->setAttributeInt("width", document.gridWidth);
        xml->setAttributeInt("height", document.gridHeight);
        xml->setAttributeInt("tilewidth", document.pixelsPerGrid);
        xml->setAttributeInt("tileheight", document.pixelsPerGrid);
        UVTTTallies tallies;
        createUVTTObjectGroup(*xml, 2, "Occluders");
        addUVTTPathCollection(*xml, document, document.lineOfSight, false, tallies, error);
        addUVTTPathCollection(*xml, document, document.objectsLineOfSight, false, tallies, error);
        addUVTTPortals(*xml, document, false, false, tallies, error);
        xml->nodeParent();
        createUVTTObjectGroup(*xml, 3, "Lights");
        addUVTTLights(*xml, document, tallies, error);
        char* tmx = nullptr;
        size_t size = 0;
        xml->saveToBuffer(tmx, size);
        xmls->close(xmlId);
        objects += msSince(start);

        start = std::chrono::steady_clock::now();
        const int sceneId = Main::instance()->sceneMgr()->loadFromBuffer(tmx, size, "__bench", "");
        CMem::free(tmx);
        build += msSince(start);

        start = std::chrono::steady_clock::now();
        std::string_view text;
        if (document.image->get_string().get(text))
            state.SkipWithError("no map picture");
        Vector<uint8_t> png;
        Main::instance()->tool()->decodeBase64(text.data(), png, true);
        const int image = Main::instance()->imageMgr()->loadFromBuffer(png.data(), png.size(), "__bench_map");
        decode += msSince(start);

        Scene* scene = Main::instance()->sceneMgr()->get(sceneId);
        if (!scene || image <= 0) {
            state.SkipWithError("scene or picture not loaded");
            break;
        }
        start = std::chrono::steady_clock::now();
        scene->importLayerFromImage(4, image, "Map", kTile, kTile, 100.0f, -1);
        tiling += msSince(start);
        Main::instance()->imageMgr()->close(image);
        Main::instance()->sceneMgr()->close(sceneId);
    }
    const double n = double(state.iterations());
    state.counters["read_ms"] = read / n;
    state.counters["parse_ms"] = parse / n;
    state.counters["objects_ms"] = objects / n;
    state.counters["scene_build_ms"] = build / n;
    state.counters["image_decode_ms"] = decode / n;
    state.counters["tiling_ms"] = tiling / n;
    state.counters["peak_rss_mib"] = bench::peakResidentMiB();
    state.counters["file_mib"] = double(generated().bytes.size()) / 1048576.0;
    Main::terminate();
}
BENCHMARK(BM_Stages)->Unit(benchmark::kMillisecond)->Iterations(bench::scaled(3, 1));

} // namespace

BENCHMARK_MAIN();
