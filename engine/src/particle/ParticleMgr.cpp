// ParticleMgr: the open emitters, the one-shots their sub-emitters launch,
// loading and removing "ZK7_PARTICLE" blocks, and drawing.
#include "particle/ParticleAccess.h"
#include "particle/ParticleDraw.h"
#include "particle/ParticleFormat.h"
#include "particle/ParticlePresets.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Sprite.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Zelkoran {

namespace {

// Live one-shot emitters at most; launches beyond are dropped.
constexpr size_t kMaxOneShots = 128;
// Emission time of a one-shot whose preset emits without end.
constexpr float kOneShotSeconds = 0.25f;

} // namespace

struct ParticleMgr::Impl {
    Vector<std::unique_ptr<ParticleEmitter>> open;
    Vector<std::unique_ptr<particle::Emitter>> oneShots;
    Vector<particle::Launch> launches;
    particle::Drawer drawer;
    int nextId = 1;
    uint32_t launchCount = 0;

    ParticleEmitter* find(int id)
    {
        for (auto& e : open)
            if (e->getID() == id)
                return e.get();
        return nullptr;
    }
    bool nameTaken(const char* name, int except)
    {
        for (auto& e : open)
            if (e->getID() != except && std::strcmp(e->getName(), name) == 0)
                return true;
        return false;
    }
    int add(std::unique_ptr<ParticleEmitter::Impl> impl)
    {
        impl->id = nextId++;
        const int id = impl->id;
        open.emplace_back(particle::Access::make(std::move(impl)));
        return id;
    }
    void launch(const particle::Launch& l)
    {
        if (oneShots.size() >= kMaxOneShots)
            return;
        auto shot = std::make_unique<particle::Emitter>();
        if (!particle::presetSettings(l.preset, shot->s))
            return;
        shot->s.loop = false;
        shot->s.subEmitters.clear(); // one-shots launch none: no chains
        if (shot->s.duration < 0)
            shot->s.duration = kOneShotSeconds;
        // Each one-shot its own seed, the same in every run.
        shot->s.seed = 1 + (++launchCount * 2654435761u) % 4294967295u;
        shot->setPosition(l.x, l.y);
        shot->setInheritedVelocity(l.vx, l.vy);
        shot->play();
        oneShots.push_back(std::move(shot));
    }
};

ParticleMgr::ParticleMgr() : m_impl(std::make_unique<Impl>()) {}
ParticleMgr::~ParticleMgr() = default;

int ParticleMgr::create(const char* name, int)
{
    if (!name || std::strlen(name) > kMaxBlockName)
        return RC_ERR_INVALID;
    if (*name && m_impl->nameTaken(name, 0))
        return RC_ERR_EXISTS;
    auto impl = std::make_unique<ParticleEmitter::Impl>();
    impl->name = name;
    particle::presetSettings(PEP_DEFAULT, impl->core.s);
    return m_impl->add(std::move(impl));
}

int ParticleMgr::load(int archiveId, const char* name)
{
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive || !name)
        return RC_ERR_NOT_FOUND;
    Archive::Block block(name, "ZK7_PARTICLE");
    if (const int rc = archive->blockLoad(block); rc != RC_OK)
        return rc;
    auto impl = std::make_unique<ParticleEmitter::Impl>();
    String visualName;
    const int rc = particle::decodeBlock(block.data, block.size, impl->core.s, visualName);
    archive->blockFree(block);
    if (rc != RC_OK)
        return rc;
    impl->name = block.name;
    particle::Emitter& e = impl->core;
    // An image or sprite visual comes from the same archive; one that
    // cannot be loaded draws nothing and keeps its name for the next save.
    if (e.s.visual == PV_IMAGE || e.s.visual == PV_SPRITE) {
        const int id = e.s.visual == PV_IMAGE ? Main::instance()->imageMgr()->load(archiveId, visualName.c_str())
                                              : Main::instance()->spriteMgr()->load(archiveId, visualName.c_str());
        e.resourceId = id > 0 ? id : 0;
        e.ownsResource = id > 0;
    }
    if (e.resourceId == 0)
        impl->missingVisual = visualName;
    return m_impl->add(std::move(impl));
}

ParticleEmitter* ParticleMgr::get(int id) { return id > 0 ? m_impl->find(id) : nullptr; }

int ParticleMgr::close(int id)
{
    auto& open = m_impl->open;
    auto it = std::find_if(open.begin(), open.end(), [id](const auto& e) { return e->getID() == id; });
    if (it == open.end())
        return RC_ERR_NOT_FOUND;
    open.erase(it);
    return RC_OK;
}

int ParticleMgr::setName(int id, const char* name)
{
    ParticleEmitter* e = get(id);
    if (!e)
        return RC_ERR_NOT_FOUND;
    if (!name || !*name || std::strlen(name) > kMaxBlockName)
        return RC_ERR_INVALID;
    if (m_impl->nameTaken(name, id))
        return RC_ERR_EXISTS;
    particle::Access::impl(*e).name = name;
    return RC_OK;
}

int ParticleMgr::remove(int archiveId, const char* name)
{
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive || !name)
        return RC_ERR_NOT_FOUND;
    return archive->blockDelete(Archive::Block(name, "ZK7_PARTICLE"));
}

int ParticleMgr::getCount() const { return static_cast<int>(m_impl->open.size() + m_impl->oneShots.size()); }

void ParticleMgr::closeOneShots() { m_impl->oneShots.clear(); }

void ParticleMgr::update(float seconds)
{
    if (!(seconds > 0) || !std::isfinite(seconds))
        seconds = 0;
    Impl& m = *m_impl;
    m.launches.clear();
    bool live = false;
    for (auto& e : m.open) {
        particle::Emitter& core = particle::Access::core(*e);
        core.update(seconds, &m.launches);
        live |= core.status() == PES_PLAYING;
    }
    for (auto& shot : m.oneShots)
        shot->update(seconds, nullptr);
    std::erase_if(m.oneShots, [](const auto& shot) { return shot->status() != PES_PLAYING; });
    for (const particle::Launch& l : m.launches)
        m.launch(l);
    // Moving particles need frames at the render rate.
    if (live || !m.oneShots.empty())
        Main::instance()->configMgr()->get(0)->invalidate();
}

int ParticleMgr::render(int screen)
{
    Screen* s = Main::instance()->configMgr()->get(screen);
    if (!s || !s->isShown())
        return RC_ERR_NOT_FOUND;
    SDL_Renderer* renderer = s->getRenderer();
    int rc = RC_OK;
    for (auto& e : m_impl->open)
        if (const int r = m_impl->drawer.draw(renderer, particle::Access::core(*e)); r != RC_OK)
            rc = r;
    for (auto& shot : m_impl->oneShots)
        if (const int r = m_impl->drawer.draw(renderer, *shot); r != RC_OK)
            rc = r;
    return rc;
}

int ParticleMgr::getPresetCount() const { return particle::presetCount(); }

const ParticlePresetDesc* ParticleMgr::getPresetDesc(int index) const { return particle::presetDesc(index); }

} // namespace Zelkoran
