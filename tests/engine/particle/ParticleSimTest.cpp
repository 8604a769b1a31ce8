// What a user of an effect sees happen: emission, bursts, the end of an
// effect, sub-emitter one-shots, forces, collisions and the same particles
// for the same seed.
#include "engine/particle/ParticleTestSupport.h"

#include <Zelkoran/Scene.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>

namespace particletest {
namespace {

using Sim = ParticleTest;

float speedOf(const particle::Pool& p, int i) { return std::hypot(p.vx[i], p.vy[i]); }

// Every particle old enough satisfies check.
bool all(const particle::Pool& p, float minAge, const std::function<bool(int)>& check)
{
    int seen = 0;
    for (int i = 0; i < p.count; ++i)
        if (p.age[i] >= minAge && ++seen && !check(i))
            return false;
    return seen > 0;
}

TEST_F(Sim, EveryPresetEmitsAndTheFiniteOnesEnd)
{
    for (int i = 0; i < mgr->getPresetCount(); ++i) {
        const ParticlePresetDesc* d = mgr->getPresetDesc(i);
        ASSERT_NE(d, nullptr);
        ParticleEmitter& e = emitter(d->preset, d->name);
        ASSERT_TRUE(e.play());
        run(0.5f);
        EXPECT_GT(e.getLiveCount(), 0) << d->name;
        float lifeMax = 0;
        e.getLifeSpan(nullptr, &lifeMax);
        if (!e.getLoop() && e.getDuration() >= 0) {
            run(e.getDuration() + lifeMax);
            EXPECT_EQ(e.status(), PES_FINISHED) << d->name;
        } else {
            EXPECT_EQ(e.status(), PES_PLAYING) << d->name;
        }
        mgr->closeOneShots();
        mgr->close(e.getID());
    }
    EXPECT_EQ(mgr->getPresetDesc(mgr->getPresetCount()), nullptr);
    EXPECT_EQ(mgr->getPresetDesc(0)->preset, PEP_DEFAULT);
}

TEST_F(Sim, ParticlesAreBornInsideTheEmitterShape)
{
    // Offsets from the emitter for a 100 x 40 shape.
    const struct {
        int shape;
        std::function<bool(float, float)> inside;
    } cases[] = {
        {PSH_POINT, [](float dx, float dy) { return dx == 0 && dy == 0; }},
        {PSH_LINE, [](float dx, float dy) { return std::fabs(dx) <= 50 && dy == 0; }},
        {PSH_RECT, [](float dx, float dy) { return std::fabs(dx) <= 50 && std::fabs(dy) <= 20; }},
        {PSH_CIRCLE, [](float dx, float dy) { return std::hypot(dx, dy) <= 50.01f; }},
        {PSH_RING, [](float dx, float dy) { return std::fabs(std::hypot(dx, dy) - 50) <= 20.01f; }},
        {PSH_ELLIPSE, [](float dx, float dy) { return (dx / 50) * (dx / 50) + (dy / 20) * (dy / 20) <= 1.001f; }},
    };
    for (const auto& c : cases) {
        ParticleEmitter& e = emitter();
        ASSERT_TRUE(e.setShape(c.shape, 100, 40) && e.setSpeed(0, 0) && e.setEmissionRate(0));
        e.play();
        e.burst(500);
        const particle::Pool& p = pool(e);
        float spanX = 0;
        for (int i = 0; i < p.count; ++i) {
            EXPECT_TRUE(c.inside(p.x[i] - 400, p.y[i] - 300)) << "shape " << c.shape;
            spanX = std::max(spanX, std::fabs(p.x[i] - 400));
        }
        EXPECT_GT(spanX, c.shape == PSH_POINT ? -1 : 40) << "shape " << c.shape << " fills its width";
        mgr->close(e.getID());
    }
}

TEST_F(Sim, StatusFollowsDurationLoopAndLongestLife)
{
    struct Case {
        bool loop;
        float duration;
        float at;
        int status;
    } cases[] = {
        {false, 0.5f, 0.7f, PES_PLAYING},  // particles born at 0.5 s live until 0.8 s
        {false, 0.5f, 0.9f, PES_FINISHED},
        {true, 0.5f, 3.0f, PES_PLAYING},
        {false, -1, 3.0f, PES_PLAYING},
    };
    for (const Case& c : cases) {
        ParticleEmitter& e = emitter();
        ASSERT_TRUE(e.setLifeSpan(0.3f, 0.3f) && e.setEmissionRate(100) && e.setDuration(c.duration));
        e.setLoop(c.loop);
        e.play();
        run(c.at);
        EXPECT_EQ(e.status(), c.status) << c.loop << " " << c.duration << " at " << c.at;
        mgr->close(e.getID());
    }
}

TEST_F(Sim, BurstsFireAtTheirTimesAndAgainInEachLoop)
{
    ParticleEmitter& e = emitter();
    ASSERT_TRUE(e.setEmissionRate(0) && e.setLifeSpan(10, 10) && e.setDuration(2));
    ASSERT_TRUE(e.setBursts({{1.0f, 20}, {0.5f, 10}}));
    EXPECT_EQ(e.getBursts()->front().time, 0.5f) << "kept sorted by time";
    e.play();
    const struct {
        float until;
        int live;
    } steps[] = {{0.45f, 0}, {0.6f, 10}, {0.95f, 10}, {1.1f, 30}, {2.55f, 40}, {3.05f, 60}};
    float now = 0;
    for (const auto& s : steps) {
        run(s.until - now);
        now = s.until;
        EXPECT_EQ(e.getLiveCount(), s.live) << "at " << s.until;
    }
}

TEST_F(Sim, MaxParticlesIsNeverExceeded)
{
    ParticleEmitter& e = emitter();
    ASSERT_TRUE(e.setEmissionRate(1000000) && e.setMaxParticles(50) && e.setLifeSpan(5, 5));
    e.play();
    for (int i = 0; i < 30; ++i) {
        mgr->update(kTick);
        ASSERT_EQ(e.getLiveCount(), 50);
    }
    EXPECT_TRUE(e.burst(65536));
    EXPECT_EQ(e.getLiveCount(), 50);
    EXPECT_FALSE(e.burst(65537));
    EXPECT_FALSE(e.burst(0));
    ASSERT_TRUE(e.setMaxParticles(10));
    EXPECT_EQ(e.getLiveCount(), 10);
    EXPECT_FALSE(e.setMaxParticles(65537));
    EXPECT_TRUE(e.setMaxParticles(65536));
}

TEST_F(Sim, TheSameSeedGivesBitIdenticalParticles)
{
    auto particlesAfter = [&](uint32_t seed) {
        ParticleEmitter& e = emitter(PEP_FIRE, "");
        EXPECT_TRUE(e.setSeed(seed));
        e.play();
        for (int i = 0; i < 90; ++i) {
            mgr->update(kTick);
            e.setPosition(400 + static_cast<float>(i), 300);
        }
        const particle::Pool& p = pool(e);
        std::string bytes;
        for (const Vector<float>* v : {&p.x, &p.y, &p.vx, &p.vy, &p.age, &p.life})
            bytes.append(reinterpret_cast<const char*>(v->data()), static_cast<size_t>(p.count) * sizeof(float));
        mgr->close(e.getID());
        return bytes;
    };
    const std::string first = particlesAfter(7);
    ASSERT_GT(first.size(), 0u);
    EXPECT_EQ(particlesAfter(7), first);
    EXPECT_NE(particlesAfter(8), first);
}

TEST_F(Sim, ASubEmitterOnDeathKeepsOneShotsRunningAfterTheEffectEnds)
{
    ParticleEmitter& e = emitter();
    ASSERT_TRUE(e.setEmissionRate(0) && e.setDuration(0) && e.setLifeSpan(0.2f, 0.2f));
    e.setLoop(false);
    ASSERT_TRUE(e.setBursts({{0, 5}}));
    ASSERT_TRUE(e.setSubEmitters({{PEP_SMOKE_PUFF, PST_DEATH, 1, 0}}));
    EXPECT_FALSE(e.setSubEmitters({{999, PST_DEATH, 1, 0}})) << "not a preset";
    EXPECT_FALSE(e.setSubEmitters({{PEP_SMOKE_PUFF, 0, 1, 0}})) << "no trigger";
    e.play();
    run(0.3f);
    EXPECT_EQ(e.status(), PES_FINISHED);
    EXPECT_EQ(mgr->getCount(), 1 + 5);
    run(3);
    EXPECT_EQ(mgr->getCount(), 1) << "one-shots close themselves";

    e.play();
    run(0.3f);
    mgr->closeOneShots();
    EXPECT_EQ(mgr->getCount(), 1);
}

TEST_F(Sim, PauseFreezesAndStopClears)
{
    ParticleEmitter& e = emitter(PEP_FOUNTAIN);
    EXPECT_FALSE(e.pause()) << "not running";
    e.play();
    run(0.5f);
    ASSERT_TRUE(e.pause());
    EXPECT_EQ(e.status(), PES_PAUSED);
    const float y0 = pool(e).y[0];
    const int live = e.getLiveCount();
    run(0.5f);
    EXPECT_EQ(pool(e).y[0], y0);
    EXPECT_EQ(e.getLiveCount(), live);
    EXPECT_TRUE(e.play());
    EXPECT_EQ(e.status(), PES_PLAYING);
    e.clear();
    EXPECT_EQ(e.getLiveCount(), 0);
    EXPECT_EQ(e.status(), PES_PLAYING);
    run(0.2f);
    e.stop();
    EXPECT_EQ(e.getLiveCount(), 0);
    EXPECT_EQ(e.status(), PES_STOPPED);
}

// One setting a user would try, how it is driven and what it must show.
struct MotionCase {
    const char* name;
    std::function<void(ParticleEmitter&)> setup;
    std::function<void(ParticleEmitter&, Sim&)> drive;
    std::function<bool(ParticleEmitter&, const particle::Pool&)> shows;
};

TEST_F(Sim, ForcesAndEmissionSettingsDoWhatTheySay)
{
    auto still = [](ParticleEmitter& e) {
        EXPECT_TRUE(e.setSpeed(0, 0) && e.setLifeSpan(5, 5) && e.setEmissionRate(60));
    };
    auto ring = [](ParticleEmitter& e) { EXPECT_TRUE(e.setShape(PSH_RING, 200, 0)); };
    auto runFor = [](float s) { return [s](ParticleEmitter&, Sim& t) { t.run(s); }; };
    auto distance = [](ParticleEmitter& e, const particle::Pool& p, int i) {
        (void)e;
        return std::hypot(p.x[i] - 400, p.y[i] - 300);
    };
    const MotionCase cases[] = {
        {"gravity pulls down", [&](ParticleEmitter& e) { still(e), e.setPhysics(0, 200, 0); }, runFor(0.5f),
         [](ParticleEmitter&, const particle::Pool& p) {
             return all(p, 0.1f, [&](int i) { return p.y[i] > 300 && p.vy[i] > 0; });
         }},
        {"damping slows", [](ParticleEmitter& e) { e.setSpeed(200, 200), e.setPhysics(0, 0, 5); }, runFor(0.5f),
         [](ParticleEmitter&, const particle::Pool& p) {
             return all(p, 0.2f, [&](int i) { return speedOf(p, i) < 200 * std::exp(-5 * 0.19f); });
         }},
        {"velocity limit caps", [](ParticleEmitter& e) { e.setSpeed(500, 600), e.setVelocityLimit(100); },
         runFor(0.3f),
         [](ParticleEmitter&, const particle::Pool& p) {
             return all(p, 0.02f, [&](int i) { return speedOf(p, i) <= 100.01f; });
         }},
        {"attraction pulls in", [&](ParticleEmitter& e) { still(e), ring(e), e.setAttraction(300, 0, 1); },
         runFor(0.5f),
         [&](ParticleEmitter& e, const particle::Pool& p) {
             return all(p, 0.2f, [&](int i) { return distance(e, p, i) < 99; });
         }},
        {"orbit circles", [&](ParticleEmitter& e) { still(e), ring(e), e.setOrbit(300, 0, 1); }, runFor(0.5f),
         [](ParticleEmitter&, const particle::Pool& p) {
             // Every particle turns the same way: offset x velocity keeps its sign.
             return all(p, 0.1f, [&](int i) { return (p.x[i] - 400) * p.vy[i] - (p.y[i] - 300) * p.vx[i] < 0; });
         }},
        {"radial mode points away",
         [&](ParticleEmitter& e) { ring(e), e.setDirectionMode(PDM_RADIAL), e.setDirection(-90, 0); },
         [](ParticleEmitter& e, Sim& t) { e.setSpeed(100, 100), t.run(0.2f); },
         [](ParticleEmitter&, const particle::Pool& p) {
             return all(p, 0, [&](int i) {
                 return std::fabs((p.x[i] - 400) * p.vy[i] - (p.y[i] - 300) * p.vx[i]) < 10
                        && (p.x[i] - 400) * p.vx[i] + (p.y[i] - 300) * p.vy[i] > 0;
             });
         }},
        {"simulation scale 0 freezes", [](ParticleEmitter& e) { e.setSimulationScale(0); }, runFor(1),
         [](ParticleEmitter& e, const particle::Pool&) { return e.getLiveCount() == 0; }},
        {"warm-up starts full", [](ParticleEmitter& e) { e.setWarmUp(2), e.setLifeSpan(5, 5); },
         [](ParticleEmitter& e, Sim&) { e.stop(), e.play(); },
         [](ParticleEmitter& e, const particle::Pool&) { return e.getLiveCount() >= 39 && e.getLiveCount() <= 40; }},
        {"local space carries particles", [&](ParticleEmitter& e) { still(e), e.setLocalSpace(true); },
         [](ParticleEmitter& e, Sim& t) { t.run(0.2f), e.setPosition(500, 350); },
         [](ParticleEmitter&, const particle::Pool& p) {
             return all(p, 0, [&](int i) { return p.x[i] == 500 && p.y[i] == 350; });
         }},
        {"emission distance lays a trail",
         [&](ParticleEmitter& e) { still(e), e.setEmissionRate(0), e.setEmissionDistance(10); },
         [](ParticleEmitter& e, Sim& t) { e.setPosition(500, 300), t.run(kTick); },
         [](ParticleEmitter& e, const particle::Pool& p) {
             return e.getLiveCount() == 10 && all(p, 0, [&](int i) { return p.x[i] > 400 && p.x[i] <= 500; });
         }},
        {"velocity inheritance follows the emitter",
         [&](ParticleEmitter& e) {
             still(e), e.setEmissionRate(0), e.setEmissionDistance(30), e.setVelocityInheritance(1);
         },
         [](ParticleEmitter& e, Sim& t) { e.setPosition(460, 300), t.run(kTick); },
         [](ParticleEmitter&, const particle::Pool& p) {
             return all(p, 0, [&](int i) { return std::fabs(p.vx[i] - 3600) < 1 && p.vy[i] == 0; });
         }},
    };
    for (const MotionCase& c : cases) {
        ParticleEmitter& e = emitter();
        c.setup(e);
        e.play();
        c.drive(e, *this);
        EXPECT_TRUE(c.shows(e, pool(e))) << c.name;
        mgr->close(e.getID());
    }
}

// A 20 x 20 grid of 32-pixel cells whose row 12 (y 384..415) is solid.
class Floor : public SceneLayerTile {
public:
    Floor() { std::fill(m_cells + 12 * 20, m_cells + 13 * 20, 1u); }
    int getColumns() const override { return 20; }
    int getRows() const override { return 20; }
    uint32_t* getRow(int row) override { return row >= 0 && row < 20 ? m_cells + row * 20 : nullptr; }
    const uint32_t* getRow(int row) const override { return row >= 0 && row < 20 ? m_cells + row * 20 : nullptr; }
    bool setCellWidth(int) override { return false; }
    bool setCellHeight(int) override { return false; }
    int getCellWidth() const override { return 32; }
    int getCellHeight() const override { return 32; }

private:
    uint32_t m_cells[400] = {};
};

TEST_F(Sim, ParticlesCollideWithASceneTileLayer)
{
    Floor floor;
    struct Case {
        eParticleCollisionMode mode;
        std::function<bool(const particle::Pool&)> shows;
    } cases[] = {
        {PCM_NONE, [](const particle::Pool& p) { return all(p, 0, [&](int i) { return p.y[i] > 416; }); }},
        {PCM_BOUNCE, [](const particle::Pool& p) { return all(p, 0, [&](int i) { return p.y[i] < 384; }); }},
        {PCM_STOP,
         [](const particle::Pool& p) { return all(p, 0, [&](int i) { return p.y[i] < 384 && speedOf(p, i) == 0; }); }},
        {PCM_KILL, [](const particle::Pool& p) { return p.count == 0; }},
    };
    for (const Case& c : cases) {
        ParticleEmitter& e = emitter();
        ASSERT_TRUE(e.setSpeed(0, 0) && e.setEmissionRate(0) && e.setLifeSpan(5, 5) && e.setPhysics(0, 400, 0));
        ASSERT_TRUE(e.setCollisionMode(c.mode, 0.5f) && e.setCollisionLayer(&floor, 0, 0));
        ASSERT_TRUE(e.setSubEmitters({{PEP_SMOKE_PUFF, PST_COLLISION, 1, 0}}));
        e.play();
        e.burst(10);
        run(1.2f);
        EXPECT_TRUE(c.shows(pool(e))) << "mode " << c.mode;
        EXPECT_EQ(mgr->getCount() > 1, c.mode != PCM_NONE) << "first collisions launch one-shots, mode " << c.mode;
        mgr->closeOneShots();
        mgr->close(e.getID());
    }
}

} // namespace
} // namespace particletest
