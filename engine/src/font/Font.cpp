#include <Zelkoran/Font.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Screen.h>

#include "font/FontBlock.h"
#include "font/FontStore.h"
#include "font/GlyphSheet.h"
#include "font/Utf8.h"
#include "image/HiddenImage.h"
#include "resource/ResourceMgrImpl.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>

namespace Zelkoran {

template class ResourceMgr<Font>;

namespace {

struct Glyph {
    bool measured = false;
    bool provided = true;
    int advance = 0;
    int xoff = 0; // left edge of the rendered bitmap relative to the pen
    SDL_Texture* tex = nullptr;
    // The bitmap's box of pixels that are not fully clear: only it is
    // copied, as clear pixels leave blended output as it was.
    SDL_Rect ink{};
};

// The smallest box holding every pixel of s whose alpha is not 0.
SDL_Rect inkBox(const SDL_Surface* s)
{
    int left = s->w, right = -1, top = s->h, bottom = -1;
    for (int y = 0; y < s->h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < s->w; ++x)
            if (row[x] & s->format->Amask) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = y;
            }
    }
    return right < 0 ? SDL_Rect{} : SDL_Rect{left, top, right - left + 1, bottom - top + 1};
}

constexpr int kTabSpaces = 4;

} // namespace

// One opened face with its glyph cache; textures belong to one renderer.
struct FontFace {
    TTF_Font* ttf = nullptr;
    int height = 0;
    int ascent = 0;
    mutable std::array<Glyph, 256> low{};
    mutable std::unordered_map<uint32_t, Glyph> high;
    mutable SDL_Renderer* renderer = nullptr;

    ~FontFace()
    {
        dropTextures();
        if (ttf)
            TTF_CloseFont(ttf);
    }

    void dropTextures() const
    {
        for (Glyph& g : low)
            if (g.tex) {
                SDL_DestroyTexture(g.tex);
                g.tex = nullptr;
            }
        for (auto& [cp, g] : high)
            if (g.tex) {
                SDL_DestroyTexture(g.tex);
                g.tex = nullptr;
            }
    }

    Glyph& slot(uint32_t cp) const { return cp < low.size() ? low[cp] : high[cp]; }

    const Glyph& measure(uint32_t cp) const
    {
        Glyph& g = slot(cp);
        if (g.measured)
            return g;
        g.measured = true;
        if (cp == '\t') {
            g.advance = measure(' ').advance * kTabSpaces;
            g.provided = false;
            return g;
        }
        if (cp < 32 || cp == 0x7F) {
            g.provided = false;
            return g;
        }
        if (!TTF_GlyphIsProvided32(ttf, cp)) {
            const Glyph& q = measure('?');
            g.advance = q.advance;
            g.provided = false;
            return g;
        }
        int minx = 0, maxx = 0, miny = 0, maxy = 0, adv = 0;
        TTF_GlyphMetrics32(ttf, cp, &minx, &maxx, &miny, &maxy, &adv);
        g.advance = adv;
        g.xoff = std::min(0, minx);
        return g;
    }

    SDL_Texture* texture(uint32_t cp, SDL_Renderer* r) const
    {
        if (renderer != r) {
            dropTextures();
            renderer = r;
        }
        const Glyph& m = measure(cp);
        if (!m.provided)
            return (cp >= 32 && cp != 0x7F && cp != '\t') ? texture('?', r) : nullptr;
        Glyph& g = slot(cp);
        if (g.tex)
            return g.tex;
        SDL_Surface* s = TTF_RenderGlyph32_Blended(ttf, cp, SDL_Color{255, 255, 255, 255});
        if (!s)
            return nullptr;
        g.tex = SDL_CreateTextureFromSurface(r, s);
        g.ink = s->format->BytesPerPixel == 4 && s->format->Amask ? inkBox(s) : SDL_Rect{0, 0, s->w, s->h};
        SDL_FreeSurface(s);
        if (g.tex)
            SDL_SetTextureBlendMode(g.tex, SDL_BLENDMODE_BLEND);
        return g.tex;
    }

    // Calls draw(texture, glyph, pen) for each glyph of text, its pen
    // starting at x, whose ink shows between left and right. The pen after
    // the last glyph passed.
    template <class Draw>
    int eachShown(SDL_Renderer* r, const char* text, int n, int x, int kerning, int left, int right, Draw draw) const
    {
        int pen = x;
        for (int i = 0; i < n;) {
            const uint32_t cp = utf8::next(text, n, i);
            const Glyph& m = measure(cp);
            if (pen >= right)
                break;
            if (pen + m.advance + kerning > left && cp > ' ') {
                SDL_Texture* tex = texture(cp, r);
                const Glyph& gl = m.provided ? m : measure('?');
                if (tex && gl.ink.w > 0)
                    draw(tex, gl, pen);
            }
            pen += m.advance + kerning;
        }
        return pen;
    }
};

Font::Font(int id, const char* name, std::unique_ptr<FontFace> face, uint8_t r, uint8_t g, uint8_t b)
    : Resource(id, name, true), m_face(std::move(face)), m_color{r, g, b}
{
}

Font::Font(int id, const char* name) : Resource(id, name), m_color{255, 255, 255} {}

Font::~Font() { resource::releaseImage(m_image); }

int Font::getHeight() const { return m_face ? m_face->height : m_sheet ? m_sheet->height : 0; }
int Font::getAscent() const { return m_face ? m_face->ascent : getHeight(); }

int Font::advance(uint32_t cp) const
{
    return m_face ? m_face->measure(cp).advance : m_sheet ? m_sheet->advance(cp) : 0;
}

void Font::getColor(uint8_t& r, uint8_t& g, uint8_t& b) const
{
    r = m_color[0];
    g = m_color[1];
    b = m_color[2];
}

int Font::setKerning(int pixels)
{
    if (pixels < -256 || pixels > 256)
        return RC_ERR_INVALID;
    m_kerning = pixels;
    return RC_OK;
}

int Font::getWidth(const char* text, int length) const
{
    if (!text)
        return 0;
    const int n = length < 0 ? static_cast<int>(std::strlen(text)) : length;
    int w = 0;
    for (int i = 0; i < n;) {
        const uint32_t cp = utf8::next(text, n, i);
        w += advance(cp) + m_kerning;
    }
    return w;
}

int Font::fitBytes(const char* text, int length, int maxWidth) const
{
    if (!text)
        return 0;
    const int n = length < 0 ? static_cast<int>(std::strlen(text)) : length;
    int w = 0;
    int i = 0;
    while (i < n) {
        int j = i;
        const uint32_t cp = utf8::next(text, n, j);
        const int adv = advance(cp) + m_kerning;
        if (w + adv > maxWidth)
            break;
        w += adv;
        i = j;
    }
    return i;
}

int Font::draw(SDL_Renderer* renderer, const char* text, int length, int x, int y, uint8_t r, uint8_t g,
               uint8_t b, uint8_t a) const
{
    if (!renderer || !text || a == 0)
        return x;
    if (!m_face)
        return m_sheet ? drawSheet(renderer, text, length, x, y, a) : x;
    const int n = length < 0 ? static_cast<int>(std::strlen(text)) : length;
    SDL_Rect clip;
    SDL_RenderGetClipRect(renderer, &clip);
    const bool clipped = !SDL_RectEmpty(&clip);
    const int right = clipped ? clip.x + clip.w : INT32_MAX;
    const int left = clipped ? clip.x : INT32_MIN;
    if (clipped && (y >= clip.y + clip.h || y + m_face->height <= clip.y))
        return x + getWidth(text, n);
    return m_face->eachShown(renderer, text, n, x, m_kerning, left, right,
                             [&](SDL_Texture* tex, const Glyph& gl, int pen) {
                                 SDL_SetTextureColorMod(tex, r, g, b);
                                 SDL_SetTextureAlphaMod(tex, a);
                                 const SDL_Rect dst{pen + gl.xoff + gl.ink.x, y + gl.ink.y, gl.ink.w, gl.ink.h};
                                 SDL_RenderCopy(renderer, tex, &gl.ink, &dst);
                             });
}

int Font::inkBelow(SDL_Renderer* renderer, const char* text, int length, int x, int left, int right) const
{
    // Glyphs of a sheet are one line high.
    if (!renderer || !text || !m_face)
        return 0;
    const int n = length < 0 ? static_cast<int>(std::strlen(text)) : length;
    int below = 0;
    m_face->eachShown(renderer, text, n, x, m_kerning, left, right, [&](SDL_Texture*, const Glyph& gl, int) {
        below = std::max(below, gl.ink.y + gl.ink.h - m_face->height);
    });
    return below;
}

void Font::setPosition(Position x, Position y)
{
    m_posX = x;
    m_posY = y;
}

int Font::renderEx(const char* text, bool, int, float scaleX, float scaleY, double, const SDL_FPoint*, int,
                   int screen)
{
    Screen* s = Main::instance()->configMgr()->get(screen);
    if (!s || !s->getRenderer() || !text)
        return RC_ERR_NOT_FOUND;
    SDL_Renderer* r = s->getRenderer();
    float sx = 1.0f, sy = 1.0f;
    SDL_RenderGetScale(r, &sx, &sy);
    const float kx = scaleX > 0 ? scaleX : 1.0f;
    const float ky = scaleY > 0 ? scaleY : 1.0f;
    SDL_RenderSetScale(r, kx, ky);
    draw(r, text, -1, static_cast<int>(std::lround(m_posX.offset / kx)),
         static_cast<int>(std::lround(m_posY.offset / ky)), m_color[0], m_color[1], m_color[2], 255);
    SDL_RenderSetScale(r, sx, sy);
    return RC_OK;
}

// --- FontMgr ---

namespace {

struct BuiltinFont {
    const char* name;
    const char* file;
    int pixels; // em size
    uint8_t gray;
};

// The built-in fonts stand in for small bitmap fonts whose lines are a
// little over 10 or 12 pixels high; an em of 9 or 11 pixels gives lines of
// 11 and 13, so fixed layouts made for them fit.
constexpr int kEm10 = 9;
constexpr int kEm12 = 11;

constexpr BuiltinFont kBuiltins[] = {
    {"Arial10Black", "LiberationSans-Regular.ttf", kEm10, 0},
    {"Arial10White", "LiberationSans-Regular.ttf", kEm10, 255},
    {"Arial12Black", "LiberationSans-Regular.ttf", kEm12, 0},
    {"Arial12White", "LiberationSans-Regular.ttf", kEm12, 255},
    {"CourierNew10Black", "LiberationMono-Regular.ttf", kEm10, 0},
    {"CourierNew10White", "LiberationMono-Regular.ttf", kEm10, 255},
    {"CourierNew12Black", "LiberationMono-Regular.ttf", kEm12, 0},
    {"CourierNew12White", "LiberationMono-Regular.ttf", kEm12, 255},
};

constexpr const char* kFontDirs[] = {
    "/usr/share/fonts/truetype/liberation/",
    "/usr/share/fonts/truetype/liberation2/",
};

constexpr const char* kPrefix = "@zk7/font/";

} // namespace

FontMgr::FontMgr()
    : ResourceMgr({font::kFontBlockType, font::kSheetPrefix, resource::kMaxResourceName, false}),
      m_impl(std::make_unique<Impl>())
{
    static_assert(std::size(kBuiltins) == Impl::kBuiltinCount);
}

FontMgr::~FontMgr()
{
    // Bitmap fonts release their sheets while the image manager still
    // exists, and built-in ones their faces before TTF_Quit.
    closeAll();
    if (m_impl->ttfStarted)
        TTF_Quit();
}

int FontMgr::getBuiltin(const char* name)
{
    if (!name)
        return RC_ERR_INVALID;
    if (std::strncmp(name, kPrefix, std::strlen(kPrefix)) == 0)
        name += std::strlen(kPrefix);
    for (size_t i = 0; i < std::size(kBuiltins); ++i) {
        const BuiltinFont& b = kBuiltins[i];
        if (std::strcmp(b.name, name) != 0)
            continue;
        if (m_impl->builtinIds[i] > 0)
            return m_impl->builtinIds[i];
        if (!m_impl->ttfStarted) {
            if (TTF_Init() != 0)
                return RC_ERR_GENERIC;
            m_impl->ttfStarted = true;
        }
        TTF_Font* ttf = nullptr;
        for (const char* dir : kFontDirs) {
            const std::string path = std::string(dir) + b.file;
            if ((ttf = TTF_OpenFont(path.c_str(), b.pixels)))
                break;
        }
        if (!ttf)
            return RC_ERR_IO;
        TTF_SetFontHinting(ttf, TTF_HINTING_LIGHT);
        TTF_SetFontKerning(ttf, 0); // advances alone decide widths, so measuring and drawing agree
        auto face = std::make_unique<FontFace>();
        face->ttf = ttf;
        face->height = TTF_FontHeight(ttf);
        face->ascent = TTF_FontAscent(ttf);
        const String full = String(kPrefix) + b.name;
        const int id =
            add(std::unique_ptr<Font>(new Font(nextId(), full.c_str(), std::move(face), b.gray, b.gray, b.gray)));
        m_impl->builtinIds[i] = id;
        return id;
    }
    return RC_ERR_NOT_FOUND;
}

} // namespace Zelkoran
