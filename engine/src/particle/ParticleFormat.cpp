#include "particle/ParticleFormat.h"

#include "particle/ParticleEmitterCore.h"

#include "core/ByteOrder.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Result.h>

#include <cstring>

namespace Zelkoran::particle {

namespace {

constexpr char kMagic[4] = {'Z', 'K', 'P', 'E'};
constexpr uint16_t kVersion = 1;
constexpr uint16_t kHeaderSize = 16;
constexpr uint32_t kRecordSize = 45 * 4;

using Writer = bytes::ByteWriter<Vector<uint8_t>>;

// Reads past the end give zeros and fail the reader, so a truncated block
// is found once, at the end.
class Reader : public bytes::ByteReader {
public:
    using ByteReader::ByteReader;
    // A stored truth value: 0 or 1, anything else is damage.
    bool flag()
    {
        const uint32_t v = u32();
        if (v > 1)
            fail();
        return v == 1;
    }
    // A list count of at most max entries.
    uint32_t count(size_t max)
    {
        const uint32_t n = u32();
        if (n > max)
            fail();
        return ok() ? n : 0;
    }
};

template <class T, class ReadOne>
Vector<T> readList(Reader& in, size_t max, ReadOne one)
{
    Vector<T> list(in.count(max));
    for (T& item : list)
        item = one();
    return list;
}

// Writers store timed lists sorted; one out of order would not save back
// to the same bytes.
template <class T>
bool inTimeOrder(const Vector<T>& list)
{
    for (size_t i = 1; i < list.size(); ++i)
        if (list[i].time < list[i - 1].time)
            return false;
    return true;
}

template <class T>
const Vector<T>& ordered(const Vector<T>& list, bool& ok)
{
    ok = ok && inTimeOrder(list);
    return list;
}

} // namespace

Vector<uint8_t> encodeBlock(const Settings& s, const char* visualName)
{
    Vector<uint8_t> out;
    Writer w(out);
    w.bytes(kMagic, 4);
    w.u16(kVersion);
    w.u16(kHeaderSize);
    w.u32(kRecordSize);
    w.u32(0);
    w.u32(s.preset);
    w.i32(s.shape);
    w.f32(s.shapeW);
    w.f32(s.shapeH);
    w.u32(s.glow);
    w.f32(s.glowIntensity);
    w.f32(s.speedMin);
    w.f32(s.speedMax);
    w.f32(s.angle);
    w.f32(s.spread);
    w.f32(s.lifeMin);
    w.f32(s.lifeMax);
    w.i32(s.directionMode);
    w.u32(s.loop);
    w.f32(s.duration);
    w.i32(s.maxParticles);
    w.f32(s.rate);
    w.u32(s.localSpace);
    w.i32(s.spritePhase);
    w.i32(s.visual);
    w.i32(s.animation);
    w.f32(s.gravityX);
    w.f32(s.gravityY);
    w.f32(s.damping);
    w.f32(s.turbulence);
    w.u32(s.blend);
    w.i32(s.drawOrder);
    w.f32(s.emissionDistance);
    w.f32(s.velocityLimit);
    w.f32(s.velocityInheritance);
    w.f32(s.attraction);
    w.f32(s.attractionRadius);
    w.f32(s.attractionFalloff);
    w.f32(s.orbit);
    w.f32(s.orbitRadius);
    w.f32(s.orbitFalloff);
    w.f32(s.rotation);
    w.f32(s.spin);
    w.f32(s.stretch);
    w.u32(s.align);
    w.f32(s.simulationScale);
    w.f32(s.warmUp);
    w.u32(s.seed);
    w.i32(s.collision);
    w.f32(s.bounciness);
    w.text(visualName, kMaxBlockName);
    w.u32(static_cast<uint32_t>(s.bursts.size()));
    for (const ParticleBurst& b : s.bursts) {
        w.f32(b.time);
        w.i32(b.count);
    }
    w.u32(static_cast<uint32_t>(s.subEmitters.size()));
    for (const ParticleSubEmitter& e : s.subEmitters) {
        w.u32(e.preset);
        w.u32(e.triggers);
        w.f32(e.probability);
        w.f32(e.velocityInheritance);
    }
    w.u32(static_cast<uint32_t>(s.colorKeys.size()));
    for (const ParticleColorKey& k : s.colorKeys) {
        w.f32(k.time);
        w.bytes(&k.color, 4);
    }
    w.u32(static_cast<uint32_t>(s.tints.size()));
    for (const SDL_Color& c : s.tints)
        w.bytes(&c, 4);
    w.u32(static_cast<uint32_t>(s.scaleKeys.size()));
    for (const ParticleScaleKey& k : s.scaleKeys) {
        w.f32(k.time);
        w.f32(k.scale);
    }
    return out;
}

int decodeBlock(const void* data, size_t size, Settings& s, String& visualName)
{
    if (!data)
        return RC_ERR_CORRUPT;
    Reader in(data, size);
    const uint8_t* magic = in.take(4);
    if (!magic || std::memcmp(magic, kMagic, 4) != 0 || in.u16() != kVersion || in.u16() != kHeaderSize
        || in.u32() != kRecordSize || in.u32() != 0)
        return RC_ERR_CORRUPT;

    // Each value goes through the setter a caller would use, so a block
    // holds nothing a caller could not set.
    Settings t;
    t.preset = in.u32();
    bool ok = isPreset(t.preset);
    const int shape = in.i32();
    const float shapeW = in.f32(), shapeH = in.f32();
    ok &= t.setShape(shape, shapeW, shapeH);
    const bool glow = in.flag();
    ok &= t.setGlow(glow, in.f32());
    const float speedMin = in.f32();
    ok &= t.setSpeed(speedMin, in.f32());
    const float angle = in.f32();
    ok &= t.setDirection(angle, in.f32());
    const float lifeMin = in.f32();
    ok &= t.setLifeSpan(lifeMin, in.f32());
    ok &= t.setDirectionMode(in.i32());
    t.loop = in.flag();
    ok &= t.setDuration(in.f32());
    ok &= t.setMaxParticles(in.i32());
    ok &= t.setEmissionRate(in.f32());
    t.localSpace = in.flag();
    ok &= t.setSpritePhase(in.i32());
    const int visual = in.i32();
    ok &= t.setVisualKind(visual, in.i32());
    const float gx = in.f32(), gy = in.f32();
    ok &= t.setPhysics(gx, gy, in.f32());
    ok &= t.setTurbulence(in.f32());
    ok &= t.setBlendMode(in.u32());
    ok &= t.setDrawOrder(in.i32());
    ok &= t.setEmissionDistance(in.f32());
    ok &= t.setVelocityLimit(in.f32());
    ok &= t.setVelocityInheritance(in.f32());
    const float attraction = in.f32(), attractionRadius = in.f32();
    ok &= t.setAttraction(attraction, attractionRadius, in.f32());
    const float orbit = in.f32(), orbitRadius = in.f32();
    ok &= t.setOrbit(orbit, orbitRadius, in.f32());
    const float rotation = in.f32();
    ok &= t.setRotation(rotation, in.f32());
    const float stretch = in.f32();
    ok &= t.setStretch(stretch, in.flag());
    ok &= t.setSimulationScale(in.f32());
    ok &= t.setWarmUp(in.f32());
    ok &= t.setSeed(in.u32());
    const int collision = in.i32();
    ok &= t.setCollision(collision, in.f32());

    const std::string_view name = in.text(kMaxBlockName);
    ok &= name.empty() != (t.visual == PV_IMAGE || t.visual == PV_SPRITE);

    const Vector<ParticleBurst> bursts = readList<ParticleBurst>(in, ParticleEmitter::kMaxBursts, [&] {
        const float time = in.f32();
        return ParticleBurst{time, in.i32()};
    });
    ok &= t.setBursts(ordered(bursts, ok));
    ok &= t.setSubEmitters(readList<ParticleSubEmitter>(in, ParticleEmitter::kMaxSubEmitters,
                                                        [&] {
                                                            ParticleSubEmitter e{};
                                                            e.preset = in.u32();
                                                            e.triggers = in.u32();
                                                            e.probability = in.f32();
                                                            e.velocityInheritance = in.f32();
                                                            return e;
                                                        }),
                           isPreset);
    const Vector<ParticleColorKey> colorKeys = readList<ParticleColorKey>(in, ParticleEmitter::kMaxColorKeys, [&] {
        ParticleColorKey k{};
        k.time = in.f32();
        if (const uint8_t* c = in.take(4))
            k.color = SDL_Color{c[0], c[1], c[2], c[3]};
        return k;
    });
    ok &= t.setColorKeys(ordered(colorKeys, ok));
    ok &= t.setTints(readList<SDL_Color>(in, ParticleEmitter::kMaxTints, [&] {
        const uint8_t* c = in.take(4);
        return c ? SDL_Color{c[0], c[1], c[2], c[3]} : SDL_Color{};
    }));
    const Vector<ParticleScaleKey> scaleKeys = readList<ParticleScaleKey>(in, ParticleEmitter::kMaxScaleKeys, [&] {
        const float time = in.f32();
        return ParticleScaleKey{time, in.f32()};
    });
    ok &= t.setScaleKeys(ordered(scaleKeys, ok));
    if (!ok || !in.ok() || !in.atEnd())
        return RC_ERR_CORRUPT;
    s = std::move(t);
    visualName.assign(name.data(), name.size());
    return RC_OK;
}

} // namespace Zelkoran::particle
