// A resource block with its hidden image block: cursors, tiles, sprites and
// fonts store their settings in a block of their own type and their image
// as a "ZK7_IMAGE" block named prefix + the resource's name ("#C_", "#T_",
// "#S_", "#F_"), which the editor's block lists hide.
#pragma once

#include <Zelkoran/CMem.h>

#include "resource/ResourceName.h"

#include <cstdint>

namespace Zelkoran::resource {

// Writes image imageId as the hidden block, then payload as the block
// name of type. Both are stored as blockStorage decides.
// 0, RC_ERR_NOT_FOUND (no such archive or image), RC_ERR_INVALID (name
// empty or too long), RC_ERR_NO_SLOT (checked before anything is written:
// too few free slots for the blocks that do not exist yet), or a code of
// Image::save or Archive::blockAdd.
int saveWithImage(int archiveId, const char* type, const char* prefix, const char* name, int imageId,
                  const Vector<uint8_t>& payload);

// Reads the block name of type into payload and loads its hidden image
// (a new image id the caller then holds). 0, RC_ERR_NOT_FOUND (no such
// archive, block or image block), RC_ERR_KEY, RC_ERR_CORRUPT, RC_ERR_IO.
// On failure nothing is held.
int loadWithImage(int archiveId, const char* type, const char* prefix, const char* name, Vector<uint8_t>& payload,
                  int& imageId);

// Takes image imageId for a resource: own 1 takes over the caller's hold,
// own 0 adds a hold of the resource's own. 0 or RC_ERR_NOT_FOUND.
int holdImage(int imageId, int own);
// Releases a hold taken by holdImage (0 is ignored).
void releaseImage(int imageId);
// A resource's held image becomes imageId (held as holdImage takes it),
// the old one released; the image already held stays as it is. 0 or
// RC_ERR_NOT_FOUND, with held unchanged.
int replaceImage(int& held, int imageId, int own);

} // namespace Zelkoran::resource
