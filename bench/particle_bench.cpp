// Particle costs, each as a ratio to a plain baseline timed in the same
// iterations (interleaved, so machine noise hits both alike):
//  - one update step of 65 536 live particles against a loop that moves as
//    many particles kept as plain float arrays (position, velocity, life);
//  - drawing 10 000 image particles at 1400 x 1000 (software renderer)
//    against drawing the same quads in one SDL_RenderGeometry call, its
//    triangles given in the order the renderer turns back into rectangles.
// And the effect tab's frame (update and a presented frame of the whole
// tab, its panel included) with 10 000 live particles of the default preset
// at every age over the preview area, in each blend mode and with glow,
// against a plain SDL frame on the same renderer: clear, the quads of the
// very particles the tab shows (its own soft dot, colour and size taken
// over life from the effect's keys) in one SDL_RenderGeometry call per
// texture and blend mode, present. Median and 95th percentile of both, and
// the tab's 95th percentile over the plain one's; the playing tab without
// particles is the floor.
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
#include <cmath>
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
        indices.insert(indices.end(), {b, b + 1, b + 3, b, b + 3, b + 2});
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

template <class Key, class Lerp>
auto overLife(const Vector<Key>& keys, float t, Lerp lerp)
{
    size_t k = 1;
    while (k + 1 < keys.size() && keys[k].time < t)
        ++k;
    const Key &a = keys[k - 1], &b = keys[k];
    const float span = b.time - a.time;
    return lerp(a, b, span > 0 ? std::clamp((t - a.time) / span, 0.0f, 1.0f) : 0.0f);
}

// What a plain SDL program does to show the same soft particles: its own
// soft dot, quads made each frame, one geometry call per texture and mode.
class PlainSprites {
public:
    explicit PlainSprites(SDL_Renderer* renderer) : m_renderer(renderer)
    {
        constexpr int kSide = 32;
        SDL_Surface* dot = SDL_CreateRGBSurfaceWithFormat(0, kSide, kSide, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_Surface* premultiplied = SDL_CreateRGBSurfaceWithFormat(0, kSide, kSide, 32, SDL_PIXELFORMAT_ARGB8888);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const float dx = (x + 0.5f) / 16 - 1, dy = (y + 0.5f) / 16 - 1;
                const float fall = std::max(0.0f, 1 - std::sqrt(dx * dx + dy * dy));
                const auto alpha = static_cast<uint32_t>(fall * fall * 255 + 0.5f);
                static_cast<uint32_t*>(dot->pixels)[y * kSide + x] = alpha << 24 | 0xFFFFFF;
                static_cast<uint32_t*>(premultiplied->pixels)[y * kSide + x] = alpha << 24 | alpha * 0x010101;
            }
        m_dot = SDL_CreateTextureFromSurface(renderer, dot);
        m_premultiplied = SDL_CreateTextureFromSurface(renderer, premultiplied);
        SDL_SetTextureScaleMode(m_dot, SDL_ScaleModeLinear);
        SDL_SetTextureScaleMode(m_premultiplied, SDL_ScaleModeLinear);
        SDL_FreeSurface(dot);
        SDL_FreeSurface(premultiplied);
    }
    ~PlainSprites()
    {
        SDL_DestroyTexture(m_dot);
        SDL_DestroyTexture(m_premultiplied);
    }
    PlainSprites(const PlainSprites&) = delete;
    PlainSprites& operator=(const PlainSprites&) = delete;

    // One presented frame of e's particles, the output cut to clip.
    void frame(ParticleEmitter& emitter, const SDL_Rect& clip)
    {
        const particle::Emitter& e = particle::Access::core(emitter);
        const SDL_BlendMode mode = e.s.blend == PBM_NONE       ? SDL_BLENDMODE_NONE
                                   : e.s.blend == PBM_ADDITIVE ? SDL_BLENDMODE_ADD
                                   : e.s.blend == PBM_MULTIPLY ? SDL_BLENDMODE_MUL
                                                               : SDL_BLENDMODE_BLEND;
        SDL_SetRenderDrawColor(m_renderer, 128, 128, 128, 255);
        SDL_RenderSetClipRect(m_renderer, nullptr);
        SDL_RenderClear(m_renderer);
        SDL_RenderSetClipRect(m_renderer, &clip);
        SDL_Texture* texture = mode == SDL_BLENDMODE_MUL ? m_premultiplied : m_dot;
        SDL_SetTextureBlendMode(texture, mode);
        draw(texture, quads(e, mode, 1, 1));
        if (e.s.glow && e.s.glowIntensity > 0) {
            SDL_SetTextureBlendMode(m_dot, SDL_BLENDMODE_ADD);
            draw(m_dot, quads(e, SDL_BLENDMODE_ADD, 2.5f, 0.5f * e.s.glowIntensity));
        }
        SDL_RenderPresent(m_renderer);
    }

private:
    int quads(const particle::Emitter& e, SDL_BlendMode mode, float grow, float fade)
    {
        const particle::Pool& p = e.pool;
        m_vertices.clear();
        for (int i = 0; i < p.count; ++i) {
            const float t = std::min(p.age[i] / p.life[i], 1.0f);
            SDL_Color c = overLife(e.s.colorKeys, t, [](const ParticleColorKey& a, const ParticleColorKey& b, float f) {
                const auto mix = [f](uint8_t x, uint8_t y) { return static_cast<uint8_t>(x + (y - x) * f + 0.5f); };
                return SDL_Color{mix(a.color.r, b.color.r), mix(a.color.g, b.color.g), mix(a.color.b, b.color.b),
                                 mix(a.color.a, b.color.a)};
            });
            c.a = static_cast<uint8_t>(c.a * fade);
            if (c.a == 0 && mode != SDL_BLENDMODE_NONE)
                continue;
            if (mode == SDL_BLENDMODE_MUL)
                c = {static_cast<uint8_t>(c.r * c.a / 255), static_cast<uint8_t>(c.g * c.a / 255),
                     static_cast<uint8_t>(c.b * c.a / 255), c.a};
            const float half = 4 * grow * overLife(e.s.scaleKeys, t, [](const ParticleScaleKey& a,
                                                                       const ParticleScaleKey& b, float f) {
                return a.scale + (b.scale - a.scale) * f;
            });
            const float x = p.x[i], y = p.y[i];
            m_vertices.push_back({{x - half, y - half}, c, {0, 0}});
            m_vertices.push_back({{x + half, y - half}, c, {1, 0}});
            m_vertices.push_back({{x - half, y + half}, c, {0, 1}});
            m_vertices.push_back({{x + half, y + half}, c, {1, 1}});
        }
        const int count = static_cast<int>(m_vertices.size() / 4);
        for (int q = static_cast<int>(m_indices.size() / 6); q < count; ++q) {
            const int b = 4 * q;
            m_indices.insert(m_indices.end(), {b, b + 1, b + 3, b, b + 3, b + 2});
        }
        return count;
    }
    void draw(SDL_Texture* texture, int count)
    {
        SDL_RenderGeometry(m_renderer, texture, m_vertices.data(), 4 * count, m_indices.data(), 6 * count);
    }

    SDL_Renderer* m_renderer;
    SDL_Texture* m_dot = nullptr;
    SDL_Texture* m_premultiplied = nullptr;
    std::vector<SDL_Vertex> m_vertices;
    std::vector<int> m_indices;
};

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

// Arg: 0 the playing tab with no particles (emission off); 1 to 4 the
// default preset kept at 10 000 live particles of every age, blending,
// adding, multiplying, copying; 5 blending with glow.
void BM_TabFrame10000(benchmark::State& state)
{
    constexpr int kCount = 10000;
    constexpr unsigned kModes[] = {PBM_ALPHA, PBM_ALPHA, PBM_ADDITIVE, PBM_MULTIPLY, PBM_NONE, PBM_ALPHA};
    const auto arg = static_cast<size_t>(state.range(0));
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
        e->setBlendMode(kModes[arg]);
        if (arg == 5 && !tickGlow(tab)) {
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
        PlainSprites plain(s->getRenderer());
        const SDL_Rect preview{200, 40, 1200, 960};
        std::vector<double> frames, plainFrames;
        int fewest = INT_MAX;
        for (auto _ : state) {
            const auto t0 = Clock::now();
            tab.update();
            s->renderFrame(true);
            const auto t1 = Clock::now();
            plain.frame(*e, preview);
            const auto t2 = Clock::now();
            frames.push_back(1000 * seconds(t0, t1));
            plainFrames.push_back(1000 * seconds(t1, t2));
            state.SetIterationTime(frames.back() / 1000);
            fewest = std::min(fewest, e->getLiveCount());
        }
        if (state.range(0) > 0 && fewest < kCount)
            state.SkipWithError(("fewer particles than asked: " + std::to_string(fewest)).c_str());
        state.counters["median_frame_ms"] = percentile(frames, 0.5);
        state.counters["p95_frame_ms"] = percentile(frames, 0.95);
        state.counters["plain_median_ms"] = percentile(plainFrames, 0.5);
        state.counters["plain_p95_ms"] = percentile(plainFrames, 0.95);
        state.counters["p95_ratio_to_plain"] = percentile(frames, 0.95) / percentile(plainFrames, 0.95);
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
BENCHMARK(BM_TabFrame10000)->DenseRange(0, 5)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(bench::scaled(300, 10));

int main(int argc, char** argv)
{
    const int rc = bench::runOffscreen(argc, argv);
    Main::terminate();
    return rc;
}
