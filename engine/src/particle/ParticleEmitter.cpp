// ParticleEmitter: the public calls over particle::Emitter.
#include "particle/ParticleAccess.h"
#include "particle/ParticleFormat.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Sprite.h>

#include <cmath>
#include <cstring>

namespace Zelkoran {

namespace {

// Closes resource id of visual kind when the emitter owns it.
void releaseVisual(particle::Emitter& e)
{
    if (e.ownsResource && e.resourceId > 0) {
        if (e.s.visual == PV_IMAGE)
            Main::instance()->imageMgr()->close(e.resourceId);
        else if (e.s.visual == PV_SPRITE)
            Main::instance()->spriteMgr()->close(e.resourceId);
    }
    e.resourceId = 0;
    e.ownsResource = false;
}

} // namespace

ParticleEmitter::ParticleEmitter(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

ParticleEmitter::~ParticleEmitter() { releaseVisual(m_impl->core); }

int ParticleEmitter::getID() const { return m_impl->id; }
const char* ParticleEmitter::getName() const { return m_impl->name.c_str(); }

bool ParticleEmitter::applyPreset(eParticleEffectPreset preset)
{
    particle::Settings next;
    if (!particle::presetSettings(preset, next))
        return false;
    particle::Emitter& e = m_impl->core;
    const bool running = e.status() == PES_PLAYING;
    e.stop();
    releaseVisual(e);
    m_impl->missingVisual.clear();
    e.s = std::move(next);
    e.settingsChanged();
    if (running)
        e.play();
    return true;
}

eParticleEffectPreset ParticleEmitter::getPreset() const
{
    return static_cast<eParticleEffectPreset>(m_impl->core.s.preset);
}

bool ParticleEmitter::play() { return m_impl->core.play(); }
bool ParticleEmitter::pause() { return m_impl->core.pause(); }
void ParticleEmitter::stop() { m_impl->core.stop(); }
void ParticleEmitter::clear() { m_impl->core.clear(); }
int ParticleEmitter::status() const { return m_impl->core.status(); }
bool ParticleEmitter::burst(int count) { return m_impl->core.burst(count); }
void ParticleEmitter::setPosition(float x, float y) { m_impl->core.setPosition(x, y); }
int ParticleEmitter::getLiveCount() const { return m_impl->core.pool.count; }

int ParticleEmitter::save(int archiveId, const char* name)
{
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive)
        return RC_ERR_NOT_FOUND;
    const char* blockName = name && *name ? name : m_impl->name.c_str();
    if (!*blockName || std::strlen(blockName) > kMaxBlockName)
        return RC_ERR_INVALID;
    const particle::Emitter& e = m_impl->core;
    const char* visualName = m_impl->missingVisual.c_str();
    if (e.resourceId > 0) {
        const Image* img = e.s.visual == PV_IMAGE ? Main::instance()->imageMgr()->get(e.resourceId) : nullptr;
        const Sprite* sprite = e.s.visual == PV_SPRITE ? Main::instance()->spriteMgr()->get(e.resourceId) : nullptr;
        visualName = img ? img->getName() : sprite ? sprite->getName() : "";
    }
    if ((e.s.visual == PV_IMAGE || e.s.visual == PV_SPRITE) && !*visualName)
        return RC_ERR_NOT_FOUND; // the visual's resource is gone or has no name
    Vector<uint8_t> bytes = particle::encodeBlock(e.s, visualName);
    Archive::Block block(blockName, "ZK7_PARTICLE");
    block.storage = blockStorage(*archive, Archive::ST_RAW);
    block.data = bytes.data();
    block.size = bytes.size();
    return archive->blockAdd(block);
}

bool ParticleEmitter::setShape(int shape, float w, float h) { return m_impl->core.s.setShape(shape, w, h); }

void ParticleEmitter::getShape(int* shape, float* w, float* h) const
{
    const particle::Settings& s = m_impl->core.s;
    if (shape)
        *shape = s.shape;
    if (w)
        *w = s.shapeW;
    if (h)
        *h = s.shapeH;
}

bool ParticleEmitter::setGlowRender(bool on, float intensity) { return m_impl->core.s.setGlow(on, intensity); }

bool ParticleEmitter::getGlowRender(float* intensity) const
{
    if (intensity)
        *intensity = m_impl->core.s.glowIntensity;
    return m_impl->core.s.glow;
}

bool ParticleEmitter::setSpeed(float min, float max) { return m_impl->core.s.setSpeed(min, max); }

void ParticleEmitter::getSpeed(float* min, float* max) const
{
    if (min)
        *min = m_impl->core.s.speedMin;
    if (max)
        *max = m_impl->core.s.speedMax;
}

bool ParticleEmitter::setDirection(float angleDeg, float spreadDeg)
{
    return m_impl->core.s.setDirection(angleDeg, spreadDeg);
}

void ParticleEmitter::getDirection(float* angleDeg, float* spreadDeg) const
{
    if (angleDeg)
        *angleDeg = m_impl->core.s.angle;
    if (spreadDeg)
        *spreadDeg = m_impl->core.s.spread;
}

bool ParticleEmitter::setLifeSpan(float min, float max) { return m_impl->core.s.setLifeSpan(min, max); }

void ParticleEmitter::getLifeSpan(float* min, float* max) const
{
    if (min)
        *min = m_impl->core.s.lifeMin;
    if (max)
        *max = m_impl->core.s.lifeMax;
}

bool ParticleEmitter::setDirectionMode(int mode) { return m_impl->core.s.setDirectionMode(mode); }
int ParticleEmitter::getDirectionMode() const { return m_impl->core.s.directionMode; }

bool ParticleEmitter::setLoop(bool on)
{
    m_impl->core.s.loop = on;
    return true;
}

bool ParticleEmitter::getLoop() const { return m_impl->core.s.loop; }
bool ParticleEmitter::setDuration(float seconds) { return m_impl->core.s.setDuration(seconds); }
float ParticleEmitter::getDuration() const { return m_impl->core.s.duration; }

bool ParticleEmitter::setMaxParticles(int count)
{
    if (!m_impl->core.s.setMaxParticles(count))
        return false;
    m_impl->core.settingsChanged();
    return true;
}

int ParticleEmitter::getMaxParticles() const { return m_impl->core.s.maxParticles; }
bool ParticleEmitter::setEmissionRate(float perSecond) { return m_impl->core.s.setEmissionRate(perSecond); }
float ParticleEmitter::getEmissionRate() const { return m_impl->core.s.rate; }

bool ParticleEmitter::setLocalSpace(bool on)
{
    m_impl->core.s.localSpace = on;
    return true;
}

bool ParticleEmitter::getLocalSpace() const { return m_impl->core.s.localSpace; }
bool ParticleEmitter::setSpriteAnimation(int phase) { return m_impl->core.s.setSpritePhase(phase); }
int ParticleEmitter::getSpriteAnimation() const { return m_impl->core.s.spritePhase; }

bool ParticleEmitter::setVisual(int visual, int resourceId, int animation)
{
    particle::Emitter& e = m_impl->core;
    particle::Settings probe;
    if (!probe.setVisualKind(visual, animation))
        return false;
    if (visual == PV_IMAGE && !Main::instance()->imageMgr()->get(resourceId))
        return false;
    if (visual == PV_SPRITE) {
        const Sprite* sprite = Main::instance()->spriteMgr()->get(resourceId);
        if (!sprite || animation >= sprite->getAnimCount())
            return false;
    }
    const bool hasResource = visual == PV_IMAGE || visual == PV_SPRITE;
    if (!(hasResource && e.resourceId == resourceId && e.s.visual == visual))
        releaseVisual(e);
    e.s.setVisualKind(visual, animation);
    e.resourceId = hasResource ? resourceId : 0;
    m_impl->missingVisual.clear();
    return true;
}

const char* ParticleEmitter::getMissingVisual() const { return m_impl->missingVisual.c_str(); }

void ParticleEmitter::getVisual(int* visual, int* resourceId, int* animation) const
{
    if (visual)
        *visual = m_impl->core.s.visual;
    if (resourceId)
        *resourceId = m_impl->core.resourceId;
    if (animation)
        *animation = m_impl->core.s.animation;
}

bool ParticleEmitter::setPhysics(float gravityX, float gravityY, float damping)
{
    return m_impl->core.s.setPhysics(gravityX, gravityY, damping);
}

void ParticleEmitter::getPhysics(float* gravityX, float* gravityY, float* damping) const
{
    const particle::Settings& s = m_impl->core.s;
    if (gravityX)
        *gravityX = s.gravityX;
    if (gravityY)
        *gravityY = s.gravityY;
    if (damping)
        *damping = s.damping;
}

bool ParticleEmitter::setTurbulence(float strength) { return m_impl->core.s.setTurbulence(strength); }
float ParticleEmitter::getTurbulence() const { return m_impl->core.s.turbulence; }
bool ParticleEmitter::setBlendMode(unsigned mode) { return m_impl->core.s.setBlendMode(mode); }
unsigned ParticleEmitter::getBlendMode() const { return m_impl->core.s.blend; }
bool ParticleEmitter::setDrawOrder(eParticleDrawOrder order) { return m_impl->core.s.setDrawOrder(order); }

eParticleDrawOrder ParticleEmitter::getDrawOrder() const
{
    return static_cast<eParticleDrawOrder>(m_impl->core.s.drawOrder);
}

bool ParticleEmitter::setEmissionDistance(float px) { return m_impl->core.s.setEmissionDistance(px); }
float ParticleEmitter::getEmissionDistance() const { return m_impl->core.s.emissionDistance; }
bool ParticleEmitter::setVelocityLimit(float limit) { return m_impl->core.s.setVelocityLimit(limit); }
float ParticleEmitter::getVelocityLimit() const { return m_impl->core.s.velocityLimit; }
bool ParticleEmitter::setVelocityInheritance(float share) { return m_impl->core.s.setVelocityInheritance(share); }
float ParticleEmitter::getVelocityInheritance() const { return m_impl->core.s.velocityInheritance; }

bool ParticleEmitter::setAttraction(float strength, float radius, float falloff)
{
    return m_impl->core.s.setAttraction(strength, radius, falloff);
}

void ParticleEmitter::getAttraction(float* strength, float* radius, float* falloff) const
{
    const particle::Settings& s = m_impl->core.s;
    if (strength)
        *strength = s.attraction;
    if (radius)
        *radius = s.attractionRadius;
    if (falloff)
        *falloff = s.attractionFalloff;
}

bool ParticleEmitter::setOrbit(float strength, float radius, float falloff)
{
    return m_impl->core.s.setOrbit(strength, radius, falloff);
}

void ParticleEmitter::getOrbit(float* strength, float* radius, float* falloff) const
{
    const particle::Settings& s = m_impl->core.s;
    if (strength)
        *strength = s.orbit;
    if (radius)
        *radius = s.orbitRadius;
    if (falloff)
        *falloff = s.orbitFalloff;
}

bool ParticleEmitter::setScaleRamp(float start, float end)
{
    return m_impl->core.s.setScaleKeys(Vector<ParticleScaleKey>{{0, start}, {1, end}});
}

bool ParticleEmitter::setRotation(float angleDeg, float spinDegPerS)
{
    return m_impl->core.s.setRotation(angleDeg, spinDegPerS);
}

void ParticleEmitter::getRotation(float* angleDeg, float* spinDegPerS) const
{
    if (angleDeg)
        *angleDeg = m_impl->core.s.rotation;
    if (spinDegPerS)
        *spinDegPerS = m_impl->core.s.spin;
}

bool ParticleEmitter::setStretch(float amount, bool alignToVelocity)
{
    return m_impl->core.s.setStretch(amount, alignToVelocity);
}

void ParticleEmitter::getStretch(float* amount, bool* alignToVelocity) const
{
    if (amount)
        *amount = m_impl->core.s.stretch;
    if (alignToVelocity)
        *alignToVelocity = m_impl->core.s.align;
}

bool ParticleEmitter::setSimulationScale(float scale) { return m_impl->core.s.setSimulationScale(scale); }
float ParticleEmitter::getSimulationScale() const { return m_impl->core.s.simulationScale; }
bool ParticleEmitter::setWarmUp(float seconds) { return m_impl->core.s.setWarmUp(seconds); }
float ParticleEmitter::getWarmUp() const { return m_impl->core.s.warmUp; }
bool ParticleEmitter::setSeed(uint32_t seed) { return m_impl->core.s.setSeed(seed); }
uint32_t ParticleEmitter::getSeed() const { return m_impl->core.s.seed; }

bool ParticleEmitter::setCollisionMode(eParticleCollisionMode mode, float bounciness)
{
    return m_impl->core.s.setCollision(mode, bounciness);
}

void ParticleEmitter::getCollision(void*, eParticleCollisionMode* mode, float* bounciness) const
{
    if (mode)
        *mode = static_cast<eParticleCollisionMode>(m_impl->core.s.collision);
    if (bounciness)
        *bounciness = m_impl->core.s.bounciness;
}

bool ParticleEmitter::setCollisionLayer(const SceneLayerTile* layer, float x, float y)
{
    if (!std::isfinite(x) || !std::isfinite(y))
        return false;
    m_impl->core.setCollisionLayer(layer, x, y);
    return true;
}

const Vector<ParticleBurst>* ParticleEmitter::getBursts() const
{
    const Vector<ParticleBurst>& list = m_impl->core.s.bursts;
    return list.empty() ? nullptr : &list;
}

bool ParticleEmitter::setBursts(const Vector<ParticleBurst>& bursts)
{
    if (!m_impl->core.s.setBursts(bursts))
        return false;
    m_impl->core.settingsChanged();
    return true;
}

const Vector<ParticleSubEmitter>* ParticleEmitter::getSubEmitters() const
{
    const Vector<ParticleSubEmitter>& list = m_impl->core.s.subEmitters;
    return list.empty() ? nullptr : &list;
}

bool ParticleEmitter::setSubEmitters(const Vector<ParticleSubEmitter>& subEmitters)
{
    return m_impl->core.s.setSubEmitters(subEmitters, particle::isPreset);
}

const Vector<ParticleColorKey>& ParticleEmitter::getColorKeys() const { return m_impl->core.s.colorKeys; }
bool ParticleEmitter::setColorKeys(const Vector<ParticleColorKey>& keys) { return m_impl->core.s.setColorKeys(keys); }
const Vector<SDL_Color>& ParticleEmitter::getTintPalette() const { return m_impl->core.s.tints; }
bool ParticleEmitter::setTintPalette(const Vector<SDL_Color>& palette) { return m_impl->core.s.setTints(palette); }
const Vector<ParticleScaleKey>& ParticleEmitter::getScaleKeys() const { return m_impl->core.s.scaleKeys; }
bool ParticleEmitter::setScaleKeys(const Vector<ParticleScaleKey>& keys) { return m_impl->core.s.setScaleKeys(keys); }

} // namespace Zelkoran
