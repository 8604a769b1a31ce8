// The migration of legacy blocks in an open QELv2 archive: what counts as
// legacy, each conversion, the backup, the automatic resize and the log.
#include "import/legacy/LegacyBlocks.h"
#include "import/legacy/LegacyQELUpgrade.h"
#include "support/LogCapture.h"
#include "support/TestFolder.h"

#include <Zelkoran/AudioTrack.h>
#include <Zelkoran/Main.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using legacy::Block;
using legacy::Bytes;
using Zelkoran::Archive;
using Zelkoran::Main;

// A live block as read back.
struct Stored {
    std::string type;
    uint32_t storage = 0;
    Bytes data;
};

class MigrationTest : public ::testing::Test {
protected:
    void TearDown() override { Main::instance()->archiveMgr()->closeAll(); }

    std::string build(const std::vector<Block>& blocks, int limit = 0, const std::string& key = "",
                      const std::string& name = "game.qel")
    {
        const std::string path = dir.path(name);
        legacy::buildQELv2(path, blocks, limit, key);
        return path;
    }

    static int open(const std::string& path, const std::string& key = "")
    {
        return Main::instance()->archiveMgr()->load(path.c_str(), key.empty() ? nullptr : key.data(),
                                                    static_cast<int>(key.size()));
    }

    static int migrate(const std::string& path, int& id, const std::string& key = "")
    {
        return upgradeLegacyQELBlocks(Zelkoran::String(path.c_str()), id, key.empty() ? nullptr : key.data(),
                                      static_cast<uint32_t>(key.size()));
    }

    static Archive* archive(int id) { return Main::instance()->archiveMgr()->get(id); }

    // The live block name of type type, or an empty record.
    static Stored live(int id, const std::string& name, const std::string& type)
    {
        Archive::Block block(name.c_str(), type.c_str());
        Stored s;
        if (archive(id)->blockLoad(block) != 0)
            return s;
        const auto* bytes = static_cast<const uint8_t*>(block.data);
        s = Stored{type, block.storage, Bytes(bytes, bytes + block.size)};
        archive(id)->blockFree(block);
        return s;
    }

    // Live blocks as "name type" in index order.
    static std::vector<std::string> liveNames(int id)
    {
        std::vector<std::string> names;
        for (int i = 0; i < archive(id)->getIndexCount(); ++i) {
            Archive::Block entry;
            if (archive(id)->blockAt(i, entry) == 0 && !entry.deleted)
                names.push_back(std::string(entry.name) + " " + entry.type);
        }
        return names;
    }

    TestFolder dir;
    TestFolder logDir;
};

// ---------------------------------------------------------------------------
// What is not legacy leaves the archive alone: no backup, the same id.

TEST_F(MigrationTest, ArchivesWithoutLegacyBlocksAreLeftAsTheyAre)
{
    const std::string path = build({
        {"old tune", "ZK7_MUSIC", legacy::audioBlock("wav", legacy::wav(100)), 1, true},
        {"short gui", "ZK7_IMAGE", legacy::image(31, legacy::kGuiOwner)},
        {"signed", "ZK7_IMAGE", legacy::image(64, legacy::kImageSignature)},
        {"small font", "ZK7_FONT", Bytes(1535, 1)},
        {"music file", "ZK7_MUSICX", legacy::audioBlock("wav", legacy::wav(100))},
    });
    const Bytes before = TestFolder::read(path);
    int id = open(path);
    ASSERT_GT(id, 0);
    const int original = id;
    LogCapture log(logDir.path("migration.log"));

    EXPECT_EQ(migrate(path, id), 0);

    EXPECT_EQ(id, original);
    EXPECT_NE(archive(id), nullptr);
    EXPECT_EQ(dir.list(), (std::set<std::string>{"game.qel"}));
    EXPECT_EQ(TestFolder::read(path), before);
    EXPECT_NE(log.text().find("\n  Checking for legacy blocks...\n  No legacy blocks found, QEL file is updated.\n"),
              std::string::npos);
}

TEST_F(MigrationTest, AnArchiveThatIsNotOpenIsRefused)
{
    LogCapture log(logDir.path("migration.log"));
    int id = 4711;
    EXPECT_EQ(migrate(dir.path("game.qel"), id), LQR_NO_ARCHIVE);
    EXPECT_EQ(id, 4711);
    const std::string text = log.text();
    EXPECT_TRUE(text.ends_with("\n\n  Error: Invalid QEL ID.\n")) << text;
}

// ---------------------------------------------------------------------------
// Conversions.

TEST_F(MigrationTest, LegacyFontsBecomeCompactRecordsAndInvalidOnesAreSkipped)
{
    const std::string longName(70, 'n');
    const std::string path = build({
        {"serif", "ZK7_FONT", legacy::font(10, 0xAABBCCDD, 7, "Serif Sans"), 2},
        {"long", "ZK7_FONT", legacy::font(10, 1, 2, longName)},
        {"v9", "ZK7_FONT", legacy::font(9, 1, 2, "Nine")},
        {"unnamed", "ZK7_FONT", legacy::font(10, 1, 2, "")},
    });
    int id = open(path);
    LogCapture log(logDir.path("migration.log"));

    EXPECT_EQ(migrate(path, id), 2);

    const Stored serif = live(id, "serif", "ZK7_FONT");
    EXPECT_EQ(serif.data, legacy::compactFont(0xAABBCCDD, 7, "Serif Sans"));
    EXPECT_EQ(serif.storage, 2u); // the storage mode of the old block
    EXPECT_EQ(live(id, "long", "ZK7_FONT").data, legacy::compactFont(1, 2, longName.substr(0, 63)));
    EXPECT_EQ(live(id, "v9", "ZK7_FONT").data.size(), 1536u);
    EXPECT_EQ(live(id, "unnamed", "ZK7_FONT").data.size(), 1536u);
    // The old blocks stay behind as deleted entries.
    EXPECT_EQ(archive(id)->getIndexCount(), 6);

    const std::string text = log.text();
    EXPECT_NE(text.find("  Found 4 legacy block(s):\n    - ZK7_FONT (legacy format): 4\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n  'serif' (ZK7_FONT):  Migrated legacy Font block to compact v1.0 format.\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\n  'v9' (ZK7_FONT):  Warning: Font block is not a valid legacy v1.0 block. Skipping.\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\n  Migration complete: 2 successful, 2 failed.\n"), std::string::npos) << text;
}

// Blocks that will only be skipped change nothing, so they make no backup,
// however often the archive is opened.
TEST_F(MigrationTest, LegacyBlocksThatCannotBeConvertedMakeNoBackup)
{
    Bytes cut = legacy::audioBlock("wav", legacy::wav(40));
    cut.pop_back();
    struct Case {
        Block block;
        const char* skipped;
    };
    const Case cases[] = {
        {{"nine", "ZK7_FONT", legacy::font(9, 1, 2, "Nine"), 2},
         "\n  'nine' (ZK7_FONT):  Warning: Font block is not a valid legacy v1.0 block. Skipping.\n"},
        {{"unnamed", "ZK7_FONT", legacy::font(10, 1, 2, "")},
         "\n  'unnamed' (ZK7_FONT):  Warning: Font block is not a valid legacy v1.0 block. Skipping.\n"},
        {{"cut", "ZK7_MUSIC", cut, 2},
         "\n  'cut' (ZK7_MUSIC):  Error: Legacy music block has invalid audio size. Skipping.\n"},
        {{"tiny", "ZK7_SOUND", Bytes(1023, 0)}, "\n  'tiny' (ZK7_SOUND):  Error: Legacy sound block is too small. Skipping.\n"},
    };
    for (const Case& c : cases) {
        // A full archive: a convertible audio block would have it resized.
        const std::string path = build({c.block}, 1);
        const Bytes before = TestFolder::read(path);
        for (int run = 0; run < 3; ++run) {
            int id = open(path);
            ASSERT_GT(id, 0);
            const int original = id;
            LogCapture log(logDir.path("migration.log"));
            EXPECT_EQ(migrate(path, id), 0);
            EXPECT_EQ(id, original);
            const std::string text = log.text();
            EXPECT_NE(text.find(c.skipped), std::string::npos) << text;
            EXPECT_NE(text.find("\n  Migration complete: 0 successful, 1 failed.\n"), std::string::npos) << text;
            EXPECT_EQ(text.find("Creating backup"), std::string::npos) << text;
            Main::instance()->archiveMgr()->close(id);
        }
        EXPECT_EQ(dir.list(), (std::set<std::string>{"game.qel"})) << c.block.name;
        EXPECT_EQ(TestFolder::read(path), before) << c.block.name;
        std::filesystem::remove(path);
    }
}

TEST_F(MigrationTest, GuiOwnedImagesGetTheImageSignatureAndAreStoredEncryptedInASecuredArchive)
{
    const std::string key = "image key";
    const Bytes plain = legacy::image(300, legacy::kGuiOwner);
    const std::string path = build({
                                       {"panel", "ZK7_IMAGE", plain, 2},
                                       {"locked", "ZK7_IMAGE", legacy::image(32, legacy::kGuiOwner), 3},
                                       {"other", "ZK7_IMAGE", legacy::image(64, 0x20000000)},
                                   },
                                   0, key);
    int id = open(path, key);
    archive(id)->setKey(key.data(), static_cast<int>(key.size()));
    LogCapture log(logDir.path("migration.log"));

    EXPECT_EQ(migrate(path, id, key), 2);

    Bytes expected = plain;
    qelv1::putU32(expected.data() + 4, legacy::kImageSignature);
    const Stored panel = live(id, "panel", "ZK7_IMAGE");
    EXPECT_EQ(panel.data, expected);
    EXPECT_EQ(panel.storage, 3u) << "the archive holds encrypted blocks: nothing is written in clear";
    const Stored locked = live(id, "locked", "ZK7_IMAGE");
    EXPECT_EQ(qelv1::getU32(locked.data.data() + 4), legacy::kImageSignature);
    EXPECT_EQ(locked.storage, 3u);
    EXPECT_EQ(qelv1::getU32(live(id, "other", "ZK7_IMAGE").data.data() + 4), 0x20000000u);
    EXPECT_NE(log.text().find("\n  'panel' (ZK7_IMAGE):  Owner updated to IMAGE_SIGNATURE.\n"), std::string::npos);

    // A second run finds nothing left to do.
    const int idAfter = id;
    EXPECT_EQ(migrate(path, id, key), 0);
    EXPECT_EQ(id, idAfter);
    EXPECT_EQ(dir.list(), (std::set<std::string>{"game.qel", "game.backup.qel"}));
}

TEST_F(MigrationTest, ABlockThatCannotBeLoadedIsCountedAsFailedWithItsCode)
{
    // An encrypted font in an archive opened without its key.
    const std::string path = build({{"locked", "ZK7_FONT", legacy::font(10, 1, 2, "Locked"), 3}}, 0, "font key");
    int id = open(path);
    ASSERT_GT(id, 0);
    LogCapture log(logDir.path("migration.log"));

    EXPECT_EQ(migrate(path, id), 0);

    const std::string text = log.text();
    EXPECT_NE(text.find("\n  'locked' (ZK7_FONT):  Error: Could not load font block (error 0xFFFFFE23). Skipping.\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\n  Migration complete: 0 successful, 1 failed.\n"), std::string::npos) << text;
}

TEST_F(MigrationTest, TheBackupTakesTheNextFreeName)
{
    const std::string path = build({{"ten", "ZK7_FONT", legacy::font(10, 1, 2, "Ten")}}, 0, "", "a.qel");
    TestFolder::write(dir.path("a.backup.qel"), qelv1::bytesOf("an older backup"));
    const Bytes before = TestFolder::read(path);
    int id = open(path);

    EXPECT_EQ(migrate(path, id), 1);

    EXPECT_EQ(TestFolder::read(dir.path("a.backup.bak.qel")), before);
    EXPECT_EQ(TestFolder::read(dir.path("a.backup.qel")), qelv1::bytesOf("an older backup"));
}

// ---------------------------------------------------------------------------
// Audio blocks become audio tracks.

class AudioMigrationTest : public MigrationTest {
protected:
    // The track saved under name: its tag, format text and source bytes.
    struct Track {
        int tag = 0;
        std::string format;
        Bytes source;
    };
    Track track(int id, const std::string& name)
    {
        Zelkoran::AudioTrackMgr* tracks = Main::instance()->audioTrackMgr();
        const int trackId = tracks->load(id, name.c_str(), false);
        Track t;
        if (trackId <= 0) {
            ADD_FAILURE() << "no track " << name << ": " << trackId;
            return t;
        }
        Zelkoran::String format;
        tracks->get(trackId)->getInfo(&format, nullptr);
        t.tag = tracks->get(trackId)->getTag();
        t.format = format.c_str();
        const std::string exported = dir.path("export-" + name);
        EXPECT_EQ(tracks->get(trackId)->saveToFile(exported.c_str()), 0);
        t.source = TestFolder::read(exported + "." + t.format);
        tracks->close(trackId);
        return t;
    }
};

TEST_F(AudioMigrationTest, MusicAndSoundBlocksBecomeTaggedTracksAndGo)
{
    const Bytes theme = legacy::wav(400, 1);
    const Bytes click = legacy::wav(50, 3);
    const std::string path = build({
        {"theme", "ZK7_MUSIC", legacy::audioBlock("wav", theme)},
        {"click", "ZK7_SOUND", legacy::audioBlock("wav", click, 17)},
        {"hero", "ZK7_IMAGE", legacy::image(40, 0)},
    });
    int id = open(path);
    LogCapture log(logDir.path("migration.log"));

    EXPECT_EQ(migrate(path, id), 2);

    EXPECT_EQ(liveNames(id),
              (std::vector<std::string>{"hero ZK7_IMAGE", "theme ZK7_AUDIOTRACK", "click ZK7_AUDIOTRACK"}));
    const Track music = track(id, "theme");
    EXPECT_EQ(music.tag, Zelkoran::ATT_MUSIC);
    EXPECT_EQ(music.format, "wav");
    EXPECT_EQ(music.source, theme);
    const Track sound = track(id, "click");
    EXPECT_EQ(sound.tag, Zelkoran::ATT_SFX);
    EXPECT_EQ(sound.source, click);

    const std::string text = log.text();
    const std::string expected = "  Found 2 legacy block(s):\n    - ZK7_MUSIC: 1\n    - ZK7_SOUND: 1\n"
                                 "  Creating backup: " +
                                 dir.path("game.backup.qel") +
                                 "\n\n  Starting migration...\n"
                                 "\n  'theme' (ZK7_MUSIC):  Migrated to ZK7_AUDIOTRACK (ATT_MUSIC).\n"
                                 "\n  'click' (ZK7_SOUND):  Migrated to ZK7_AUDIOTRACK (ATT_SFX).\n"
                                 "\n  Migration complete: 2 successful, 0 failed.\n";
    EXPECT_NE(text.find(expected), std::string::npos) << text;
}

TEST_F(AudioMigrationTest, BrokenAudioBlocksAreSkippedAndStay)
{
    const Bytes tune = legacy::wav(64);
    Bytes negative = legacy::audioBlock("wav", tune);
    qelv1::putU32(negative.data() + 296, 0xFFFFFFF0);
    Bytes cut = legacy::audioBlock("wav", tune);
    cut.pop_back();
    const std::string path = build({
        {"exact", "ZK7_MUSIC", legacy::audioBlock("wav", tune)},
        {"tiny", "ZK7_MUSIC", Bytes(1023, 0)},
        {"empty", "ZK7_SOUND", legacy::audioBlock("wav", {})},
        {"negative", "ZK7_SOUND", negative},
        {"cut", "ZK7_MUSIC", cut},
        {"noise", "ZK7_SOUND", legacy::audioBlock("wav", Bytes(300, 0x42))},
    });
    int id = open(path);
    LogCapture log(logDir.path("migration.log"));

    EXPECT_EQ(migrate(path, id), 1);

    EXPECT_EQ(liveNames(id), (std::vector<std::string>{"tiny ZK7_MUSIC", "empty ZK7_SOUND", "negative ZK7_SOUND",
                                                      "cut ZK7_MUSIC", "noise ZK7_SOUND", "exact ZK7_AUDIOTRACK"}));
    const std::string text = log.text();
    for (const char* line : {
             "\n  'tiny' (ZK7_MUSIC):  Error: Legacy music block is too small. Skipping.\n",
             "\n  'cut' (ZK7_MUSIC):  Error: Legacy music block has invalid audio size. Skipping.\n",
             "\n  'empty' (ZK7_SOUND):  Error: Legacy sound block has invalid audio size. Skipping.\n",
             "\n  'negative' (ZK7_SOUND):  Error: Legacy sound block has invalid audio size. Skipping.\n",
             "\n  'noise' (ZK7_SOUND):  Error: Could not create AudioTrack (error 0xFFFFFFAC). Skipping.\n",
             "\n  Migration complete: 1 successful, 5 failed.\n",
         })
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
}

TEST_F(AudioMigrationTest, AFullArchiveGrowsBeforeAudioIsMigrated)
{
    std::vector<Block> blocks;
    for (int i = 0; i < 99; ++i)
        blocks.push_back({"file" + std::to_string(i), "ZK7_FILE", qelv1::bytesOf("x")});
    blocks.push_back({"beep", "ZK7_SOUND", legacy::audioBlock("wav", legacy::wav(30))});
    const std::string path = build(blocks, 100);
    int id = open(path);
    LogCapture log(logDir.path("migration.log"));

    EXPECT_EQ(migrate(path, id), 1);

    EXPECT_EQ(archive(id)->getBlockLimit(), 1124);
    EXPECT_EQ(archive(id)->getBlockCount(), 100);
    EXPECT_NE(log.text().find("  QEL has no free block slots. Resizing to 1124 blocks before audio migration...\n"),
              std::string::npos);
}

TEST_F(MigrationTest, AFullArchiveIsNotResizedForImagesAndFonts)
{
    const std::string path = build({{"gui", "ZK7_IMAGE", legacy::image(40, legacy::kGuiOwner)},
                                    {"serif", "ZK7_FONT", legacy::font(10, 1, 2, "Serif")}},
                                   2);
    int id = open(path);
    LogCapture log(logDir.path("migration.log"));

    EXPECT_EQ(migrate(path, id), 2);

    EXPECT_EQ(archive(id)->getBlockLimit(), 2);
    EXPECT_EQ(log.text().find("Resizing"), std::string::npos);
}

} // namespace
