// The settings of a sprite's animations and their playback.
#include <Zelkoran/Result.h>
#include <Zelkoran/Sprite.h>

#include "sprite/SpriteBlock.h"

#include <algorithm>

namespace Zelkoran {

namespace {

// A frame of the range for step of a random animation: the same step always
// gives the same frame, so frameAt stays a function of time.
int randomFrame(int first, int last, uint64_t step)
{
    uint64_t x = step * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
    x ^= x >> 29;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 32;
    return first + static_cast<int>(x % static_cast<uint64_t>(last - first + 1));
}

} // namespace

int Sprite::selectAnimIndex(int anim)
{
    const Anim* a = this->anim(anim);
    if (!a)
        return RC_ERR_NOT_FOUND;
    m_anim = anim;
    m_frame = a->first;
    m_elapsed = 0;
    return RC_OK;
}

int Sprite::selectFrameIndex(int anim, int frame)
{
    if (frame < 0 || frame >= getFrameCountIndex(anim))
        return RC_ERR_NOT_FOUND;
    m_anim = anim;
    m_frame = frame;
    m_elapsed = 0;
    return RC_OK;
}

int Sprite::selectAnimState(uint16_t state)
{
    auto it = std::lower_bound(m_stateOrder.begin(), m_stateOrder.end(), std::make_pair(state, 0));
    if (it == m_stateOrder.end() || it->first != state)
        return RC_ERR_NOT_FOUND;
    return selectAnimIndex(it->second);
}

int Sprite::orderAnimState(int anim)
{
    if (anim != -1 && !this->anim(anim))
        return RC_ERR_NOT_FOUND;
    // One animation or all: the lookup is small, so it is simply made again.
    m_stateOrder.clear();
    for (int i = 0; i < getAnimCount(); ++i)
        m_stateOrder.emplace_back(m_anims[static_cast<size_t>(i)].state, i);
    std::sort(m_stateOrder.begin(), m_stateOrder.end());
    return static_cast<int>(m_stateOrder.size());
}

int Sprite::frameAt(int anim, uint64_t ms) const
{
    const Anim* a = this->anim(anim);
    if (!a)
        return -1;
    const int first = a->first, last = a->last, span = last - first;
    const auto time = [a](int frame) { return std::max<uint64_t>(1, a->times[static_cast<size_t>(frame)]); };
    // One pass plays count frames, the p-th of them being frameOf(p): worked
    // out rather than listed, as every update of every sprite comes here.
    const bool pingPong = a->type == SPR_PINGPONG, reverse = a->type == SPR_ONESHOT_REVERSE;
    const int count = span + 1 + (pingPong ? std::max(0, span - 1) : 0);
    const auto frameOf = [=](int p) { return reverse ? last - p : p <= span ? first + p : last - (p - span); };
    uint64_t pass = 0;
    for (int p = 0; p < count; ++p)
        pass += time(frameOf(p));
    const bool once = a->type == SPR_ONESHOT || reverse;
    if (once && ms >= pass)
        return frameOf(count - 1);
    if (a->type == SPR_RANDOM) {
        // Steps of the range's mean frame time, so that the frame at any
        // time is found without walking every step before it.
        const uint64_t step = std::max<uint64_t>(1, pass / static_cast<uint64_t>(count));
        return randomFrame(first, last, ms / step);
    }
    ms %= pass;
    for (int p = 0; p < count; ++p) {
        const int f = frameOf(p);
        if (ms < time(f))
            return f;
        ms -= time(f);
    }
    return frameOf(count - 1);
}

void Sprite::update(uint32_t ms)
{
    if (m_paused || !anim(m_anim))
        return;
    m_elapsed += ms;
    m_frame = frameAt(m_anim, m_elapsed);
}

int Sprite::setAnimStateIndex(int anim, uint16_t state)
{
    if (!this->anim(anim))
        return RC_ERR_NOT_FOUND;
    m_anims[static_cast<size_t>(anim)].state = state;
    return RC_OK;
}

int Sprite::getAnimStateIndex(int anim, uint16_t* state) const
{
    const Anim* a = this->anim(anim);
    if (!a)
        return RC_ERR_NOT_FOUND;
    if (state)
        *state = a->state;
    return RC_OK;
}

int Sprite::setAnimTypeIndex(int anim, int type)
{
    if (!this->anim(anim))
        return RC_ERR_NOT_FOUND;
    if (!sprite::isSpriteType(type))
        return RC_ERR_INVALID;
    m_anims[static_cast<size_t>(anim)].type = static_cast<uint8_t>(type);
    return RC_OK;
}

int Sprite::getAnimTypeIndex(int anim, int* type) const
{
    const Anim* a = this->anim(anim);
    if (!a)
        return RC_ERR_NOT_FOUND;
    if (type)
        *type = a->type;
    return RC_OK;
}

int Sprite::setAnimHotSpotIndex(int anim, int x, int y)
{
    if (!this->anim(anim))
        return RC_ERR_NOT_FOUND;
    m_anims[static_cast<size_t>(anim)].hotX = x;
    m_anims[static_cast<size_t>(anim)].hotY = y;
    return RC_OK;
}

int Sprite::getAnimHotSpotIndex(int anim, int* x, int* y) const
{
    const Anim* a = this->anim(anim);
    if (!a)
        return RC_ERR_NOT_FOUND;
    if (x)
        *x = a->hotX;
    if (y)
        *y = a->hotY;
    return RC_OK;
}

int Sprite::setAnimRangeIndex(int anim, int first, int last)
{
    if (!this->anim(anim))
        return RC_ERR_NOT_FOUND;
    if (first < 0 || first > last || last >= getFrameCountIndex(anim))
        return RC_ERR_INVALID;
    Anim& a = m_anims[static_cast<size_t>(anim)];
    a.first = first;
    a.last = last;
    return RC_OK;
}

int Sprite::getAnimRangeIndex(int anim, int* first, int* last) const
{
    const Anim* a = this->anim(anim);
    if (!a)
        return RC_ERR_NOT_FOUND;
    if (first)
        *first = a->first;
    if (last)
        *last = a->last;
    return RC_OK;
}

int Sprite::setFrameTimeIndex(int anim, int frame, uint16_t ms)
{
    if (frame < 0 || frame >= getFrameCountIndex(anim))
        return RC_ERR_NOT_FOUND;
    m_anims[static_cast<size_t>(anim)].times[static_cast<size_t>(frame)] = ms;
    return RC_OK;
}

int Sprite::getFrameTimeIndex(int anim, int frame, uint16_t* ms) const
{
    if (frame < 0 || frame >= getFrameCountIndex(anim))
        return RC_ERR_NOT_FOUND;
    if (ms)
        *ms = m_anims[static_cast<size_t>(anim)].times[static_cast<size_t>(frame)];
    return RC_OK;
}

} // namespace Zelkoran
