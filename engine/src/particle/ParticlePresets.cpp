// The preset catalogue: each entry is a complete effect, built from the
// defaults of a new emitter.
#include "particle/ParticleEmitterCore.h"
#include "particle/ParticlePresets.h"

#include <iterator>

namespace Zelkoran::particle {

namespace {

SDL_Color rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a) { return SDL_Color{r, g, b, a}; }

void defaults(Settings& s)
{
    s.visual = PV_SOFT;
    s.rate = 20;
    s.maxParticles = 256;
    s.lifeMin = 1;
    s.lifeMax = 1.5f;
    s.spread = 40;
    s.speedMin = 40;
    s.speedMax = 80;
    s.colorKeys = {{0, rgba(255, 255, 255, 255)}, {1, rgba(255, 255, 255, 0)}};
    s.scaleKeys = {{0, 1.5f}, {1, 0.5f}};
}

void fire(Settings& s)
{
    s.visual = PV_SOFT;
    s.blend = PBM_ADDITIVE;
    s.glow = true;
    s.glowIntensity = 0.5f;
    s.shape = PSH_RECT;
    s.shapeW = 40;
    s.shapeH = 6;
    s.rate = 140;
    s.maxParticles = 600;
    s.lifeMin = 0.6f;
    s.lifeMax = 1.2f;
    s.spread = 20;
    s.speedMin = 40;
    s.speedMax = 90;
    s.gravityY = -60;
    s.damping = 0.5f;
    s.turbulence = 60;
    s.colorKeys = {{0, rgba(255, 230, 120, 255)},
                   {0.35f, rgba(255, 120, 20, 220)},
                   {0.8f, rgba(120, 20, 10, 90)},
                   {1, rgba(40, 10, 5, 0)}};
    s.scaleKeys = {{0, 1.8f}, {1, 0.4f}};
}

void smoke(Settings& s)
{
    s.visual = PV_SOFT;
    s.shape = PSH_CIRCLE;
    s.shapeW = 20;
    s.rate = 30;
    s.maxParticles = 300;
    s.lifeMin = 2;
    s.lifeMax = 3.5f;
    s.spread = 30;
    s.speedMin = 20;
    s.speedMax = 45;
    s.gravityY = -15;
    s.damping = 0.3f;
    s.turbulence = 25;
    s.rotation = 0;
    s.spin = 20;
    s.colorKeys = {{0, rgba(110, 110, 110, 0)}, {0.15f, rgba(120, 120, 120, 170)}, {1, rgba(160, 160, 160, 0)}};
    s.scaleKeys = {{0, 1.5f}, {1, 6}};
}

void sparks(Settings& s)
{
    s.visual = PV_LINE;
    s.blend = PBM_ADDITIVE;
    s.rate = 60;
    s.maxParticles = 400;
    s.lifeMin = 0.4f;
    s.lifeMax = 0.9f;
    s.spread = 120;
    s.speedMin = 150;
    s.speedMax = 320;
    s.gravityY = 400;
    s.damping = 0.5f;
    s.stretch = 1;
    s.align = true;
    s.colorKeys = {{0, rgba(255, 255, 200, 255)}, {0.5f, rgba(255, 160, 40, 255)}, {1, rgba(255, 60, 0, 0)}};
}

void sparkBurst(Settings& s)
{
    s.visual = PV_SOFT;
    s.blend = PBM_ADDITIVE;
    s.loop = false;
    s.duration = 0;
    s.rate = 0;
    s.bursts = {{0, 60}};
    s.directionMode = PDM_RADIAL;
    s.spread = 360;
    s.speedMin = 100;
    s.speedMax = 260;
    s.damping = 1.5f;
    s.gravityY = 80;
    s.lifeMin = 0.6f;
    s.lifeMax = 1.1f;
    s.tints = {rgba(255, 90, 90, 255), rgba(120, 255, 120, 255), rgba(120, 160, 255, 255), rgba(255, 240, 120, 255)};
    s.colorKeys = {{0, rgba(255, 255, 255, 255)}, {1, rgba(255, 255, 255, 0)}};
    s.scaleKeys = {{0, 1.4f}, {1, 0.4f}};
}

void smokePuff(Settings& s)
{
    s.visual = PV_SOFT;
    s.loop = false;
    s.duration = 0;
    s.rate = 0;
    s.bursts = {{0, 6}};
    s.shape = PSH_CIRCLE;
    s.shapeW = 6;
    s.directionMode = PDM_RADIAL;
    s.speedMin = 10;
    s.speedMax = 30;
    s.gravityY = -20;
    s.lifeMin = 0.8f;
    s.lifeMax = 1.4f;
    s.colorKeys = {{0, rgba(150, 150, 150, 200)}, {1, rgba(180, 180, 180, 0)}};
    s.scaleKeys = {{0, 1}, {1, 3}};
}

void explosion(Settings& s)
{
    s.visual = PV_SOFT;
    s.blend = PBM_ADDITIVE;
    s.glow = true;
    s.glowIntensity = 0.7f;
    s.loop = false;
    s.duration = 0;
    s.rate = 0;
    s.maxParticles = 400;
    s.bursts = {{0, 160}, {0.05f, 80}};
    s.shape = PSH_CIRCLE;
    s.shapeW = 10;
    s.directionMode = PDM_RADIAL;
    s.spread = 360;
    s.speedMin = 80;
    s.speedMax = 300;
    s.damping = 3;
    s.lifeMin = 0.5f;
    s.lifeMax = 1.2f;
    s.colorKeys = {{0, rgba(255, 255, 220, 255)}, {0.3f, rgba(255, 150, 30, 230)}, {1, rgba(90, 30, 10, 0)}};
    s.scaleKeys = {{0, 2.2f}, {1, 0.6f}};
    s.subEmitters = {{PEP_SMOKE_PUFF, PST_DEATH, 0.05f, 0.2f}};
}

void rain(Settings& s)
{
    s.visual = PV_LINE;
    s.shape = PSH_RECT;
    s.shapeW = 1200;
    s.shapeH = 900;
    s.rate = 500;
    s.maxParticles = 1000;
    s.lifeMin = 0.5f;
    s.lifeMax = 0.8f;
    s.angle = 100;
    s.spread = 2;
    s.speedMin = 700;
    s.speedMax = 900;
    s.stretch = 0.5f;
    s.align = true;
    s.colorKeys = {{0, rgba(170, 190, 255, 0)}, {0.1f, rgba(170, 190, 255, 200)}, {1, rgba(170, 190, 255, 120)}};
}

void snow(Settings& s)
{
    s.visual = PV_SOFT;
    s.shape = PSH_RECT;
    s.shapeW = 1200;
    s.shapeH = 900;
    s.rate = 90;
    s.maxParticles = 800;
    s.lifeMin = 4;
    s.lifeMax = 7;
    s.angle = 90;
    s.spread = 30;
    s.speedMin = 20;
    s.speedMax = 50;
    s.turbulence = 30;
    s.colorKeys = {{0, rgba(255, 255, 255, 0)}, {0.1f, rgba(255, 255, 255, 230)}, {0.8f, rgba(255, 255, 255, 230)},
                   {1, rgba(255, 255, 255, 0)}};
    s.scaleKeys = {{0, 1.3f}, {1, 1.3f}};
}

void magic(Settings& s)
{
    s.visual = PV_SOFT;
    s.blend = PBM_ADDITIVE;
    s.glow = true;
    s.glowIntensity = 0.6f;
    s.shape = PSH_RING;
    s.shapeW = 80;
    s.shapeH = 6;
    s.directionMode = PDM_RADIAL;
    s.spread = 10;
    s.speedMin = 10;
    s.speedMax = 30;
    s.orbit = 120;
    s.attraction = 10;
    s.rate = 80;
    s.maxParticles = 400;
    s.lifeMin = 1;
    s.lifeMax = 2;
    s.tints = {rgba(255, 120, 255, 255), rgba(120, 200, 255, 255), rgba(255, 255, 160, 255)};
    s.colorKeys = {{0, rgba(255, 255, 255, 0)}, {0.2f, rgba(255, 255, 255, 255)}, {1, rgba(255, 255, 255, 0)}};
    s.scaleKeys = {{0, 1}, {1, 0.2f}};
}

void fountain(Settings& s)
{
    s.visual = PV_SOFT;
    s.spread = 24;
    s.speedMin = 300;
    s.speedMax = 380;
    s.gravityY = 500;
    s.lifeMin = 1.4f;
    s.lifeMax = 1.8f;
    s.rate = 150;
    s.maxParticles = 600;
    s.colorKeys = {{0, rgba(200, 230, 255, 255)}, {1, rgba(40, 110, 255, 0)}};
    s.scaleKeys = {{0, 0.9f}, {1, 1.6f}};
}

void fireworks(Settings& s)
{
    s.visual = PV_LINE;
    s.blend = PBM_ADDITIVE;
    s.rate = 2;
    s.bursts = {{0, 1}}; // the first rocket at once
    s.maxParticles = 16;
    s.lifeMin = 1;
    s.lifeMax = 1.4f;
    s.spread = 30;
    s.speedMin = 300;
    s.speedMax = 420;
    s.gravityY = 150;
    s.stretch = 1;
    s.align = true;
    s.colorKeys = {{0, rgba(255, 230, 160, 255)}, {1, rgba(255, 200, 120, 200)}};
    s.subEmitters = {{PEP_SPARK_BURST, PST_DEATH, 1, 0.2f}};
}

struct Entry {
    ParticlePresetDesc desc;
    void (*build)(Settings&);
};

const Entry kCatalogue[] = {
    {{PEP_DEFAULT, "Default", "Soft white dots drifting up", 0}, defaults},
    {{PEP_FIRE, "Fire", "Flames that rise, redden and fade", 0}, fire},
    {{PEP_SMOKE, "Smoke", "Grey puffs that rise, grow and fade", 0}, smoke},
    {{PEP_SPARKS, "Sparks", "Hot streaks thrown up that fall", 1}, sparks},
    {{PEP_EXPLOSION, "Explosion", "One fiery blast leaving smoke puffs", 0}, explosion},
    {{PEP_RAIN, "Rain", "Streaks falling over the whole view", 0}, rain},
    {{PEP_SNOW, "Snow", "Flakes drifting down over the whole view", 0}, snow},
    {{PEP_MAGIC, "Magic", "Coloured motes circling a ring", 0}, magic},
    {{PEP_FOUNTAIN, "Fountain", "Water thrown up that falls back", 0}, fountain},
    {{PEP_FIREWORKS, "Fireworks", "Rockets that burst into coloured sparks", 0}, fireworks},
    {{PEP_SPARK_BURST, "Spark burst", "One burst of coloured sparks", 1}, sparkBurst},
    {{PEP_SMOKE_PUFF, "Smoke puff", "One small puff of smoke", 1}, smokePuff},
};

} // namespace

int presetCount() { return static_cast<int>(std::size(kCatalogue)); }

const ParticlePresetDesc* presetDesc(int index)
{
    return index >= 0 && index < presetCount() ? &kCatalogue[index].desc : nullptr;
}

bool isPreset(uint32_t preset)
{
    for (const Entry& e : kCatalogue)
        if (e.desc.preset == preset)
            return true;
    return false;
}

bool presetSettings(uint32_t preset, Settings& s)
{
    for (const Entry& e : kCatalogue) {
        if (e.desc.preset != preset)
            continue;
        s = Settings{};
        e.build(s);
        s.preset = preset;
        return true;
    }
    return false;
}

} // namespace Zelkoran::particle
