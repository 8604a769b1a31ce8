// Shared set-up of the particle tests: an engine with an archive, an
// emitter to drive and stepping at the editor's logic rate.
#pragma once

#include "engine/archive/ArchiveTestUtil.h"
#include "particle/ParticleAccess.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Particle.h>
#include <Zelkoran/Result.h>

#include <gtest/gtest.h>

namespace particletest {

using namespace Zelkoran;

constexpr float kTick = 1.0f / 60.0f;

class ParticleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        archiveId = Main::instance()->archiveMgr()->create(dir.file("fx.qel").c_str(), 0);
        ASSERT_GT(archiveId, 0);
        Main::instance()->archiveMgr()->get(archiveId)->setDurable(false);
        mgr = Main::instance()->particleMgr();
    }
    void TearDown() override { Main::terminate(); }

public:
    // A new emitter with preset applied, placed at (400, 300).
    ParticleEmitter& emitter(eParticleEffectPreset preset = PEP_DEFAULT, const char* name = "fx")
    {
        const int id = mgr->create(name, 10);
        EXPECT_GT(id, 0);
        ParticleEmitter* e = mgr->get(id);
        EXPECT_TRUE(e->applyPreset(preset));
        e->setPosition(400, 300);
        return *e;
    }
    // Ticks of kTick until seconds have passed.
    void run(float seconds)
    {
        for (float t = 0; t < seconds - 1e-4f; t += kTick)
            mgr->update(kTick);
    }
    static particle::Pool& pool(ParticleEmitter& e) { return particle::Access::core(e).pool; }

    testutil::ScratchDir dir;
    int archiveId = 0;
    ParticleMgr* mgr = nullptr;
};

} // namespace particletest
