#include "particle/ParticleDraw.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Sprite.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Zelkoran::particle {

namespace {

constexpr float kDegToRad = 3.14159265358979f / 180.0f;
// Base sizes in pixels at scale 1.
constexpr float kRectSize = 4;
constexpr float kSoftSize = 8;
constexpr int kSoftTexture = 32;
// Largest soft dot made at its drawn size for the software renderer.
constexpr int kMaxSoftCopy = 96;
// Sprite frames per second while a particle shows a sprite.
constexpr float kSpriteFps = 10;
// A glow halo is this much larger than its particle, at this alpha share.
constexpr float kGlowSize = 2.5f;
constexpr float kGlowAlpha = 0.5f;
// Longest side a particle quad is drawn with.
constexpr float kMaxQuad = 4096;
// Rows of output a band of copies keeps in the cache.
constexpr int kBandRows = 16;

SDL_BlendMode blendOf(unsigned mode)
{
    switch (mode) {
    case PBM_NONE: return SDL_BLENDMODE_NONE;
    case PBM_ADDITIVE: return SDL_BLENDMODE_ADD;
    // Multiply weighted by alpha: its colours come premultiplied.
    case PBM_MULTIPLY: return SDL_BLENDMODE_MUL;
    default: return SDL_BLENDMODE_BLEND;
    }
}

uint8_t mix(uint8_t a, uint8_t b, float f)
{
    return static_cast<uint8_t>(static_cast<float>(a) + (static_cast<float>(b) - static_cast<float>(a)) * f + 0.5f);
}

// Value of the time-sorted keys at t, linear between neighbours.
template <class Key, class Lerp>
auto sample(const Vector<Key>& keys, float t, Lerp lerp)
{
    if (t <= keys.front().time)
        return lerp(keys.front(), keys.front(), 0.0f);
    for (size_t k = 1; k < keys.size(); ++k) {
        if (keys[k].time >= t) {
            const float span = keys[k].time - keys[k - 1].time;
            return lerp(keys[k - 1], keys[k], span > 0 ? (t - keys[k - 1].time) / span : 0.0f);
        }
    }
    return lerp(keys.back(), keys.back(), 0.0f);
}

// Byte for byte, so that only keys sampling to the very same ramp match
// (NaN and -0 included).
template <class Key>
bool sameKeys(const Vector<Key>& a, const Vector<Key>& b)
{
    static_assert(sizeof(Key) == 8, "keys are compared without padding");
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Key)) == 0);
}

} // namespace

Drawer::~Drawer() { release(); }

void Drawer::release()
{
    for (SDL_Texture* t : m_soft)
        if (t)
            SDL_DestroyTexture(t);
    m_soft.clear();
    m_glow.release();
    m_owner = nullptr;
}

const Drawer::DotShape& Drawer::dotShape(int side)
{
    static_assert(kSoftTexture <= kMaxSoftCopy, "the master dot has a shape too");
    if (m_shapes.empty())
        m_shapes.resize(kMaxSoftCopy + 1);
    DotShape& shape = m_shapes[static_cast<size_t>(side)];
    if (!shape.alpha.empty())
        return shape;
    // An alpha that falls smoothly from the centre to the rim.
    shape.alpha.resize(static_cast<size_t>(side) * static_cast<size_t>(side));
    const float half = static_cast<float>(side) * 0.5f;
    const int rings = (side + 1) / 2;
    uint32_t ringAlpha[kMaxSoftCopy / 2 + 1] = {};
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const float dx = (static_cast<float>(x) + 0.5f - half) / half;
            const float dy = (static_cast<float>(y) + 0.5f - half) / half;
            const float fall = std::max(0.0f, 1 - std::sqrt(dx * dx + dy * dy));
            const uint32_t alpha = static_cast<uint32_t>(fall * fall * 255.0f + 0.5f);
            shape.alpha[static_cast<size_t>(y * side + x)] = static_cast<uint8_t>(alpha);
            uint32_t& ring = ringAlpha[std::min({x, y, side - 1 - x, side - 1 - y})];
            ring = std::max(ring, alpha);
        }
    // A texel adds nothing where its alpha times the alpha mod, over 255,
    // truncates to 0: blending, adding and multiplying keep the output there.
    for (int mod = 0; mod < 256; ++mod) {
        int cut = 0;
        while (cut < rings && ringAlpha[cut] * static_cast<uint32_t>(mod) < 255)
            ++cut;
        shape.rims[static_cast<size_t>(mod)] = static_cast<uint8_t>(cut);
    }
    return shape;
}

SDL_Texture* Drawer::softDot(SDL_Renderer* renderer, int size, bool premultiplied)
{
    if (m_owner != renderer) {
        release();
        m_owner = renderer;
        m_soft.assign(2 * (kMaxSoftCopy + 1), nullptr);
    }
    size = std::clamp(size, 0, kMaxSoftCopy);
    SDL_Texture*& slot = m_soft[static_cast<size_t>(size + (premultiplied ? kMaxSoftCopy + 1 : 0))];
    if (slot)
        return slot;
    const int side = size ? size : kSoftTexture;
    SDL_Surface* dot = SDL_CreateRGBSurfaceWithFormat(0, side, side, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!dot)
        return nullptr;
    // White (premultiplied: white times alpha) with the dot's alpha.
    const DotShape& shape = dotShape(side);
    for (int y = 0; y < side; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(dot->pixels) + y * dot->pitch);
        for (int x = 0; x < side; ++x) {
            const uint32_t alpha = shape.alpha[static_cast<size_t>(y * side + x)];
            row[x] = alpha << 24 | (premultiplied ? alpha * 0x010101u : 0xFFFFFFu);
        }
    }
    SDL_Texture* t = SDL_CreateTextureFromSurface(renderer, dot);
    SDL_FreeSurface(dot);
    if (t)
        SDL_SetTextureScaleMode(t, SDL_ScaleModeLinear);
    slot = t;
    return t;
}

bool Drawer::lookOf(SDL_Renderer* renderer, const Emitter& e, Look& look)
{
    const Settings& s = e.s;
    const bool premultiplied = s.blend == PBM_MULTIPLY;
    const auto textureOf = [&](Image* img) {
        return !img ? nullptr : premultiplied ? img->premultipliedTexture(renderer) : img->texture(renderer);
    };
    switch (s.visual) {
    case PV_RECT: look.w = look.h = kRectSize; return true;
    case PV_SOFT:
        look.texture = softDot(renderer, 0, premultiplied);
        look.w = look.h = kSoftSize;
        return look.texture != nullptr;
    case PV_IMAGE: {
        Image* img = Main::instance()->imageMgr()->get(e.resourceId);
        look.texture = textureOf(img);
        if (!look.texture)
            return false;
        SDL_SetTextureAlphaMod(look.texture, img->getAlphaMod());
        look.w = static_cast<float>(img->getWidth());
        look.h = static_cast<float>(img->getHeight());
        return true;
    }
    case PV_SPRITE: {
        Sprite* sprite = Main::instance()->spriteMgr()->get(e.resourceId);
        Image* sheet = sprite ? Main::instance()->imageMgr()->get(sprite->getImage()) : nullptr;
        look.texture = textureOf(sheet);
        const int anims = sprite ? sprite->getAnimCount() : 0;
        if (!look.texture || anims < 1 || sheet->getWidth() < 1 || sheet->getHeight() < 1)
            return false;
        int fw = 0, fh = 0;
        sprite->getOffset(&fw, &fh);
        const int anim = std::clamp(s.animation < 0 ? sprite->getAnimCurrentIndex() : s.animation, 0, anims - 1);
        look.frames = std::max(1, sprite->getFrameCountIndex(anim));
        look.w = static_cast<float>(fw);
        look.h = static_cast<float>(fh);
        look.frameU = look.w / static_cast<float>(sheet->getWidth());
        look.u1 = look.frameU;
        look.v0 = static_cast<float>(anim * fh) / static_cast<float>(sheet->getHeight());
        look.v1 = static_cast<float>((anim + 1) * fh) / static_cast<float>(sheet->getHeight());
        SDL_SetTextureAlphaMod(look.texture, sheet->getAlphaMod());
        return true;
    }
    default: return true; // pixel and line quads need no texture
    }
}

void Drawer::buildRamps(const Settings& s)
{
    if (!sameKeys(s.colorKeys, m_colorKeys)) {
        for (int i = 0; i < 256; ++i)
            m_colors[i] = sample(s.colorKeys, static_cast<float>(i) / 255.0f,
                                 [](const ParticleColorKey& a, const ParticleColorKey& b, float f) {
                                     return SDL_Color{mix(a.color.r, b.color.r, f), mix(a.color.g, b.color.g, f),
                                                      mix(a.color.b, b.color.b, f), mix(a.color.a, b.color.a, f)};
                                 });
        m_colorKeys = s.colorKeys;
    }
    if (!sameKeys(s.scaleKeys, m_scaleKeys)) {
        for (int i = 0; i < 256; ++i)
            m_scales[i] = sample(s.scaleKeys, static_cast<float>(i) / 255.0f,
                                 [](const ParticleScaleKey& a, const ParticleScaleKey& b, float f) {
                                     return a.scale + (b.scale - a.scale) * f;
                                 });
        m_scaleKeys = s.scaleKeys;
    }
}

void Drawer::buildOrder(const Emitter& e)
{
    const Pool& p = e.pool;
    m_order.resize(static_cast<size_t>(p.count));
    for (int i = 0; i < p.count; ++i)
        m_order[i] = i;
    if (e.s.drawOrder == PDO_OLDEST_FIRST)
        std::sort(m_order.begin(), m_order.end(), [&](int a, int b) { return p.age[a] > p.age[b]; });
    else if (e.s.drawOrder == PDO_YOUNGEST_FIRST)
        std::sort(m_order.begin(), m_order.end(), [&](int a, int b) { return p.age[a] < p.age[b]; });
}

int Drawer::buildQuads(const Emitter& e, const Look& look, bool glow)
{
    const Settings& s = e.s;
    const Pool& p = e.pool;
    const bool store = s.drawOrder == PDO_STORE;
    const bool turns = s.rotation != 0 || s.spin != 0 || s.align;
    const bool line = s.visual == PV_LINE;
    const float glowAlpha = s.glowIntensity * kGlowAlpha;
    const int shared = static_cast<int>(e.clock() * kSpriteFps);
    // Blending, adding and multiplying leave the output as it was where
    // alpha is 0.
    const SDL_BlendMode mode = glow ? SDL_BLENDMODE_ADD : blendOf(s.blend);
    const bool clearVanishes = mode != SDL_BLENDMODE_NONE;
    const bool premultiplied = mode == SDL_BLENDMODE_MUL;
    m_vertices.resize(static_cast<size_t>(p.count) * 4);
    SDL_Vertex* v = m_vertices.data();
    int quads = 0;
    for (int k = 0; k < p.count; ++k) {
        const int i = store ? k : m_order[k];
        const float t = std::min(p.age[i] / p.life[i], 1.0f);
        const int step = static_cast<int>(t * 255.0f);
        SDL_Color c = m_colors[step];
        if (!s.tints.empty()) {
            const SDL_Color& tint = s.tints[p.tint[i] % s.tints.size()];
            c.r = static_cast<uint8_t>(c.r * tint.r / 255);
            c.g = static_cast<uint8_t>(c.g * tint.g / 255);
            c.b = static_cast<uint8_t>(c.b * tint.b / 255);
            c.a = static_cast<uint8_t>(c.a * tint.a / 255);
        }
        const float scale = m_scales[step];
        const float speed2 = p.vx[i] * p.vx[i] + p.vy[i] * p.vy[i];
        float len = look.w * scale, wide = look.h * scale;
        float cs = 1, sn = 0;
        if (line) {
            // A streak behind the particle, longer the faster it moves.
            const float speed = std::sqrt(speed2);
            len = (2 + speed * 0.02f) * (1 + s.stretch) * scale;
            wide = std::max(1.0f, 1.5f * scale);
            if (speed > 0) {
                cs = p.vx[i] / speed;
                sn = p.vy[i] / speed;
            }
        } else {
            if (s.stretch > 0)
                len *= 1 + s.stretch * std::sqrt(speed2) * 0.01f;
            if (s.align && speed2 > 0) {
                const float speed = std::sqrt(speed2);
                cs = p.vx[i] / speed;
                sn = p.vy[i] / speed;
            } else if (turns) {
                const float a = (s.rotation + s.spin * p.age[i]) * kDegToRad;
                cs = std::cos(a);
                sn = std::sin(a);
            }
        }
        float cx = p.x[i], cy = p.y[i];
        if (line) {
            cx -= cs * len * 0.5f;
            cy -= sn * len * 0.5f;
        }
        float u0 = look.u0, u1 = look.u1;
        if (glow) {
            len = wide = std::max(len, wide) * kGlowSize;
            cs = 1;
            sn = 0;
            c.a = static_cast<uint8_t>(static_cast<float>(c.a) * glowAlpha);
            u0 = 0;
            u1 = 1;
        } else if (look.frames > 1) {
            const int frame = (shared + (s.spritePhase == PSP_RANDOM ? p.phase[i] : 0)) % look.frames;
            u0 = look.frameU * static_cast<float>(frame);
            u1 = u0 + look.frameU;
        }
        if (c.a == 0 && clearVanishes)
            continue;
        if (premultiplied) {
            c.r = static_cast<uint8_t>((c.r * c.a + 127) / 255);
            c.g = static_cast<uint8_t>((c.g * c.a + 127) / 255);
            c.b = static_cast<uint8_t>((c.b * c.a + 127) / 255);
        }
        // Absurd sizes stay bounded; quads off the view (or not finite)
        // are not drawn, so the renderer never sees huge coordinates.
        len = std::min(len, kMaxQuad);
        wide = std::min(wide, kMaxQuad);
        const float reach = (len + wide) * 0.5f;
        if (!(cx + reach >= m_view.x && cx - reach <= m_view.x + m_view.w && cy + reach >= m_view.y
              && cy - reach <= m_view.y + m_view.h))
            continue;
        const float v0 = glow ? 0 : look.v0, v1 = glow ? 1 : look.v1;
        const float ax = cs * len * 0.5f, ay = sn * len * 0.5f;
        const float bx = -sn * wide * 0.5f, by = cs * wide * 0.5f;
        v[0] = SDL_Vertex{{cx - ax - bx, cy - ay - by}, c, {u0, v0}};
        v[1] = SDL_Vertex{{cx + ax - bx, cy + ay - by}, c, {u1, v0}};
        v[2] = SDL_Vertex{{cx - ax + bx, cy - ay + by}, c, {u0, v1}};
        v[3] = SDL_Vertex{{cx + ax + bx, cy + ay + by}, c, {u1, v1}};
        v += 4;
        ++quads;
    }
    return quads;
}

bool Drawer::software(SDL_Renderer* renderer)
{
    if (m_probed != renderer) {
        SDL_RendererInfo info{};
        m_software = SDL_GetRendererInfo(renderer, &info) == 0 && info.name && std::strcmp(info.name, "software") == 0;
        m_probed = renderer;
    }
    return m_software;
}

bool Drawer::anyOrder(SDL_Texture* texture, SDL_BlendMode mode, bool soft, int quads) const
{
    if (mode == SDL_BLENDMODE_ADD)
        return true; // saturating sums do not depend on their order
    if (mode != SDL_BLENDMODE_BLEND || (texture && !soft))
        return false;
    // One colour blended over itself: only rounding depends on the order.
    const SDL_Color c0 = m_vertices[0].color;
    for (int q = 1; q < quads; ++q) {
        const SDL_Color& c = m_vertices[static_cast<size_t>(q) * 4].color;
        if (c.r != c0.r || c.g != c0.g || c.b != c0.b)
            return false;
    }
    return true;
}

const int* Drawer::byBand(int quads)
{
    const int bands = static_cast<int>(m_view.h) / kBandRows + 2;
    const auto bandOf = [&](int q) {
        const float top = m_vertices[static_cast<size_t>(q) * 4].position.y - m_view.y;
        return std::clamp(static_cast<int>(top / kBandRows) + 1, 0, bands - 1);
    };
    m_bandStart.assign(static_cast<size_t>(bands) + 1, 0);
    for (int q = 0; q < quads; ++q)
        ++m_bandStart[static_cast<size_t>(bandOf(q)) + 1];
    for (int b = 0; b < bands; ++b)
        m_bandStart[static_cast<size_t>(b) + 1] += m_bandStart[static_cast<size_t>(b)];
    m_banded.resize(static_cast<size_t>(quads));
    for (int q = 0; q < quads; ++q)
        m_banded[static_cast<size_t>(m_bandStart[static_cast<size_t>(bandOf(q))]++)] = q;
    return m_banded.data();
}

int Drawer::submitCopies(SDL_Renderer* renderer, SDL_Texture* texture, SDL_BlendMode mode, int quads, bool soft)
{
    int tw = 1, th = 1;
    Uint8 r0 = 255, g0 = 255, b0 = 255, a0 = 255;
    if (texture) {
        SDL_QueryTexture(texture, nullptr, nullptr, &tw, &th);
        SDL_GetTextureColorMod(texture, &r0, &g0, &b0);
        SDL_GetTextureAlphaMod(texture, &a0);
    }
    int failed = 0;
    SDL_Texture* lastDot = nullptr;
    // Copies scattered over the output miss the cache on every row; band by
    // band they hit it, where the order cannot show.
    const int* order = anyOrder(texture, mode, soft, quads) ? byBand(quads) : nullptr;
    for (int k = 0; k < quads; ++k) {
        const int q = order ? order[k] : k;
        const SDL_Vertex& tl = m_vertices[static_cast<size_t>(q) * 4];
        const SDL_Vertex& br = m_vertices[static_cast<size_t>(q) * 4 + 3];
        const SDL_FRect dst{tl.position.x, tl.position.y, br.position.x - tl.position.x, br.position.y - tl.position.y};
        const SDL_Color c = tl.color;
        if (!texture) {
            SDL_FRect shownFill;
            if (SDL_IntersectFRect(&dst, &m_view, &shownFill)) {
                SDL_SetRenderDrawColor(renderer, c.r, c.g, c.b, c.a);
                failed |= SDL_RenderFillRectF(renderer, &shownFill);
            }
            continue;
        }
        if (soft) {
            const int side = static_cast<int>(dst.w + 0.5f);
            if (side < 1)
                continue;
            if (side <= kMaxSoftCopy) {
                SDL_Texture* dot = softDot(renderer, side, mode == SDL_BLENDMODE_MUL);
                if (!dot)
                    continue;
                // The dot's outer rings that leave the output as it was are
                // not copied (a copy without blending writes them too). The
                // renderer truncates positions: the cut copy lands on the
                // very pixels the whole one covers.
                const int cut = m_plainView && mode != SDL_BLENDMODE_NONE ? dotShape(side).rims[c.a] : 0;
                if (2 * cut >= side)
                    continue;
                const SDL_Rect part{cut, cut, side - 2 * cut, side - 2 * cut};
                const SDL_FRect at =
                    cut == 0 ? SDL_FRect{dst.x, dst.y, static_cast<float>(side), static_cast<float>(side)}
                             : SDL_FRect{static_cast<float>(static_cast<int>(dst.x) + cut),
                                         static_cast<float>(static_cast<int>(dst.y) + cut), static_cast<float>(part.w),
                                         static_cast<float>(part.h)};
                if (dot != lastDot)
                    SDL_SetTextureBlendMode(dot, mode);
                lastDot = dot;
                SDL_SetTextureColorMod(dot, c.r, c.g, c.b);
                SDL_SetTextureAlphaMod(dot, c.a);
                failed |= SDL_RenderCopyF(renderer, dot, &part, &at);
                continue;
            }
        }
        // Cut to the output first: the software renderer would otherwise
        // scale a partly hidden quad through a scratch surface of its size.
        SDL_FRect shown;
        if (!SDL_IntersectFRect(&dst, &m_view, &shown) || dst.w <= 0 || dst.h <= 0)
            continue;
        const float du = (br.tex_coord.x - tl.tex_coord.x) / dst.w, dv = (br.tex_coord.y - tl.tex_coord.y) / dst.h;
        const float u0 = (tl.tex_coord.x + (shown.x - dst.x) * du) * static_cast<float>(tw);
        const float v0 = (tl.tex_coord.y + (shown.y - dst.y) * dv) * static_cast<float>(th);
        const SDL_Rect src{static_cast<int>(u0), static_cast<int>(v0),
                           std::max(1, static_cast<int>(shown.w * du * static_cast<float>(tw) + 0.5f)),
                           std::max(1, static_cast<int>(shown.h * dv * static_cast<float>(th) + 0.5f))};
        SDL_SetTextureColorMod(texture, static_cast<Uint8>(c.r * r0 / 255), static_cast<Uint8>(c.g * g0 / 255),
                               static_cast<Uint8>(c.b * b0 / 255));
        SDL_SetTextureAlphaMod(texture, static_cast<Uint8>(c.a * a0 / 255));
        failed |= SDL_RenderCopyF(renderer, texture, &src, &shown);
    }
    if (texture) {
        SDL_SetTextureColorMod(texture, r0, g0, b0);
        SDL_SetTextureAlphaMod(texture, a0);
    }
    return failed == 0 ? RC_OK : RC_ERR_GENERIC;
}

int Drawer::submit(SDL_Renderer* renderer, SDL_Texture* texture, SDL_BlendMode mode, int quads, bool axisAligned)
{
    if (quads == 0)
        return RC_OK;
    const size_t needed = static_cast<size_t>(quads) * 6;
    for (size_t q = m_indices.size() / 6; q < static_cast<size_t>(quads); ++q) {
        const int b = static_cast<int>(q) * 4;
        m_indices.insert(m_indices.end(), {b, b + 1, b + 2, b + 2, b + 1, b + 3});
    }
    if (texture)
        SDL_SetTextureBlendMode(texture, mode);
    else
        SDL_SetRenderDrawBlendMode(renderer, mode);
    const bool soft = texture && (texture == softDot(renderer) || texture == softDot(renderer, 0, true));
    const int rc = axisAligned && software(renderer)
                       ? submitCopies(renderer, texture, mode, quads, soft)
                       : SDL_RenderGeometry(renderer, texture, m_vertices.data(), quads * 4, m_indices.data(),
                                            static_cast<int>(needed));
    // Images and sprites are shared: give them back their usual blending.
    if (texture && !soft)
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
    return rc == 0 ? RC_OK : RC_ERR_GENERIC;
}

int Drawer::submitGlow(SDL_Renderer* renderer, int quads)
{
    const SDL_Rect view{static_cast<int>(m_view.x), static_cast<int>(m_view.y), static_cast<int>(m_view.w),
                        static_cast<int>(m_view.h)};
    m_glow.begin(view);
    // Halos too large for a dot of their own size are scaled by the
    // renderer as before: moved to the front of the quads.
    int large = 0;
    for (int q = 0; q < quads; ++q) {
        const SDL_Vertex* v = &m_vertices[static_cast<size_t>(q) * 4];
        const int side = static_cast<int>(v[3].position.x - v[0].position.x + 0.5f);
        if (side < 1)
            continue;
        if (side > kMaxSoftCopy) {
            if (large != q)
                std::memcpy(&m_vertices[static_cast<size_t>(large) * 4], v, 4 * sizeof(SDL_Vertex));
            ++large;
            continue;
        }
        const SDL_Color c = v[0].color;
        const DotShape& shape = dotShape(side);
        // Positions truncate as the renderer's copies do.
        m_glow.add({shape.alpha.data(), static_cast<int>(v[0].position.x), static_cast<int>(v[0].position.y), side,
                    shape.rims[c.a], c.r, c.g, c.b, c.a});
    }
    int rc = m_glow.flush(renderer);
    if (rc == RC_OK && large > 0)
        rc = submit(renderer, softDot(renderer), SDL_BLENDMODE_ADD, large, true);
    return rc;
}

int Drawer::draw(SDL_Renderer* renderer, const Emitter& e)
{
    if (!renderer || e.pool.count == 0)
        return RC_OK;
    Look look;
    if (!lookOf(renderer, e, look))
        return RC_OK; // a missing image or sprite draws nothing
    int w = 0, h = 0;
    if (SDL_GetRendererOutputSize(renderer, &w, &h) != 0)
        return RC_ERR_GENERIC;
    m_view = SDL_FRect{0, 0, static_cast<float>(w), static_cast<float>(h)};
    SDL_Rect viewport{};
    SDL_RenderGetViewport(renderer, &viewport);
    float scaleX = 1, scaleY = 1;
    SDL_RenderGetScale(renderer, &scaleX, &scaleY);
    m_plainView = viewport.x == 0 && viewport.y == 0 && scaleX == 1 && scaleY == 1;
    if (SDL_RenderIsClipEnabled(renderer)) {
        SDL_Rect clip;
        SDL_RenderGetClipRect(renderer, &clip);
        const SDL_FRect cut{static_cast<float>(clip.x), static_cast<float>(clip.y), static_cast<float>(clip.w),
                            static_cast<float>(clip.h)};
        if (!SDL_IntersectFRect(&m_view, &cut, &m_view))
            return RC_OK;
    }
    buildRamps(e.s);
    if (e.s.drawOrder != PDO_STORE)
        buildOrder(e);
    const bool upright = e.s.visual != PV_LINE && !e.s.align && e.s.rotation == 0 && e.s.spin == 0;
    int rc = submit(renderer, look.texture, blendOf(e.s.blend), buildQuads(e, look, false), upright);
    if (rc == RC_OK && e.s.glow && e.s.glowIntensity > 0) {
        if (SDL_Texture* halo = softDot(renderer)) {
            const int halos = buildQuads(e, look, true);
            rc = m_plainView && software(renderer) ? submitGlow(renderer, halos)
                                                   : submit(renderer, halo, SDL_BLENDMODE_ADD, halos, true);
        }
    }
    return rc;
}

} // namespace Zelkoran::particle
