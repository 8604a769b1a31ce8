#include "particle/ParticleSettings.h"

#include <algorithm>

namespace Zelkoran::particle {

namespace {

constexpr float kMaxPixels = 1000000;
constexpr float kMaxSpeed = 100000;
constexpr float kMaxAngle = 100000;
constexpr float kMaxFactor = 10000;

template <class T>
bool sortedByTime(const Vector<T>& in, Vector<T>& out)
{
    out = in;
    std::stable_sort(out.begin(), out.end(), [](const T& a, const T& b) { return a.time < b.time; });
    return true;
}

bool forceValid(float strength, float radius, float falloff)
{
    return inRange(strength, -kMaxSpeed, kMaxSpeed) && inRange(radius, 0, kMaxPixels)
           && inRange(falloff, 0, kMaxFactor);
}

} // namespace

bool Settings::setShape(int kind, float w, float h)
{
    if (kind < PSH_POINT || kind > PSH_ELLIPSE || !inRange(w, 0, kMaxPixels) || !inRange(h, 0, kMaxPixels))
        return false;
    shape = kind;
    shapeW = w;
    shapeH = h;
    return true;
}

bool Settings::setGlow(bool on, float intensity)
{
    if (!inRange(intensity, 0, 1))
        return false;
    glow = on;
    glowIntensity = intensity;
    return true;
}

bool Settings::setSpeed(float min, float max)
{
    if (!inRange(min, 0, kMaxSpeed) || !inRange(max, min, kMaxSpeed))
        return false;
    speedMin = min;
    speedMax = max;
    return true;
}

bool Settings::setDirection(float angleDeg, float spreadDeg)
{
    if (!inRange(angleDeg, -kMaxAngle, kMaxAngle) || !inRange(spreadDeg, 0, 360))
        return false;
    angle = angleDeg;
    spread = spreadDeg;
    return true;
}

bool Settings::setLifeSpan(float min, float max)
{
    if (!inRange(min, 0.01f, ParticleEmitter::kMaxSeconds) || !inRange(max, min, ParticleEmitter::kMaxSeconds))
        return false;
    lifeMin = min;
    lifeMax = max;
    return true;
}

bool Settings::setDirectionMode(int mode)
{
    if (mode != PDM_FIXED && mode != PDM_RADIAL)
        return false;
    directionMode = mode;
    return true;
}

bool Settings::setDuration(float seconds)
{
    if (seconds != -1 && !inRange(seconds, 0, ParticleEmitter::kMaxSeconds))
        return false;
    duration = seconds;
    return true;
}

bool Settings::setMaxParticles(int count)
{
    if (count < 1 || count > ParticleEmitter::kMaxParticles)
        return false;
    maxParticles = count;
    return true;
}

bool Settings::setEmissionRate(float perSecond)
{
    if (!inRange(perSecond, 0, kMaxPixels))
        return false;
    rate = perSecond;
    return true;
}

bool Settings::setSpritePhase(int phase)
{
    if (phase != PSP_SHARED && phase != PSP_RANDOM)
        return false;
    spritePhase = phase;
    return true;
}

bool Settings::setVisualKind(int kind, int anim)
{
    const bool known = kind == PV_PIXEL || kind == PV_RECT || kind == PV_IMAGE || kind == PV_SPRITE
                       || kind == PV_SOFT || kind == PV_LINE;
    if (!known || anim < -1 || (kind != PV_SPRITE && anim != -1))
        return false;
    visual = kind;
    animation = anim;
    return true;
}

bool Settings::setPhysics(float gx, float gy, float damp)
{
    if (!inRange(gx, -kMaxSpeed, kMaxSpeed) || !inRange(gy, -kMaxSpeed, kMaxSpeed) || !inRange(damp, 0, kMaxSpeed))
        return false;
    gravityX = gx;
    gravityY = gy;
    damping = damp;
    return true;
}

bool Settings::setTurbulence(float strength)
{
    if (!inRange(strength, 0, kMaxSpeed))
        return false;
    turbulence = strength;
    return true;
}

bool Settings::setBlendMode(unsigned mode)
{
    if (mode != PBM_NONE && mode != PBM_ALPHA && mode != PBM_ADDITIVE && mode != PBM_MULTIPLY)
        return false;
    blend = mode;
    return true;
}

bool Settings::setDrawOrder(int order)
{
    if (order < PDO_STORE || order > PDO_YOUNGEST_FIRST)
        return false;
    drawOrder = order;
    return true;
}

bool Settings::setEmissionDistance(float px)
{
    if (!inRange(px, 0, kMaxPixels))
        return false;
    emissionDistance = px;
    return true;
}

bool Settings::setVelocityLimit(float limit)
{
    if (!inRange(limit, 0, kMaxSpeed))
        return false;
    velocityLimit = limit;
    return true;
}

bool Settings::setVelocityInheritance(float share)
{
    if (!inRange(share, 0, kMaxFactor))
        return false;
    velocityInheritance = share;
    return true;
}

bool Settings::setAttraction(float strength, float radius, float falloff)
{
    if (!forceValid(strength, radius, falloff))
        return false;
    attraction = strength;
    attractionRadius = radius;
    attractionFalloff = falloff;
    return true;
}

bool Settings::setOrbit(float strength, float radius, float falloff)
{
    if (!forceValid(strength, radius, falloff))
        return false;
    orbit = strength;
    orbitRadius = radius;
    orbitFalloff = falloff;
    return true;
}

bool Settings::setRotation(float angleDeg, float spinDeg)
{
    if (!inRange(angleDeg, -kMaxAngle, kMaxAngle) || !inRange(spinDeg, -kMaxAngle, kMaxAngle))
        return false;
    rotation = angleDeg;
    spin = spinDeg;
    return true;
}

bool Settings::setStretch(float amount, bool alignToVelocity)
{
    if (!inRange(amount, 0, kMaxFactor))
        return false;
    stretch = amount;
    align = alignToVelocity;
    return true;
}

bool Settings::setSimulationScale(float scale)
{
    if (!inRange(scale, 0, kMaxFactor))
        return false;
    simulationScale = scale;
    return true;
}

bool Settings::setWarmUp(float seconds)
{
    if (!inRange(seconds, 0, 30))
        return false;
    warmUp = seconds;
    return true;
}

bool Settings::setSeed(uint32_t value)
{
    if (value == 0)
        return false;
    seed = value;
    return true;
}

bool Settings::setCollision(int mode, float bounce)
{
    if (mode < PCM_NONE || mode > PCM_KILL || !inRange(bounce, 0, kMaxFactor))
        return false;
    collision = mode;
    bounciness = bounce;
    return true;
}

bool Settings::setBursts(const Vector<ParticleBurst>& list)
{
    if (list.size() > ParticleEmitter::kMaxBursts)
        return false;
    for (const ParticleBurst& b : list)
        if (!inRange(b.time, 0, ParticleEmitter::kMaxSeconds) || b.count < 1 ||
            b.count > ParticleEmitter::kMaxParticles)
            return false;
    return sortedByTime(list, bursts);
}

bool Settings::setSubEmitters(const Vector<ParticleSubEmitter>& list, bool (*isPreset)(uint32_t))
{
    if (list.size() > ParticleEmitter::kMaxSubEmitters)
        return false;
    for (const ParticleSubEmitter& s : list) {
        const bool triggers = s.triggers != 0 && (s.triggers & ~uint32_t(PST_DEATH | PST_COLLISION)) == 0;
        if (!isPreset(s.preset) || !triggers || !inRange(s.probability, 0, 1)
            || !inRange(s.velocityInheritance, 0, kMaxFactor))
            return false;
    }
    subEmitters = list;
    return true;
}

bool Settings::setColorKeys(const Vector<ParticleColorKey>& list)
{
    if (list.empty() || list.size() > ParticleEmitter::kMaxColorKeys)
        return false;
    for (const ParticleColorKey& k : list)
        if (!inRange(k.time, 0, 1))
            return false;
    return sortedByTime(list, colorKeys);
}

bool Settings::setTints(const Vector<SDL_Color>& list)
{
    if (list.size() > ParticleEmitter::kMaxTints)
        return false;
    tints = list;
    return true;
}

bool Settings::setScaleKeys(const Vector<ParticleScaleKey>& list)
{
    if (list.empty() || list.size() > ParticleEmitter::kMaxScaleKeys)
        return false;
    for (const ParticleScaleKey& k : list)
        if (!inRange(k.time, 0, 1) || !inRange(k.scale, 0, kMaxFactor))
            return false;
    return sortedByTime(list, scaleKeys);
}

} // namespace Zelkoran::particle
