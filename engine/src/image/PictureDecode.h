// Decoding of picture files from outside (PNG, JPEG, BMP, GIF and what else
// SDL2_image reads). PNG goes through libspng, which ends on data that runs
// out, where SDL2_image's PNG reader would wait for more for ever.
#pragma once

struct SDL_RWops;
struct SDL_Surface;

namespace Zelkoran::image {

// Decodes the picture at rw's position into a new surface of its own
// format, which the caller frees; null when it does not decode. typeHint is
// the file's extension (or null), for formats without a signature. Closes rw.
SDL_Surface* decodePicture(SDL_RWops* rw, const char* typeHint);

} // namespace Zelkoran::image
