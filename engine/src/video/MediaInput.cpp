#include "video/MediaInput.h"

#include "ffmpeg/FfmpegLibrary.h"

#include <Zelkoran/Result.h>

namespace Zelkoran::video {

namespace {

constexpr int kIoBufferSize = 32 * 1024;
// Bytes and time the stream probe may spend: enough for every container
// the editor imports, bounded for hostile files.
constexpr int64_t kProbeBytes = 8 * 1024 * 1024;
constexpr int64_t kAnalyzeMicroseconds = 10 * AV_TIME_BASE;
// The containers videos come in: MP4, M4V and MOV (the demuxer "mov,mp4,
// m4a,3gp,3g2,mj2"), AVI and raw H.264. Other demuxers never see the bytes,
// which keeps hostile files away from them.
constexpr const char* kContainers = "mov,mp4,m4a,3gp,3g2,mj2,avi,h264";

} // namespace

MediaInput::~MediaInput() { close(); }

void MediaInput::close()
{
    if (m_format)
        ffmpeg().avformat_close_input(&m_format);
    audio::MemoryReader::freeIo(m_io);
    m_bytes.reset();
    m_reader = audio::MemoryReader{};
}

int MediaInput::open(SharedBytes bytes)
{
    close();
    if (!bytes || bytes->empty())
        return RC_ERR_CORRUPT;
    if (!FfmpegLibrary::shared())
        return RC_ERR_NO_LIBRARY;
    m_bytes = std::move(bytes);
    m_reader = audio::MemoryReader{m_bytes->data(), m_bytes->size()};
    m_io = m_reader.newIo(kIoBufferSize);
    if (!m_io)
        return RC_ERR_NO_MEMORY;
    m_format = ffmpeg().avformat_alloc_context();
    if (!m_format)
        return RC_ERR_NO_MEMORY;
    m_format->pb = m_io;
    m_format->flags |= AVFMT_FLAG_CUSTOM_IO;
    m_format->probesize = kProbeBytes;
    m_format->max_analyze_duration = kAnalyzeMicroseconds;
    m_format->format_whitelist = ffmpeg().av_strdup(kContainers);
    // On failure avformat_open_input frees the context itself.
    if (ffmpeg().avformat_open_input(&m_format, nullptr, nullptr, nullptr) != 0) {
        m_format = nullptr;
        return RC_ERR_CORRUPT;
    }
    if (ffmpeg().avformat_find_stream_info(m_format, nullptr) < 0)
        return RC_ERR_CORRUPT;
    return RC_OK;
}

int MediaInput::rewind()
{
    if (!m_format)
        return RC_ERR_INVALID;
    return ffmpeg().avformat_seek_file(m_format, -1, INT64_MIN, 0, 0, AVSEEK_FLAG_BYTE) >= 0 ? RC_OK : RC_ERR_CORRUPT;
}

} // namespace Zelkoran::video
