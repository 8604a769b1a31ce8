#include "video/VideoSound.h"

#include "audio/AudioMixer.h"
#include "ffmpeg/FfmpegLibrary.h"

#include <Zelkoran/Result.h>

#include <new>

namespace Zelkoran::video {

namespace {

AVSampleFormat sampleFormatOf(uint16_t sdlFormat)
{
    switch (sdlFormat) {
    case AUDIO_U8: return AV_SAMPLE_FMT_U8;
    case AUDIO_S16SYS: return AV_SAMPLE_FMT_S16;
    case AUDIO_S32SYS: return AV_SAMPLE_FMT_S32;
    case AUDIO_F32SYS: return AV_SAMPLE_FMT_FLT;
    default: return AV_SAMPLE_FMT_NONE;
    }
}

// The whole sound track of an opened input, resampled into pcm.
class SoundDecoder {
public:
    ~SoundDecoder()
    {
        ffmpeg().swr_free(&m_swr);
        ffmpeg().av_frame_free(&m_frame);
        ffmpeg().av_packet_free(&m_packet);
        ffmpeg().avcodec_free_context(&m_codec);
    }

    int run(AVFormatContext* format, const AudioMixer& mixer, AVSampleFormat outFormat, Vector<uint8_t>& pcm)
    {
        const AVCodec* decoder = nullptr;
        const int index = ffmpeg().av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (index < 0 || !decoder)
            return 1;
        const AVStream* stream = format->streams[index];
        m_codec = ffmpeg().avcodec_alloc_context3(decoder);
        m_packet = ffmpeg().av_packet_alloc();
        m_frame = ffmpeg().av_frame_alloc();
        if (!m_codec || !m_packet || !m_frame)
            return RC_ERR_NO_MEMORY;
        if (ffmpeg().avcodec_parameters_to_context(m_codec, stream->codecpar) < 0 || ffmpeg().avcodec_open2(m_codec, decoder, nullptr) < 0)
            return RC_ERR_CORRUPT;
        AVChannelLayout outLayout;
        ffmpeg().av_channel_layout_default(&outLayout, mixer.channels);
        const int made = ffmpeg().swr_alloc_set_opts2(&m_swr, &outLayout, outFormat, mixer.frequency, &m_codec->ch_layout,
                                             m_codec->sample_fmt, m_codec->sample_rate, 0, nullptr);
        ffmpeg().av_channel_layout_uninit(&outLayout);
        if (made < 0 || ffmpeg().swr_init(m_swr) < 0)
            return RC_ERR_CORRUPT;
        m_outFrameBytes = ffmpeg().av_get_bytes_per_sample(outFormat) * mixer.channels;
        while (ffmpeg().av_read_frame(format, m_packet) >= 0) {
            if (m_packet->stream_index == index && ffmpeg().avcodec_send_packet(m_codec, m_packet) >= 0)
                if (const int rc = drain(pcm); rc != RC_OK) {
                    ffmpeg().av_packet_unref(m_packet);
                    return rc;
                }
            ffmpeg().av_packet_unref(m_packet);
        }
        ffmpeg().avcodec_send_packet(m_codec, nullptr);
        if (const int rc = drain(pcm); rc != RC_OK)
            return rc;
        return append(nullptr, 0, pcm);
    }

private:
    int drain(Vector<uint8_t>& pcm)
    {
        while (ffmpeg().avcodec_receive_frame(m_codec, m_frame) == 0) {
            const int rc = append(const_cast<const uint8_t**>(m_frame->extended_data), m_frame->nb_samples, pcm);
            ffmpeg().av_frame_unref(m_frame);
            if (rc != RC_OK)
                return rc;
        }
        return RC_OK;
    }

    // Converts samples (null flushes the resampler) onto the end of pcm.
    int append(const uint8_t** in, int samples, Vector<uint8_t>& pcm)
    {
        const int room = ffmpeg().swr_get_out_samples(m_swr, samples);
        if (room <= 0)
            return RC_OK;
        const size_t at = pcm.size();
        try {
            pcm.resize(at + static_cast<size_t>(room) * static_cast<size_t>(m_outFrameBytes));
        } catch (const std::bad_alloc&) {
            return RC_ERR_NO_MEMORY;
        }
        uint8_t* out = pcm.data() + at;
        const int done = ffmpeg().swr_convert(m_swr, &out, room, in, samples);
        pcm.resize(at + static_cast<size_t>(done > 0 ? done : 0) * static_cast<size_t>(m_outFrameBytes));
        return RC_OK;
    }

    AVCodecContext* m_codec = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    SwrContext* m_swr = nullptr;
    int m_outFrameBytes = 0;
};

} // namespace

VideoSound::~VideoSound() { release(); }

int VideoSound::prepare(const SharedBytes& bytes)
{
    const AudioMixer* mixer = currentMixer();
    if (!mixer)
        return 1;
    if (m_generation == mixer->generation)
        return m_pcm.empty() ? 1 : RC_OK;
    release();
    const AVSampleFormat format = sampleFormatOf(mixer->format);
    if (format == AV_SAMPLE_FMT_NONE)
        return RC_ERR_IO;
    MediaInput input;
    if (const int rc = input.open(bytes); rc != RC_OK)
        return rc;
    SoundDecoder decoder;
    const int rc = decoder.run(input.context(), *mixer, format, m_pcm);
    if (rc < 0) {
        m_pcm = Vector<uint8_t>();
        return rc;
    }
    m_generation = mixer->generation;
    m_bytesPerSecond = mixer->bytesPerSecond();
    m_frameBytes = ffmpeg().av_get_bytes_per_sample(format) * mixer->channels;
    return m_pcm.empty() ? 1 : RC_OK;
}

bool VideoSound::isOnChannel() const
{
    const AudioMixer* mixer = currentMixer();
    return mixer && mixer->generation == m_generation && m_channel.holds(&m_chunk);
}

int VideoSound::playFrom(int64_t ms)
{
    stop();
    if (m_pcm.empty() || m_bytesPerSecond <= 0)
        return RC_OK;
    const int64_t frames = ms * (m_bytesPerSecond / m_frameBytes) / 1000;
    const auto offset = static_cast<size_t>(frames) * static_cast<size_t>(m_frameBytes);
    m_startMs = ms;
    m_channel.resetCount();
    if (ms < 0 || offset >= m_pcm.size())
        return RC_OK;
    // The chunk points into the kept samples: nothing is copied to start
    // part-way, and SDL_mixer frees no buffer it did not allocate.
    m_chunk.allocated = 0;
    m_chunk.abuf = m_pcm.data() + offset;
    m_chunk.alen = static_cast<Uint32>(m_pcm.size() - offset);
    m_chunk.volume = MIX_MAX_VOLUME;
    return m_channel.play(&m_chunk, 0);
}

void VideoSound::pause()
{
    if (isOnChannel())
        m_channel.pause();
}

void VideoSound::resume()
{
    if (isOnChannel())
        m_channel.resume();
}

void VideoSound::stop() { m_channel.stop(isOnChannel()); }

bool VideoSound::isSounding() const { return isOnChannel() && !m_channel.isPaused(); }

int64_t VideoSound::positionMs() const
{
    if (m_bytesPerSecond <= 0)
        return m_startMs;
    return m_startMs + static_cast<int64_t>(m_channel.mixedBytes() * 1000 /
                                            static_cast<uint64_t>(m_bytesPerSecond));
}

void VideoSound::release()
{
    stop();
    m_pcm = Vector<uint8_t>();
    m_generation = 0;
}

} // namespace Zelkoran::video
