// The "ZK7_VIDEO" block: a small header and the source bytes, unchanged.
// All integers are little-endian.
//
//   OFFSET  SIZE  MEANING
//   0       8     magic "ZK7VIDEO"
//   8       2     version, 1
//   10      2     header size, 24 (the source starts there)
//   12      4     tag of the sound track (eAudioTrackTag)
//   16      8     source size n
//   24      n     the source file's bytes (MP4, MOV, AVI or raw H.264)
#pragma once

#include <Zelkoran/AudioTrack.h>
#include <Zelkoran/CMem.h>

#include <cstddef>
#include <cstdint>

namespace Zelkoran::video {

inline constexpr const char* kVideoBlockType = "ZK7_VIDEO";

struct VideoBlock {
    eAudioTrackTag tag = ATT_MUSIC;
    const uint8_t* source = nullptr; // points into the block data
    size_t sourceSize = 0;
};

// The block bytes for a source; empty when the sizes do not fit in memory.
Vector<uint8_t> encodeVideoBlock(eAudioTrackTag tag, const uint8_t* source, size_t sourceSize);
// Reads a block. 0, or RC_ERR_CORRUPT (not such a block, another version,
// sizes that do not add up, a bad tag, no source).
int decodeVideoBlock(const uint8_t* data, size_t size, VideoBlock& out);

} // namespace Zelkoran::video
