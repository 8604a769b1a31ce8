#include "ffmpeg/FfmpegLibrary.h"

#include <Zelkoran/Log.h>

#include <dlfcn.h>

#include <cstdio>

namespace Zelkoran::video {

namespace {

// Indexes of FfmpegLibrary's handles, named as the libraries in the list of
// functions.
enum Library { avutil, avcodec, avformat, swscale, swresample, kLibraryCount };

template <class Function> bool resolve(void* handle, const char* name, Function& to)
{
    to = reinterpret_cast<Function>(dlsym(handle, name));
    return to != nullptr;
}

} // namespace

const FfmpegLibrary::Names FfmpegLibrary::kNames = {
    "libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR),
    "libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR),
    "libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR),
    "libswscale.so." AV_STRINGIFY(LIBSWSCALE_VERSION_MAJOR),
    "libswresample.so." AV_STRINGIFY(LIBSWRESAMPLE_VERSION_MAJOR),
};

FfmpegLibrary::~FfmpegLibrary() { close(); }

void FfmpegLibrary::close()
{
#define ZK_FFMPEG_FORGET(lib, name) name = nullptr;
    ZK_FFMPEG_FUNCTIONS(ZK_FFMPEG_FORGET)
#undef ZK_FFMPEG_FORGET
    for (void*& handle : m_handles) {
        if (handle)
            dlclose(handle);
        handle = nullptr;
    }
}

const char* FfmpegLibrary::open(const Names& names)
{
    close();
    const char* files[kLibraryCount] = {names.avutil, names.avcodec, names.avformat, names.swscale, names.swresample};
    for (int i = 0; i < kLibraryCount; ++i) {
        m_handles[i] = dlopen(files[i], RTLD_NOW | RTLD_LOCAL);
        if (!m_handles[i]) {
            std::snprintf(m_error, sizeof(m_error), "%s", dlerror());
            close();
            return m_error;
        }
    }
#define ZK_FFMPEG_RESOLVE(lib, name)                                                                                  \
    if (!resolve(m_handles[lib], #name, name)) {                                                                       \
        std::snprintf(m_error, sizeof(m_error), "%s has no %s", files[lib], #name);                                    \
        close();                                                                                                       \
        return m_error;                                                                                                \
    }
    ZK_FFMPEG_FUNCTIONS(ZK_FFMPEG_RESOLVE)
#undef ZK_FFMPEG_RESOLVE
    return nullptr;
}

const FfmpegLibrary* FfmpegLibrary::shared()
{
    // Never closed: threads may still decode while the process exits.
    static const FfmpegLibrary* const library = []() -> const FfmpegLibrary* {
        auto* opened = new FfmpegLibrary;
        if (const char* why = opened->open(kNames)) {
            if (Log* log = LogMgr::current())
                log->msg(2, " [Video] Error: FFmpeg cannot be loaded, so videos and sounds cannot be read: %s\n", why);
            delete opened;
            return nullptr;
        }
        // Failures come back as results; FFmpeg's own messages would only
        // clutter the editor's terminal.
        opened->av_log_set_level(AV_LOG_QUIET);
        return opened;
    }();
    return library;
}

} // namespace Zelkoran::video
