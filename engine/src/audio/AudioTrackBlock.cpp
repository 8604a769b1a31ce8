#include "audio/AudioTrackBlock.h"

#include "audio/AudioFormat.h"
#include "core/ByteOrder.h"

#include <Zelkoran/Result.h>

#include <algorithm>
#include <cstring>

namespace Zelkoran::audio {

namespace {

constexpr char kMagic[8] = {'Z', 'K', '7', 'A', 'U', 'D', 'I', 'O'};
constexpr uint16_t kVersion = 1;
constexpr size_t kHeaderSize = 32;
constexpr size_t kVersionAt = 8, kHeaderSizeAt = 10, kTagAt = 12, kFormatAt = 16, kSourceSizeAt = 24;

} // namespace

bool isAudioTrackTag(int tag) { return tag >= ATT_MUSIC && tag <= ATT_CUSTOM; }

Vector<uint8_t> encodeAudioTrackBlock(const String& formatText, eAudioTrackTag tag, const uint8_t* source,
                                      size_t sourceSize)
{
    Vector<uint8_t> out;
    if (sourceSize > out.max_size() - kHeaderSize)
        return out;
    out.resize(kHeaderSize + sourceSize);
    std::memcpy(out.data(), kMagic, sizeof(kMagic));
    bytes::putU16(&out[kVersionAt], kVersion);
    bytes::putU16(&out[kHeaderSizeAt], static_cast<uint16_t>(kHeaderSize));
    bytes::putU32(&out[kTagAt], static_cast<uint32_t>(tag));
    std::memcpy(&out[kFormatAt], formatText.data(), std::min(formatText.size(), kMaxFormatText));
    bytes::putU64(&out[kSourceSizeAt], sourceSize);
    if (sourceSize)
        std::memcpy(&out[kHeaderSize], source, sourceSize);
    return out;
}

int decodeAudioTrackBlock(const uint8_t* data, size_t size, AudioTrackBlock& out)
{
    if (!data || size < kHeaderSize || std::memcmp(data, kMagic, sizeof(kMagic)) != 0 ||
        bytes::getU16(data + kVersionAt) != kVersion || bytes::getU16(data + kHeaderSizeAt) != kHeaderSize)
        return RC_ERR_CORRUPT;
    const uint32_t tag = bytes::getU32(data + kTagAt);
    if (!isAudioTrackTag(static_cast<int>(tag)) || bytes::getU64(data + kSourceSizeAt) != size - kHeaderSize)
        return RC_ERR_CORRUPT;
    char text[kMaxFormatText + 1] = {};
    std::memcpy(text, data + kFormatAt, kMaxFormatText);
    // Zero padding only: a text with a gap or junk after it is damage.
    const size_t len = std::strlen(text);
    for (size_t i = len; i < kMaxFormatText; ++i)
        if (text[i] != 0)
            return RC_ERR_CORRUPT;
    if (!normalizeFormatText(text, out.formatText) || out.formatText != text)
        return RC_ERR_CORRUPT;
    out.tag = static_cast<eAudioTrackTag>(tag);
    out.source = data + kHeaderSize;
    out.sourceSize = size - kHeaderSize;
    return RC_OK;
}

} // namespace Zelkoran::audio
