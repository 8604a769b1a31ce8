// Particle costs, each as a ratio to a plain baseline timed in the same
// iterations (interleaved, so machine noise hits both alike):
//  - one update step of 65 536 live particles against a loop that moves as
//    many particles kept as plain float arrays (position, velocity, life);
//  - drawing 10 000 image particles at 1400 x 1000 (software renderer)
//    against drawing the same quads in one SDL_RenderGeometry call.
// And the effect tab's frame (update and a presented frame of the whole
// tab, its panel included) with 10 000 live particles of the default preset
// at every age over the preview area, without and with glow, against the
// playing tab without particles: median and 95th percentile.
// The process's peak RSS is reported with the update benchmark.
#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "particle/ParticleAccess.h"
#include "tabs/effects/ctrlEffects.h"

#include "BenchDir.h"
#include "BenchScreen.h"
#include "ResidentMemory.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Particle.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Timer.h>
#include <Zelkoran/Widget.h>

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <new>
#include <optional>
#include <string>
#include <vector>

using namespace Zelkoran;

namespace {

using Clock = std::chrono::steady_clock;
constexpr float kStep = 1.0f / 60.0f;

double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// Position, velocity and life of n particles as plain arrays.
struct PlainParticles {
    std::vector<float> x, y, vx, vy, life;
    explicit PlainParticles(size_t n) : x(n, 700), y(n, 500), vx(n, 30), vy(n, -60), life(n, 1000) {}
    void step(float dt, float gravity)
    {
        const size_t n = x.size();
        for (size_t i = 0; i < n; ++i) {
            vy[i] += gravity * dt;
            x[i] += vx[i] * dt;
            y[i] += vy[i] * dt;
            life[i] -= dt;
        }
        benchmark::DoNotOptimize(life.data());
    }
};

ParticleEmitter* fullEmitter(int count)
{
    ParticleMgr* mgr = Main::instance()->particleMgr();
    ParticleEmitter* e = mgr->get(mgr->create("", 10));
    e->setMaxParticles(count);
    e->setEmissionRate(0);
    e->setLifeSpan(1000, 1000);
    e->setSpeed(20, 80);
    e->setDirection(-90, 360);
    e->setPhysics(0, 100, 0.1f);
    e->setPosition(700, 500);
    e->play();
    e->burst(count);
    return e;
}

void BM_Update65536(benchmark::State& state)
{
    constexpr int kCount = 65536;
    ParticleEmitter* e = fullEmitter(kCount);
    PlainParticles plain(kCount);
    ParticleMgr* mgr = Main::instance()->particleMgr();
    double engine = 0, baseline = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        mgr->update(kStep);
        const auto t1 = Clock::now();
        plain.step(kStep, 100);
        const auto t2 = Clock::now();
        engine += seconds(t0, t1);
        baseline += seconds(t1, t2);
        state.SetIterationTime(seconds(t0, t1));
    }
    if (e->getLiveCount() != kCount)
        state.SkipWithError("particles died");
    state.counters["ratio_to_baseline"] = engine / baseline;
    state.counters["baseline_ms"] = 1000 * baseline / static_cast<double>(state.iterations());
    state.counters["peak_rss_mb"] = bench::peakResidentMiB();
    mgr->close(e->getID());
}

void BM_Render10000Images(benchmark::State& state)
{
    constexpr int kCount = 10000;
    Main* main = Main::instance();
    Screen* s = main->configMgr()->get(0);
    s->setDriver(Screen::DRV_SOFT);
    s->setSize(1400, 1000);
    if (s->show() < 0) {
        state.SkipWithError("no screen");
        return;
    }
    SDL_Surface* dot = SDL_CreateRGBSurfaceWithFormat(0, 16, 16, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_FillRect(dot, nullptr, 0xC0FF8040);
    const int image = main->imageMgr()->loadFromSurface(dot, "dot");
    SDL_FreeSurface(dot);
    ParticleEmitter* e = fullEmitter(kCount);
    e->setVisual(PV_IMAGE, image, -1);
    e->setScaleRamp(1, 1);
    e->setShape(PSH_RECT, 1400, 1000);
    e->stop();
    e->play();
    e->burst(kCount);

    // The same quads, made once: 16 x 16 at the particles' places.
    SDL_Renderer* r = s->getRenderer();
    SDL_Texture* tex = main->imageMgr()->get(image)->texture(r);
    main->particleMgr()->update(kStep);
    const particle::Pool& pool = particle::Access::core(*e).pool;
    std::vector<SDL_Vertex> quads;
    std::vector<int> indices;
    for (int i = 0; i < pool.count; ++i) {
        const float x = pool.x[i] - 8, y = pool.y[i] - 8;
        const SDL_Color c{255, 255, 255, 255};
        const int b = static_cast<int>(quads.size());
        quads.push_back({{x, y}, c, {0, 0}});
        quads.push_back({{x + 16, y}, c, {1, 0}});
        quads.push_back({{x, y + 16}, c, {0, 1}});
        quads.push_back({{x + 16, y + 16}, c, {1, 1}});
        indices.insert(indices.end(), {b, b + 1, b + 2, b + 2, b + 1, b + 3});
    }
    double engine = 0, baseline = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        main->particleMgr()->render(0);
        SDL_RenderFlush(r);
        const auto t1 = Clock::now();
        SDL_RenderGeometry(r, tex, quads.data(), static_cast<int>(quads.size()), indices.data(),
                           static_cast<int>(indices.size()));
        SDL_RenderFlush(r);
        const auto t2 = Clock::now();
        engine += seconds(t0, t1);
        baseline += seconds(t1, t2);
        state.SetIterationTime(seconds(t0, t1));
    }
    state.counters["ratio_to_baseline"] = engine / baseline;
    state.counters["baseline_ms"] = 1000 * baseline / static_cast<double>(state.iterations());
    main->particleMgr()->close(e->getID());
}

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(share * static_cast<double>(values.size())))];
}

// The tab's Glow box ticked as a click does: the tab applies it with the
// intensity its field shows.
bool tickGlow(CtrlEffects& tab)
{
    GUIMgr* gui = Main::instance()->guiMgr();
    for (int id : gui->getPanelIDs())
        if (WidgetCheckBox* box = gui->getPanel(id)->getCheckBox(CtrlEffects::EW_GLOW)) {
            box->setChecked(true);
            tab.processEvent(CtrlEffects::EW_GLOW, 1);
            return true;
        }
    return false;
}

// Arg: 0 the playing tab with no particles (emission off); 1 the default
// preset kept at 10 000 live particles of every age; 2 the same with glow.
void BM_TabFrame10000(benchmark::State& state)
{
    constexpr int kCount = 10000;
    Main* main = Main::instance();
    Screen* s = bench::openSoftScreen(1400, 1000);
    if (!s) {
        state.SkipWithError("no screen");
        return;
    }
    char name[] = "Skarden";
    char* argv[] = {name};
    std::optional<GlobalStatus> status;
    status.emplace(1, argv);
    std::optional<ResourceManager> resources;
    resources.emplace();
    if (resources->load() != 0) {
        state.SkipWithError("no editor resources");
        return;
    }
    {
        CtrlEffects tab(&*resources, &*status);
        tab.show();
        tab.processEvent(tab.getCheckBoxID(), 1);
        ParticleEmitter* e = main->particleMgr()->get(tab.getItemHandle());
        // The default look over the preview area, emitted faster than they
        // die: a frame's update ends by removing the particles that died
        // within it, so the pool may hold a few more than are drawn.
        e->setMaxParticles(kCount + kCount / 20);
        e->setEmissionRate(state.range(0) > 0 ? 3 * kCount : 0);
        e->setShape(PSH_RECT, 1150, 900);
        if (state.range(0) == 2 && !tickGlow(tab)) {
            state.SkipWithError("no Glow box");
            return;
        }
        tab.processEvent(CtrlEffects::EW_PLAY, 0);
        s->setRenderCallback([&tab](int v) { return tab.render(v); });
        // Two seconds of play: every age from new to the longest life.
        for (int i = 0; i < 120; ++i) {
            tab.update();
            s->renderFrame(true);
        }
        std::vector<double> frames;
        int fewest = INT_MAX;
        for (auto _ : state) {
            const auto t0 = Clock::now();
            tab.update();
            s->renderFrame(true);
            const auto t1 = Clock::now();
            frames.push_back(1000 * seconds(t0, t1));
            state.SetIterationTime(frames.back() / 1000);
            fewest = std::min(fewest, e->getLiveCount());
        }
        if (state.range(0) > 0 && fewest < kCount)
            state.SkipWithError(("fewer particles than asked: " + std::to_string(fewest)).c_str());
        state.counters["median_frame_ms"] = percentile(frames, 0.5);
        state.counters["p95_frame_ms"] = percentile(frames, 0.95);
        state.counters["fewest_live"] = state.range(0) > 0 ? fewest : 0;
        s->setRenderCallback(nullptr);
        tab.closeResources();
    }
    resources.reset();
}

} // namespace

BENCHMARK(BM_Update65536)->UseManualTime()->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Render10000Images)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_TabFrame10000)->DenseRange(0, 2)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(bench::scaled(300, 10));

int main(int argc, char** argv)
{
    const int rc = bench::runOffscreen(argc, argv);
    Main::terminate();
    return rc;
}
