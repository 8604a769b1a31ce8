// The audio tab on a headless engine with the dummy audio driver: a
// generated WAV imported, played, tagged, saved, exported and deleted.
#include "engine/audio/AudioTestSupport.h"
#include "tabs/ProtocolTab.h"
#include "tabs/base/BasePanel.h"
#include "tabs/data/ctrlAudioTracks.h"

#include <Zelkoran/Tool.h>

#include <filesystem>
#include <fstream>

namespace {

namespace TS = Zelkoran::TestSupport;
using Zelkoran::MBB_NO;
using Zelkoran::MBB_NONE;
using Zelkoran::MBB_OK;
using Zelkoran::MBB_YES;
using Zelkoran::MBB_YESNO;
using Zelkoran::MBT_ERROR;
using Zelkoran::MBT_INFORMATION;
using Zelkoran::MBT_QUESTION;
using Zelkoran::MBT_WARNING;

// The tab with its base panel in reach.
class AudioTab : public CtrlAudioTracks {
public:
    using CtrlAudioTracks::CtrlAudioTracks;
    Zelkoran::Panel* basePanel() const { return &tabServices().panel(); }
};

class AudioTabTest : public ProtocolTest {
protected:
    // The file dialog as the modal log records it.
    inline static const Box kImportDialog{"Sound import", "", 0, 0, 0};

    void SetUp() override
    {
        ProtocolTest::SetUp();
        Zelkoran::Main* engine = Zelkoran::Main::instance();
        ASSERT_EQ(engine->configMgr()->audioInit(44100, 0x8010, 2), 0);
        engine->audioTrackMgr()->setKeepSourceData(true);
        wavPath = folder.path("tone.wav");
        const auto wav = audiotest::sineWav(44100, 2, 1500);
        std::ofstream(wavPath, std::ios::binary).write(reinterpret_cast<const char*>(wav.data()),
                                                       static_cast<std::streamsize>(wav.size()));
        openArchive({{"Picture", "ZK7_IMAGE"}});
        audio.reset(new (std::nothrow) AudioTab(&*resources, &*status));
        ASSERT_NE(audio, nullptr);
        audio->parseQEL();
        panel = audio->basePanel();
    }

    void TearDown() override
    {
        audio.reset();
        ProtocolTest::TearDown();
    }

    int event(int id) { return audio->processEvent(id, 0); }

    int importTone()
    {
        TS::pushFileAnswer(true, wavPath.c_str());
        const int result = event(CtrlAudioTracks::AW_IMPORT);
        EXPECT_EQ(takeBoxes(), std::vector<Box>{kImportDialog});
        return result;
    }

    void saveAs(const char* blockName)
    {
        panel->getTextEdit(BW_NAME)->setText(blockName);
        TS::pushAnswer(0);
        ASSERT_EQ(event(BW_SAVE), 0);
        ASSERT_EQ(takeBoxes(),
                  (std::vector<Box>{{"AudioTrack: save to QEL", "AudioTrack saved.", MBB_NONE, MBT_INFORMATION, 1500}}));
    }

    void select(const char* row)
    {
        ASSERT_EQ(audio->selectBlockListItemByName(row), 1) << row;
        event(BW_LIST);
    }

    // The text of a label or text edit.
    std::string text(int id)
    {
        if (const Zelkoran::WidgetTextEdit* edit = panel->getTextEdit(id))
            return edit->getText().c_str();
        return panel->getLabel(id)->getText();
    }
    bool checked(int id) { return panel->getCheckBox(id)->isChecked(); }
    bool enabled(int id) { return panel->getWidgetByID(id)->isEnabled(); }

    std::string wavPath;
    std::unique_ptr<AudioTab> audio;
    Zelkoran::Panel* panel = nullptr;
};

TEST_F(AudioTabTest, WithoutTrackShowsNothingAndKeepsTagBoxes)
{
    EXPECT_EQ(editortest::listItems(panel->getList(BW_LIST)), std::vector<std::string>{});
    EXPECT_EQ(event(BW_NEW), 4);
    EXPECT_EQ(text(CtrlAudioTracks::AW_TYPE), "No sound");
    EXPECT_EQ(text(CtrlAudioTracks::AW_SIZE), "Size: 0 B");
    for (int id : {CtrlAudioTracks::AW_DURATION, CtrlAudioTracks::AW_CHANNELS, CtrlAudioTracks::AW_FREQUENCY,
                   CtrlAudioTracks::AW_BITRATE})
        EXPECT_EQ(text(id), "0") << id;
    EXPECT_TRUE(checked(CtrlAudioTracks::AW_SFX));
    for (int id : std::initializer_list<int>{CtrlAudioTracks::AW_EXPORT, CtrlAudioTracks::AW_PLAY, CtrlAudioTracks::AW_PAUSE,
                   CtrlAudioTracks::AW_STOP, CtrlAudioTracks::AW_MUSIC, CtrlAudioTracks::AW_SFX, CtrlAudioTracks::AW_VOICE,
                   CtrlAudioTracks::AW_CUSTOM, BW_SAVE})
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_TRUE(enabled(CtrlAudioTracks::AW_IMPORT));

    panel->getCheckBox(CtrlAudioTracks::AW_MUSIC)->setChecked(true);
    EXPECT_EQ(event(CtrlAudioTracks::AW_MUSIC), 4);
    EXPECT_FALSE(checked(CtrlAudioTracks::AW_MUSIC));
    EXPECT_TRUE(checked(CtrlAudioTracks::AW_SFX));
    EXPECT_FALSE(audio->isDirty());
    EXPECT_EQ(event(CtrlAudioTracks::AW_PLAY), 4);
    EXPECT_EQ(audio->getPlayState(), CtrlAudioTracks::PS_STOPPED);
}

TEST_F(AudioTabTest, ImportShowsTheTrackOrReportsFailure)
{
    TS::pushFileAnswer(false, "");
    EXPECT_EQ(event(CtrlAudioTracks::AW_IMPORT), 4);
    EXPECT_EQ(takeBoxes(), std::vector<Box>{kImportDialog});

    const std::string junk = folder.path("junk.wav");
    std::ofstream(junk) << "not audio";
    TS::pushFileAnswer(true, junk.c_str());
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(event(CtrlAudioTracks::AW_IMPORT), 4);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{kImportDialog,
                                             {"Sound import", "Sound could not be imported.", MBB_OK, MBT_ERROR, 0}}));
    EXPECT_FALSE(audio->isDirty());

    EXPECT_EQ(importTone(), 0);
    EXPECT_TRUE(audio->isDirty());
    EXPECT_EQ(text(CtrlAudioTracks::AW_TYPE), "wav");
    EXPECT_EQ(text(CtrlAudioTracks::AW_DURATION), "1");
    EXPECT_EQ(text(CtrlAudioTracks::AW_CHANNELS), "2");
    EXPECT_EQ(text(CtrlAudioTracks::AW_FREQUENCY), "44100");
    EXPECT_TRUE(enabled(CtrlAudioTracks::AW_PLAY));
    EXPECT_TRUE(enabled(CtrlAudioTracks::AW_EXPORT));
}

TEST_F(AudioTabTest, PlayPauseStopDriveTheWaveformTap)
{
    ASSERT_EQ(importTone(), 0);
    EXPECT_EQ(event(CtrlAudioTracks::AW_PAUSE), 0);
    EXPECT_EQ(audio->getPlayState(), CtrlAudioTracks::PS_STOPPED);
    EXPECT_FALSE(checked(CtrlAudioTracks::AW_PAUSE));

    ASSERT_EQ(event(CtrlAudioTracks::AW_PLAY), 0);
    EXPECT_EQ(audio->getPlayState(), CtrlAudioTracks::PS_PLAYING);
    ASSERT_TRUE(audiotest::waitFor([&] { return audio->getWaveform().nextColumn() > 20; }));
    bool sound = false;
    for (int i = 0; i < 20; ++i)
        sound = sound || audio->getWaveform().maximumAt(i) > 0.1f;
    EXPECT_TRUE(sound) << "the tone's peaks reach the ring";

    EXPECT_EQ(event(CtrlAudioTracks::AW_PAUSE), 0);
    EXPECT_EQ(audio->getPlayState(), CtrlAudioTracks::PS_PAUSED);
    EXPECT_TRUE(checked(CtrlAudioTracks::AW_PAUSE));
    const int frozen = audio->getWaveform().nextColumn();
    SDL_Delay(100);
    EXPECT_EQ(audio->getWaveform().nextColumn(), frozen) << "no capture while paused";

    EXPECT_EQ(event(CtrlAudioTracks::AW_PAUSE), 0);
    EXPECT_EQ(audio->getPlayState(), CtrlAudioTracks::PS_PLAYING);
    EXPECT_FALSE(checked(CtrlAudioTracks::AW_PAUSE));
    EXPECT_TRUE(audiotest::waitFor([&] { return audio->getWaveform().nextColumn() != frozen; }));

    event(CtrlAudioTracks::AW_PAUSE);
    EXPECT_EQ(event(CtrlAudioTracks::AW_PLAY), 0);
    EXPECT_EQ(audio->getPlayState(), CtrlAudioTracks::PS_PLAYING);
    EXPECT_FALSE(checked(CtrlAudioTracks::AW_PAUSE)) << "Play after Pause plays";

    event(CtrlAudioTracks::AW_PAUSE);
    EXPECT_EQ(event(CtrlAudioTracks::AW_STOP), 0);
    EXPECT_EQ(audio->getPlayState(), CtrlAudioTracks::PS_STOPPED);
    EXPECT_FALSE(checked(CtrlAudioTracks::AW_PAUSE));
    EXPECT_EQ(audio->render(0), 0);

    event(BW_NEW);
    EXPECT_EQ(audio->getWaveform().nextColumn(), 0) << "New starts from a flat line";
    EXPECT_EQ(audio->getWaveform().maximumAt(5), 0.0f);
}

TEST_F(AudioTabTest, FailedPlayIsReported)
{
    ASSERT_EQ(importTone(), 0);
    Zelkoran::Main::instance()->configMgr()->audioClose();
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(event(CtrlAudioTracks::AW_PLAY), -1);
    EXPECT_EQ(audio->getPlayState(), CtrlAudioTracks::PS_STOPPED);
    EXPECT_EQ(takeBoxes(),
              (std::vector<Box>{{"Audio playback", "Audio track could not be played.", MBB_OK, MBT_ERROR, 0}}));
}

TEST_F(AudioTabTest, TagIsSavedWithTheTrackAndReloaded)
{
    ASSERT_EQ(importTone(), 0);
    TS::pushAnswer(0);
    EXPECT_EQ(event(BW_SAVE), -1) << "the name field is empty";
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"AudioTrack: save to QEL", "Audio track name cannot be empty.",
                                              MBB_NONE, MBT_WARNING, 2000}}));

    panel->getCheckBox(CtrlAudioTracks::AW_VOICE)->setChecked(true);
    EXPECT_EQ(event(CtrlAudioTracks::AW_VOICE), 0);
    EXPECT_TRUE(checked(CtrlAudioTracks::AW_VOICE));
    EXPECT_FALSE(checked(CtrlAudioTracks::AW_SFX));
    saveAs("Tune");
    EXPECT_FALSE(audio->isDirty());
    EXPECT_TRUE(status->bReparseAll);
    EXPECT_EQ(editortest::listItems(panel->getList(BW_LIST)), std::vector<std::string>{"Tune"});

    event(BW_NEW);
    EXPECT_TRUE(checked(CtrlAudioTracks::AW_SFX));
    select("Tune");
    EXPECT_TRUE(checked(CtrlAudioTracks::AW_VOICE));
    EXPECT_EQ(text(CtrlAudioTracks::AW_TYPE), "wav");
    EXPECT_EQ(text(BW_NAME), "Tune");
}

TEST_F(AudioTabTest, ExportAsksBeforeOverwriting)
{
    const std::string dir = std::filesystem::path(status->sArchivePath.c_str()).parent_path().string();
    // Folder separators in the name stay in the file name: the file never leaves the archive's folder.
    const std::string file = dir + "/sfx_coin.wav";
    TS::pushAnswer(0);
    EXPECT_EQ(audio->onExport(status->sArchivePath), -1);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Audio export", "Could not export the audio.\nAn audio name is required.",
                                              MBB_NONE, MBT_WARNING, 2000}}));

    panel->getTextEdit(BW_NAME)->setText("Tune");
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(audio->onExport(status->sArchivePath), -1) << "no track";
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Audio export", "Audio exported to \"" + dir + "\": Failed", MBB_OK,
                                              MBT_WARNING, 0}}));

    ASSERT_EQ(importTone(), 0);
    panel->getTextEdit(BW_NAME)->setText("sfx/coin");
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(audio->onExport(status->sArchivePath), 0);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Audio export", "Audio exported to \"" + file + "\": Ok", MBB_OK,
                                              MBT_INFORMATION, 0}}));
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(std::filesystem::file_size(file), std::filesystem::file_size(wavPath));

    std::filesystem::resize_file(file, 10);
    TS::pushAnswer(MBB_NO);
    EXPECT_EQ(audio->onExport(status->sArchivePath), -1);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Export file",
                                              "The file \"sfx_coin.wav\" already exists.\nDo you want to overwrite it?",
                                              MBB_YESNO, MBT_QUESTION, 0}}));
    EXPECT_EQ(std::filesystem::file_size(file), 10u) << "refused: left as it was";

    TS::pushAnswer(MBB_YES);
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(audio->onExport(status->sArchivePath), 0);
    EXPECT_EQ(takeBoxes().size(), 2u);
    EXPECT_EQ(std::filesystem::file_size(file), std::filesystem::file_size(wavPath));
}

TEST_F(AudioTabTest, DeleteAsksAndRemovesTheBlock)
{
    ASSERT_EQ(importTone(), 0);
    saveAs("Tune");
    select("Tune");

    TS::pushAnswer(MBB_NO);
    EXPECT_EQ(event(BW_DELETE), -1);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Delete Sound", "Are you sure you want to delete \"Tune\" Sound?",
                                              MBB_YESNO, MBT_INFORMATION, 0}}));
    EXPECT_EQ(editortest::listItems(panel->getList(BW_LIST)), std::vector<std::string>{"Tune"});
    EXPECT_TRUE(enabled(CtrlAudioTracks::AW_PLAY)) << "a refused delete keeps the track open";

    ASSERT_EQ(event(CtrlAudioTracks::AW_PLAY), 0);
    TS::pushAnswer(MBB_YES);
    EXPECT_EQ(event(BW_DELETE), 4);
    takeBoxes();
    EXPECT_EQ(editortest::listItems(panel->getList(BW_LIST)), std::vector<std::string>{});
    EXPECT_EQ(text(CtrlAudioTracks::AW_TYPE), "No sound");
    EXPECT_LT(Zelkoran::Main::instance()->audioTrackMgr()->load(status->iArchiveID, "Tune", false), 0);
}

TEST_F(AudioTabTest, ImportDuringPlaybackStopsItAndItsWaveform)
{
    ASSERT_EQ(importTone(), 0);
    ASSERT_EQ(event(CtrlAudioTracks::AW_PLAY), 0);
    ASSERT_TRUE(audiotest::waitFor([&] { return audio->getWaveform().nextColumn() > 5; }));

    ASSERT_EQ(importTone(), 0);
    EXPECT_EQ(audio->getPlayState(), CtrlAudioTracks::PS_STOPPED);
    SDL_Delay(100);
    EXPECT_EQ(audio->getWaveform().nextColumn(), 0) << "the tap was removed";
}

TEST_F(AudioTabTest, AFailedLoadClearsTheFactsAtOnce)
{
    ASSERT_EQ(importTone(), 0);
    saveAs("tone");
    Zelkoran::Archive::Block junk("junk", "ZK7_AUDIOTRACK");
    char bytes[] = "not audio";
    junk.data = bytes;
    junk.size = sizeof(bytes);
    ASSERT_EQ(archive()->blockAdd(junk), 0);
    audio->parseQEL();
    select("tone");
    ASSERT_EQ(text(CtrlAudioTracks::AW_FREQUENCY), "44100");

    TS::pushAnswer(MBB_OK);
    select("junk");
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Loading resource", "Sound could not be loaded.", MBB_OK, MBT_ERROR, 0}}));
    EXPECT_EQ(text(CtrlAudioTracks::AW_TYPE), "No sound");
    for (int id : {CtrlAudioTracks::AW_DURATION, CtrlAudioTracks::AW_CHANNELS, CtrlAudioTracks::AW_FREQUENCY,
                   CtrlAudioTracks::AW_BITRATE})
        EXPECT_EQ(text(id), "0") << id;
    for (int id : std::initializer_list<int>{CtrlAudioTracks::AW_EXPORT, CtrlAudioTracks::AW_PLAY, BW_SAVE})
        EXPECT_FALSE(enabled(id)) << id;
}

} // namespace

