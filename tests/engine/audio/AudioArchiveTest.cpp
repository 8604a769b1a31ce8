// Audio tracks in archives: the "ZK7_AUDIOTRACK" block layout, byte-exact
// round trips, the archive's codes passed on, damaged blocks, deletion.
#include "engine/audio/AudioTestSupport.h"

#include <Zelkoran/Archive.h>

namespace audiotest {
namespace {

using testutil::ScratchDir;

constexpr const char* kType = "ZK7_AUDIOTRACK";

class AudioArchive : public AudioTest {
protected:
    void SetUp() override
    {
        AudioTest::SetUp();
        tracks->setKeepSourceData(true);
        archiveId = main->archiveMgr()->create(dir.file("a.qel").c_str(), 0);
        ASSERT_GT(archiveId, 0);
        archive = main->archiveMgr()->get(archiveId);
    }
    Bytes block(const char* name)
    {
        Bytes out;
        EXPECT_EQ(testutil::load(archive, name, kType, out), 0) << name;
        return out;
    }

    ScratchDir dir;
    int archiveId = 0;
    Archive* archive = nullptr;
};

uint64_t le(const Bytes& b, size_t at, int n)
{
    uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = v << 8 | b[at + i];
    return v;
}

TEST_F(AudioArchive, SavedBlockHoldsTheHeaderAndTheSourceUnchanged)
{
    const Bytes wav = sineWav(22050, 1, 400);
    const int id = loadWav(wav, "Coin", ATT_SFX, "WAV");
    ASSERT_GT(id, 0);
    ASSERT_EQ(tracks->get(id)->save(archiveId, ""), 0);
    const Bytes b = block("Coin");
    ASSERT_EQ(b.size(), 32 + wav.size());
    EXPECT_EQ(std::string(b.begin(), b.begin() + 8), "ZK7AUDIO");
    EXPECT_EQ(le(b, 8, 2), 1u) << "version";
    EXPECT_EQ(le(b, 10, 2), 32u) << "header size";
    EXPECT_EQ(le(b, 12, 4), static_cast<uint64_t>(ATT_SFX));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[16])), "wav");
    EXPECT_EQ(le(b, 24, 8), wav.size());
    EXPECT_TRUE(std::equal(wav.begin(), wav.end(), b.begin() + 32));

    // Loaded back: same name, tag, format and bytes, whichever name it is
    // saved under next.
    const int back = tracks->load(archiveId, "Coin", false);
    ASSERT_GT(back, 0);
    AudioTrack* t = tracks->get(back);
    EXPECT_STREQ(t->getName(), "Coin");
    EXPECT_EQ(t->getTag(), ATT_SFX);
    EXPECT_EQ(formatText(back), "wav");
    EXPECT_EQ(info(back).frequencyHz, 22050);
    ASSERT_EQ(t->save(archiveId, "Copy"), 0);
    EXPECT_STREQ(t->getName(), "Coin") << "saving under another name does not rename";
    EXPECT_EQ(block("Copy"), b);
    ASSERT_EQ(t->saveToFile(dir.file("exported").c_str()), 0);
    EXPECT_EQ(testutil::readFile(dir.file("exported.wav")), wav);
}

TEST_F(AudioArchive, TagsRoundTripAndBadTagsAreRefused)
{
    const Bytes wav = sineWav(8000, 1, 100);
    for (eAudioTrackTag tag : {ATT_MUSIC, ATT_SFX, ATT_VOICE, ATT_CUSTOM}) {
        const int id = loadWav(wav, "Tagged", ATT_MUSIC);
        ASSERT_GT(id, 0);
        ASSERT_EQ(tracks->get(id)->setTag(tag), 0);
        ASSERT_EQ(tracks->get(id)->save(archiveId, ""), 0);
        tracks->close(id);
        const int back = tracks->load(archiveId, "Tagged", false);
        ASSERT_GT(back, 0);
        EXPECT_EQ(tracks->get(back)->getTag(), tag);
        tracks->close(back);
    }
    const int id = loadWav(wav, "Tagged");
    EXPECT_EQ(tracks->get(id)->setTag(static_cast<eAudioTrackTag>(7)), RC_ERR_INVALID);
    EXPECT_EQ(tracks->get(id)->getTag(), ATT_SFX);
}

TEST_F(AudioArchive, SaveNeedsANameTheSourceAndRoom)
{
    const Bytes wav = sineWav(8000, 1, 100);
    const int unnamed = loadWav(wav, "");
    EXPECT_EQ(tracks->get(unnamed)->save(archiveId, ""), RC_ERR_INVALID);
    EXPECT_EQ(tracks->get(unnamed)->save(archiveId, "Given"), 0);
    EXPECT_EQ(tracks->get(unnamed)->save(archiveId + 100, "Given"), RC_ERR_NOT_FOUND);
    EXPECT_EQ(tracks->load(archiveId + 100, "Given", false), RC_ERR_NOT_FOUND);
    EXPECT_EQ(tracks->remove(archiveId + 100, "Given"), RC_ERR_NOT_FOUND);

    // Without kept source bytes there is nothing to save or export.
    tracks->setKeepSourceData(false);
    const int decodedOnly = loadWav(wav, "Decoded");
    ASSERT_GT(decodedOnly, 0);
    EXPECT_EQ(tracks->get(decodedOnly)->save(archiveId, ""), RC_ERR_INVALID);
    EXPECT_EQ(tracks->get(decodedOnly)->saveToFile(dir.file("x").c_str()), RC_ERR_INVALID);
    EXPECT_EQ(tracks->get(decodedOnly)->play(0), 0) << "the decoded sound still plays";
    EXPECT_NEAR(info(decodedOnly).durationMs, 100, 1);

    // A full archive answers -72, which reaches the caller unchanged.
    const int full = main->archiveMgr()->create(dir.file("full.qel").c_str(), 1);
    ASSERT_GT(full, 0);
    ASSERT_EQ(tracks->get(unnamed)->save(full, "First"), 0);
    EXPECT_EQ(tracks->get(unnamed)->save(full, "Second"), RC_ERR_NO_SLOT);
}

TEST_F(AudioArchive, EncryptedBlocksNeedTheKey)
{
    const Bytes wav = sineWav(8000, 1, 100);
    const int id = loadWav(wav, "");
    ASSERT_EQ(tracks->get(id)->save(archiveId, "Plain"), 0);
    ASSERT_EQ(archive->setKey("secret", 6), 0);
    Bytes b = block("Plain");
    ASSERT_EQ(testutil::add(archive, "Secret", kType, b, Archive::ST_ENCRYPTED), 0);
    const std::string path = archive->getName();
    ASSERT_EQ(main->archiveMgr()->close(archiveId), 0);
    archiveId = main->archiveMgr()->load(path.c_str(), nullptr, 0);
    ASSERT_GT(archiveId, 0);
    EXPECT_EQ(tracks->load(archiveId, "Secret", false), RC_ERR_KEY);
    EXPECT_GT(tracks->load(archiveId, "Plain", false), 0);
}

TEST_F(AudioArchive, DamagedBlocksAreRefused)
{
    const Bytes wav = sineWav(8000, 1, 100);
    ASSERT_EQ(tracks->get(loadWav(wav, "Good"))->save(archiveId, ""), 0);
    const Bytes good = block("Good");
    auto refused = [&](const char* what, Bytes damaged) {
        ASSERT_EQ(testutil::add(archive, "Bad", kType, damaged), 0);
        EXPECT_EQ(tracks->load(archiveId, "Bad", false), RC_ERR_CORRUPT) << what;
    };
    Bytes b = good;
    b[0] = 'X';
    refused("magic", b);
    b = good;
    b[8] = 2;
    refused("version", b);
    b = good;
    b[12] = 9;
    refused("tag", b);
    b = good;
    b[20] = 'x';
    refused("format text with a gap", b);
    b = good;
    b[16] = '.';
    refused("format text", b);
    b = good;
    b.pop_back();
    refused("source size", b);
    refused("header only", Bytes(good.begin(), good.begin() + 20));
    b = good;
    std::fill(b.begin() + 32, b.end(), uint8_t{0x5A});
    refused("not audio", b);
    EXPECT_EQ(tracks->load(archiveId, "Missing", false), RC_ERR_NOT_FOUND);
    EXPECT_EQ(tracks->load(archiveId, "", false), RC_ERR_NOT_FOUND);
}

TEST_F(AudioArchive, RemoveDeletesTheBlock)
{
    const int id = loadWav(sineWav(8000, 1, 100), "Gone");
    ASSERT_EQ(tracks->get(id)->save(archiveId, ""), 0);
    const int other = testutil::add(archive, "Gone", "ZK7_FILE", testutil::textBytes("same name, other type"));
    ASSERT_EQ(other, 0);
    EXPECT_EQ(tracks->remove(archiveId, "Gone"), 0);
    EXPECT_EQ(tracks->load(archiveId, "Gone", false), RC_ERR_NOT_FOUND);
    EXPECT_EQ(tracks->remove(archiveId, "Gone"), RC_ERR_NOT_FOUND);
    Bytes file;
    EXPECT_EQ(testutil::load(archive, "Gone", "ZK7_FILE", file), 0) << "only the audio block goes";
    EXPECT_NE(tracks->get(id), nullptr) << "the open track stays";
}

} // namespace
} // namespace audiotest
