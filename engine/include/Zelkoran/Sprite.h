// Sprites: a sheet image cut into cells of one size; each row of cells is
// one animation, each cell of a row a frame. Widget state strips are
// vertical strips of five one-frame animations, one per widget state.
// Main thread only.
#pragma once

#include <Zelkoran/CMem.h>

#include <memory>

struct SDL_Renderer;
struct SDL_Rect;

namespace Zelkoran {

class Sprite {
public:
    int getID() const { return m_id; }
    const char* getName() const { return m_name.c_str(); }
    // The sheet's image id (shared by every child of the sprite).
    int getImage() const { return m_image; }
    void getOffset(int* w, int* h) const;
    int getAnimCount() const;
    int getFrameCountIndex(int anim) const;
    int getAnimCurrentIndex() const { return m_anim; }
    int selectAnimIndex(int anim);

    // Engine side: draws frame of anim into dst (null = frame size at 0, 0).
    int renderFrame(SDL_Renderer* renderer, int anim, int frame, const SDL_Rect* dst, uint8_t alpha);

private:
    friend class SpriteMgr;
    Sprite(int id, const char* name, int image, int frameW, int frameH);
    int m_id;
    String m_name;
    int m_image;
    int m_frameW;
    int m_frameH;
    int m_anim = 0;
};

class SpriteMgr {
public:
    SpriteMgr();
    ~SpriteMgr();
    // Decodes image bytes and cuts them into frameW x frameH cells. The
    // sprite id (> 0) or a negative code.
    int loadFromBuffer(const void* data, size_t size, const char* name, int frameW, int frameH);
    // A new sprite sharing parentId's sheet and cell size; a new id every call.
    int child(int parentId);
    Sprite* get(int id);
    // 0 or RC_ERR_NOT_FOUND; the sheet goes when its last sprite does.
    int close(int id);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace Zelkoran
