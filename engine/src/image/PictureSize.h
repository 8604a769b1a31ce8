// The pixel size a picture file states in its header, read before it is
// decoded: a decoder allocates what the header claims, so a few hostile
// bytes could otherwise ask for gigabytes.
#pragma once

#include <cstdint>

struct SDL_RWops;

namespace Zelkoran::image {

// The size stated by the PNG, BMP, GIF (its first frame, else its screen)
// or JPEG at rw's position, which is restored: its ePictureFormat, or 0 for
// other formats and for headers that end before the size.
int statedPictureSize(SDL_RWops* rw, uint32_t& width, uint32_t& height);

} // namespace Zelkoran::image
