// A GIF's frames as its screen shows them. The decoder sizes an animation
// by its first frame, so a first frame smaller than the screen would cut
// every later one: each frame is decoded alone and drawn at its place on
// the screen, and its disposal is applied before the next one.
#pragma once

#include "import/scene/GIFSizeCheck.h"

#include <cstdint>
#include <vector>

struct SDL_Surface;

// Every frame of bytes (which checkGIFLayout accepted as layout) as an
// ARGB8888 picture of the screen's size, with its delay in milliseconds
// (0 when the file states none). The screen's size is the file's; a side
// the file states as 0 reaches to the farthest frame. 0, or
// IR_GIF_UNREADABLE (a frame the decoder refuses) or IR_CONVERT, with
// frames and delays left empty.
int composeGIFFrames(const std::vector<uint8_t>& bytes, const GIFLayout& layout, std::vector<SDL_Surface*>& frames,
                     std::vector<int>& delays);
