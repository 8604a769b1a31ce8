// Feeds arbitrary bytes to the particle effect reader: the input is stored
// as a "ZK7_PARTICLE" block and loaded through ParticleMgr. An effect that
// loads must run, draw, and save to the very same bytes.
#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Particle.h>
#include <Zelkoran/Screen.h>

#include "FuzzHarness.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void exercise(Zelkoran::Archive* archive, const uint8_t* data, size_t size)
{
    Zelkoran::ParticleMgr* mgr = Zelkoran::Main::instance()->particleMgr();
    const int id = mgr->load(archive->getID(), "fuzz");
    if (id <= 0)
        return;
    Zelkoran::ParticleEmitter* e = mgr->get(id);
    e->setPosition(32, 32);
    e->play();
    for (int i = 0; i < 5; ++i)
        mgr->update(0.05f);
    if (e->getLiveCount() > e->getMaxParticles())
        std::abort();
    if (fuzz::screenShown())
        mgr->render(0);
    if (e->save(archive->getID(), "again") != 0)
        std::abort(); // whatever loads must save
    Zelkoran::Archive::Block again("again", "ZK7_PARTICLE");
    if (archive->blockLoad(again) != 0 || again.size != size || std::memcmp(again.data, data, size) != 0)
        std::abort(); // and reload exactly
    archive->blockFree(again);
    mgr->closeOneShots();
    mgr->close(id);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Zelkoran::ArchiveMgr* archives = Zelkoran::Main::instance()->archiveMgr();
    const int archiveId = archives->create(fuzz::scratchPath("particle_fuzz").c_str(), 0);
    if (archiveId <= 0)
        return 0;
    Zelkoran::Archive* archive = archives->get(archiveId);
    archive->setDurable(false);
    Zelkoran::Archive::Block block("fuzz", "ZK7_PARTICLE");
    block.data = const_cast<uint8_t*>(data);
    block.size = size;
    if (archive->blockAdd(block) == 0)
        exercise(archive, data, size);
    archives->close(archiveId);
    std::remove(fuzz::scratchPath("particle_fuzz").c_str());
    return 0;
}
