// Every setting and list of a particle emitter, with the one check of each
// value that both the public setters and the block reader go through: a
// refused value (out of range, NaN, too many entries) leaves the old one.
#pragma once

#include <Zelkoran/Particle.h>

namespace Zelkoran::particle {

struct Settings {
    uint32_t preset = PEP_DEFAULT;
    int shape = PSH_POINT;
    float shapeW = 0, shapeH = 0;
    bool glow = false;
    float glowIntensity = 1;
    float speedMin = 0, speedMax = 0;
    float angle = -90, spread = 0;
    float lifeMin = 1, lifeMax = 1;
    int directionMode = PDM_FIXED;
    bool loop = true;
    float duration = -1;
    int maxParticles = 128;
    float rate = 10;
    bool localSpace = false;
    int spritePhase = PSP_SHARED;
    int visual = PV_PIXEL;
    int animation = -1;
    float gravityX = 0, gravityY = 0, damping = 0;
    float turbulence = 0;
    unsigned blend = PBM_ALPHA;
    int drawOrder = PDO_STORE;
    float emissionDistance = 0, velocityLimit = 0, velocityInheritance = 0;
    float attraction = 0, attractionRadius = 0, attractionFalloff = 1;
    float orbit = 0, orbitRadius = 0, orbitFalloff = 1;
    float rotation = 0, spin = 0;
    float stretch = 0;
    bool align = false;
    float simulationScale = 1, warmUp = 0;
    uint32_t seed = 1;
    int collision = PCM_NONE;
    float bounciness = 1;
    Vector<ParticleBurst> bursts;
    Vector<ParticleSubEmitter> subEmitters;
    Vector<ParticleColorKey> colorKeys{{0, {255, 255, 255, 255}}, {1, {255, 255, 255, 255}}};
    Vector<SDL_Color> tints;
    Vector<ParticleScaleKey> scaleKeys{{0, 1}, {1, 1}};

    bool setShape(int kind, float w, float h);
    bool setGlow(bool on, float intensity);
    bool setSpeed(float min, float max);
    bool setDirection(float angleDeg, float spreadDeg);
    bool setLifeSpan(float min, float max);
    bool setDirectionMode(int mode);
    bool setDuration(float seconds);
    bool setMaxParticles(int count);
    bool setEmissionRate(float perSecond);
    bool setSpritePhase(int phase);
    // The visual kind and animation only; the resource is the emitter's.
    bool setVisualKind(int kind, int anim);
    bool setPhysics(float gx, float gy, float damp);
    bool setTurbulence(float strength);
    bool setBlendMode(unsigned mode);
    bool setDrawOrder(int order);
    bool setEmissionDistance(float px);
    bool setVelocityLimit(float limit);
    bool setVelocityInheritance(float share);
    bool setAttraction(float strength, float radius, float falloff);
    bool setOrbit(float strength, float radius, float falloff);
    bool setRotation(float angleDeg, float spinDeg);
    bool setStretch(float amount, bool alignToVelocity);
    bool setSimulationScale(float scale);
    bool setWarmUp(float seconds);
    bool setSeed(uint32_t value);
    bool setCollision(int mode, float bounce);
    // Lists are stored sorted by time (equal times keep their order).
    bool setBursts(const Vector<ParticleBurst>& list);
    // isPreset tells which presets exist.
    bool setSubEmitters(const Vector<ParticleSubEmitter>& list, bool (*isPreset)(uint32_t));
    bool setColorKeys(const Vector<ParticleColorKey>& list);
    bool setTints(const Vector<SDL_Color>& list);
    bool setScaleKeys(const Vector<ParticleScaleKey>& list);
};

// lo <= v <= hi; false for NaN.
inline bool inRange(float v, float lo, float hi) { return v >= lo && v <= hi; }

} // namespace Zelkoran::particle
