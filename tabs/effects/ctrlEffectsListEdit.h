// Editing the emitter's lists (bursts, sub-emitters, colour keys, tint
// palette, scale keys) and the small conversions of the two floating panels.
//
// A list is never changed in place: a copy is changed and submitted whole,
// and the emitter decides. It may keep the entries in an order of its own,
// so an edited entry is found again in what the emitter holds afterwards:
// among entries identical to it, the same occurrence as in the copy.
// Copies take engine memory; a failed allocation is reported as
// RC_ERR_NO_MEMORY instead of escaping as an exception.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Particle.h>
#include <Zelkoran/Result.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace effectlists {

using Zelkoran::Vector;

// The emitter's view of one list: read() gives a copy of the list,
// submit(list) is true when the emitter took it, and same(a, b) tells
// identical entries; byPosition for lists whose selection stays by position.
template <typename Read, typename Submit, typename Same>
struct ListAccess {
    Read read;
    Submit submit;
    Same same;
};
template <typename Read, typename Submit, typename Same>
ListAccess(Read, Submit, Same) -> ListAccess<Read, Submit, Same>;

struct ByPosition {};
inline constexpr ByPosition byPosition{};

// The entry type of a list access.
template <typename Access>
using EntryOf = typename decltype(std::declval<const Access&>().read())::value_type;

// Result of a list edit besides RC_OK and RC_ERR_NO_MEMORY: nothing changed.
constexpr int kRefused = Zelkoran::RC_ERR_GENERIC;

// Position in now of the entry that sits at position in submitted: the
// (n+1)-th entry identical to it, n being the identical ones before it in
// submitted; 0 when now holds fewer.
template <typename T, typename Same>
int relocate(const Vector<T>& submitted, size_t position, const Vector<T>& now, const Same& same)
{
    const T& key = submitted[position];
    size_t before = 0;
    for (size_t i = 0; i < position; ++i)
        before += same(submitted[i], key) ? 1 : 0;
    for (size_t i = 0; i < now.size(); ++i)
        if (same(now[i], key) && before-- == 0)
            return static_cast<int>(i);
    return 0;
}

// Where the entry at position of submitted is after the emitter took it.
template <typename Access, typename T>
int positionAfterSubmit(const Access& list, const Vector<T>& submitted, size_t position)
{
    if constexpr (std::is_same_v<std::remove_cvref_t<decltype(list.same)>, ByPosition>)
        return static_cast<int>(position);
    else
        return relocate(submitted, position, list.read(), list.same);
}

// Runs one edit, turning a failed allocation into RC_ERR_NO_MEMORY.
template <typename Edit>
int guarded(Edit&& edit)
{
    try {
        return edit();
    } catch (const std::bad_alloc&) {
        return Zelkoran::RC_ERR_NO_MEMORY;
    }
}

// Replaces entry selection with value. On RC_OK selection is the entry's
// new position (unchanged without an identity).
template <typename Access>
int replaceEntry(const Access& list, const EntryOf<Access>& value, int& selection)
{
    return guarded([&] {
        Vector<EntryOf<Access>> copy = list.read();
        if (selection < 0 || static_cast<size_t>(selection) >= copy.size())
            return kRefused;
        copy[static_cast<size_t>(selection)] = value;
        if (!list.submit(copy))
            return kRefused;
        selection = positionAfterSubmit(list, copy, static_cast<size_t>(selection));
        return static_cast<int>(Zelkoran::RC_OK);
    });
}

// Appends the entry make(list, entry) builds from the current list (make
// may refuse: false) when the list holds fewer than limit. On RC_OK
// selection is the new entry's position.
template <typename Access, typename Make>
int appendEntry(const Access& list, size_t limit, const Make& make, int& selection)
{
    return guarded([&] {
        Vector<EntryOf<Access>> copy = list.read();
        EntryOf<Access> entry{};
        if (copy.size() >= limit || !make(copy, entry))
            return kRefused;
        copy.push_back(entry);
        if (!list.submit(copy))
            return kRefused;
        selection = positionAfterSubmit(list, copy, copy.size() - 1);
        return static_cast<int>(Zelkoran::RC_OK);
    });
}

// Removes entry selection unless that would leave fewer than fewestLeft.
// On RC_OK selection stays on the entry that followed, or moves to the new
// last one; -1 once the list is empty.
template <typename Access>
int removeEntry(const Access& list, size_t fewestLeft, int& selection)
{
    return guarded([&] {
        Vector<EntryOf<Access>> copy = list.read();
        if (selection < 0 || static_cast<size_t>(selection) >= copy.size() || copy.size() - 1 < fewestLeft)
            return kRefused;
        copy.erase(copy.begin() + selection);
        if (!list.submit(copy))
            return kRefused;
        selection = std::min(selection, static_cast<int>(copy.size()) - 1);
        return static_cast<int>(Zelkoran::RC_OK);
    });
}

// The outcome of a list edit: true on RC_OK; a failed allocation is told to
// the user.
bool listEditDone(int result);

// Selection kept inside a list of count entries (0 for an empty one).
int clampSelection(int selection, size_t count);

bool sameBurst(const Zelkoran::ParticleBurst& a, const Zelkoran::ParticleBurst& b);
// Float comparisons: a NaN time never matches.
bool sameColorKey(const Zelkoran::ParticleColorKey& a, const Zelkoran::ParticleColorKey& b);
bool sameScaleKey(const Zelkoran::ParticleScaleKey& a, const Zelkoran::ParticleScaleKey& b);

// A burst's particle count as typed: truncated, then 1..ParticleEmitter::kMaxParticles.
int32_t burstCount(float typed);
// The time of a burst added after one at time: 0.1 s later, at most ParticleEmitter::kMaxSeconds.
float nextBurstTime(float time);
// Halfway between key selection and the next one (the end of life, 1.0,
// after the last key).
template <typename Key>
float midpointTime(const Vector<Key>& keys, size_t selection)
{
    const float next = selection + 1 < keys.size() ? keys[selection + 1].time : 1.0f;
    return (keys[selection].time + next) * 0.5f;
}

// "Key 2 (12%)": row from 1, the time in whole percent.
std::string keyLabel(int row, float time);
// "1: 0.50s / 40".
std::string burstLabel(int row, const Zelkoran::ParticleBurst& burst);

// A seed of the seed field: decimal digits only, 1 to 4294967295.
bool parseSeed(std::string_view text, uint32_t& seed);

// The blend combo's rows ("None", "Alpha blend", "Additive", "Multiply").
struct BlendChoice {
    const char* label;
    unsigned blend;
};
extern const BlendChoice effectBlendChoices[4];
// The blend of a row; rows outside 1..4 give "Alpha blend".
unsigned blendForRow(int row);
// The row of a blend; unknown blends show "Alpha blend".
int rowForBlend(unsigned blend);

// Swatches of the colour ramp and the tint preview.
constexpr int kSwatches = 12;
// The ramp's colour at swatch i (t = i / 11) between the keys, in their
// order; white without keys.
SDL_Color rampColor(const Vector<Zelkoran::ParticleColorKey>& keys, int swatch);
// The palette entry a tint preview swatch shows.
size_t tintEntryForSwatch(size_t count, int swatch);

} // namespace effectlists
