// Shared set-up of the audio tests: an engine with the audio device open on
// SDL's dummy driver, WAV sources written here, and the sample files.
#pragma once

#include "engine/archive/ArchiveTestUtil.h"

#include <Zelkoran/AudioTrack.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numbers>
#include <string>

namespace audiotest {

using namespace Zelkoran;
using testutil::Bytes;

// A 16-bit PCM WAV of a sine tone, RIFF header written out field by field.
inline Bytes sineWav(int rate, int channels, int ms, double hz = 440.0)
{
    const uint32_t frames = static_cast<uint32_t>(int64_t{rate} * ms / 1000);
    const uint32_t dataSize = frames * static_cast<uint32_t>(channels) * 2;
    Bytes out(44 + dataSize);
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            out[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    std::memcpy(&out[0], "RIFF", 4);
    put(4, 36 + dataSize, 4);
    std::memcpy(&out[8], "WAVEfmt ", 8);
    put(16, 16, 4);                                   // fmt chunk size
    put(20, 1, 2);                                    // PCM
    put(22, static_cast<uint32_t>(channels), 2);
    put(24, static_cast<uint32_t>(rate), 4);
    put(28, static_cast<uint32_t>(rate * channels * 2), 4); // bytes per second
    put(32, static_cast<uint32_t>(channels * 2), 2);  // block align
    put(34, 16, 2);                                   // bits per sample
    std::memcpy(&out[36], "data", 4);
    put(40, dataSize, 4);
    for (uint32_t f = 0; f < frames; ++f) {
        const auto v = static_cast<int16_t>(12000 * std::sin(2 * std::numbers::pi * hz * f / rate));
        for (int c = 0; c < channels; ++c)
            put(44 + (size_t{f} * channels + c) * 2, static_cast<uint16_t>(v), 2);
    }
    return out;
}

// A sample file of the project's test data, "" when the data is not there.
inline std::string sample(const char* name)
{
    const char* dir = std::getenv("SKARDEN_SAMPLES");
    if (!dir)
        return {};
    const std::string path = std::string(dir) + "/audio/" + name;
    return std::filesystem::exists(path) ? path : std::string();
}

// Polls until done() holds or ms pass; whether it held.
inline bool waitFor(const std::function<bool()>& done, int ms = 3000)
{
    const uint64_t end = SDL_GetTicks64() + static_cast<uint64_t>(ms);
    while (!done()) {
        if (SDL_GetTicks64() > end)
            return false;
        SDL_Delay(5);
    }
    return true;
}

class AudioTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        main = Main::instance();
        config = main->configMgr();
        ASSERT_EQ(config->audioInit(44100, 0x8010, 2), 0) << SDL_GetError();
        tracks = main->audioTrackMgr();
        ASSERT_NE(tracks, nullptr);
    }
    void TearDown() override { Main::terminate(); }

    int loadWav(const Bytes& wav, const char* name, eAudioTrackTag tag = ATT_SFX, const char* format = "WAV")
    {
        return tracks->loadFromBuffer(wav.data(), wav.size(), name, format, tag);
    }
    AudioInfo info(int id)
    {
        AudioInfo i;
        EXPECT_EQ(tracks->get(id)->getInfo(nullptr, &i), 0);
        return i;
    }
    std::string formatText(int id)
    {
        String text;
        tracks->get(id)->getInfo(&text, nullptr);
        return std::string(text.c_str());
    }

    Main* main = nullptr;
    ConfigMgr* config = nullptr;
    AudioTrackMgr* tracks = nullptr;
};

} // namespace audiotest
