// Tile sets: one image cut into tiles of one size. A tile set is saved as a
// "ZK7_TILE" block (docs/tile-format.md); its image goes into the hidden
// "ZK7_IMAGE" block named "#T_" + the tile set's name. create and setName
// refuse a name another open tile set holds; load does not check, as a
// caller may load a block whose name is still open. Main thread only.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/ResourceMgr.h>
#include <Zelkoran/Result.h>

namespace Zelkoran {

class Tile : public Resource {
public:
    ~Tile();

    // Makes image imageId the tile set's image (the previous one is released).
    // own 1: the tile set takes over the caller's hold and closes the image
    // with itself; own 0: it takes a hold of its own and the caller still
    // closes its one.
    // Returns 0, or RC_ERR_NOT_FOUND (no such image; the caller keeps it).
    int assignImage(int imageId, int own);
    // The image id, 0 when none is assigned.
    int getImage() const { return m_image; }

    // Cuts the image into tiles of w x h pixels. flag 1 when both sizes were
    // chosen, 0 when either stands in for the image's own size; the flag is
    // stored and saved, the cut is w x h either way.
    // Returns 0, or RC_ERR_INVALID (w or h below 1; the old size stays).
    int setOffset(int flag, int w, int h);
    // Tile size in pixels, 0 x 0 before setOffset.
    void getOffset(int& w, int& h) const;
    // Whole tiles across and down the image (a partial tile at the right or
    // bottom edge does not count); 0, 0 without an image or a tile size.
    void getTileCount(int& across, int& down) const;

    // Writes the "#T_" + name image block, then the "ZK7_TILE" block. An
    // empty name saves under the tile set's own name (which does not change).
    // Returns 0, RC_ERR_NOT_FOUND (no such archive), RC_ERR_INVALID (no image
    // or tile size; no name at all; a name longer than 60 characters),
    // RC_ERR_NO_SLOT (-72, checked before anything is written: the archive
    // lacks a slot for a block that does not exist yet), or a code of
    // Archive::blockAdd.
    int save(int archiveId, const char* name);

private:
    friend class TileMgr;
    Tile(int id, const char* name);
    int m_image = 0;
    int m_flag = 0;
    int m_tileW = 0;
    int m_tileH = 0;
};

class TileMgr : public ResourceMgr<Tile> {
public:
    // The longest name create and setName take, in bytes.
    static constexpr size_t kMaxName = 60;

    TileMgr();

    // A new tile set without image or tile size; flags are reserved (callers
    // pass 10). Returns the tile set id (> 0), or RC_ERR_EXISTS (another open
    // tile set has that non-empty name), RC_ERR_INVALID (name null or longer
    // than 60 characters).
    int create(const char* name, int flags);
    // Reads the "ZK7_TILE" block name and its "#T_" image block; the image
    // belongs to the tile set. The tile set is named after the block.
    // Returns the tile set id (> 0), or RC_ERR_NOT_FOUND (no such archive or
    // block), RC_ERR_KEY (-477, encrypted without the key), RC_ERR_CORRUPT,
    // RC_ERR_IO.
    int load(int archiveId, const char* name);
};

} // namespace Zelkoran
