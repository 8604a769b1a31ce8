#include "audio/AudioProbe.h"

#include "audio/AudioFormat.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <algorithm>
#include <cstring>
#include <limits>

namespace Zelkoran::audio {

namespace {

constexpr int kIoBufferSize = 16 * 1024;

// The bytes as an FFmpeg input.
struct MemoryInput {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;

    static int read(void* opaque, uint8_t* buffer, int length)
    {
        auto* in = static_cast<MemoryInput*>(opaque);
        const size_t n = std::min(in->size - in->pos, static_cast<size_t>(std::max(length, 0)));
        if (n == 0)
            return AVERROR_EOF;
        std::memcpy(buffer, in->data + in->pos, n);
        in->pos += n;
        return static_cast<int>(n);
    }

    static int64_t seek(void* opaque, int64_t offset, int whence)
    {
        auto* in = static_cast<MemoryInput*>(opaque);
        if (whence & AVSEEK_SIZE)
            return static_cast<int64_t>(in->size);
        int64_t base = 0;
        switch (whence & ~AVSEEK_FORCE) {
        case SEEK_SET: base = 0; break;
        case SEEK_CUR: base = static_cast<int64_t>(in->pos); break;
        case SEEK_END: base = static_cast<int64_t>(in->size); break;
        default: return AVERROR(EINVAL);
        }
        if (offset > static_cast<int64_t>(in->size) - base || offset < -base)
            return AVERROR(EINVAL);
        in->pos = static_cast<size_t>(base + offset);
        return static_cast<int64_t>(in->pos);
    }
};

int32_t clampToInt32(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, 0, std::numeric_limits<int32_t>::max()));
}

// Opens the input with the demuxer format (null = probe the content), reads
// the stream facts. The caller's context is freed here.
bool readFacts(MemoryInput& in, const AVInputFormat* format, AudioFacts& out)
{
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
    if (!buffer)
        return false;
    AVIOContext* io = avio_alloc_context(buffer, kIoBufferSize, 0, &in, &MemoryInput::read, nullptr,
                                         &MemoryInput::seek);
    if (!io) {
        av_free(buffer);
        return false;
    }
    bool ok = false;
    AVFormatContext* ctx = avformat_alloc_context();
    if (ctx) {
        ctx->pb = io;
        ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
        // On failure avformat_open_input frees the context itself.
        if (avformat_open_input(&ctx, nullptr, format, nullptr) == 0) {
            if (avformat_find_stream_info(ctx, nullptr) >= 0) {
                const int s = av_find_best_stream(ctx, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
                if (s >= 0) {
                    const AVCodecParameters* par = ctx->streams[s]->codecpar;
                    if (par->sample_rate > 0 && par->ch_layout.nb_channels > 0) {
                        out.formatText = formatTextOfDemuxer(ctx->iformat->name);
                        out.frequencyHz = par->sample_rate;
                        out.channels = par->ch_layout.nb_channels;
                        out.durationMs = ctx->duration > 0 ? clampToInt32(ctx->duration / (AV_TIME_BASE / 1000)) : 0;
                        out.bitRateKbps = clampToInt32(ctx->bit_rate / 1000);
                        ok = true;
                    }
                }
            }
            avformat_close_input(&ctx);
        }
    }
    av_freep(&io->buffer);
    avio_context_free(&io);
    return ok;
}

} // namespace

bool probeAudio(const uint8_t* data, size_t size, const String& formatText, AudioFacts& out)
{
    if (!data || size == 0)
        return false;
    // Failures come back as results; FFmpeg's own messages would only
    // clutter the editor's terminal.
    av_log_set_level(AV_LOG_QUIET);
    out = AudioFacts{};
    // Old modules have no signature to probe for: the module reader is asked
    // first, and checks the bytes itself.
    if (isTrackerModule(formatText)) {
        if (const AVInputFormat* modules = av_find_input_format("libopenmpt")) {
            MemoryInput in{data, size};
            if (readFacts(in, modules, out))
                return true;
        }
    }
    MemoryInput in{data, size};
    return readFacts(in, nullptr, out);
}

} // namespace Zelkoran::audio
