#include "audio/AudioTrackBlock.h"

#include "audio/AudioFormat.h"
#include "core/ByteOrder.h"

#include <Zelkoran/Result.h>

#include <algorithm>
#include <cstring>

namespace Zelkoran::audio {

namespace {

constexpr uint16_t kVersion = 1;
constexpr size_t kVersionAt = 8, kHeaderSizeAt = 10, kTagAt = 12;
constexpr SourceBlockFrame kFrame{"ZK7AUDIO", 32};
constexpr size_t kFormatAt = 16;

} // namespace

bool isAudioTrackTag(int tag) { return tag >= ATT_MUSIC && tag <= ATT_CUSTOM; }

Vector<uint8_t> encodeSourceBlock(const SourceBlockFrame& frame, eAudioTrackTag tag, const uint8_t* source,
                                  size_t sourceSize)
{
    Vector<uint8_t> out;
    if (sourceSize > out.max_size() - frame.headerSize)
        return out;
    out.resize(frame.headerSize + sourceSize);
    std::memcpy(out.data(), frame.magic, 8);
    bytes::putU16(&out[kVersionAt], kVersion);
    bytes::putU16(&out[kHeaderSizeAt], static_cast<uint16_t>(frame.headerSize));
    bytes::putU32(&out[kTagAt], static_cast<uint32_t>(tag));
    bytes::putU64(&out[frame.headerSize - 8], sourceSize);
    if (sourceSize)
        std::memcpy(&out[frame.headerSize], source, sourceSize);
    return out;
}

int decodeSourceBlock(const SourceBlockFrame& frame, const uint8_t* data, size_t size, eAudioTrackTag& tag,
                      const uint8_t*& source, size_t& sourceSize)
{
    if (!data || size < frame.headerSize || std::memcmp(data, frame.magic, 8) != 0 ||
        bytes::getU16(data + kVersionAt) != kVersion || bytes::getU16(data + kHeaderSizeAt) != frame.headerSize)
        return RC_ERR_CORRUPT;
    const uint32_t stored = bytes::getU32(data + kTagAt);
    if (!isAudioTrackTag(static_cast<int>(stored)) ||
        bytes::getU64(data + frame.headerSize - 8) != size - frame.headerSize)
        return RC_ERR_CORRUPT;
    tag = static_cast<eAudioTrackTag>(stored);
    source = data + frame.headerSize;
    sourceSize = size - frame.headerSize;
    return RC_OK;
}

Vector<uint8_t> encodeAudioTrackBlock(const String& formatText, eAudioTrackTag tag, const uint8_t* source,
                                      size_t sourceSize)
{
    Vector<uint8_t> out = encodeSourceBlock(kFrame, tag, source, sourceSize);
    if (!out.empty())
        std::memcpy(&out[kFormatAt], formatText.data(), std::min(formatText.size(), kMaxFormatText));
    return out;
}

int decodeAudioTrackBlock(const uint8_t* data, size_t size, AudioTrackBlock& out)
{
    AudioTrackBlock read;
    if (decodeSourceBlock(kFrame, data, size, read.tag, read.source, read.sourceSize) != RC_OK)
        return RC_ERR_CORRUPT;
    char text[kMaxFormatText + 1] = {};
    std::memcpy(text, data + kFormatAt, kMaxFormatText);
    // Zero padding only: a text with a gap or junk after it is damage.
    const size_t len = std::strlen(text);
    for (size_t i = len; i < kMaxFormatText; ++i)
        if (text[i] != 0)
            return RC_ERR_CORRUPT;
    if (!normalizeFormatText(text, read.formatText) || read.formatText != text)
        return RC_ERR_CORRUPT;
    out = std::move(read);
    return RC_OK;
}

} // namespace Zelkoran::audio
