#include "audio/MemoryReader.h"

#include "ffmpeg/FfmpegLibrary.h"

#include <algorithm>
#include <cstring>

namespace Zelkoran::audio {

int MemoryReader::read(void* opaque, uint8_t* buffer, int length)
{
    auto* in = static_cast<MemoryReader*>(opaque);
    const size_t n = std::min(in->size - in->pos, static_cast<size_t>(std::max(length, 0)));
    if (n == 0)
        return AVERROR_EOF;
    std::memcpy(buffer, in->data + in->pos, n);
    in->pos += n;
    return static_cast<int>(n);
}

int64_t MemoryReader::seek(void* opaque, int64_t offset, int whence)
{
    auto* in = static_cast<MemoryReader*>(opaque);
    const auto size = static_cast<int64_t>(in->size);
    if (whence & AVSEEK_SIZE)
        return size;
    int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = static_cast<int64_t>(in->pos); break;
    case SEEK_END: base = size; break;
    default: return AVERROR(EINVAL);
    }
    if (offset > size - base || offset < -base)
        return AVERROR(EINVAL);
    in->pos = static_cast<size_t>(base + offset);
    return static_cast<int64_t>(in->pos);
}

AVIOContext* MemoryReader::newIo(int bufferSize)
{
    auto* buffer = static_cast<uint8_t*>(video::ffmpeg().av_malloc(static_cast<size_t>(bufferSize)));
    if (!buffer)
        return nullptr;
    AVIOContext* io =
        video::ffmpeg().avio_alloc_context(buffer, bufferSize, 0, this, &MemoryReader::read, nullptr, &MemoryReader::seek);
    if (!io)
        video::ffmpeg().av_free(buffer);
    return io;
}

void MemoryReader::freeIo(AVIOContext*& io)
{
    if (!io)
        return;
    video::ffmpeg().av_freep(&io->buffer);
    video::ffmpeg().avio_context_free(&io);
}

} // namespace Zelkoran::audio
