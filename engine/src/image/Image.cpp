#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Screen.h>

#include "core/FileReplace.h"
#include "image/ImageBlock.h"
#include "image/ImageSurface.h"
#include "image/PictureDecode.h"
#include "image/PictureSize.h"
#include "image/PngCodec.h"
#include "resource/ResourceMgrImpl.h"

#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace Zelkoran {

template class ResourceMgr<Image>;

namespace {

// Images are saved as blocks of their own name.
bool isName(const char* name) { return name && std::strlen(name) <= kMaxBlockName; }

// Whether the picture at rw's position states a side no image block holds:
// refused before the decoder allocates what the header claims.
bool statesTooLarge(SDL_RWops* rw)
{
    uint32_t width = 0, height = 0;
    return image::statedPictureSize(rw, width, height) != 0 &&
           (width > static_cast<uint32_t>(image::kMaxImageSide) || height > static_cast<uint32_t>(image::kMaxImageSide));
}

// statedSize's answer for the picture rw holds; closes rw.
int statedSizeOf(SDL_RWops* rw, int* width, int* height)
{
    uint32_t w = 0, h = 0;
    const int format = image::statedPictureSize(rw, w, h);
    SDL_RWclose(rw);
    if (format == 0 || w == 0 || h == 0 || w > INT_MAX || h > INT_MAX)
        return RC_ERR_CORRUPT;
    if (width)
        *width = static_cast<int>(w);
    if (height)
        *height = static_cast<int>(h);
    return format;
}

// A scaled copy reaching past the renderer's viewport makes the software
// renderer scale the whole of it into a surface of its own first: a large
// picture zoomed in would take a gigabyte and most of a second each frame.
// Such a copy is narrowed to the whole source pixels that reach the
// viewport, the destination following them so that the scale stays; any
// other is left as it is. False when nothing of it reaches the viewport.
bool onScreenPart(SDL_Renderer* renderer, SDL_Rect& src, SDL_FRect& dst)
{
    SDL_Rect view{};
    SDL_RenderGetViewport(renderer, &view);
    const float right = static_cast<float>(view.w), bottom = static_cast<float>(view.h);
    const bool inside = dst.x >= 0 && dst.y >= 0 && dst.x + dst.w <= right && dst.y + dst.h <= bottom;
    if (inside || src.w <= 0 || src.h <= 0 || !(dst.w > 0) || !(dst.h > 0))
        return true;
    const float sx = dst.w / static_cast<float>(src.w), sy = dst.h / static_cast<float>(src.h);
    const auto span = [](float start, float scale, float end, int count, int& from, int& to) {
        from = std::clamp(static_cast<int>(std::floor(-start / scale)), 0, count);
        to = std::clamp(static_cast<int>(std::ceil((end - start) / scale)), 0, count);
        return from < to;
    };
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    if (!span(dst.x, sx, right, src.w, x0, x1) || !span(dst.y, sy, bottom, src.h, y0, y1))
        return false;
    dst = SDL_FRect{dst.x + static_cast<float>(x0) * sx, dst.y + static_cast<float>(y0) * sy,
                    static_cast<float>(x1 - x0) * sx, static_cast<float>(y1 - y0) * sy};
    src = SDL_Rect{src.x + x0, src.y + y0, x1 - x0, y1 - y0};
    return true;
}

// The extension of path (without the dot) as SDL2_image's type hint, or null.
const char* typeHint(const char* path)
{
    const char* dot = std::strrchr(path, '.');
    return dot && !std::strchr(dot, '/') ? dot + 1 : nullptr;
}

} // namespace

Image::Image(int id, const char* name) : Resource(id, name) {}

Image::~Image()
{
    dropTexture();
    if (m_surface)
        SDL_FreeSurface(m_surface);
}

int Image::getWidth() const { return m_surface ? m_surface->w : 0; }
int Image::getHeight() const { return m_surface ? m_surface->h : 0; }

void Image::dropTexture()
{
    for (SDL_Texture* t : {m_texture, m_premultiplied})
        if (t)
            SDL_DestroyTexture(t);
    m_texture = m_premultiplied = nullptr;
    m_textureOwner = nullptr;
}

int Image::assignSurface(SDL_Surface* surface, int own)
{
    if (surface && surface == m_surface)
        return RC_OK;
    const bool taken = own && image::takesAsImage(surface);
    SDL_Surface* copy = taken ? surface : image::toImageFormat(surface);
    if (!copy)
        return RC_ERR_INVALID;
    if (taken) { // as a copy would start: whole clip, blending by its alpha
        SDL_SetClipRect(copy, nullptr);
        SDL_SetSurfaceBlendMode(copy, copy->format->Amask ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
    }
    dropTexture();
    if (m_surface)
        SDL_FreeSurface(m_surface);
    m_surface = copy;
    if (own && !taken)
        SDL_FreeSurface(surface);
    return RC_OK;
}

SDL_Texture* Image::texture(SDL_Renderer* renderer)
{
    if (!m_surface || !renderer)
        return nullptr;
    if (m_texture && m_textureOwner == renderer)
        return m_texture;
    dropTexture();
    if (m_key[0] >= 0)
        SDL_SetColorKey(m_surface, SDL_TRUE, SDL_MapRGB(m_surface->format, m_key[0], m_key[1], m_key[2]));
    else
        SDL_SetColorKey(m_surface, SDL_FALSE, 0);
    m_texture = SDL_CreateTextureFromSurface(renderer, m_surface);
    if (!m_texture)
        return nullptr;
    m_textureOwner = renderer;
    SDL_SetTextureBlendMode(m_texture, SDL_BLENDMODE_BLEND);
    SDL_SetTextureColorMod(m_texture, m_colorMod[0], m_colorMod[1], m_colorMod[2]);
    return m_texture;
}

SDL_Texture* Image::premultipliedTexture(SDL_Renderer* renderer)
{
    if (!texture(renderer)) // sets the colour key and the owner
        return nullptr;
    if (!m_premultiplied) {
        // Converting to a format with alpha turns the colour key into alpha 0.
        SDL_Surface* copy = SDL_ConvertSurfaceFormat(m_surface, SDL_PIXELFORMAT_ARGB8888, 0);
        if (!copy)
            return nullptr;
        for (int y = 0; y < copy->h; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(copy->pixels) + y * copy->pitch);
            for (int x = 0; x < copy->w; ++x) {
                const uint32_t p = row[x], a = p >> 24;
                const auto times = [a](uint32_t c) { return (c * a + 127) / 255; };
                row[x] = a << 24 | times(p >> 16 & 0xFF) << 16 | times(p >> 8 & 0xFF) << 8 | times(p & 0xFF);
            }
        }
        m_premultiplied = SDL_CreateTextureFromSurface(renderer, copy);
        SDL_FreeSurface(copy);
        if (!m_premultiplied)
            return nullptr;
    }
    const auto times = [this](uint8_t c) { return static_cast<uint8_t>((c * m_alphaMod + 127) / 255); };
    SDL_SetTextureColorMod(m_premultiplied, times(m_colorMod[0]), times(m_colorMod[1]), times(m_colorMod[2]));
    SDL_SetTextureAlphaMod(m_premultiplied, m_alphaMod);
    return m_premultiplied;
}

int Image::render(int screen, const SDL_FRect* src, const SDL_FRect* dst)
{
    Screen* s = Main::instance()->configMgr()->get(screen);
    if (!s || !s->getRenderer())
        return RC_ERR_NOT_FOUND;
    SDL_Texture* tex = texture(s->getRenderer());
    if (!tex)
        return RC_ERR_INVALID;
    SDL_SetTextureAlphaMod(tex, m_alphaMod);
    SDL_Rect srcRect{0, 0, getWidth(), getHeight()};
    if (src)
        srcRect = SDL_Rect{static_cast<int>(src->x), static_cast<int>(src->y), static_cast<int>(std::lround(src->w)),
                           static_cast<int>(std::lround(src->h))};
    SDL_FRect dstRect{0, 0, static_cast<float>(getWidth()), static_cast<float>(getHeight())};
    if (dst)
        dstRect = *dst;
    if (!onScreenPart(s->getRenderer(), srcRect, dstRect))
        return RC_OK;
    return SDL_RenderCopyF(s->getRenderer(), tex, &srcRect, &dstRect) == 0 ? RC_OK : RC_ERR_GENERIC;
}

void Image::setColorKey(int r, int g, int b)
{
    const bool none = r < 0 || g < 0 || b < 0;
    const int16_t key[3] = {static_cast<int16_t>(none ? -1 : r & 255), static_cast<int16_t>(none ? -1 : g & 255),
                            static_cast<int16_t>(none ? -1 : b & 255)};
    // The editor sets the key it shows on every event: only another key
    // needs the picture uploaded again.
    if (std::memcmp(key, m_key, sizeof(m_key)) == 0)
        return;
    std::memcpy(m_key, key, sizeof(m_key));
    dropTexture();
}

void Image::getColorKey(int16_t& r, int16_t& g, int16_t& b) const
{
    r = m_key[0];
    g = m_key[1];
    b = m_key[2];
}

void Image::setColorMod(uint8_t r, uint8_t g, uint8_t b)
{
    m_colorMod[0] = r;
    m_colorMod[1] = g;
    m_colorMod[2] = b;
    if (m_texture)
        SDL_SetTextureColorMod(m_texture, r, g, b);
}

void Image::getColorMod(uint8_t& r, uint8_t& g, uint8_t& b) const
{
    r = m_colorMod[0];
    g = m_colorMod[1];
    b = m_colorMod[2];
}

void Image::setAlphaMod(uint8_t a) { m_alphaMod = a; }

int Image::save(int archiveId, const char* name)
{
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive)
        return RC_ERR_NOT_FOUND;
    const char* blockName = saveName(name);
    if (!blockName[0] || !isName(blockName))
        return RC_ERR_INVALID;
    image::ImageSettings settings;
    std::memcpy(settings.key, m_key, sizeof(m_key));
    std::memcpy(settings.colorMod, m_colorMod, sizeof(m_colorMod));
    settings.alphaMod = m_alphaMod;
    Vector<uint8_t> data;
    const int rc = image::encodeImageBlock(m_surface, settings, data);
    if (rc != RC_OK)
        return rc;
    Archive::Block block(blockName, image::kImageBlockType);
    block.storage = blockStorage(*archive, Archive::ST_RAW); // the PNG is compressed already
    block.data = data.data();
    block.size = data.size();
    return archive->blockAdd(block);
}

bool Image::saveToPNG(const char* path)
{
    if (!path || !path[0] || !m_surface)
        return false;
    Vector<uint8_t> png;
    return image::encodePng(m_surface, png) == RC_OK && writeFileReplacing(path, png.data(), png.size()) == RC_OK;
}

// --- ImageMgr ---

ImageMgr::ImageMgr() : ResourceMgr({image::kImageBlockType, nullptr, kMaxBlockName, true}) {}

int ImageMgr::open(const char* name, SDL_Surface* pixels)
{
    auto img = std::unique_ptr<Image>(new Image(nextId(), name));
    img->m_surface = pixels;
    return add(std::move(img));
}

int ImageMgr::create(const char* name, int) { return open(name, nullptr); }

int ImageMgr::loadFromBuffer(const void* data, size_t size, const char* name)
{
    if (!data || size == 0 || size > INT32_MAX)
        return RC_ERR_INVALID;
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
    if (rw && statesTooLarge(rw)) {
        SDL_RWclose(rw);
        return RC_ERR_TOO_LARGE;
    }
    SDL_Surface* decoded = rw ? image::decodePicture(rw, nullptr) : nullptr;
    if (!decoded)
        return RC_ERR_CORRUPT;
    SDL_Surface* pixels = image::toImageFormat(decoded);
    SDL_FreeSurface(decoded);
    return pixels ? open(name, pixels) : RC_ERR_NO_MEMORY;
}

int ImageMgr::loadFromFile(const char* path, const char* name)
{
    if (!path)
        return RC_ERR_INVALID;
    SDL_RWops* file = SDL_RWFromFile(path, "rb");
    if (!file)
        return RC_ERR_NOT_FOUND;
    if (statesTooLarge(file)) {
        SDL_RWclose(file);
        return RC_ERR_TOO_LARGE;
    }
    SDL_Surface* decoded = image::decodePicture(file, typeHint(path));
    if (!decoded)
        return RC_ERR_CORRUPT;
    SDL_Surface* pixels = image::toImageFormat(decoded);
    SDL_FreeSurface(decoded);
    return pixels ? open(name, pixels) : RC_ERR_NO_MEMORY;
}

int ImageMgr::statedSize(const char* path, int* width, int* height) const
{
    SDL_RWops* file = path ? SDL_RWFromFile(path, "rb") : nullptr;
    return file ? statedSizeOf(file, width, height) : RC_ERR_NOT_FOUND;
}

int ImageMgr::statedSize(const void* data, size_t size, int* width, int* height) const
{
    SDL_RWops* bytes = data && size <= INT_MAX ? SDL_RWFromConstMem(data, static_cast<int>(size)) : nullptr;
    return bytes ? statedSizeOf(bytes, width, height) : RC_ERR_CORRUPT;
}

int ImageMgr::load(int archiveId, const char* name)
{
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive || !name || !name[0] || !isName(name))
        return RC_ERR_NOT_FOUND;
    Archive::Block block(name, image::kImageBlockType);
    int rc = archive->blockLoad(block);
    if (rc != RC_OK)
        return rc;
    SDL_Surface* pixels = nullptr;
    image::ImageSettings settings;
    rc = image::decodeImageBlock(static_cast<const uint8_t*>(block.data), block.size, pixels, settings);
    archive->blockFree(block);
    if (rc != RC_OK)
        return rc;
    auto img = std::unique_ptr<Image>(new Image(nextId(), name));
    img->m_surface = pixels;
    std::memcpy(img->m_key, settings.key, sizeof(settings.key));
    std::memcpy(img->m_colorMod, settings.colorMod, sizeof(settings.colorMod));
    img->m_alphaMod = settings.alphaMod;
    return add(std::move(img));
}

int ImageMgr::loadFromSurface(SDL_Surface* surface, const char* name)
{
    SDL_Surface* pixels = image::toImageFormat(surface);
    return pixels ? open(name, pixels) : RC_ERR_INVALID;
}

} // namespace Zelkoran
