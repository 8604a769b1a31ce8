// A video container (MP4, M4V, MOV, AVI or raw H.264) demuxed by FFmpeg
// straight from bytes held in memory (an archive block or a whole file),
// through a custom AVIOContext: nothing is written to disk to read a video.
// Several inputs may share one byte buffer, each on its own thread.
#pragma once

#include "audio/MemoryReader.h"

#include <Zelkoran/CMem.h>

#include <cstdint>
#include <memory>

struct AVFormatContext;
struct AVIOContext;

namespace Zelkoran::video {

// The immutable source bytes every reader of one video shares.
using SharedBytes = std::shared_ptr<const Vector<uint8_t>>;

class MediaInput {
public:
    MediaInput() = default;
    ~MediaInput();
    MediaInput(const MediaInput&) = delete;
    MediaInput& operator=(const MediaInput&) = delete;

    // Opens the container and reads its stream facts. 0, RC_ERR_CORRUPT (no
    // container FFmpeg reads), RC_ERR_NO_MEMORY, RC_ERR_NO_LIBRARY.
    int open(SharedBytes bytes);
    AVFormatContext* context() const { return m_format; }
    // Bytes of the source.
    size_t size() const { return m_bytes ? m_bytes->size() : 0; }
    // Back to the first byte, for sources without an index (raw streams).
    int rewind();

private:
    void close();

    SharedBytes m_bytes;
    audio::MemoryReader m_reader;
    AVIOContext* m_io = nullptr;
    AVFormatContext* m_format = nullptr;
};

} // namespace Zelkoran::video
