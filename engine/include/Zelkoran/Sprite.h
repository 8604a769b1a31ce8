// Sprites: a sheet image cut into cells of one size; each row of cells is
// one animation, each cell of a row a frame. Every animation carries a
// state number, a playback type, a hot spot (two encoded values: a pixel, or
// an offset from the cell's centre or last pixel, see CtrlImages' hot spot
// helpers) and a range of frames; every frame a display time. A sprite is
// saved as a "ZK7_SPRITE" block (docs/sprite-format.md) with its sheet in
// the hidden "ZK7_IMAGE" block "#S_" + the sprite's name. Widget state
// strips are vertical strips of five one-frame animations, one per widget
// state. Main thread only.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/ResourceMgr.h>

#include <cstdint>

struct SDL_Renderer;
struct SDL_Rect;

namespace Zelkoran {

// How an animation plays its frame range.
enum eSpriteType : int {
    SPR_LOOP = 1,              // first to last, again and again
    SPR_PINGPONG = 2,          // first to last and back, again and again
    SPR_ONESHOT = 4,           // first to last once, then stays on the last
    SPR_ONESHOT_REVERSE = 8,   // last to first once, then stays on the first
    SPR_RANDOM = 16,           // a random frame of the range every mean frame time of the range
};

class Sprite : public Resource {
public:
    static constexpr uint16_t kDefaultFrameMs = 100;

    ~Sprite();
    // The sheet's image id (shared by every child of the sprite), 0 before
    // assignImage.
    int getImage() const { return m_image; }

    // Makes image imageId the sheet (the previous one is released) and
    // cuts it as one cell the size of the image: one animation of one frame
    // with the defaults (state 0, SPR_LOOP, hot spot 0, 0, frame time
    // kDefaultFrameMs). own 1: the sprite takes over the caller's hold; own
    // 0: it takes a hold of its own. 0, or RC_ERR_NOT_FOUND (no such image,
    // the caller keeps it), RC_ERR_INVALID (an empty image).
    int assignImage(int imageId, int own);

    // Cuts the sheet into cells of w x h pixels: sheet height / h
    // animations of sheet width / w frames. An animation that exists before
    // and after keeps its settings; frame times of new frames are
    // kDefaultFrameMs; a frame range that covered the whole row still does,
    // any other is cut to the new row. 0, or RC_ERR_INVALID (no sheet, or w
    // or h outside 1..the sheet's side; nothing changes).
    int setOffset(int w, int h);
    // Cell size; 0 x 0 without a sheet. Either pointer may be null.
    void getOffset(int* w, int* h) const;

    int getAnimCount() const;
    // Frames of animation anim (the cells of its row); 0 for no such animation.
    int getFrameCountIndex(int anim) const;
    int getAnimCurrentIndex() const { return m_anim; }
    int getFrameCurrent() const { return m_frame; }
    // Makes anim current, on the first frame of its range. 0 or RC_ERR_NOT_FOUND.
    int selectAnimIndex(int anim);
    // Makes anim current on frame (any cell of the row). 0 or RC_ERR_NOT_FOUND.
    int selectFrameIndex(int anim, int frame);
    // Makes the first animation with that state current: 0 or RC_ERR_NOT_FOUND.
    int selectAnimState(uint16_t state);

    // Playback of the current animation, advanced by update.
    void pause() { m_paused = true; }
    void play() { m_paused = false; }
    bool isPaused() const { return m_paused; }
    // Moves the current animation on by ms milliseconds of its frame times
    // (nothing while paused).
    void update(uint32_t ms);
    // The frame animation anim shows ms milliseconds after it started, by
    // its type, range and frame times; -1 for no such animation. Frames of
    // time 0 count as 1 ms.
    int frameAt(int anim, uint64_t ms) const;

    // Per animation; every call returns 0 or RC_ERR_NOT_FOUND (no such
    // animation or frame), setters also RC_ERR_INVALID for a value out of
    // range. Out pointers may be null.
    int setAnimStateIndex(int anim, uint16_t state);
    int getAnimStateIndex(int anim, uint16_t* state) const;
    // One of eSpriteType.
    int setAnimTypeIndex(int anim, int type);
    int getAnimTypeIndex(int anim, int* type) const;
    // Encoded hot spot values, one per axis.
    int setAnimHotSpotIndex(int anim, int x, int y);
    int getAnimHotSpotIndex(int anim, int* x, int* y) const;
    // First and last frame, 0-based; first <= last < frame count.
    int setAnimRangeIndex(int anim, int first, int last);
    int getAnimRangeIndex(int anim, int* first, int* last) const;
    int setFrameTimeIndex(int anim, int frame, uint16_t ms);
    int getFrameTimeIndex(int anim, int frame, uint16_t* ms) const;

    // Orders the state lookup of selectAnimState: anim -1 = every
    // animation, otherwise the one animation anim is entered again. Saving
    // does not need it; callers run it after changing states. The number of
    // animations in the lookup, or RC_ERR_NOT_FOUND.
    int orderAnimState(int anim);

    // Writes the "#S_" + name sheet block, then the "ZK7_SPRITE" block. An
    // empty name saves under the sprite's own name (which does not change).
    // 0, RC_ERR_NOT_FOUND (no such archive), RC_ERR_INVALID (no sheet; no
    // name at all; a name longer than 60 characters), RC_ERR_NO_SLOT (-72,
    // checked before anything is written), RC_ERR_KEY (-477), or a code of
    // Archive::blockAdd.
    int save(int archiveId, const char* name);

    // Engine side: draws frame of anim into dst (null = frame size at 0, 0).
    int renderFrame(SDL_Renderer* renderer, int anim, int frame, const SDL_Rect* dst, uint8_t alpha);

    // One animation's settings.
    struct Anim {
        uint16_t state = 0;
        uint8_t type = SPR_LOOP;
        int hotX = 0;
        int hotY = 0;
        int first = 0;
        int last = 0;
        Vector<uint16_t> times;
    };

private:
    friend class SpriteMgr;
    Sprite(int id, const char* name);
    const Anim* anim(int index) const;
    void recut(int rows, int columns);
    int m_image = 0;
    int m_frameW = 0;
    int m_frameH = 0;
    Vector<Anim> m_anims;
    // (state, animation) sorted by state, first animation of a state first.
    Vector<std::pair<uint16_t, int>> m_stateOrder;
    int m_anim = 0;
    int m_frame = 0;
    bool m_paused = false;
    uint64_t m_elapsed = 0;
};

class SpriteMgr : public ResourceMgr<Sprite> {
public:
    SpriteMgr();
    // A new sprite without a sheet; flags are reserved (callers pass 10).
    // The sprite id (> 0), or RC_ERR_INVALID (name null or longer than 60 characters).
    int create(const char* name, int flags);
    // Reads the "ZK7_SPRITE" block name and its "#S_" sheet; the sprite is
    // named after the block and shows animation 0, frame 0, playing.
    // The sprite id (> 0), or RC_ERR_NOT_FOUND (no such archive, block or
    // sheet block), RC_ERR_KEY (-477), RC_ERR_CORRUPT (a block that does not
    // hold together or does not fit its sheet), RC_ERR_IO.
    int load(int archiveId, const char* name);
    // Decodes image bytes and cuts them into frameW x frameH cells. The
    // sprite id (> 0) or a negative code.
    int loadFromBuffer(const void* data, size_t size, const char* name, int frameW, int frameH);
    // A new sprite sharing parentId's sheet, with a copy of its cell size and
    // animations; a new id every call.
    int child(int parentId);
};

} // namespace Zelkoran
