// Particle effects: emitters that spawn, move and draw particles, run and
// drawn together by the particle manager. Emitters are saved as
// "ZK7_PARTICLE" blocks holding every setting and list.
//
// Setters return true when the value was taken; a refused value keeps the
// old one. The accepted ranges are given with each setter. List setters
// replace the whole list; the list getters then give the emitter's version,
// sorted by time where a list has times.
//
// create and setName refuse a name another open emitter holds; load does
// not check, as a caller may load a block whose name is still open.
// Main thread only.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Result.h>

#include <SDL_pixels.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Zelkoran {

class SceneLayerTile;
namespace particle {
struct Access;
}

// A preset of the engine's catalogue; ParticleMgr::getPresetDesc gives the
// values and names there are.
enum eParticleEffectPreset : uint32_t {
    PEP_DEFAULT = 0, // the settings of a new effect
    PEP_FIRE = 1,
    PEP_SMOKE = 2,
    PEP_SPARKS = 3,
    PEP_EXPLOSION = 4,
    PEP_RAIN = 5,
    PEP_SNOW = 6,
    PEP_MAGIC = 7,
    PEP_FOUNTAIN = 8,
    PEP_FIREWORKS = 9,   // rockets whose death launches PEP_SPARK_BURST
    PEP_SPARK_BURST = 10, // one short burst, fit for sub-emitters
    PEP_SMOKE_PUFF = 11,  // one short puff, fit for sub-emitters
};

enum eParticleVisual : int {
    PV_PIXEL = 0,
    PV_RECT = 1,
    PV_IMAGE = 2,  // an image resource
    PV_SPRITE = 3, // a sprite resource and animation
    PV_SOFT = 5,   // a soft round dot
    PV_LINE = 6,   // a line along the velocity
};

enum eParticleBlendMode : unsigned {
    PBM_NONE = 0,
    PBM_ALPHA = 1,
    PBM_ADDITIVE = 2,
    PBM_MULTIPLY = 4,
};

enum eParticleDrawOrder : int {
    PDO_STORE = 0, // as stored
    PDO_OLDEST_FIRST = 1,
    PDO_YOUNGEST_FIRST = 2,
};

// Collision with the tile layers of a scene; particles never hit each other.
enum eParticleCollisionMode : int {
    PCM_NONE = 0,
    PCM_BOUNCE = 1,
    PCM_STOP = 2,
    PCM_KILL = 3,
};

// Where particles are born, around the emitter's position.
enum eParticleShape : int {
    PSH_POINT = 0,
    PSH_LINE = 1,
    PSH_RECT = 2,
    PSH_CIRCLE = 3,
    PSH_RING = 4,
    PSH_ELLIPSE = 5,
};

enum eParticleDirectionMode : int {
    PDM_FIXED = 0,  // the set angle plus spread
    PDM_RADIAL = 1, // away from the emitter's position
};

// Which sprite frame a particle shows.
enum eParticleSpritePhase : int {
    PSP_SHARED = 0, // every particle the same frame
    PSP_RANDOM = 1, // each particle from a random frame offset
};

// ParticleSubEmitter::triggers bits.
enum eParticleTrigger : uint32_t {
    PST_DEATH = 0x1,     // a particle died
    PST_COLLISION = 0x2, // a particle first hit a scene tile layer
};

// ParticleEmitter::status values.
enum eParticleStatus : int {
    PES_STOPPED = 0,   // new, or stopped
    PES_PLAYING = 1,
    PES_PAUSED = 2,
    PES_FINISHED = 16, // the duration ran out without loop and no particle is left
};

// Emits count particles at once, time seconds after play().
struct ParticleBurst {
    float time;    // 0..86400
    int32_t count; // 1..65536
};
static_assert(sizeof(ParticleBurst) == 8);

// Starts a one-shot emitter of a preset where a particle triggers it.
struct ParticleSubEmitter {
    uint32_t preset;            // eParticleEffectPreset
    uint32_t triggers;          // eParticleTrigger bits, at least one
    float probability;          // chance per trigger, 0..1
    float velocityInheritance;  // share of the particle's velocity given on, 0..10000
};
static_assert(sizeof(ParticleSubEmitter) == 16);

// The particles' colour at a normalised age (0 birth .. 1 death).
struct ParticleColorKey {
    float time;
    SDL_Color color;
};

// The particles' scale at a normalised age (0 birth .. 1 death).
struct ParticleScaleKey {
    float time;
    float scale; // 0..10000
};

// One entry of the preset catalogue.
struct ParticlePresetDesc {
    eParticleEffectPreset preset;
    const char* name;        // display name
    const char* description; // one line on what it shows
    uint8_t subEmitter;      // non-zero: fit to be launched by a sub-emitter
};

class ParticleEmitter {
public:
    // Most live particles, and most particles of one burst.
    static constexpr int kMaxParticles = 65536;
    // Longest time setting (lifetime, emission time, burst time), in seconds.
    static constexpr float kMaxSeconds = 86400;
    // The longest lists an emitter holds.
    static constexpr size_t kMaxBursts = 16;
    static constexpr size_t kMaxSubEmitters = 8;
    static constexpr size_t kMaxColorKeys = 8;
    static constexpr size_t kMaxTints = 16;
    static constexpr size_t kMaxScaleKeys = 8;

    ~ParticleEmitter();
    ParticleEmitter(const ParticleEmitter&) = delete;
    ParticleEmitter& operator=(const ParticleEmitter&) = delete;

    int getID() const;
    const char* getName() const;

    // --- running ---
    // Replaces every setting and list with the preset's. False for a preset
    // not in the catalogue.
    bool applyPreset(eParticleEffectPreset preset);
    eParticleEffectPreset getPreset() const;
    // Starts emitting (again after stop or finish: the random numbers start
    // over from the seed and the warm-up is simulated at once), or resumes
    // when paused. True when it runs.
    bool play();
    // Freezes emission and particles. False when it does not run.
    bool pause();
    // Ends emission and removes the live particles (PES_STOPPED).
    void stop();
    // Removes the live particles; emission goes on.
    void clear();
    // eParticleStatus.
    int status() const;
    // Emits count particles now. False outside 1..65536.
    bool burst(int count);
    // The emitter's position in screen pixels.
    void setPosition(float x, float y);
    int getLiveCount() const;

    // Writes every setting and list as a "ZK7_PARTICLE" block
    // (docs/particle-format.md), stored as blockStorage decides; an
    // image or sprite visual is stored by its resource name. An empty name
    // saves under the emitter's own name (which does not change). Returns 0,
    // RC_ERR_NOT_FOUND (no such archive, or the visual's resource is closed
    // or unnamed), RC_ERR_INVALID (no name at all, or over 63 characters),
    // RC_ERR_NO_SLOT (-72), RC_ERR_KEY (-477) or another code of
    // Archive::blockAdd.
    int save(int archiveId, const char* name);

    // --- main settings ---
    // shape eParticleShape; w and h in pixels, 0..1000000.
    bool setShape(int shape, float w, float h);
    void getShape(int* shape, float* w, float* h) const;
    // Additive glow over the particles; intensity 0..1.
    bool setGlowRender(bool on, float intensity);
    // Whether glow is on; intensity may be null.
    bool getGlowRender(float* intensity) const;
    // Start speed in pixels per second, 0..100000 each, min <= max.
    bool setSpeed(float min, float max);
    void getSpeed(float* min, float* max) const;
    // Base angle in degrees (-100000..100000, 0 = right, -90 = up) and random
    // spread 0..360.
    bool setDirection(float angleDeg, float spreadDeg);
    void getDirection(float* angleDeg, float* spreadDeg) const;
    // Particle lifetime in seconds, 0.01..86400 each, min <= max.
    bool setLifeSpan(float min, float max);
    void getLifeSpan(float* min, float* max) const;
    // eParticleDirectionMode.
    bool setDirectionMode(int mode);
    int getDirectionMode() const;
    // Emission (and its bursts) starts over when a duration above 0 ends.
    bool setLoop(bool on);
    bool getLoop() const;
    // Emission time in seconds, 0..86400, or -1 for unlimited.
    bool setDuration(float seconds);
    float getDuration() const;
    // Most live particles, 1..65536.
    bool setMaxParticles(int count);
    int getMaxParticles() const;
    // Particles per second, 0..1000000.
    bool setEmissionRate(float perSecond);
    float getEmissionRate() const;
    // Particles move with the emitter when it moves.
    bool setLocalSpace(bool on);
    bool getLocalSpace() const;
    // eParticleSpritePhase.
    bool setSpriteAnimation(int phase);
    int getSpriteAnimation() const;
    // visual eParticleVisual. PV_IMAGE takes image resourceId, PV_SPRITE
    // sprite resourceId and its animation (-1 = the sprite's current one);
    // the others take 0. The resource stays the caller's and must stay open
    // while it is in use (a closed one draws nothing); one the emitter loaded
    // itself (ParticleMgr::load) is closed by the emitter when replaced.
    // False for an unknown visual or resource, or an animation the sprite
    // lacks.
    bool setVisual(int visual, int resourceId, int animation);
    void getVisual(int* visual, int* resourceId, int* animation) const;
    // The name of the image or sprite visual the loaded block names that
    // could not be loaded (kept for the next save); "" when none, and once
    // setVisual has chosen another.
    const char* getMissingVisual() const;

    // --- advanced settings ---
    // Gravity in pixels per second squared (-100000..100000 each) and
    // velocity damping 0..100000.
    bool setPhysics(float gravityX, float gravityY, float damping);
    void getPhysics(float* gravityX, float* gravityY, float* damping) const;
    // Random force strength, 0..100000.
    bool setTurbulence(float strength);
    float getTurbulence() const;
    // eParticleBlendMode.
    bool setBlendMode(unsigned mode);
    unsigned getBlendMode() const;
    bool setDrawOrder(eParticleDrawOrder order);
    eParticleDrawOrder getDrawOrder() const;
    // While the emitter moves, one more particle every px pixels of its
    // path (a trail), 0..1000000; 0 = none.
    bool setEmissionDistance(float px);
    float getEmissionDistance() const;
    // Highest particle speed, 0..100000; 0 = no limit.
    bool setVelocityLimit(float limit);
    float getVelocityLimit() const;
    // Share of the emitter's velocity given to new particles, 0..10000.
    bool setVelocityInheritance(float share);
    float getVelocityInheritance() const;
    // Pull toward the emitter's position: strength -100000..100000, radius
    // 0..1000000 (0 = everywhere), falloff 0..10000.
    bool setAttraction(float strength, float radius, float falloff);
    void getAttraction(float* strength, float* radius, float* falloff) const;
    // Circling force around the emitter's position; ranges as setAttraction.
    bool setOrbit(float strength, float radius, float falloff);
    void getOrbit(float* strength, float* radius, float* falloff) const;
    // Scale at birth and death, 0..10000 each: replaces the scale keys with
    // the two keys (0, start) and (1, end).
    bool setScaleRamp(float start, float end);
    // Start angle in degrees and spin in degrees per second,
    // -100000..100000 each.
    bool setRotation(float angleDeg, float spinDegPerS);
    void getRotation(float* angleDeg, float* spinDegPerS) const;
    // Stretch along the motion, 0..10000; alignToVelocity turns stretched
    // particles along their velocity.
    bool setStretch(float amount, bool alignToVelocity);
    void getStretch(float* amount, bool* alignToVelocity) const;
    // Simulation speed factor, 0..10000.
    bool setSimulationScale(float scale);
    float getSimulationScale() const;
    // Seconds simulated at once when play() starts, 0..30.
    bool setWarmUp(float seconds);
    float getWarmUp() const;
    // Seed of the emitter's random numbers, 1..4294967295: the same seed and
    // settings give the same particles.
    bool setSeed(uint32_t seed);
    uint32_t getSeed() const;
    // bounciness 0..10000 (share of speed kept by PCM_BOUNCE).
    bool setCollisionMode(eParticleCollisionMode mode, float bounciness);
    // reserved: pass null. mode and bounciness may be null.
    void getCollision(void* reserved, eParticleCollisionMode* mode, float* bounciness) const;
    // The tile layer particles collide with (null: none): a cell holding a
    // tile (id != 0) is solid; the layer's cell (0, 0) lies at (x, y) on
    // screen. The layer stays its scene's and must outlive this use; it is
    // not saved. False when x or y is not finite.
    bool setCollisionLayer(const SceneLayerTile* layer, float x, float y);

    // --- lists ---
    // Timed bursts: at most kMaxBursts. Null when there are none.
    const Vector<ParticleBurst>* getBursts() const;
    bool setBursts(const Vector<ParticleBurst>& bursts);
    // Sub-emitters: at most kMaxSubEmitters; presets must be in the
    // catalogue. Null when there are none.
    const Vector<ParticleSubEmitter>* getSubEmitters() const;
    bool setSubEmitters(const Vector<ParticleSubEmitter>& subEmitters);
    // Colour keys: 1..kMaxColorKeys, times 0..1.
    const Vector<ParticleColorKey>& getColorKeys() const;
    bool setColorKeys(const Vector<ParticleColorKey>& keys);
    // Tint palette: at most kMaxTints colours; each particle takes one at
    // random and multiplies the colour keys by it. Empty = no tint.
    const Vector<SDL_Color>& getTintPalette() const;
    bool setTintPalette(const Vector<SDL_Color>& palette);
    // Scale keys: 1..kMaxScaleKeys, times 0..1, scales 0..10000. The first
    // and last keys are the scale at birth and death of setScaleRamp.
    const Vector<ParticleScaleKey>& getScaleKeys() const;
    bool setScaleKeys(const Vector<ParticleScaleKey>& keys);

private:
    friend class ParticleMgr; // its store holds emitter internals
    friend struct particle::Access;
    struct Impl;
    explicit ParticleEmitter(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

class ParticleMgr {
public:
    ParticleMgr();
    ~ParticleMgr();

    // A new, stopped emitter with the settings of PEP_DEFAULT; flags are
    // reserved (callers pass 10). Returns the emitter id (> 0), or
    // RC_ERR_EXISTS (another open emitter has that non-empty name),
    // RC_ERR_INVALID (name null or longer than 63 characters).
    int create(const char* name, int flags);
    // Reads the "ZK7_PARTICLE" block name (docs/particle-format.md) into a
    // new, stopped emitter named after it. An image or sprite visual is
    // loaded from the same archive by name and belongs to the emitter; a
    // visual whose resource cannot be loaded draws nothing and keeps its
    // name for the next save.
    // Returns the emitter id (> 0), or RC_ERR_NOT_FOUND (no such archive or
    // block), RC_ERR_KEY (-477, encrypted without the key), RC_ERR_CORRUPT
    // (a damaged block or a value a setter refuses), RC_ERR_IO.
    int load(int archiveId, const char* name);
    // The open emitter with that id, or null.
    ParticleEmitter* get(int id);
    // Closes the emitter with its particles. Returns 0 or RC_ERR_NOT_FOUND.
    int close(int id);
    // Returns 0, RC_ERR_NOT_FOUND, RC_ERR_EXISTS (another open emitter has
    // the name), RC_ERR_INVALID (empty, or longer than 63 characters).
    int setName(int id, const char* name);
    // Soft-deletes the "ZK7_PARTICLE" block name.
    // Returns 0, RC_ERR_NOT_FOUND (no such archive or block), RC_ERR_IO.
    int remove(int archiveId, const char* name);
    // Emitters it runs: the open ones plus the live one-shot emitters that
    // sub-emitters launched.
    int getCount() const;
    // Closes every one-shot emitter.
    void closeOneShots();

    // Advances every playing emitter by seconds (below 0 or not finite
    // counts as 0), in steps of at most 1/30 s of simulated time; one-shot
    // emitters close themselves when they finish. At most 128 one-shots run
    // at once (further launches are dropped) and they launch none of their
    // own. Asks the screen for frames while anything moves.
    void update(float seconds);
    // Draws every emitter's live particles on screen (only 0 exists) under
    // the screen's clip rectangle. Returns 0, RC_ERR_NOT_FOUND (the screen is
    // not shown) or RC_ERR_GENERIC (the renderer refused the drawing).
    int render(int screen);

    // Number of catalogue entries; entry 0 is PEP_DEFAULT.
    int getPresetCount() const;
    // Entry index of the catalogue, or null beyond it.
    const ParticlePresetDesc* getPresetDesc(int index) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace Zelkoran
