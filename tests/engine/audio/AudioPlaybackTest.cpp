// The audio device and playback: the mixer handle, playing, pausing and
// stopping through the manager, the playback position, exports to files,
// names of open tracks.
#include "engine/audio/AudioTestSupport.h"

#include "core/FileIO.h"

namespace audiotest {
namespace {

using testutil::ScratchDir;

TEST_F(AudioTest, TheMixerExistsOnlyWhileAudioIsOpen)
{
    AudioMixer* mixer = config->audioGetMixer();
    EXPECT_NE(mixer, nullptr);
    EXPECT_EQ(config->audioInit(44100, 0x8010, 2), RC_ERR_BUSY);
    config->audioClose();
    EXPECT_EQ(config->audioGetMixer(), nullptr);
    config->audioClose();
    EXPECT_EQ(config->audioInit(0, 0x8010, 2), RC_ERR_INVALID);
    EXPECT_EQ(config->audioInit(44100, 0x1234, 2), RC_ERR_INVALID);
    EXPECT_EQ(config->audioInit(44100, 0x8010, 0), RC_ERR_INVALID);
    EXPECT_EQ(config->audioGetMixer(), nullptr);
    EXPECT_EQ(config->audioInit(22050, 0x8010, 1), 0);
    EXPECT_NE(config->audioGetMixer(), nullptr);
}

// Tracks load while audio is closed; they are decoded for whichever device
// is open when they play.
TEST_F(AudioTest, TracksLoadedWithoutAudioPlayOnceItIsOpen)
{
    tracks->setKeepSourceData(true);
    config->audioClose();
    const int id = loadWav(sineWav(22050, 1, 300), "Early");
    ASSERT_GT(id, 0);
    EXPECT_EQ(info(id).frequencyHz, 22050);
    EXPECT_NEAR(info(id).durationMs, 300, 1);
    EXPECT_EQ(tracks->get(id)->play(0), RC_ERR_IO);
    EXPECT_EQ(tracks->loadFromBuffer("not audio", 9, "junk", "", ATT_SFX), RC_ERR_CORRUPT);

    ASSERT_EQ(config->audioInit(44100, 0x8010, 2), 0);
    EXPECT_EQ(tracks->get(id)->play(0), 0);
    config->audioClose();
    ASSERT_EQ(config->audioInit(48000, 0x8010, 1), 0);
    EXPECT_EQ(tracks->get(id)->play(0), 0) << "decoded again for the new device";
    EXPECT_TRUE(tracks->anyPlaying());
}

TEST_F(AudioTest, PlayPauseResumeAndStopActOnEveryTrack)
{
    const int a = loadWav(sineWav(44100, 2, 3000), "A");
    const int b = loadWav(sineWav(22050, 1, 3000, 660.0), "B");
    AudioTrack* ta = tracks->get(a);
    AudioTrack* tb = tracks->get(b);
    EXPECT_EQ(ta->getPlaybackPosition(), 0);
    EXPECT_EQ(ta->play(-2), RC_ERR_INVALID);
    ASSERT_EQ(ta->play(0), 0);
    ASSERT_EQ(tb->play(0), 0) << "tracks play together";
    EXPECT_TRUE(tracks->anyPlaying());
    ASSERT_TRUE(waitFor([&] { return ta->getPlaybackPosition() > 50 && tb->getPlaybackPosition() > 50; }));

    tracks->pauseAll();
    EXPECT_FALSE(tracks->anyPlaying());
    const int paused = ta->getPlaybackPosition();
    EXPECT_GT(paused, 0) << "a paused track keeps its position";
    SDL_Delay(120);
    EXPECT_EQ(ta->getPlaybackPosition(), paused);
    tracks->resumeAll();
    EXPECT_TRUE(waitFor([&] { return ta->getPlaybackPosition() > paused; }));

    // Playing again starts from the beginning.
    ASSERT_TRUE(waitFor([&] { return tb->getPlaybackPosition() > 400; }));
    const int before = tb->getPlaybackPosition();
    ASSERT_EQ(tb->play(0), 0);
    EXPECT_LT(tb->getPlaybackPosition(), before);

    tracks->stopAll();
    EXPECT_FALSE(tracks->anyPlaying());
    EXPECT_EQ(ta->getPlaybackPosition(), 0);
    EXPECT_EQ(tb->getPlaybackPosition(), 0);
}

TEST_F(AudioTest, ATrackPlayedToItsEndStops)
{
    const int id = loadWav(sineWav(44100, 2, 150), "Short");
    AudioTrack* t = tracks->get(id);
    ASSERT_EQ(t->play(0), 0);
    EXPECT_TRUE(waitFor([&] { return !tracks->anyPlaying(); }));
    EXPECT_EQ(t->getPlaybackPosition(), 0);
    // Closing a playing track stops it first.
    ASSERT_EQ(t->play(-1), 0);
    EXPECT_TRUE(tracks->anyPlaying());
    EXPECT_EQ(tracks->close(id), 0);
    EXPECT_FALSE(tracks->anyPlaying());
    EXPECT_EQ(tracks->get(id), nullptr);
    EXPECT_EQ(tracks->close(id), RC_ERR_NOT_FOUND);
}

TEST_F(AudioTest, NamesOfOpenTracksStayUnique)
{
    const Bytes wav = sineWav(8000, 1, 50);
    const int a = loadWav(wav, "Alpha");
    const int b = loadWav(wav, "Beta");
    EXPECT_EQ(tracks->setName(b, "Alpha"), RC_ERR_EXISTS);
    EXPECT_STREQ(tracks->get(b)->getName(), "Beta");
    EXPECT_EQ(tracks->setName(a, "Alpha"), 0) << "its own name";
    EXPECT_EQ(tracks->setName(b, ""), RC_ERR_INVALID);
    EXPECT_EQ(tracks->setName(b, std::string(64, 'x').c_str()), RC_ERR_INVALID);
    EXPECT_EQ(tracks->setName(b, nullptr), RC_ERR_INVALID);
    EXPECT_EQ(tracks->setName(9999, "Gamma"), RC_ERR_NOT_FOUND);
    EXPECT_EQ(tracks->setName(b, "Gamma"), 0);
    EXPECT_EQ(tracks->setName(a, "Beta"), 0) << "a name frees when its track is renamed";
    tracks->close(b);
    EXPECT_EQ(tracks->setName(a, "Gamma"), 0) << "or closed";
}

TEST_F(AudioTest, SaveToFileWritesPathPlusFormatText)
{
    ScratchDir dir;
    tracks->setKeepSourceData(true);
    const Bytes wav = sineWav(11025, 1, 120);
    const int id = loadWav(wav, "Coin", ATT_SFX, "WAV");
    AudioTrack* t = tracks->get(id);
    ASSERT_EQ(t->saveToFile(dir.file("Coin").c_str()), 0);
    EXPECT_EQ(testutil::readFile(dir.file("Coin.wav")), wav);
    // An existing file is replaced whole, and only once the new one is complete.
    testutil::writeFile(dir.file("Old.wav"), testutil::textBytes("previous contents"));
    Zelkoran::setFaultHook([](Zelkoran::IoOp op, uint64_t, size_t length) -> int64_t {
        return op == Zelkoran::IoOp::Write ? static_cast<int64_t>(length / 2) : 1;
    });
    EXPECT_EQ(t->saveToFile(dir.file("Old").c_str()), RC_ERR_IO);
    Zelkoran::setFaultHook(nullptr);
    EXPECT_EQ(testutil::readFile(dir.file("Old.wav")), testutil::textBytes("previous contents"));
    ASSERT_EQ(t->saveToFile(dir.file("Old").c_str()), 0);
    EXPECT_EQ(testutil::readFile(dir.file("Old.wav")), wav);
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 2u) << "no temporary file is left behind";
    EXPECT_EQ(t->saveToFile(dir.file("no/such/folder/x").c_str()), RC_ERR_IO);
    EXPECT_EQ(t->saveToFile(""), RC_ERR_INVALID);
    EXPECT_EQ(t->saveToFile(nullptr), RC_ERR_INVALID);
}

} // namespace
} // namespace audiotest
