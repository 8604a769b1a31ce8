// Images: a surface with colour key, colour and alpha modulation, drawn
// through a texture of the screen's renderer. Main thread only.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/ResourceMgr.h>

struct SDL_Surface;
struct SDL_Texture;
struct SDL_Renderer;
struct SDL_FRect;

namespace Zelkoran {

// An image's name is the block name it was loaded from or given.
class Image : public Resource {
public:
    ~Image();

    int getWidth() const;
    int getHeight() const;
    // The pixels, null for an empty image. Owned by the image. ARGB8888 for
    // an image with transparency (an alpha channel or a colour key in its
    // source), RGB888 (no alpha mask) for one without: only the latter is
    // offered a colour key by the editor.
    SDL_Surface* getSurface() const { return m_surface; }
    // Takes the surface as the image's pixels (converted as above). With
    // own = 1 the image frees the given surface, or keeps it as its pixels
    // when it already is in the image's format without a colour key; on
    // failure the caller keeps it. Assigning the image's own surface changes
    // nothing. 0 or a negative code.
    int assignSurface(SDL_Surface* surface, int own);
    // Writes the pixels (as RGBA or RGB, by the format), colour key, colour
    // and alpha mod as a "ZK7_IMAGE" block, replacing a live block of the same name; an empty name saves
    // under the image's own name (which does not change). Stored as
    // blockStorage decides (Archive.h). Returns 0, RC_ERR_NOT_FOUND (no such
    // archive), RC_ERR_INVALID (no pixels, or no name at all or one over 63
    // characters), RC_ERR_TOO_LARGE (a side over 16384), RC_ERR_NO_SLOT
    // (-72), RC_ERR_KEY (-477), or another code of Archive::blockAdd.
    int save(int archiveId, const char* name);
    // Writes the pixels as a PNG file, RGBA or RGB by the format (the colour
    // key and modulation are not applied); an existing file is replaced only once the new one is
    // complete. True = written.
    bool saveToPNG(const char* path);
    // Draws src of the image (null = all) into dst on the screen (null =
    // the image's size at 0, 0), with colour key, colour and alpha mod,
    // clipped by the screen's clip rectangle. 0 or a negative code.
    int render(int screen, const SDL_FRect* src, const SDL_FRect* dst);
    // (-1, -1, -1) removes the key.
    void setColorKey(int r, int g, int b);
    void getColorKey(int16_t& r, int16_t& g, int16_t& b) const;
    void setColorMod(uint8_t r, uint8_t g, uint8_t b);
    void getColorMod(uint8_t& r, uint8_t& g, uint8_t& b) const;
    void setAlphaMod(uint8_t a);
    uint8_t getAlphaMod() const { return m_alphaMod; }

    // Engine side: the texture for renderer, made again after changes.
    SDL_Texture* texture(SDL_Renderer* renderer);
    // Engine side: the same with its colours (and colour mod) multiplied by
    // their alpha, what multiply blending needs so that transparent pixels
    // leave the ground as it was.
    SDL_Texture* premultipliedTexture(SDL_Renderer* renderer);

private:
    friend class ImageMgr;
    Image(int id, const char* name);
    void dropTexture();
    SDL_Surface* m_surface = nullptr;
    SDL_Texture* m_texture = nullptr;
    SDL_Texture* m_premultiplied = nullptr; // for m_textureOwner too
    SDL_Renderer* m_textureOwner = nullptr;
    int16_t m_key[3] = {-1, -1, -1};
    uint8_t m_colorMod[3] = {255, 255, 255};
    uint8_t m_alphaMod = 255;
};

// The picture formats whose stated size ImageMgr::statedSize reads.
enum ePictureFormat : int { PF_PNG = 1, PF_BMP = 2, PF_GIF = 3, PF_JPEG = 4 };

// Images have unique names: a rename refuses one another open image holds.
// Sprites, tile sets, cursors and fonts sharing an image are holders of
// their own; close releases one holder and the last one destroys it.
class ImageMgr : public ResourceMgr<Image> {
public:
    ImageMgr();
    // An empty image that receives a surface later; the flags are reserved.
    // The image id (> 0); it cannot fail.
    int create(const char* name, int flags);
    // Decodes PNG (or any SDL2_image format) bytes. The image id (> 0) or
    // RC_ERR_INVALID / RC_ERR_CORRUPT, or RC_ERR_TOO_LARGE before decoding
    // when a PNG, BMP, GIF or JPEG header states a side over 16384.
    int loadFromBuffer(const void* data, size_t size, const char* name);
    // Decodes a PNG, BMP (or any SDL2_image format) file; name may be "".
    // The image id (> 0), RC_ERR_NOT_FOUND (the file cannot be opened),
    // RC_ERR_CORRUPT (not an image SDL2_image reads), RC_ERR_TOO_LARGE (as
    // loadFromBuffer), RC_ERR_NO_MEMORY.
    int loadFromFile(const char* path, const char* name);
    // Reads the "ZK7_IMAGE" block name with its settings; the image is
    // named after it. The image id (> 0), RC_ERR_NOT_FOUND (no such archive
    // or block), RC_ERR_KEY (-477, encrypted without the key),
    // RC_ERR_CORRUPT, RC_ERR_IO.
    int load(int archiveId, const char* name);
    // Copies the surface; the caller keeps and frees its own. The image id
    // (> 0), or RC_ERR_INVALID (null surface, or its pixels could not be
    // converted).
    int loadFromSurface(SDL_Surface* surface, const char* name);
    // The size a PNG, BMP, GIF (its first frame) or JPEG states in its
    // header, read without decoding, so that a large or hostile file can be
    // judged first. The ePictureFormat, RC_ERR_NOT_FOUND (the file cannot
    // be opened) or RC_ERR_CORRUPT (none of those formats, or a side of 0
    // or beyond INT_MAX).
    int statedSize(const char* path, int* width, int* height) const;
    int statedSize(const void* data, size_t size, int* width, int* height) const;
    // Engine side: one more holder of the image. 0 or RC_ERR_NOT_FOUND.
    using ResourceMgr::retain;

private:
    // A new image of those pixels (null: none yet), which it frees; its id.
    int open(const char* name, SDL_Surface* pixels);
};

} // namespace Zelkoran
