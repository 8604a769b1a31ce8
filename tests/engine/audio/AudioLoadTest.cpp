// Loading audio tracks from bytes and files: the facts getInfo reports,
// format texts, and refusal of input that is not audio.
#include "engine/audio/AudioTestSupport.h"

namespace audiotest {
namespace {

using testutil::randomBytes;
using testutil::ScratchDir;
using testutil::writeFile;

TEST_F(AudioTest, WavFromBufferReportsItsSourceFacts)
{
    const Bytes mono = sineWav(22050, 1, 1500);
    const int id = loadWav(mono, "Coin");
    ASSERT_GT(id, 0);
    EXPECT_STREQ(tracks->get(id)->getName(), "Coin");
    EXPECT_EQ(formatText(id), "wav") << "the export extension, in lower case";
    AudioInfo i = info(id);
    EXPECT_EQ(i.sizeBytes, static_cast<int32_t>(mono.size()));
    EXPECT_EQ(i.frequencyHz, 22050) << "the source's rate, not the device's";
    EXPECT_EQ(i.channels, 1);
    EXPECT_NEAR(i.durationMs, 1500, 1);
    EXPECT_EQ(i.bitRateKbps, static_cast<int32_t>(mono.size() * 8 / static_cast<size_t>(i.durationMs)));

    const Bytes stereo = sineWav(48000, 2, 250);
    const int id2 = loadWav(stereo, "Stereo", ATT_MUSIC, "");
    ASSERT_GT(id2, 0);
    EXPECT_EQ(formatText(id2), "wav") << "guessed from the bytes";
    i = info(id2);
    EXPECT_EQ(i.frequencyHz, 48000);
    EXPECT_EQ(i.channels, 2);
    EXPECT_NEAR(i.durationMs, 250, 1);
    EXPECT_EQ(tracks->get(id2)->getTag(), ATT_MUSIC);
}

TEST_F(AudioTest, BadArgumentsAreRefusedBeforeAnyDecoding)
{
    const Bytes wav = sineWav(8000, 1, 50);
    const std::string longName(64, 'n');
    EXPECT_EQ(tracks->loadFromBuffer(nullptr, 10, "x", "WAV", ATT_SFX), RC_ERR_INVALID);
    EXPECT_EQ(tracks->loadFromBuffer(wav.data(), 0, "x", "WAV", ATT_SFX), RC_ERR_INVALID);
    EXPECT_EQ(loadWav(wav, "x", static_cast<eAudioTrackTag>(0)), RC_ERR_INVALID);
    EXPECT_EQ(loadWav(wav, "x", static_cast<eAudioTrackTag>(5)), RC_ERR_INVALID);
    EXPECT_EQ(loadWav(wav, "x", ATT_SFX, "WAVEFORMX"), RC_ERR_INVALID) << "nine characters";
    EXPECT_EQ(loadWav(wav, "x", ATT_SFX, "w.v"), RC_ERR_INVALID);
    EXPECT_EQ(loadWav(wav, "x", ATT_SFX, nullptr), RC_ERR_INVALID);
    EXPECT_EQ(loadWav(wav, longName.c_str()), RC_ERR_INVALID);
    EXPECT_GT(loadWav(wav, longName.substr(1).c_str()), 0) << "63 characters fit a block name";
    EXPECT_GT(loadWav(wav, "x", ATT_CUSTOM, "Sample08"), 0) << "the legacy field holds eight characters";
    EXPECT_EQ(tracks->loadFromFile(nullptr, "", ATT_SFX, 1, false), RC_ERR_INVALID);
}

// Whatever the bytes, a load gives a track or a negative code; bytes that
// are not audio are refused.
TEST_F(AudioTest, GarbageIsRefusedAndDamagedSourcesNeverCrash)
{
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        const Bytes junk = randomBytes(1 + seed * 397 % 6000, seed);
        for (const char* format : {"", "WAV", "OGG", "MP3", "MOD", "XM"})
            EXPECT_EQ(loadWav(junk, "junk", ATT_SFX, format), RC_ERR_CORRUPT) << "seed " << seed << " " << format;
    }
    // A refused load leaves nothing of SDL's behind (the loads above made
    // what SDL keeps for good), a text no decoder takes on included.
    const int allocated = SDL_GetNumAllocations();
    for (const Bytes& junk : {randomBytes(700, 5), testutil::textBytes("not audio")})
        for (const char* format : {"", "WAV"})
            EXPECT_EQ(loadWav(junk, "junk", ATT_SFX, format), RC_ERR_CORRUPT);
    EXPECT_EQ(SDL_GetNumAllocations(), allocated) << "SDL allocations held after refused loads";

    const Bytes wav = sineWav(11025, 1, 200);
    Bytes headerOnly(wav.begin(), wav.begin() + 30);
    EXPECT_EQ(loadWav(headerOnly, "cut"), RC_ERR_CORRUPT);
    Bytes badFmt = wav;
    std::fill(badFmt.begin() + 20, badFmt.begin() + 36, uint8_t{0xEE});
    EXPECT_EQ(loadWav(badFmt, "fmt"), RC_ERR_CORRUPT);

    // Damaged copies of a real source: each either loads with sane facts
    // and plays, or is refused.
    std::mt19937 gen(7);
    int refused = 0;
    for (int round = 0; round < 150; ++round) {
        Bytes damaged = wav;
        const int hits = 1 + round % 8;
        for (int h = 0; h < hits; ++h)
            damaged[gen() % 64] = static_cast<uint8_t>(gen());
        if (round % 3 == 0)
            damaged.resize(gen() % damaged.size() + 1);
        const int id = loadWav(damaged, "damaged");
        if (id < 0) {
            EXPECT_TRUE(id == RC_ERR_CORRUPT || id == RC_ERR_INVALID) << id;
            ++refused;
            continue;
        }
        const AudioInfo i = info(id);
        EXPECT_GE(i.durationMs, 0);
        EXPECT_GE(i.channels, 0);
        tracks->get(id)->play(0);
        EXPECT_EQ(tracks->close(id), 0);
    }
    EXPECT_GT(refused, 0);
}

TEST_F(AudioTest, FilesTakeTheirFormatTextFromTheExtension)
{
    ScratchDir dir;
    const Bytes wav = sineWav(22050, 2, 300);
    writeFile(dir.file("Coin.WAV"), wav);
    writeFile(dir.file("coin.snd"), wav);
    writeFile(dir.file("coin"), wav);
    writeFile(dir.file("empty.wav"), {});
    const int a = tracks->loadFromFile(dir.file("Coin.WAV").c_str(), "", ATT_SFX, 1, false);
    const int b = tracks->loadFromFile(dir.file("Coin.WAV").c_str(), "", ATT_MUSIC, 1, false);
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0) << "several unnamed tracks may be open";
    EXPECT_STREQ(tracks->get(a)->getName(), "");
    EXPECT_EQ(formatText(a), "wav");
    EXPECT_EQ(info(a).channels, 2);
    EXPECT_EQ(tracks->get(b)->getTag(), ATT_MUSIC);
    const int c = tracks->loadFromFile(dir.file("coin").c_str(), "Coin", ATT_SFX, 1, false);
    ASSERT_GT(c, 0);
    EXPECT_EQ(formatText(c), "wav") << "no extension: guessed from the bytes";
    const int d = tracks->loadFromFile(dir.file("coin.snd").c_str(), "Coin", ATT_SFX, 1, false);
    ASSERT_GT(d, 0);
    EXPECT_EQ(formatText(d), "snd") << "exported under the name it came with";
    EXPECT_EQ(tracks->loadFromFile(dir.file("none.wav").c_str(), "", ATT_SFX, 1, false), RC_ERR_NOT_FOUND);
    EXPECT_EQ(tracks->loadFromFile(dir.path().string().c_str(), "", ATT_SFX, 1, false), RC_ERR_NOT_FOUND);
    EXPECT_EQ(tracks->loadFromFile(dir.file("empty.wav").c_str(), "", ATT_SFX, 1, false), RC_ERR_CORRUPT);
}

// Compressed formats and tracker modules from the project's sample data.
TEST_F(AudioTest, SampleFormatsLoadWithTheirFacts)
{
    struct Case {
        const char* file;
        const char* format;
        int frequency, channels, durationMs; // 0: not checked
    };
    const Case cases[] = {
        {"raylib-target.ogg", "ogg", 22050, 2, 2000},
        {"raylib-target.flac", "flac", 22050, 2, 2000},
        {"raylib-country.mp3", "mp3", 44100, 2, 0},
        {"sdl-sword.wav", "wav", 44100, 1, 1035},
        {"openmpt-test.xm", "xm", 0, 0, 0},
        {"openmpt-test.mod", "mod", 0, 0, 0},
    };
    int seen = 0;
    for (const Case& c : cases) {
        const std::string path = sample(c.file);
        if (path.empty())
            continue;
        ++seen;
        const int id = tracks->loadFromFile(path.c_str(), "", ATT_MUSIC, 1, false);
        ASSERT_GT(id, 0) << c.file;
        EXPECT_EQ(formatText(id), c.format) << c.file;
        const AudioInfo i = info(id);
        EXPECT_EQ(i.sizeBytes, static_cast<int32_t>(std::filesystem::file_size(path))) << c.file;
        EXPECT_GT(i.durationMs, 0) << c.file;
        EXPECT_GT(i.bitRateKbps, 0) << c.file;
        if (c.frequency) {
            EXPECT_EQ(i.frequencyHz, c.frequency) << c.file;
            EXPECT_EQ(i.channels, c.channels) << c.file;
        }
        if (c.durationMs) {
            EXPECT_NEAR(i.durationMs, c.durationMs, 2) << c.file;
        }
        EXPECT_EQ(tracks->get(id)->play(0), 0) << c.file;
        tracks->stopAll();
        // The same bytes without their format text are recognised too.
        const Bytes bytes = testutil::readFile(path);
        const int again = loadWav(bytes, "again", ATT_MUSIC, "");
        EXPECT_GT(again, 0) << c.file;
    }
    if (seen == 0)
        GTEST_SKIP() << "no sample data (SKARDEN_SAMPLES)";
}

} // namespace
} // namespace audiotest
