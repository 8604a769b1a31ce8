#include "particle/GlowLayer.h"

#include <Zelkoran/Result.h>

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Zelkoran::particle {

namespace {

// x / 255 for x below 65536, as the renderer's blitter divides.
#if defined(__SSE2__)
__m128i div255(__m128i x) { return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(static_cast<short>(0x8081))), 7); }
#endif

// Adds n pixels of one halo row (its alpha bytes) onto BGRA output bytes:
// each channel gains the channel times (alpha times the alpha mod / 255),
// over 255, saturating as an additive copy of a white texel does.
void addRow(const uint8_t* alpha, uint8_t* out, int n, const GlowLayer::Halo& h)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i mod = _mm_set1_epi16(h.a);
    const __m128i r = _mm_set1_epi16(h.r), g = _mm_set1_epi16(h.g), b = _mm_set1_epi16(h.b);
    for (; x + 8 <= n; x += 8) {
        const __m128i a = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(alpha + x)), zero);
        const __m128i s = div255(_mm_mullo_epi16(a, mod));
        const __m128i b8 = _mm_packus_epi16(div255(_mm_mullo_epi16(s, b)), zero);
        const __m128i g8 = _mm_packus_epi16(div255(_mm_mullo_epi16(s, g)), zero);
        const __m128i r8 = _mm_packus_epi16(div255(_mm_mullo_epi16(s, r)), zero);
        const __m128i bg = _mm_unpacklo_epi8(b8, g8);
        const __m128i r0 = _mm_unpacklo_epi8(r8, zero);
        auto* o = reinterpret_cast<__m128i*>(out + 4 * x);
        _mm_storeu_si128(o, _mm_adds_epu8(_mm_loadu_si128(o), _mm_unpacklo_epi16(bg, r0)));
        _mm_storeu_si128(o + 1, _mm_adds_epu8(_mm_loadu_si128(o + 1), _mm_unpackhi_epi16(bg, r0)));
    }
#endif
    for (; x < n; ++x) {
        const unsigned s = alpha[x] * unsigned{h.a} / 255;
        uint8_t* px = out + 4 * x;
        px[0] = static_cast<uint8_t>(std::min(255u, px[0] + h.b * s / 255));
        px[1] = static_cast<uint8_t>(std::min(255u, px[1] + h.g * s / 255));
        px[2] = static_cast<uint8_t>(std::min(255u, px[2] + h.r * s / 255));
    }
}

} // namespace

GlowLayer::~GlowLayer() { release(); }

void GlowLayer::release()
{
    if (m_texture)
        SDL_DestroyTexture(m_texture);
    m_texture = nullptr;
    m_textureW = m_textureH = 0;
    m_owner = nullptr;
}

void GlowLayer::begin(const SDL_Rect& view)
{
    m_view = view;
    m_halos.clear();
}

int GlowLayer::flush(SDL_Renderer* renderer)
{
    // Only the part of the view the halos reach is summed and copied.
    int reachLeft = m_view.x + m_view.w, reachTop = m_view.y + m_view.h, reachRight = m_view.x,
        reachBottom = m_view.y;
    for (const Halo& h : m_halos) {
        reachLeft = std::min(reachLeft, h.x + h.cut);
        reachTop = std::min(reachTop, h.y + h.cut);
        reachRight = std::max(reachRight, h.x + h.side - h.cut);
        reachBottom = std::max(reachBottom, h.y + h.side - h.cut);
    }
    const int viewRight = m_view.x + m_view.w, viewBottom = m_view.y + m_view.h;
    m_view = SDL_Rect{std::max(reachLeft, m_view.x), std::max(reachTop, m_view.y), 0, 0};
    m_view.w = std::min(reachRight, viewRight) - m_view.x;
    m_view.h = std::min(reachBottom, viewBottom) - m_view.y;
    if (m_halos.empty() || m_view.w <= 0 || m_view.h <= 0)
        return RC_OK;
    if (m_owner != renderer || m_textureW < m_view.w || m_textureH < m_view.h) {
        release();
        m_texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, m_view.w,
                                      m_view.h);
        if (!m_texture)
            return RC_ERR_GENERIC;
        m_owner = renderer;
        m_textureW = m_view.w;
        m_textureH = m_view.h;
        SDL_SetTextureBlendMode(m_texture, SDL_BLENDMODE_ADD);
    }
    const SDL_Rect area{0, 0, m_view.w, m_view.h};
    void* locked = nullptr;
    int pitchBytes = 0;
    if (SDL_LockTexture(m_texture, &area, &locked, &pitchBytes) != 0)
        return RC_ERR_GENERIC;
    auto* pixels = static_cast<uint8_t*>(locked);
    for (int y = 0; y < m_view.h; ++y)
        std::fill_n(reinterpret_cast<uint32_t*>(pixels + static_cast<ptrdiff_t>(y) * pitchBytes), m_view.w, 0xFF000000u);
    for (const Halo& h : m_halos) {
        const int y0 = std::max(h.y + h.cut, m_view.y), y1 = std::min(h.y + h.side - h.cut, m_view.y + m_view.h);
        const int x0 = std::max(h.x + h.cut, m_view.x), x1 = std::min(h.x + h.side - h.cut, m_view.x + m_view.w);
        for (int y = y0; y < y1; ++y)
            addRow(h.alpha + static_cast<ptrdiff_t>(y - h.y) * h.side + (x0 - h.x),
                   pixels + static_cast<ptrdiff_t>(y - m_view.y) * pitchBytes + 4 * (x0 - m_view.x), x1 - x0, h);
    }
    SDL_UnlockTexture(m_texture);
    return SDL_RenderCopy(renderer, m_texture, &area, &m_view) == 0 ? RC_OK : RC_ERR_GENERIC;
}

} // namespace Zelkoran::particle
