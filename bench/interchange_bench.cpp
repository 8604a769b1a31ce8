// VUQv1 import of a document of 10 000 elements (1 000 pictures, 9 000
// files; about 100 MB of assets), against the sum of doing the same work
// directly in the same iteration: decoding each picture and saving it,
// reading each file and adding it as a block, into an archive alike.
// ratio = import time / direct time; the target is at most 1.5.
// Argument 1: both sides flush every block to the device, as the archive
// does by default (then 10 000 flushes dominate both); 0: neither flushes,
// so the import's own cost shows.
//
// SKARDEN_INTERCHANGE_BENCH_ELEMENTS scales the document (default 10 000).
#include "BenchDir.h"
#include "core/FileIO.h"
#include "import/interchange/XMLImport.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/TestSupport.h>
#include <Zelkoran/XML.h>

#include <SDL.h>
#include <SDL_image.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Zelkoran::Main;

constexpr int kPictureSide = 128;
constexpr size_t kFileBytes = 4096;

int elementCount()
{
    const char* value = std::getenv("SKARDEN_INTERCHANGE_BENCH_ELEMENTS");
    const long n = value ? std::strtol(value, nullptr, 10) : 0;
    return n >= 10 ? static_cast<int>(n) : bench::scaled(10000, 100);
}

// Incompressible bytes (xorshift64).
void noise(uint8_t* out, size_t size, uint64_t seed)
{
    uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        out[i] = static_cast<uint8_t>(x);
    }
}

struct Source {
    fs::path folder;
    std::string document;
    std::vector<std::string> pictures, files;
    uint64_t assetBytes = 0;

    Source()
    {
        folder = bench::benchDir("interchange");
        const int elements = elementCount();
        std::string body;
        for (int i = 0; i < elements; ++i) {
            const std::string name = "asset" + std::to_string(i);
            if (i % 10 == 0) {
                const std::string path = (folder / (name + ".png")).string();
                SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, kPictureSide, kPictureSide, 32, SDL_PIXELFORMAT_ARGB8888);
                noise(static_cast<uint8_t*>(s->pixels), static_cast<size_t>(s->pitch) * kPictureSide, static_cast<uint64_t>(i));
                IMG_SavePNG(s, path.c_str());
                SDL_FreeSurface(s);
                pictures.push_back(path);
                body += "<image name=\"" + name + "\" source=\"" + path + "\" alphablending=\"none\"/>\n";
            } else {
                const std::string path = (folder / (name + ".bin")).string();
                std::vector<uint8_t> bytes(kFileBytes);
                noise(bytes.data(), bytes.size(), static_cast<uint64_t>(i));
                std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), kFileBytes);
                files.push_back(path);
                body += "<file name=\"" + name + "\" storemethod=\"raw\" source=\"" + path + "\"/>\n";
            }
            assetBytes += fs::file_size(i % 10 == 0 ? pictures.back() : files.back());
        }
        document = "<VUQ version=\"v1\" totalblocks=\"" + std::to_string(elements) + "\">\n" + body + "</VUQ>\n";
    }
};

Source& source()
{
    static Source s;
    return s;
}

double seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

int freshArchive(const Source& s, const char* name)
{
    const std::string path = (s.folder / name).string();
    fs::remove(path);
    return Main::instance()->archiveMgr()->create(path.c_str(), elementCount() + 1026);
}

// Every asset decoded or read and written into its own archive: seconds.
double direct(const Source& s)
{
    const int id = freshArchive(s, "direct.qel");
    Zelkoran::Archive* archive = Main::instance()->archiveMgr()->get(id);
    Zelkoran::ImageMgr* images = Main::instance()->imageMgr();
    const auto t = Clock::now();
    for (size_t i = 0; i < s.pictures.size(); ++i) {
        const int picture = images->loadFromFile(s.pictures[i].c_str(), ("p" + std::to_string(i)).c_str());
        benchmark::DoNotOptimize(images->get(picture)->save(id, ""));
        images->close(picture);
    }
    std::vector<char> bytes;
    for (size_t i = 0; i < s.files.size(); ++i) {
        std::ifstream in(s.files[i], std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        Zelkoran::Archive::Block block(("f" + std::to_string(i)).c_str(), "ZK7_FILE");
        block.data = bytes.data();
        block.size = bytes.size();
        benchmark::DoNotOptimize(archive->blockAdd(block));
    }
    const double spent = seconds(t);
    Main::instance()->archiveMgr()->close(id);
    return spent;
}

void BM_ImportVsDirect(benchmark::State& state)
{
    const Source& s = source();
    Zelkoran::setDeviceSync(state.range(0) != 0);
    Zelkoran::XMLMgr* docs = Main::instance()->xmlMgr();
    double importTotal = 0, directTotal = 0;
    for (auto _ : state) {
        const int id = freshArchive(s, "import.qel");
        Zelkoran::TestSupport::pushAnswer(1);
        const auto t = Clock::now();
        const int doc = docs->loadFromBuffer(s.document.data(), s.document.size(), "bench");
        const int rc = XML2QEL(*docs->get(doc), id, "Import", nullptr, 0);
        docs->close(doc);
        const double importSeconds = seconds(t);
        const int stored = Main::instance()->archiveMgr()->get(id)->getBlockCount();
        Main::instance()->archiveMgr()->close(id);
        if (rc != 0 || stored != elementCount()) {
            state.SkipWithError(("import stored " + std::to_string(stored) + " blocks").c_str());
            break;
        }
        state.SetIterationTime(importSeconds);
        importTotal += importSeconds;
        directTotal += direct(s);
    }
    if (directTotal > 0) {
        state.counters["direct_s"] = benchmark::Counter(directTotal, benchmark::Counter::kAvgIterations);
        state.counters["ratio"] = importTotal / directTotal;
        state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.assetBytes));
    }
    Zelkoran::setDeviceSync(true);
}

BENCHMARK(BM_ImportVsDirect)
    ->ArgName("durable")
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(bench::scaled(2, 1));

} // namespace

BENCHMARK_MAIN();
