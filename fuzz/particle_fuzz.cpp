// Feeds arbitrary bytes to the particle effect reader: the input is stored
// as a "ZK7_PARTICLE" block and loaded through ParticleMgr. An effect that
// loads must run, draw, and save to the very same bytes.
#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Particle.h>
#include <Zelkoran/Screen.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

std::string scratchPath()
{
    // A memory-backed folder keeps the archive's writes cheap.
    static std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/particle_fuzz_"
                              + std::to_string(getpid()) + ".qel";
    return path;
}

// A small offscreen window to draw into, opened once.
bool screenShown()
{
    static const bool shown = [] {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        Zelkoran::Screen* screen = Zelkoran::Main::instance()->configMgr()->get(0);
        screen->setDriver(Zelkoran::Screen::DRV_SOFT);
        screen->setSize(64, 64);
        return screen->show() == 0;
    }();
    return shown;
}

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
    if (screenShown())
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
    const int archiveId = archives->create(scratchPath().c_str(), 0);
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
    std::remove(scratchPath().c_str());
    return 0;
}
