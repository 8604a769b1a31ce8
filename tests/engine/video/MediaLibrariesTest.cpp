// FFmpeg and SDL2_mixer opened on first use: all or nothing, and never by
// a program that only draws a map.
#include "support/TestFolder.h"

#include "audio/MixerLibrary.h"
#include "ffmpeg/FfmpegLibrary.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

using Zelkoran::audio::MixerLibrary;
using Zelkoran::video::FfmpegLibrary;

TEST(FfmpegLibraryTest, OpensEveryFunctionOrNone)
{
    const FfmpegLibrary::Names real = FfmpegLibrary::kNames;
    FfmpegLibrary::Names noFile = real, noFunction = real;
    noFile.swscale = "libzk-missing.so.0";
    noFunction.swresample = real.avutil; // opens, but has none of swr_*
    const struct {
        const FfmpegLibrary::Names* names;
        const char* error; // part of the error text; null: opens
    } cases[] = {{&real, nullptr}, {&noFile, "libzk-missing.so.0"}, {&noFunction, "has no swr_"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error ? c.error : "opens");
        FfmpegLibrary library;
        const char* error = library.open(*c.names);
        if (!c.error) {
            EXPECT_EQ(error, nullptr) << error;
            EXPECT_TRUE(library.av_frame_alloc && library.avformat_open_input && library.swr_init);
            continue;
        }
        ASSERT_NE(error, nullptr);
        EXPECT_NE(std::string(error).find(c.error), std::string::npos) << error;
        // The libraries opened before the failure leave nothing callable.
        EXPECT_FALSE(library.av_frame_alloc || library.avcodec_open2 || library.avformat_open_input ||
                     library.sws_scale);
    }
}

TEST(MixerLibraryTest, OpensEveryFunctionOrNone)
{
    MixerLibrary library;
    EXPECT_EQ(library.open(MixerLibrary::kName), nullptr);
    EXPECT_TRUE(library.Mix_OpenAudio && library.Mix_PlayChannelTimed);
    // SDL2 itself opens, but has none of Mix_*.
    const char* error = library.open("libSDL2-2.0.so.0");
    ASSERT_NE(error, nullptr);
    EXPECT_NE(std::string(error).find("has no Mix_"), std::string::npos) << error;
    EXPECT_FALSE(library.Mix_AllocateChannels || library.Mix_OpenAudio);
}

TEST(MediaLibrariesTest, DrawingAMapLoadsNone)
{
    TestFolder folder;
    const std::string map = folder.path("one.tmx"), out = folder.path("one.png");
    std::ofstream(map) << "<?xml version=\"1.0\"?>\n<map version=\"1.10\" orientation=\"orthogonal\" width=\"1\" "
                          "height=\"1\" tilewidth=\"16\" tileheight=\"16\"><layer id=\"1\" name=\"l\" width=\"1\" "
                          "height=\"1\"><data encoding=\"csv\">0</data></layer></map>\n";
    // The loader names every library it opens, and which it opens at run
    // time: a build may link more at start (a sanitizer build does).
    const std::string command = "LD_DEBUG=files '" SKARDEN_SCENE_RENDER "' '" + map + "' '" + out + "' 2>&1";
    std::string log;
    FILE* p = popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof(buffer), p)) > 0;)
        log.append(buffer, n);
    ASSERT_EQ(pclose(p), 0) << log;
    ASSERT_NE(log.find("libZelkoran"), std::string::npos) << "no loader log";
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("dynamically loaded by") == std::string::npos)
            continue;
        for (const char* library : {"libavformat", "libavcodec", "libSDL2_mixer"}) {
            EXPECT_EQ(line.find(library), std::string::npos) << line;
        }
    }
}

} // namespace
