// Bitmap fonts: cut from a glyph sheet, drawn from its texture, stored as
// archive blocks.
#include <Zelkoran/Archive.h>
#include <Zelkoran/Font.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Tool.h>

#include "core/FileReplace.h"
#include "font/FontBlock.h"
#include "font/FontStore.h"
#include "font/GlyphSheet.h"
#include "font/Utf8.h"
#include "image/HiddenImage.h"

#include <SDL.h>

#include <cstring>

namespace Zelkoran {

namespace {

constexpr const char* kErrorFile = "FontWithErrors.bmp";

// The sheet with its glyph runs marked, as a BMP beside the executable; a
// failed write leaves no partial file.
void writeErrorSheet(const SDL_Surface* sheet)
{
    SDL_Surface* marked = font::markGlyphRuns(sheet);
    if (!marked)
        return;
    // A 32-bit BMP: headers of at most 138 bytes, then the pixels.
    const size_t capacity = 1024 + static_cast<size_t>(marked->w) * static_cast<size_t>(marked->h) * 4;
    Vector<uint8_t> bytes(capacity);
    SDL_RWops* rw = SDL_RWFromMem(bytes.data(), static_cast<int>(capacity));
    if (rw && SDL_SaveBMP_RW(marked, rw, 0) == 0) {
        const Sint64 size = SDL_RWtell(rw);
        const String path = Main::instance()->tool()->fileGetExePath() + "/" + kErrorFile;
        if (size > 0)
            writeFileReplacing(path.c_str(), bytes.data(), static_cast<size_t>(size));
    }
    if (rw)
        SDL_RWclose(rw);
    SDL_FreeSurface(marked);
}

} // namespace

int Font::assignImage(int imageId, int own)
{
    const Image* img = Main::instance()->imageMgr()->get(imageId);
    if (!img)
        return RC_ERR_NOT_FOUND;
    const SDL_Surface* sheet = img->getSurface();
    if (m_face || !sheet || sheet->h < 2)
        return RC_ERR_INVALID;
    auto cut = std::make_unique<font::GlyphSheet>();
    const int runs = cut->cut(sheet);
    if (runs == 0)
        return RC_ERR_INVALID;
    if (runs != font::kGlyphCount) {
        writeErrorSheet(sheet);
        return -runs;
    }
    if (const int rc = resource::replaceImage(m_image, imageId, own); rc != RC_OK)
        return rc;
    m_sheet = std::move(cut);
    return RC_OK;
}

int Font::drawSheet(SDL_Renderer* renderer, const char* text, int length, int x, int y, uint8_t a) const
{
    Image* img = Main::instance()->imageMgr()->get(m_image);
    SDL_Texture* tex = img ? img->texture(renderer) : nullptr;
    const int n = length < 0 ? static_cast<int>(std::strlen(text)) : length;
    if (!tex)
        return x + getWidth(text, n);
    uint8_t r, g, b;
    img->getColorMod(r, g, b);
    SDL_SetTextureColorMod(tex, r, g, b);
    SDL_SetTextureAlphaMod(tex, static_cast<uint8_t>(img->getAlphaMod() * a / 255));
    int pen = x;
    for (int i = 0; i < n;) {
        const uint32_t cp = utf8::next(text, n, i);
        int slot = font::glyphSlot(cp);
        if (slot < 0)
            slot = font::glyphSlot('?');
        const font::GlyphSheet::Span& span = m_sheet->spans[static_cast<size_t>(slot)];
        const SDL_Rect src{span.x, 1, span.w, m_sheet->height};
        const SDL_Rect dst{pen, y, span.w, m_sheet->height};
        SDL_RenderCopy(renderer, tex, &src, &dst);
        pen += span.w + m_kerning;
    }
    return pen;
}

int Font::save(int archiveId, const char* name)
{
    if (!Main::instance()->archiveMgr()->get(archiveId))
        return RC_ERR_NOT_FOUND;
    if (!m_sheet)
        return RC_ERR_INVALID;
    const char* blockName = saveName(name);
    Vector<uint8_t> payload;
    font::encodeFontBlock(font::FontRecord{m_kerning, m_style}, blockName, payload);
    return resource::saveWithImage(archiveId, font::kFontBlockType, font::kSheetPrefix, blockName, m_image, payload);
}

int FontMgr::create(const char* name, int)
{
    if (!fitsName(name))
        return RC_ERR_INVALID;
    return add(std::unique_ptr<Font>(new Font(nextId(), name)));
}

int FontMgr::load(int archiveId, const char* name)
{
    Vector<uint8_t> payload;
    int image = 0;
    int rc = resource::loadWithImage(archiveId, font::kFontBlockType, font::kSheetPrefix, name, payload, image);
    if (rc != RC_OK)
        return rc;
    font::FontRecord record;
    auto f = std::unique_ptr<Font>(new Font(nextId(), name));
    rc = font::decodeFontBlock(payload.data(), payload.size(), record);
    // A stored sheet that no longer cuts is damage, not a user's mistake:
    // no error sheet is written for it.
    const SDL_Surface* sheet = Main::instance()->imageMgr()->get(image)->getSurface();
    auto cut = std::make_unique<font::GlyphSheet>();
    if (rc == RC_OK && (!sheet || sheet->h < 2 || cut->cut(sheet) != font::kGlyphCount))
        rc = RC_ERR_CORRUPT;
    if (rc != RC_OK) {
        resource::releaseImage(image);
        return rc;
    }
    f->m_image = image;
    f->m_sheet = std::move(cut);
    f->m_kerning = record.kerning;
    f->m_style = record.style;
    return add(std::move(f));
}

} // namespace Zelkoran
