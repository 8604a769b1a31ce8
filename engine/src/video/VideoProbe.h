// The facts of a video source (VideoInfo) read by FFmpeg's demuxers, and
// the checks a source must pass before the engine keeps it.
#pragma once

#include "video/FrameDecoder.h"
#include "video/MediaInput.h"

#include <Zelkoran/Video.h>

namespace Zelkoran::video {

// Fills info from the opened input: the container, its best video stream
// and its best audio stream. Raw streams that do not tell their length are
// counted packet by packet, which leaves the input at its end: readers
// position it before reading on. 0, or RC_ERR_CORRUPT (no video stream, no
// decoder for it, a frame size of 0 or beyond the decoder's limits).
int probeVideo(MediaInput& input, VideoInfo& info);

} // namespace Zelkoran::video
