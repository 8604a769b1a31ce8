#include "tabs/effects/ctrlEffectsListEdit.h"

#include "services/EditorLog.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

#include <cmath>
#include <cstdio>
#include <iterator>

using namespace Zelkoran;

namespace effectlists {

bool listEditDone(int result)
{
    if (result == RC_ERR_NO_MEMORY) {
        editorLog().msg(LOG_ERROR, "\n[CtrlEffects] Error: out of memory while editing a particle list.\n");
        Main::instance()->tool()->messageBox(
            "Particle effect", "There is not enough memory for this change.\nThe effect was left as it was.", MBB_OK,
            MBT_ERROR, 0, -1, -1);
    }
    return result == RC_OK;
}

const BlendChoice effectBlendChoices[4] = {
    {"None", PBM_NONE}, {"Alpha blend", PBM_ALPHA}, {"Additive", PBM_ADDITIVE}, {"Multiply", PBM_MULTIPLY}};

namespace {
constexpr int kBlendRows = static_cast<int>(std::size(effectBlendChoices));
} // namespace

int clampSelection(int selection, size_t count)
{
    if (count == 0 || selection < 0)
        return 0;
    return std::min(selection, static_cast<int>(count) - 1);
}

bool sameBurst(const ParticleBurst& a, const ParticleBurst& b) { return a.time == b.time && a.count == b.count; }

bool sameColorKey(const ParticleColorKey& a, const ParticleColorKey& b)
{
    return a.time == b.time && a.color.r == b.color.r && a.color.g == b.color.g && a.color.b == b.color.b
           && a.color.a == b.color.a;
}

bool sameScaleKey(const ParticleScaleKey& a, const ParticleScaleKey& b)
{
    return a.time == b.time && a.scale == b.scale;
}

int32_t burstCount(float typed)
{
    if (!(typed >= 1))
        return 1;
    constexpr int32_t most = ParticleEmitter::kMaxParticles;
    return typed >= static_cast<float>(most) ? most : static_cast<int32_t>(typed);
}

float nextBurstTime(float time) { return std::min(time + 0.1f, ParticleEmitter::kMaxSeconds); }

std::string keyLabel(int row, float time)
{
    char text[64];
    std::snprintf(text, sizeof(text), "Key %d (%.0f%%)", row, static_cast<double>(time * 100.0f));
    return text;
}

std::string burstLabel(int row, const ParticleBurst& burst)
{
    char text[64];
    std::snprintf(text, sizeof(text), "%d: %.2fs / %d", row, static_cast<double>(burst.time), burst.count);
    return text;
}

bool parseSeed(std::string_view text, uint32_t& seed)
{
    if (text.empty())
        return false;
    uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > UINT32_MAX)
            return false;
    }
    if (value == 0)
        return false;
    seed = static_cast<uint32_t>(value);
    return true;
}

unsigned blendForRow(int row)
{
    return row >= 1 && row <= kBlendRows ? effectBlendChoices[row - 1].blend : static_cast<unsigned>(PBM_ALPHA);
}

int rowForBlend(unsigned blend)
{
    for (int r = 0; r < kBlendRows; ++r)
        if (effectBlendChoices[r].blend == blend)
            return r + 1;
    return 2;
}

SDL_Color rampColor(const Vector<ParticleColorKey>& keys, int swatch)
{
    if (keys.empty())
        return SDL_Color{255, 255, 255, 255};
    const float t = static_cast<float>(swatch) / 11.0f;
    if (!(t > keys.front().time) || keys.size() == 1)
        return keys.front().color;
    for (size_t k = 1; k < keys.size(); ++k) {
        if (keys[k].time < t)
            continue;
        const ParticleColorKey& a = keys[k - 1];
        const ParticleColorKey& b = keys[k];
        const float span = b.time - a.time;
        const float f = span > 0 ? (t - a.time) / span : 0;
        auto mix = [f](uint8_t from, uint8_t to) {
            const float v = f * static_cast<float>(to - from) + static_cast<float>(from) + 0.5f;
            return static_cast<uint8_t>(static_cast<int>(v) & 0xFF);
        };
        return SDL_Color{mix(a.color.r, b.color.r), mix(a.color.g, b.color.g), mix(a.color.b, b.color.b), 255};
    }
    return keys.back().color;
}

size_t tintEntryForSwatch(size_t count, int swatch) { return count * static_cast<size_t>(swatch) / kSwatches; }

} // namespace effectlists
