// Fonts: the eight built-in fonts drawn from the Liberation faces (metric
// twins of Arial and Courier New) with SDL2_ttf, glyphs cached per font.
// Main thread only.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Types.h>

#include <memory>

struct SDL_Renderer;
struct SDL_FPoint;

namespace Zelkoran {

struct FontFace;

class Font {
public:
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    int getID() const { return m_id; }
    // "@zk7/font/" + the built-in name, e.g. "@zk7/font/Arial12Black".
    const char* getName() const { return m_name.c_str(); }
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

private:
    friend class FontMgr;
    Font(int id, const char* name, std::unique_ptr<FontFace> face, uint8_t r, uint8_t g, uint8_t b);
    int m_id;
    String m_name;
    std::unique_ptr<FontFace> m_face;
    uint8_t m_color[3];
    int m_kerning = 0;
    Position m_posX, m_posY;
};

class FontMgr {
public:
    FontMgr();
    ~FontMgr();
    // A built-in font by name ("Arial10Black", "Arial10White", "Arial12Black",
    // "Arial12White", "CourierNew10Black", "CourierNew10White",
    // "CourierNew12Black", "CourierNew12White"; the "@zk7/font/" prefix is
    // accepted too). The font id (> 0), RC_ERR_NOT_FOUND for another name,
    // RC_ERR_IO when the font file cannot be read. The same id every call.
    int getBuiltin(const char* name);
    // The font with that id, or null.
    Font* get(int id);
    // Built-in fonts belong to the engine and stay; 0 or RC_ERR_NOT_FOUND.
    int close(int id);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace Zelkoran
