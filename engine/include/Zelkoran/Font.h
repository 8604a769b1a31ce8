// Fonts: the eight built-in fonts drawn from the Liberation faces (metric
// twins of Arial and Courier New) with SDL2_ttf, glyphs cached per font;
// and bitmap fonts cut from a glyph sheet image, saved as "ZK7_FONT" blocks
// (docs/font-format.md) with the sheet in the hidden "ZK7_IMAGE" block
// "#F_" + the font's name. Main thread only.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/ResourceMgr.h>
#include <Zelkoran/Types.h>

#include <memory>

struct SDL_Renderer;
struct SDL_FPoint;

namespace Zelkoran {

struct FontFace;
namespace font {
struct GlyphSheet;
}

// A font's name is "@zk7/font/" + the built-in name, e.g.
// "@zk7/font/Arial12Black", or a bitmap font's own name.
class Font : public Resource {
public:
    ~Font();

    // Line height in pixels; every line of text drawn with the font is this high.
    int getHeight() const;
    // Pixels from the top of a line to the baseline.
    int getAscent() const;
    // Width in pixels of the first length bytes of UTF-8 text (-1 = all):
    // exactly the advance the text takes when drawn.
    int getWidth(const char* text, int length = -1) const;
    // Number of bytes of text that fit into maxWidth pixels (whole characters).
    int fitBytes(const char* text, int length, int maxWidth) const;
    // Text colour of the font (black or white for the built-in ones).
    void getColor(uint8_t& r, uint8_t& g, uint8_t& b) const;
    int getKerning() const { return m_kerning; }
    // Extra pixels after every character (-256..256).
    int setKerning(int pixels);

    // --- bitmap fonts ---
    // Cuts image imageId, a glyph sheet, into the font's 189 glyphs: the
    // top pixel row marks each glyph as a run of pixels that are not opaque
    // magenta (255,0,255), in the order blank, '!'..'~', Latin-1 161..255
    // without 173; the rows below are the glyphs, the font is as high as
    // they are. own 1: the font takes over the caller's hold; own 0: it
    // takes a hold of its own. Returns 0; -N when the sheet holds N glyph
    // runs (N >= 1, not 189): the font is unchanged, the caller keeps the
    // image and "FontWithErrors.bmp" in the executable's folder shows the
    // sheet with its runs marked green and blue by turns; RC_ERR_NOT_FOUND
    // (no such image), RC_ERR_INVALID (a built-in font; a sheet under 2
    // pixels high or without any glyph run).
    int assignImage(int imageId, int own);
    // The glyph sheet's image id, 0 for built-in fonts and before assignImage.
    int getImage() const { return m_image; }
    // Writes the "#F_" + name sheet block, then the "ZK7_FONT" block with
    // the kerning. An empty name saves under the font's own name (which
    // does not change). 0, RC_ERR_NOT_FOUND (no such archive),
    // RC_ERR_INVALID (no glyph sheet; no name at all; a name longer than 60
    // characters), RC_ERR_NO_SLOT (-72, checked before anything is
    // written), RC_ERR_KEY (-477), or a code of Archive::blockAdd.
    int save(int archiveId, const char* name);

    // Where renderEx draws next (screen pixels, anchors against the screen).
    void setPosition(Position x, Position y);
    // Draws text at the position set by setPosition, scaled; the angle,
    // centre and flip are taken but only the scale applies.
    int renderEx(const char* text, bool reserved, int length, float scaleX, float scaleY, double angle,
                 const SDL_FPoint* centre, int flip, int screen);

    // Engine side: draws UTF-8 text with its line top-left at (x, y) in
    // colour (r, g, b, a) under the renderer's clip. Returns the pen x after it.
    int draw(SDL_Renderer* renderer, const char* text, int length, int x, int y, uint8_t r, uint8_t g,
             uint8_t b, uint8_t a) const;
    // Engine side: how many pixels below its line the ink reaches that draw
    // draws for text, its pen starting at x, under a clip from left to
    // right (0: none).
    int inkBelow(SDL_Renderer* renderer, const char* text, int length, int x, int left, int right) const;

private:
    friend class FontMgr;
    Font(int id, const char* name, std::unique_ptr<FontFace> face, uint8_t r, uint8_t g, uint8_t b);
    // A bitmap font without glyphs yet.
    Font(int id, const char* name);
    int advance(uint32_t codePoint) const;
    int drawSheet(SDL_Renderer* renderer, const char* text, int length, int x, int y, uint8_t a) const;
    std::unique_ptr<FontFace> m_face;
    std::unique_ptr<font::GlyphSheet> m_sheet;
    int m_image = 0;
    uint8_t m_style = 0;
    uint8_t m_color[3];
    int m_kerning = 0;
    Position m_posX, m_posY;
};

// Built-in fonts belong to the engine: close leaves them open, setName
// refuses them.
class FontMgr : public ResourceMgr<Font> {
public:
    FontMgr();
    ~FontMgr();
    // A built-in font by name ("Arial10Black", "Arial10White", "Arial12Black",
    // "Arial12White", "CourierNew10Black", "CourierNew10White",
    // "CourierNew12Black", "CourierNew12White"; the "@zk7/font/" prefix is
    // accepted too). The font id (> 0), RC_ERR_NOT_FOUND for another name,
    // RC_ERR_IO when the font file cannot be read. The same id every call.
    int getBuiltin(const char* name);

    // A new bitmap font without glyphs; flags are reserved (callers pass
    // 10). The font id (> 0), or RC_ERR_INVALID (name null or longer than 60 characters).
    int create(const char* name, int flags);
    // Reads the "ZK7_FONT" block name and cuts its "#F_" sheet again; the
    // font is named after the block. The font id (> 0), or RC_ERR_NOT_FOUND
    // (no such archive, block or sheet block), RC_ERR_KEY (-477),
    // RC_ERR_CORRUPT (a damaged record, or a sheet that does not cut into
    // 189 glyphs), RC_ERR_IO.
    int load(int archiveId, const char* name);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace Zelkoran
