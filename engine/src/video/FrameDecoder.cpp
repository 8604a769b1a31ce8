#include "video/FrameDecoder.h"

#include "ffmpeg/FfmpegLibrary.h"

#include <Zelkoran/Result.h>

#include <algorithm>

namespace Zelkoran::video {

namespace {

constexpr int64_t kUnknownFrameMs = 40;
constexpr AVRational kMilliseconds{1, 1000};
// Most frames a decoder shows before one it decoded earlier (H.264's limit).
constexpr int64_t kMaxHeldFrames = 16;

} // namespace

FrameDecoder::FrameDecoder() = default;

FrameDecoder::~FrameDecoder()
{
    // Without FFmpeg loaded nothing was allocated, and nothing may be called.
    if (m_frame)
        ffmpeg().av_frame_free(&m_frame);
    if (m_packet)
        ffmpeg().av_packet_free(&m_packet);
    if (m_codec)
        ffmpeg().avcodec_free_context(&m_codec);
}

int FrameDecoder::open(SharedBytes bytes, int threads)
{
    const int rc = openInput(std::move(bytes));
    return rc == RC_OK ? openDecoder(threads) : rc;
}

int FrameDecoder::openInput(SharedBytes bytes)
{
    if (const int rc = m_input.open(std::move(bytes)); rc != RC_OK)
        return rc;
    AVFormatContext* format = m_input.context();
    const int index = ffmpeg().av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &m_decoder, 0);
    if (index < 0 || !m_decoder)
        return RC_ERR_CORRUPT;
    m_stream = format->streams[index];
    // Only this stream's packets are read: the others are skipped by the demuxer.
    for (unsigned i = 0; i < format->nb_streams; ++i)
        if (static_cast<int>(i) != index)
            format->streams[i]->discard = AVDISCARD_ALL;
    return RC_OK;
}

int FrameDecoder::openDecoder(int threads)
{
    if (!m_decoder || m_codec)
        return RC_ERR_INVALID;
    m_codec = ffmpeg().avcodec_alloc_context3(m_decoder);
    m_packet = ffmpeg().av_packet_alloc();
    m_frame = ffmpeg().av_frame_alloc();
    if (!m_codec || !m_packet || !m_frame)
        return RC_ERR_NO_MEMORY;
    if (ffmpeg().avcodec_parameters_to_context(m_codec, m_stream->codecpar) < 0)
        return RC_ERR_CORRUPT;
    m_codec->thread_count = threads;
    m_codec->pkt_timebase = m_stream->time_base;
    if (ffmpeg().avcodec_open2(m_codec, m_decoder, nullptr) < 0)
        return RC_ERR_CORRUPT;
    return RC_OK;
}

int64_t FrameDecoder::toMs(int64_t streamTime) const
{
    const int64_t start = m_stream->start_time == AV_NOPTS_VALUE ? 0 : m_stream->start_time;
    return ffmpeg().av_rescale_q(streamTime - start, m_stream->time_base, kMilliseconds);
}

int64_t FrameDecoder::toStreamTime(int64_t ms) const
{
    const int64_t start = m_stream->start_time == AV_NOPTS_VALUE ? 0 : m_stream->start_time;
    return ffmpeg().av_rescale_q(ms, kMilliseconds, m_stream->time_base) + start;
}

int64_t FrameDecoder::frameDurationMs() const
{
    AVRational rate = m_stream->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = m_stream->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        return kUnknownFrameMs;
    const int64_t ms = ffmpeg().av_rescale(1000, rate.den, rate.num);
    return ms > 0 ? ms : 1;
}

int FrameDecoder::next(int64_t* ms)
{
    for (;;) {
        const int got = ffmpeg().avcodec_receive_frame(m_codec, m_frame);
        if (got == 0 && !isFrameSize(m_frame->width, m_frame->height)) {
            ffmpeg().av_frame_unref(m_frame);
            continue;
        }
        if (got == 0) {
            const int64_t ts = m_frame->best_effort_timestamp;
            // Raw streams may carry no times: frames follow at the frame rate.
            const int64_t at = ts != AV_NOPTS_VALUE ? toMs(ts) : m_lastMs < 0 ? 0 : m_lastMs + frameDurationMs();
            m_lastMs = at;
            if (ms)
                *ms = at;
            return RC_OK;
        }
        if (got == AVERROR_EOF)
            return 1;
        if (got != AVERROR(EAGAIN))
            return RC_ERR_CORRUPT;
        if (m_draining)
            return 1;
        const int read = ffmpeg().av_read_frame(m_input.context(), m_packet);
        if (read < 0) {
            // The end (or a damaged tail): what the decoder holds still comes out.
            m_draining = true;
            ffmpeg().avcodec_send_packet(m_codec, nullptr);
            continue;
        }
        if (m_packet->stream_index == m_stream->index) {
            if ((m_packet->flags & AV_PKT_FLAG_KEY) && m_packet->pts != AV_NOPTS_VALUE && m_packet->dts != AV_NOPTS_VALUE)
                learnKeyLead(m_packet->pts - m_packet->dts);
            const int sent = ffmpeg().avcodec_send_packet(m_codec, m_packet);
            // A damaged packet is skipped; the decoder resumes at the next one.
            if (sent < 0 && sent != AVERROR(EAGAIN) && sent != AVERROR_INVALIDDATA) {
                ffmpeg().av_packet_unref(m_packet);
                return RC_ERR_CORRUPT;
            }
        }
        ffmpeg().av_packet_unref(m_packet);
    }
}

void FrameDecoder::learnKeyLead(int64_t lead)
{
    // No decoder holds back more frames than this: a longer lead is damage,
    // and would stop every seek ahead.
    const int64_t most = ffmpeg().av_rescale_q(kMaxHeldFrames * frameDurationMs(), kMilliseconds, m_stream->time_base);
    if (lead <= most)
        m_keyLead = std::max(m_keyLead, lead);
}

const AVIndexEntry* FrameDecoder::indexEntryBefore(int64_t streamTime) const
{
    const int entry = ffmpeg().av_index_search_timestamp(m_stream, streamTime, AVSEEK_FLAG_BACKWARD);
    return entry >= 0 ? ffmpeg().avformat_index_get_entry(m_stream, entry) : nullptr;
}

bool FrameDecoder::keyframeBefore(int64_t ms, int64_t* at) const
{
    const AVIndexEntry* e = indexEntryBefore(toStreamTime(ms) - m_keyLead);
    if (e && at)
        *at = toMs(e->timestamp + m_keyLead);
    return e != nullptr;
}

int FrameDecoder::seekBefore(int64_t ms)
{
    ms = std::max<int64_t>(ms, 0);
    // By the index where the container has one (or the demuxer has built
    // one while reading); otherwise back to the first byte.
    const bool indexed = indexEntryBefore(toStreamTime(ms)) &&
                         ffmpeg().av_seek_frame(m_input.context(), m_stream->index, toStreamTime(ms), AVSEEK_FLAG_BACKWARD) >= 0;
    if (!indexed && m_input.rewind() != RC_OK)
        return RC_ERR_CORRUPT;
    ffmpeg().avcodec_flush_buffers(m_codec);
    m_draining = false;
    m_lastMs = -1;
    return RC_OK;
}

} // namespace Zelkoran::video
