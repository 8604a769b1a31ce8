// The facts of a video source (VideoInfo) read by FFmpeg's demuxers, and
// the checks a source must pass before the engine keeps it.
#pragma once

#include "video/FrameDecoder.h"
#include "video/MediaInput.h"

#include <Zelkoran/Video.h>

namespace Zelkoran::video {

// Fills info from the container, its best video stream and its best audio
// stream. Raw streams that do not tell their length are counted packet by
// packet. 0, or RC_ERR_CORRUPT (no container, no video stream, no decoder
// for it, a frame size of 0 or beyond the decoder's limits), RC_ERR_NO_MEMORY.
int probeVideo(const SharedBytes& bytes, VideoInfo& info);

} // namespace Zelkoran::video
