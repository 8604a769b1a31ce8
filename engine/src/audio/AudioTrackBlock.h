// The "ZK7_AUDIOTRACK" block: a small header and the encoded source bytes,
// unchanged. All integers are little-endian.
//
//   OFFSET  SIZE  MEANING
//   0       8     magic "ZK7AUDIO"
//   8       2     version, 1
//   10      2     header size, 32 (the source starts there)
//   12      4     tag (eAudioTrackTag)
//   16      8     format text, lower-case, zero-padded (1..8 letters and digits)
//   24      8     source size n
//   32      n     the encoded source
#pragma once

#include <Zelkoran/AudioTrack.h>
#include <Zelkoran/CMem.h>

#include <cstddef>
#include <cstdint>

namespace Zelkoran::audio {

inline constexpr const char* kAudioTrackBlockType = "ZK7_AUDIOTRACK";

struct AudioTrackBlock {
    String formatText;
    eAudioTrackTag tag = ATT_MUSIC;
    const uint8_t* source = nullptr; // points into the block data
    size_t sourceSize = 0;
};

// The block bytes for a source; empty when the sizes do not fit in memory.
Vector<uint8_t> encodeAudioTrackBlock(const String& formatText, eAudioTrackTag tag, const uint8_t* source,
                                      size_t sourceSize);
// Reads a block. 0, or RC_ERR_CORRUPT (not such a block, another version,
// sizes that do not add up, a bad tag or format text).
int decodeAudioTrackBlock(const uint8_t* data, size_t size, AudioTrackBlock& out);

// True for a tag of eAudioTrackTag.
bool isAudioTrackTag(int tag);

// The frame the sound track and video blocks share: an 8-byte magic,
// version 1, the header size, the tag; the source size ends the header and
// the source follows it.
struct SourceBlockFrame {
    const char* magic;
    size_t headerSize;
};
// The block bytes for a source, the header fields between the tag and the
// source size zero; empty when the sizes do not fit in memory.
Vector<uint8_t> encodeSourceBlock(const SourceBlockFrame& frame, eAudioTrackTag tag, const uint8_t* source,
                                  size_t sourceSize);
// Checks a block's frame and gives its tag and source. 0, or RC_ERR_CORRUPT
// (another magic or version, sizes that do not add up, a bad tag).
int decodeSourceBlock(const SourceBlockFrame& frame, const uint8_t* data, size_t size, eAudioTrackTag& tag,
                      const uint8_t*& source, size_t& sourceSize);

} // namespace Zelkoran::audio
