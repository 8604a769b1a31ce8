// The particle emitter itself: settings, the live particles and their
// simulation. ParticleEmitter is its public face; one-shot emitters that
// sub-emitters launch are used bare by the manager.
#pragma once

#include "particle/ParticleSettings.h"

struct SDL_Renderer;

namespace Zelkoran::particle {

// xorshift32: small, fast and the same on every platform, so a seed gives
// the same particles everywhere.
struct Rng {
    uint32_t state = 1;
    void reseed(uint32_t seed) { state = seed ? seed : 1; }
    uint32_t next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    // [0, 1)
    float unit() { return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f); }
    float range(float lo, float hi) { return lo + (hi - lo) * unit(); }
};

// Live particles as parallel arrays (the update streams through them). A
// dead particle's place is taken by the last one, so the order is the
// storage order, not the birth order.
struct Pool {
    Vector<float> x, y, vx, vy, age, life;
    Vector<uint8_t> tint;   // index into the tint palette
    Vector<uint8_t> hit;    // collided at least once
    Vector<uint16_t> phase; // sprite frame offset
    int count = 0;

    // Room for n particles (never shrinks).
    void reserve(int n);
    void clear() { count = 0; }
    // Keeps at most n particles.
    void truncate(int n);
};

// A one-shot emitter a particle asks for.
struct Launch {
    uint32_t preset;
    float x, y, vx, vy;
};

class Emitter {
public:
    Emitter();

    // --- running (ParticleEmitter's calls) ---
    bool play();
    bool pause();
    void stop();
    void clear() { pool.clear(); }
    int status() const { return m_status; }
    bool burst(int count);
    void setPosition(float x, float y);
    float x() const { return m_x; }
    float y() const { return m_y; }
    // Advances by seconds of real time (the simulation scale applies).
    // Sub-emitter launches go to launches (null: none are made).
    void update(float seconds, Vector<Launch>* launches);
    // After a change of settings that the running state depends on.
    void settingsChanged();
    void setCollisionLayer(const SceneLayerTile* layer, float x, float y);
    // Starting velocity every particle gets on top of its own (one-shots).
    void setInheritedVelocity(float vx, float vy)
    {
        m_inheritX = vx;
        m_inheritY = vy;
    }
    // Seconds since play(); drives the shared sprite frame.
    float clock() const { return m_clock; }

    Settings s;
    Pool pool;
    int resourceId = 0;       // image or sprite of the visual
    bool ownsResource = false; // loaded with the effect: closed with it

private:
    void restart();
    // Simulates seconds of real time in steps of at most kMaxStep.
    void advance(float seconds, Vector<Launch>* launches);
    void emitFor(float h);
    void spawn(int n, float baseX, float baseY);
    void integrate(float h, Vector<Launch>* launches);
    bool solid(float x, float y) const;
    void collide(int i, float oldX, float oldY, Vector<Launch>* launches);
    void reap(Vector<Launch>* launches);
    void trigger(uint32_t bit, int i, Vector<Launch>* launches);

    Rng m_rng;
    int m_status = PES_STOPPED;
    bool m_emitting = false;
    float m_time = 0;     // emission time in the current cycle
    float m_clock = 0;
    float m_rateAcc = 0;  // particles owed by the rate
    float m_trailAcc = 0; // path length since the last trail particle
    size_t m_nextBurst = 0;
    float m_x = 0, m_y = 0;
    float m_lastX = 0, m_lastY = 0; // position at the previous step
    float m_velX = 0, m_velY = 0;   // the emitter's own velocity
    float m_inheritX = 0, m_inheritY = 0;
    const SceneLayerTile* m_layer = nullptr;
    float m_layerX = 0, m_layerY = 0;
};

// Whether preset exists in the catalogue (ParticlePresets.cpp).
bool isPreset(uint32_t preset);
// Replaces s with the preset's settings (preset included); false for an
// unknown preset.
bool presetSettings(uint32_t preset, Settings& s);

} // namespace Zelkoran::particle
