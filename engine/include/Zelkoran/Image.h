// Images: a surface with colour key, colour and alpha modulation, drawn
// through a texture of the screen's renderer. Main thread only.
#pragma once

#include <Zelkoran/CMem.h>

#include <memory>

struct SDL_Surface;
struct SDL_Texture;
struct SDL_Renderer;
struct SDL_FRect;

namespace Zelkoran {

class Image {
public:
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    int getID() const { return m_id; }
    const char* getName() const { return m_name.c_str(); }
    int getWidth() const;
    int getHeight() const;
    // The pixels (ARGB8888), null for an empty image. Owned by the image.
    SDL_Surface* getSurface() const { return m_surface; }
    // Takes the surface as the image's pixels (converted to ARGB8888). With
    // own = 1 the image frees the given surface; on failure the caller keeps
    // it. 0 or a negative code.
    int assignSurface(SDL_Surface* surface, int own);
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

private:
    friend class ImageMgr;
    Image(int id, const char* name);
    void dropTexture();
    int m_id;
    String m_name;
    SDL_Surface* m_surface = nullptr;
    SDL_Texture* m_texture = nullptr;
    SDL_Renderer* m_textureOwner = nullptr;
    int16_t m_key[3] = {-1, -1, -1};
    uint8_t m_colorMod[3] = {255, 255, 255};
    uint8_t m_alphaMod = 255;
    int m_refs = 1;
};

class ImageMgr {
public:
    ImageMgr();
    ~ImageMgr();
    // An empty image that receives a surface later; the flags are reserved.
    int create(const char* name, int flags);
    // Decodes PNG (or any SDL2_image format) bytes. The image id (> 0) or
    // RC_ERR_INVALID / RC_ERR_CORRUPT.
    int loadFromBuffer(const void* data, size_t size, const char* name);
    int loadFromFile(const char* path, const char* name);
    // Copies the surface; the caller keeps and frees its own.
    int loadFromSurface(SDL_Surface* surface, const char* name);
    Image* get(int id);
    // Releases one holder of the image (sprites sharing it are holders too);
    // the last one destroys it. 0 or RC_ERR_NOT_FOUND.
    int close(int id);
    // Engine side: one more holder of the image. 0 or RC_ERR_NOT_FOUND.
    int retain(int id);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace Zelkoran
