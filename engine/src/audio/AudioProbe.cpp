#include "audio/AudioProbe.h"

#include "audio/AudioFormat.h"
#include "audio/MemoryReader.h"
#include "ffmpeg/FfmpegLibrary.h"

#include <algorithm>
#include <limits>

namespace Zelkoran::audio {

namespace {

constexpr int kIoBufferSize = 16 * 1024;

int32_t clampToInt32(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, 0, std::numeric_limits<int32_t>::max()));
}

// Opens the input with the demuxer format (null = probe the content), reads
// the stream facts. The caller's context is freed here.
bool readFacts(MemoryReader& in, const AVInputFormat* format, AudioFacts& out)
{
    AVIOContext* io = in.newIo(kIoBufferSize);
    if (!io)
        return false;
    bool ok = false;
    AVFormatContext* ctx = video::ffmpeg().avformat_alloc_context();
    if (ctx) {
        ctx->pb = io;
        ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
        // On failure avformat_open_input frees the context itself.
        if (video::ffmpeg().avformat_open_input(&ctx, nullptr, format, nullptr) == 0) {
            if (video::ffmpeg().avformat_find_stream_info(ctx, nullptr) >= 0) {
                const int s = video::ffmpeg().av_find_best_stream(ctx, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
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
            video::ffmpeg().avformat_close_input(&ctx);
        }
    }
    MemoryReader::freeIo(io);
    return ok;
}

} // namespace

bool probeAudio(const uint8_t* data, size_t size, const String& formatText, AudioFacts& out)
{
    if (!data || size == 0 || !video::FfmpegLibrary::shared())
        return false;
    out = AudioFacts{};
    // Old modules have no signature to probe for: the module reader is asked
    // first, and checks the bytes itself.
    if (isTrackerModule(formatText)) {
        if (const AVInputFormat* modules = video::ffmpeg().av_find_input_format("libopenmpt")) {
            MemoryReader in{data, size};
            if (readFacts(in, modules, out))
                return true;
        }
    }
    MemoryReader in{data, size};
    return readFacts(in, nullptr, out);
}

} // namespace Zelkoran::audio
