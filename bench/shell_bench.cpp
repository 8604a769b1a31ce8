// The editor shell's speed, each figure against a baseline of the same run:
//  - what a user waits for: from spawning the editor's program to its
//    first presented frame (the " First frame drawn" log line, read from
//    its stderr), with an archive of 1 000 000 image blocks named on the
//    command line (the real open: QELv1 probe, legacy-block scan, every
//    tab's list) and without one, against spawning a bare SDL program that
//    opens a window of the same size with the same renderer and presents
//    one frame (counters empty_vs_bare and archive_vs_bare); against the
//    engine's open (and close) of the same archive in this process
//    (archive_vs_open: what the editor adds to the engine's own work, the
//    spawn, window and every tab included); and the time the archive adds
//    to the empty start (beyond_empty_ms, target under 500 ms); runs of the
//    four alternate;
//  - the frame time with an archive of 10 000 image blocks open in the
//    image tab, against the same frame with an empty archive (median and
//    95th percentile per frame);
//  - rebuilding every tab's block list for that archive;
//  - opening an archive of 1 000 000 image blocks in this process: the
//    engine's open, every tab's list and the first frame (the resident
//    memory it adds, in all and per entry).
// Runs headless (SDL_VIDEODRIVER=offscreen unless set otherwise).
// Archives go to a fresh folder per run inside SKARDEN_BENCH_DIR.
#include "BenchDir.h"
#include "services/GlobalStatus.h"
#include "app/Menu.h"
#include "app/Skarden.h"
#include "tabs/base/ctrlBase.h"

#include "ResidentMemory.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Timer.h>

#include <benchmark/benchmark.h>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const int kLargeArchive = bench::scaled(1000000, 1000);
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

void BM_FrameImageTab10000(benchmark::State& state) { frameTimes(state, bench::scaled(10000, 100)); }
BENCHMARK(BM_FrameImageTab10000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(bench::scaled(300, 3));

// Baseline: the same frame with an empty archive.
void BM_FrameImageTabEmpty(benchmark::State& state) { frameTimes(state, 0); }
BENCHMARK(BM_FrameImageTabEmpty)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(bench::scaled(300, 3));

// Every tab rebuilds its list and relabels its check box.
void BM_ReparseAllTabs10000(benchmark::State& state)
{
    const std::string path = imageArchive(bench::scaled(10000, 100));
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
BENCHMARK(BM_ReparseAllTabs10000)->Unit(benchmark::kMillisecond)->Iterations(bench::scaled(10, 1));

// The editor opens a very large archive: what the user waits for.
void BM_OpenInEditor1M(benchmark::State& state)
{
    const std::string path = imageArchive(kLargeArchive);
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
    state.counters["B_per_entry"] = static_cast<double>(added) / kLargeArchive;
}
BENCHMARK(BM_OpenInEditor1M)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(bench::scaled(3, 1));

// Starts program with args and reads its stderr until the first-frame
// line: seconds from the spawn, or -1. The program is killed then (nothing
// is written after the first frame).
double execToFirstFrame(const char* program, const std::vector<std::string>& args)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto begin = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    double took = -1;
    std::string seen;
    char buffer[4096];
    for (ssize_t n; spawned == 0 && (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        seen.append(buffer, size_t(n));
        if (seen.find("First frame drawn") != std::string::npos) {
            took = seconds(Clock::now() - begin);
            break;
        }
    }
    ::close(pipeFds[0]);
    if (spawned == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return took;
}

// The engine's open and close of the archive at path in this process:
// seconds, or -1.
double engineOpen(const std::string& path)
{
    Zelkoran::ArchiveMgr* archives = Main::instance()->archiveMgr();
    const auto begin = Clock::now();
    const int id = archives->load(path.c_str(), nullptr, 0);
    if (id <= 0)
        return -1;
    archives->close(id);
    return seconds(Clock::now() - begin);
}

// Runs of the four alternate, so machine noise hits each alike.
void BM_ExecToFirstFrame1M(benchmark::State& state)
{
    const std::string path = imageArchive(kLargeArchive);
    double withArchive = 0, empty = 0, bare = 0, open = 0;
    for (auto _ : state) {
        const double a = execToFirstFrame(SKARDEN_PROGRAM, {path});
        const double e = execToFirstFrame(SKARDEN_PROGRAM, {});
        const double b = execToFirstFrame(BARE_PROGRAM, {});
        const double o = engineOpen(path);
        if (a < 0 || e < 0 || b < 0 || o < 0) {
            state.SkipWithError(o < 0 ? "the engine did not open the archive" : "a program did not draw its first frame");
            return;
        }
        state.SetIterationTime(a);
        withArchive += a, empty += e, bare += b, open += o;
    }
    Main::terminate();
    const double n = double(state.iterations());
    state.counters["engine_open_ms"] = open * 1000 / n;
    state.counters["archive_vs_open"] = withArchive / open;
    state.counters["bare_sdl_ms"] = bare * 1000 / n;
    state.counters["empty_start_ms"] = empty * 1000 / n;
    state.counters["empty_vs_bare"] = empty / bare;
    state.counters["archive_vs_bare"] = withArchive / bare;
    state.counters["beyond_empty_ms"] = (withArchive - empty) * 1000 / n;
}
BENCHMARK(BM_ExecToFirstFrame1M)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(bench::scaled(5, 1));

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
