// The editor shell's speed, each figure against a baseline of the same run:
//  - start-up to the first drawn frame, against opening the bare engine
//    window and drawing one frame;
//  - the frame time with an archive of 10 000 image blocks open in the
//    image tab, against the same frame with an empty archive (median and
//    95th percentile per frame);
//  - rebuilding every tab's block list for that archive;
//  - opening an archive of 1 000 000 image blocks in the editor: the
//    engine's open, every tab's list and the first frame (time, and the
//    resident memory it adds).
// Runs headless (SDL_VIDEODRIVER=offscreen unless set otherwise).
// SKARDEN_BENCH_DIR: folder for the archives (default /tmp/skarden-bench).
#include "BenchDir.h"
#include "app/GlobalStatus.h"
#include "app/Menu.h"
#include "app/Skarden.h"
#include "tabs/base/ctrlBase.h"

#include "ResidentMemory.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Timer.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Zelkoran::Main;

// An archive of count image blocks named "image00000" ... (made once).
std::string imageArchive(int count)
{
    const std::string path = bench::benchDir() + "/shell-images-" + std::to_string(count) + ".qel";
    if (std::filesystem::exists(path))
        return path;
    Zelkoran::ArchiveMgr* archives = Main::instance()->archiveMgr();
    const int id = archives->create(path.c_str(), count + 16);
    Zelkoran::Archive* archive = archives->get(id);
    archive->setDurable(false);
    const char pixel[16] = "not really png.";
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "image%05d", i);
        Zelkoran::Archive::Block block(name, "ZK7_IMAGE");
        block.data = const_cast<char*>(pixel);
        block.size = sizeof(pixel);
        archive->blockAdd(block);
    }
    archives->close(id);
    Main::terminate();
    return path;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

int startEditor(Skarden& editor)
{
    char name[] = "Skarden";
    char* argv[] = {name, nullptr};
    return editor.start(1, argv);
}

void openArchive(Skarden& editor, const std::string& path)
{
    GlobalStatus& gs = *editor.globalStatus();
    gs.iArchiveID = Main::instance()->archiveMgr()->load(path.c_str(), nullptr, 0);
    gs.bArchiveLoaded = 1;
    gs.sArchivePath = path.c_str();
    gs.bReparseAll = 1;
    editor.menu()->update();
}

void BM_StartupToFirstFrame(benchmark::State& state)
{
    for (auto _ : state) {
        Skarden editor;
        const auto begin = Clock::now();
        if (startEditor(editor) != 0) {
            state.SkipWithError("start-up failed");
            return;
        }
        editor.runPass(); // draws the first frame before it waits
        state.SetIterationTime(seconds(Clock::now() - begin));
        editor.shutdown();
    }
}
BENCHMARK(BM_StartupToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// Baseline: the engine alone opens its window and draws one frame.
void BM_BareEngineFirstFrame(benchmark::State& state)
{
    for (auto _ : state) {
        const auto begin = Clock::now();
        Main* engine = Main::instance();
        engine->timer()->init(0);
        Zelkoran::Screen* screen = engine->configMgr()->get(0);
        screen->setDriver(1);
        screen->setSize(1400, 1000);
        screen->show();
        screen->renderFrame(true);
        state.SetIterationTime(seconds(Clock::now() - begin));
        Main::terminate();
    }
}
BENCHMARK(BM_BareEngineFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// Per-frame times of frames drawn with the image tab active.
void frameTimes(benchmark::State& state, int blocks)
{
    const std::string path = imageArchive(blocks);
    Skarden editor;
    if (startEditor(editor) != 0) {
        state.SkipWithError("start-up failed");
        return;
    }
    openArchive(editor, path);
    Zelkoran::Screen* screen = Main::instance()->configMgr()->get(0);
    std::vector<double> frames;
    for (auto _ : state) {
        const auto begin = Clock::now();
        screen->renderFrame(true);
        const double s = seconds(Clock::now() - begin);
        state.SetIterationTime(s);
        frames.push_back(s * 1000.0);
    }
    std::sort(frames.begin(), frames.end());
    state.counters["median_ms"] = frames[frames.size() / 2];
    state.counters["p95_ms"] = frames[frames.size() * 95 / 100];
    state.counters["items"] = editor.menu()->getCtrls().front()->getNumItems();
    editor.shutdown();
}

void BM_FrameImageTab10000(benchmark::State& state) { frameTimes(state, 10000); }
BENCHMARK(BM_FrameImageTab10000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(300);

// Baseline: the same frame with an empty archive.
void BM_FrameImageTabEmpty(benchmark::State& state) { frameTimes(state, 0); }
BENCHMARK(BM_FrameImageTabEmpty)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(300);

// Every tab rebuilds its list and relabels its check box.
void BM_ReparseAllTabs10000(benchmark::State& state)
{
    const std::string path = imageArchive(10000);
    Skarden editor;
    if (startEditor(editor) != 0) {
        state.SkipWithError("start-up failed");
        return;
    }
    openArchive(editor, path);
    for (auto _ : state) {
        editor.globalStatus()->bReparseAll = 1;
        editor.menu()->update();
    }
    editor.shutdown();
}
BENCHMARK(BM_ReparseAllTabs10000)->Unit(benchmark::kMillisecond)->Iterations(10);

// The editor opens a very large archive: what the user waits for.
void BM_OpenInEditor1M(benchmark::State& state)
{
    const std::string path = imageArchive(1000000);
    size_t added = 0;
    for (auto _ : state) {
        Skarden editor;
        if (startEditor(editor) != 0) {
            state.SkipWithError("start-up failed");
            return;
        }
        const size_t before = bench::settledResidentBytes();
        const auto begin = Clock::now();
        openArchive(editor, path);
        Main::instance()->configMgr()->get(0)->renderFrame(true);
        state.SetIterationTime(seconds(Clock::now() - begin));
        added = bench::residentBytes() - before;
        editor.shutdown();
    }
    state.counters["rss_MiB"] = static_cast<double>(added) / (1 << 20);
}
BENCHMARK(BM_OpenInEditor1M)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
