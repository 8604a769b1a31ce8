#include "video/VideoBlock.h"

#include "audio/AudioTrackBlock.h"

#include <Zelkoran/Result.h>

namespace Zelkoran::video {

namespace {

constexpr audio::SourceBlockFrame kFrame{"ZK7VIDEO", 24};

} // namespace

Vector<uint8_t> encodeVideoBlock(eAudioTrackTag tag, const uint8_t* source, size_t sourceSize)
{
    return audio::encodeSourceBlock(kFrame, tag, source, sourceSize);
}

int decodeVideoBlock(const uint8_t* data, size_t size, VideoBlock& out)
{
    VideoBlock read;
    if (audio::decodeSourceBlock(kFrame, data, size, read.tag, read.source, read.sourceSize) != RC_OK ||
        read.sourceSize == 0)
        return RC_ERR_CORRUPT;
    out = read;
    return RC_OK;
}

} // namespace Zelkoran::video
