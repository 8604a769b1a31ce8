// Mouse cursors: an image and a hot spot, the point of the image the
// pointer position refers to. A cursor is saved as a "ZK7_CURSOR" block
// (docs/cursor-format.md) with its image in the hidden "ZK7_IMAGE" block
// "#C_" + the cursor's name. The manager also knows where the mouse pointer
// is. Main thread only.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/ResourceMgr.h>
#include <Zelkoran/Types.h>

namespace Zelkoran {

class Cursor : public Resource {
public:
    ~Cursor();

    // Makes image imageId the cursor's image (the previous one is released).
    // own 1: the cursor takes over the caller's hold; own 0: it takes a hold
    // of its own. 0, or RC_ERR_NOT_FOUND (no such image; the caller keeps it).
    int assignImage(int imageId, int own);
    // The image id, 0 when none is assigned.
    int getImage() const { return m_image; }

    // Sets the hot spot, one Position per axis: PH_ABSOLUTE is a pixel from
    // the left or top edge; PH_CENTER_CODE and PH_SIZE an offset from the
    // centre or the last pixel of the image's extent (-8388608..8388607,
    // clamped). False, with nothing changed, for any other anchor and for a
    // pixel that would read as one of those forms (0x60000000..0x61FFFFFF).
    bool setHotSpot(Position x, Position y);
    // The two encoded values: a pixel, or 0x61000000 (centre) / 0x60000000
    // (last pixel) OR the offset's low 24 bits.
    void getHotSpot(int& x, int& y) const;

    // Writes the "#C_" + name image block, then the "ZK7_CURSOR" block. An
    // empty name saves under the cursor's own name (which does not change).
    // 0, RC_ERR_NOT_FOUND (no such archive), RC_ERR_INVALID (no image; no
    // name at all; a name longer than 60 characters), RC_ERR_NO_SLOT (-72,
    // checked before anything is written), RC_ERR_KEY (-477), or a code of
    // Archive::blockAdd.
    int save(int archiveId, const char* name);

private:
    friend class CursorMgr;
    Cursor(int id, const char* name);
    int m_image = 0;
    int m_hotX = 0;
    int m_hotY = 0;
};

class CursorMgr : public ResourceMgr<Cursor> {
public:
    CursorMgr();

    // A new cursor without image, hot spot 0, 0; flags are reserved
    // (callers pass 10). The cursor id (> 0), or RC_ERR_INVALID (name null or
    // longer than 60 characters).
    int create(const char* name, int flags);
    // Reads the "ZK7_CURSOR" block name and its "#C_" image block; the
    // cursor is named after the block. The cursor id (> 0), or
    // RC_ERR_NOT_FOUND (no such archive, block or image block), RC_ERR_KEY
    // (-477), RC_ERR_CORRUPT, RC_ERR_IO.
    int load(int archiveId, const char* name);

    // Mouse position in window pixels from the last mouse event handled by
    // Main::update (injected events included).
    int getX() const { return m_x; }
    int getY() const { return m_y; }
    // Engine side: called for every mouse event.
    void track(int x, int y)
    {
        m_x = x;
        m_y = y;
    }

private:
    int m_x = 0;
    int m_y = 0;
};

} // namespace Zelkoran
