// Bytes held in memory as the read and seek callbacks of an FFmpeg
// AVIOContext, so sound and video sources are demuxed without a file.
#pragma once

#include <cstddef>
#include <cstdint>

struct AVIOContext;

namespace Zelkoran::audio {

struct MemoryReader {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;

    // The opaque pointer of both callbacks is the MemoryReader.
    static int read(void* opaque, uint8_t* buffer, int length);
    static int64_t seek(void* opaque, int64_t offset, int whence);

    // A read-only FFmpeg input over this reader with a buffer of
    // bufferSize bytes; null without memory. Freed by freeIo.
    AVIOContext* newIo(int bufferSize);
    // Frees an input of newIo and its buffer; null is ignored.
    static void freeIo(AVIOContext*& io);
};

} // namespace Zelkoran::audio
