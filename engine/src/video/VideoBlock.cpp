#include "video/VideoBlock.h"

#include "audio/AudioTrackBlock.h"
#include "core/ByteOrder.h"

#include <Zelkoran/Result.h>

#include <cstring>

namespace Zelkoran::video {

namespace {

constexpr char kMagic[8] = {'Z', 'K', '7', 'V', 'I', 'D', 'E', 'O'};
constexpr uint16_t kVersion = 1;
constexpr size_t kHeaderSize = 24;
constexpr size_t kVersionAt = 8, kHeaderSizeAt = 10, kTagAt = 12, kSourceSizeAt = 16;

} // namespace

Vector<uint8_t> encodeVideoBlock(eAudioTrackTag tag, const uint8_t* source, size_t sourceSize)
{
    Vector<uint8_t> out;
    if (sourceSize > out.max_size() - kHeaderSize)
        return out;
    out.resize(kHeaderSize + sourceSize);
    std::memcpy(out.data(), kMagic, sizeof(kMagic));
    bytes::putU16(&out[kVersionAt], kVersion);
    bytes::putU16(&out[kHeaderSizeAt], static_cast<uint16_t>(kHeaderSize));
    bytes::putU32(&out[kTagAt], static_cast<uint32_t>(tag));
    bytes::putU64(&out[kSourceSizeAt], sourceSize);
    if (sourceSize)
        std::memcpy(&out[kHeaderSize], source, sourceSize);
    return out;
}

int decodeVideoBlock(const uint8_t* data, size_t size, VideoBlock& out)
{
    if (!data || size <= kHeaderSize || std::memcmp(data, kMagic, sizeof(kMagic)) != 0 ||
        bytes::getU16(data + kVersionAt) != kVersion || bytes::getU16(data + kHeaderSizeAt) != kHeaderSize)
        return RC_ERR_CORRUPT;
    const uint32_t tag = bytes::getU32(data + kTagAt);
    if (!audio::isAudioTrackTag(static_cast<int>(tag)) || bytes::getU64(data + kSourceSizeAt) != size - kHeaderSize)
        return RC_ERR_CORRUPT;
    out.tag = static_cast<eAudioTrackTag>(tag);
    out.source = data + kHeaderSize;
    out.sourceSize = size - kHeaderSize;
    return RC_OK;
}

} // namespace Zelkoran::video
