// FFmpeg's libraries, opened on the first video or sound probe rather than
// linked: they pull in about a hundred more shared libraries, whose loading
// would otherwise slow the start of every program using the engine, most of
// which never touch a video.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace Zelkoran::video {

// Every FFmpeg function the engine calls, with the library exporting it.
#define ZK_FFMPEG_FUNCTIONS(X)                                                                                        \
    X(avutil, av_channel_layout_default)                                                                               \
    X(avutil, av_channel_layout_uninit)                                                                                \
    X(avutil, av_frame_alloc)                                                                                          \
    X(avutil, av_frame_free)                                                                                           \
    X(avutil, av_frame_move_ref)                                                                                       \
    X(avutil, av_frame_unref)                                                                                          \
    X(avutil, av_free)                                                                                                 \
    X(avutil, av_freep)                                                                                                \
    X(avutil, av_get_bytes_per_sample)                                                                                 \
    X(avutil, av_get_pix_fmt_name)                                                                                     \
    X(avutil, av_log_set_level)                                                                                        \
    X(avutil, av_malloc)                                                                                               \
    X(avutil, av_rescale)                                                                                              \
    X(avutil, av_rescale_q)                                                                                            \
    X(avutil, av_strdup)                                                                                               \
    X(avcodec, av_packet_alloc)                                                                                        \
    X(avcodec, av_packet_free)                                                                                         \
    X(avcodec, av_packet_unref)                                                                                        \
    X(avcodec, avcodec_alloc_context3)                                                                                 \
    X(avcodec, avcodec_find_decoder)                                                                                   \
    X(avcodec, avcodec_flush_buffers)                                                                                  \
    X(avcodec, avcodec_free_context)                                                                                   \
    X(avcodec, avcodec_get_name)                                                                                       \
    X(avcodec, avcodec_open2)                                                                                          \
    X(avcodec, avcodec_parameters_to_context)                                                                          \
    X(avcodec, avcodec_receive_frame)                                                                                  \
    X(avcodec, avcodec_send_packet)                                                                                    \
    X(avformat, av_find_best_stream)                                                                                   \
    X(avformat, av_find_input_format)                                                                                  \
    X(avformat, av_index_search_timestamp)                                                                             \
    X(avformat, av_read_frame)                                                                                         \
    X(avformat, av_seek_frame)                                                                                         \
    X(avformat, avformat_alloc_context)                                                                                \
    X(avformat, avformat_close_input)                                                                                  \
    X(avformat, avformat_find_stream_info)                                                                             \
    X(avformat, avformat_index_get_entry)                                                                              \
    X(avformat, avformat_open_input)                                                                                   \
    X(avformat, avformat_seek_file)                                                                                    \
    X(avformat, avio_alloc_context)                                                                                    \
    X(avformat, avio_context_free)                                                                                     \
    X(swscale, sws_freeContext)                                                                                        \
    X(swscale, sws_getCachedContext)                                                                                   \
    X(swscale, sws_scale)                                                                                              \
    X(swresample, swr_alloc_set_opts2)                                                                                 \
    X(swresample, swr_convert)                                                                                         \
    X(swresample, swr_free)                                                                                            \
    X(swresample, swr_get_out_samples)                                                                                 \
    X(swresample, swr_init)

class FfmpegLibrary {
public:
    // The file names of the libraries, by the major versions the engine was
    // built against (their ABI).
    struct Names {
        const char* avutil;
        const char* avcodec;
        const char* avformat;
        const char* swscale;
        const char* swresample;
    };
    static const Names kNames;

    FfmpegLibrary() = default;
    ~FfmpegLibrary();
    FfmpegLibrary(const FfmpegLibrary&) = delete;
    FfmpegLibrary& operator=(const FfmpegLibrary&) = delete;

    // Opens the libraries and resolves every function, all or nothing: on
    // failure every function stays null, nothing stays open, and the
    // returned text says what is missing (null on success).
    const char* open(const Names& names);

    // The engine's copy, opened by the first call from any thread; null
    // (after one log line) when FFmpeg cannot be loaded.
    static const FfmpegLibrary* shared();

#define ZK_FFMPEG_POINTER(lib, name) decltype(&::name) name = nullptr;
    ZK_FFMPEG_FUNCTIONS(ZK_FFMPEG_POINTER)
#undef ZK_FFMPEG_POINTER

private:
    void close();

    void* m_handles[5] = {};
    char m_error[512] = {};
};

// The shared library, for code that only runs once FfmpegLibrary::shared()
// has succeeded: where FFmpeg's objects exist, it was loaded.
inline const FfmpegLibrary& ffmpeg() { return *FfmpegLibrary::shared(); }

} // namespace Zelkoran::video
