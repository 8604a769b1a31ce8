// Bytes held in memory as the read and seek callbacks of an FFmpeg
// AVIOContext, so sound and video sources are demuxed without a file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Zelkoran::audio {

struct MemoryReader {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;

    // The opaque pointer of both callbacks is the MemoryReader.
    static int read(void* opaque, uint8_t* buffer, int length);
    static int64_t seek(void* opaque, int64_t offset, int whence);
};

} // namespace Zelkoran::audio
