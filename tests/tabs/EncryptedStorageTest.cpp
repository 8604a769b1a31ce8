// Every writer of blocks, run on an archive whose index or blocks are
// encrypted: each block it writes is stored encrypted, and nothing of it
// can be read in the file's bytes.
#include "engine/audio/AudioTestSupport.h"
#include "engine/video/VideoTestSupport.h"
#include "import/interchange/XMLImport.h"
#include "import/legacy/LegacyQELUpgrade.h"
#include "import/legacy/QELv1Writer.h"
#include "tabs/SceneTabFixture.h"
#include "tabs/TabFixture.h"
#include "tabs/base/BasePanel.h"
#include "tabs/data/ctrlFiles.h"
#include "tabs/scenes/ctrlScenes.h"

#include <Zelkoran/AudioTrack.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Particle.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/TestSupport.h>
#include <Zelkoran/Video.h>
#include <Zelkoran/XML.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

namespace {

using namespace Zelkoran;
using Bytes = std::vector<uint8_t>;

constexpr char kKey[] = "storage-key";

Bytes fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

bool contains(const Bytes& haystack, const Bytes& needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

void writeFile(const std::string& path, const void* data, size_t size)
{
    std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// What a writer of the table may use besides the archive.
struct Env {
    TestFolder& folder;
    CtrlFiles& fileTab; // made before any archive is open, as the menu makes it
};

class EncryptedStorageTest : public TabTest {
protected:
    // A picture of w x h in the engine, its id.
    static int picture(const char* name, int w = 32, int h = 16)
    {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_FillRect(s, nullptr, 0xFF3366CC);
        const int id = Main::instance()->imageMgr()->loadFromSurface(s, name);
        SDL_FreeSurface(s);
        return id;
    }
    std::string archivePath() { return folder.path("tab.qel"); }
    static int panelNamed(const char* name)
    {
        for (int id : Main::instance()->guiMgr()->getPanelIDs())
            if (std::string(Main::instance()->guiMgr()->getPanel(id)->getName()) == name)
                return id;
        return 0;
    }

    // Every live block but the seed: stored encrypted, and its first bytes
    // (as the archive gives them back) nowhere in the file.
    void expectNothingInClear(const char* writer)
    {
        Archive* a = archive();
        const Bytes file = fileBytes(archivePath());
        int written = 0;
        for (int i = 0; i < a->getIndexCount(); ++i) {
            Archive::Block entry;
            ASSERT_EQ(a->blockAt(i, entry), 0);
            if (entry.deleted || std::string(entry.name) == "seed")
                continue;
            ++written;
            EXPECT_EQ(entry.storage, Archive::ST_ENCRYPTED) << writer << ": " << entry.name;
            Archive::Block loaded(entry.name, entry.type);
            ASSERT_EQ(a->blockLoad(loaded), 0) << writer << ": " << entry.name;
            const auto* data = static_cast<const uint8_t*>(loaded.data);
            const Bytes head(data, data + std::min<uint64_t>(loaded.size, 24));
            a->blockFree(loaded);
            EXPECT_FALSE(contains(file, head)) << writer << ": " << entry.name << " readable in the file";
        }
        EXPECT_GT(written, 0) << writer;
    }
};

TEST_F(EncryptedStorageTest, NoWriterLeavesItsBlockReadable)
{
    const struct {
        const char* writer;
        std::function<int(Env&, int)> write;
    } writers[] = {
        {"image", [](Env&, int archiveId) {
             const int id = picture("pic");
             const int rc = Main::instance()->imageMgr()->get(id)->save(archiveId, "");
             Main::instance()->imageMgr()->close(id);
             return rc;
         }},
        {"sprite with its sheet", [](Env&, int archiveId) {
             SpriteMgr* sprites = Main::instance()->spriteMgr();
             const int id = sprites->create("walk", 10);
             Sprite* s = sprites->get(id);
             const int rc = s && s->assignImage(picture("sheet"), 1) == 0 ? s->save(archiveId, "") : -1;
             sprites->close(id);
             return rc;
         }},
        {"particle effect", [](Env&, int archiveId) {
             ParticleMgr* effects = Main::instance()->particleMgr();
             const int id = effects->create("smoke", 10);
             const int rc = id > 0 ? effects->get(id)->save(archiveId, "") : -1;
             effects->close(id);
             return rc;
         }},
        {"GUI panel", [](Env&, int archiveId) {
             GUIMgr* gui = Main::instance()->guiMgr();
             const int id = gui->createPanel("hud");
             const int rc = id > 0 ? gui->getPanel(id)->save(archiveId) : -1;
             gui->close(id);
             return rc;
         }},
        {"audio track", [](Env& t, int archiveId) {
             const Bytes wav = audiotest::sineWav(22050, 1, 300);
             const std::string path = t.folder.path("tone.wav");
             writeFile(path, wav.data(), wav.size());
             AudioTrackMgr* tracks = Main::instance()->audioTrackMgr();
             const int id = tracks->loadFromFile(path.c_str(), "", ATT_SFX, 1, false);
             const int rc = id > 0 && tracks->setName(id, "tone") >= 0 ? tracks->get(id)->save(archiveId, "") : -1;
             tracks->close(id);
             return rc;
         }},
        {"video", [](Env& t, int archiveId) {
             const std::string path = t.folder.path("clip.mp4");
             if (!videotest::makeClip(path, videotest::ClipSpec{}))
                 return -1;
             VideoMgr* videos = Main::instance()->videoMgr();
             const int id = videos->loadFromFile(path.c_str(), "clip", ATT_MUSIC);
             const int rc = id > 0 ? videos->get(id)->save(archiveId, "") : -1;
             videos->close(id);
             return rc;
         }},
        {"tile set document", [](Env&, int archiveId) {
             XMLMgr* docs = Main::instance()->xmlMgr();
             const int id = docs->loadFromBuffer(scenetest::kTileSet, std::strlen(scenetest::kTileSet), "tiles.tsx");
             const int rc = id > 0 ? docs->get(id)->save(archiveId, "") : -1;
             docs->close(id);
             return rc;
         }},
        {"scene import with its tile set and picture", [](Env& t, int archiveId) {
             const int tiles = picture("tiles");
             Main::instance()->imageMgr()->get(tiles)->saveToPNG(t.folder.path("tiles.png").c_str());
             Main::instance()->imageMgr()->close(tiles);
             const std::string map = scenetest::levelMap();
             writeFile(t.folder.path("tiles.tsx"), scenetest::kTileSet, std::strlen(scenetest::kTileSet));
             writeFile(t.folder.path("level.tmx"), map.data(), map.size());
             SceneMgr* scenes = Main::instance()->sceneMgr();
             const int id = scenes->loadFromFile(t.folder.path("level.tmx").c_str());
             Scene* scene = scenes->get(id);
             const int rc = scene && scene->storeDependencies(archiveId) == 2 ? 0 : -1;
             scenes->close(id);
             return rc;
         }},
        {"interchange file asking for raw", [](Env& t, int archiveId) {
             const std::string notes = t.folder.path("notes.txt");
             const std::string text = "plain notes of the interchange import";
             writeFile(notes, text.data(), text.size());
             const std::string doc = "<VUQ version=\"v1\" totalblocks=\"1\"><file name=\"notes\" storemethod=\"raw\" "
                                     "source=\"" + notes + "\"/></VUQ>";
             XMLMgr* docs = Main::instance()->xmlMgr();
             const int id = docs->loadFromBuffer(doc.data(), doc.size(), "doc");
             TestSupport::pushAnswer(1);
             const int rc = XML2QEL(*docs->get(id), archiveId, "Import", kKey, sizeof kKey - 1);
             docs->close(id);
             return rc;
         }},
        {"file tab, a new block", [](Env& t, int) {
             const std::string path = t.folder.path("readme.txt");
             const std::string text = "plain readme of the file tab";
             writeFile(path, text.data(), text.size());
             CtrlFiles& tab = t.fileTab;
             // The menu's steps: an archive closed (back to New), one opened.
             if (tab.isDirty() || tab.getNumItems() > 0)
                 tab.resetWidgets();
             tab.parseQEL();
             TestSupport::pushFileAnswer(true, path.c_str());
             tab.processEvent(CtrlFiles::FL_IMPORT, 0);
             editortest::panel(Main::instance()->guiMgr()->getPanelIDs().back())
                 ->getTextEdit(BW_NAME)
                 ->setText("readme");
             TestSupport::pushAnswer(0); // the saved notice
             return tab.processEvent(BW_SAVE, 0);
         }},
    };
    rememberKey(kKey);
    CtrlFiles fileTab(&*resources, &*status);
    for (const bool wholeIndex : {true, false}) {
        for (const auto& w : writers) {
            openArchive({});
            Archive* a = archive();
            ASSERT_EQ(a->setKey(kKey, sizeof kKey - 1), 0);
            // The archive's state: an encrypted index, or one encrypted block.
            Archive::Block seed("seed", "ZK7_FILE");
            char seedBytes[] = "seed";
            seed.storage = Archive::ST_ENCRYPTED;
            seed.data = seedBytes;
            seed.size = sizeof seedBytes;
            ASSERT_EQ(a->blockAdd(seed), 0);
            if (wholeIndex) {
                ASSERT_EQ(a->encrypt(), 0);
            }
            const std::string writer =
                std::string(w.writer) + (wholeIndex ? " (encrypted index)" : " (encrypted block)");
            Env env{folder, fileTab};
            ASSERT_EQ(w.write(env, status->iArchiveID), 0) << writer;
            expectNothingInClear(writer.c_str());
            Main::instance()->archiveMgr()->close(status->iArchiveID);
        }
    }
}

// The tabs with storage boxes: made before any archive is open, as the
// menu makes them, they start a new block encrypted once a secured archive
// is open, and compressed again in a plain one.
TEST_F(EncryptedStorageTest, TabsWithStorageBoxesStartNewBlocksAsTheArchiveStoresThem)
{
    CtrlFiles files(&*resources, &*status);
    CtrlScenes scenes(&*resources, &*status);
    const struct {
        CtrlBase& tab;
        const char* panel;
        int compressedBox, cryptedBox;
    } tabs[] = {{files, "Files", CtrlFiles::FL_COMPRESSED, CtrlFiles::FL_CRYPTED},
                {scenes, "Scenes", SW_COMPRESSED, SW_CRYPTED}};
    for (const bool secured : {true, false}) {
        for (const auto& t : tabs)
            t.tab.resetWidgets(); // the menu's close of the archive before
        openArchive({});
        if (secured) {
            ASSERT_EQ(archive()->setKey(kKey, sizeof kKey - 1), 0);
            ASSERT_EQ(archive()->encrypt(), 0);
        }
        for (const auto& t : tabs) {
            t.tab.parseQEL(); // the menu's reparse after the open
            Panel* panel = nullptr;
            for (int id : Main::instance()->guiMgr()->getPanelIDs())
                if (std::string(Main::instance()->guiMgr()->getPanel(id)->getName()) == t.panel)
                    panel = Main::instance()->guiMgr()->getPanel(id);
            ASSERT_NE(panel, nullptr) << t.panel;
            EXPECT_EQ(panel->getCheckBox(t.cryptedBox)->isChecked(), secured) << t.panel;
            EXPECT_EQ(panel->getCheckBox(t.compressedBox)->isChecked(), !secured) << t.panel;
        }
        Main::instance()->archiveMgr()->close(status->iArchiveID);
    }
}

// A block typed into, a storage box clicked, saved: stored as the box says
// and shown so after the archive is opened again. Under an encrypted index
// nothing typed is readable in the file: Raw is not offered, Compressed
// stores compressed, then encrypted, Crypted encrypted only. A plain
// archive offers all three as they are.
TEST_F(EncryptedStorageTest, AStorageBoxClickedIsHowTheTypedBlockIsStoredAndShown)
{
    using enum CtrlFiles::eWidget;
    CtrlFiles files(&*resources, &*status);
    CtrlScenes scenes(&*resources, &*status);
    const struct {
        CtrlBase& tab;
        const char* panel;
        const char* block;
        bool secured;
        int box, raw, compressed, crypted, text;
        uint32_t storage;
        const char* ticked; // Raw, Compressed, Crypted
    } cases[] = {
        {files, "Files", "notes.txt", true, FL_RAW, FL_RAW, FL_COMPRESSED, FL_CRYPTED, FL_TEXT,
         Archive::ST_ENCRYPTED, "001"},
        {files, "Files", "notes.txt", true, FL_COMPRESSED, FL_RAW, FL_COMPRESSED, FL_CRYPTED, FL_TEXT,
         Archive::ST_COMPRESSED_ENCRYPTED, "011"},
        {files, "Files", "notes.txt", true, FL_CRYPTED, FL_RAW, FL_COMPRESSED, FL_CRYPTED, FL_TEXT,
         Archive::ST_ENCRYPTED, "001"},
        {files, "Files", "notes.txt", false, FL_RAW, FL_RAW, FL_COMPRESSED, FL_CRYPTED, FL_TEXT,
         Archive::ST_RAW, "100"},
        {files, "Files", "notes.txt", false, FL_COMPRESSED, FL_RAW, FL_COMPRESSED, FL_CRYPTED, FL_TEXT,
         Archive::ST_COMPRESSED, "010"},
        {scenes, "Scenes", "tiles.tsx", true, SW_RAW, SW_RAW, SW_COMPRESSED, SW_CRYPTED, SW_TEXT,
         Archive::ST_ENCRYPTED, "001"},
        {scenes, "Scenes", "level.tmx", true, SW_COMPRESSED, SW_RAW, SW_COMPRESSED, SW_CRYPTED, SW_TEXT,
         Archive::ST_COMPRESSED_ENCRYPTED, "011"},
        {scenes, "Scenes", "level.tmx", false, SW_RAW, SW_RAW, SW_COMPRESSED, SW_CRYPTED, SW_TEXT, Archive::ST_RAW,
         "100"},
        {scenes, "Scenes", "level.tmx", false, SW_CRYPTED, SW_RAW, SW_COMPRESSED, SW_CRYPTED, SW_TEXT,
         Archive::ST_ENCRYPTED, "001"},
    };
    rememberKey(kKey);
    const std::string typed = "<!-- typed in the clear -->";
    for (const auto& c : cases) {
        const std::string trace = std::string(c.panel) + " " + c.block + " box " + std::to_string(c.box) +
                                  (c.secured ? " encrypted index" : " plain");
        SCOPED_TRACE(trace);
        c.tab.resetWidgets();
        openArchive({});
        ASSERT_EQ(archive()->setKey(kKey, sizeof kKey - 1), 0);
        const std::string content = std::string(c.block) == "level.tmx" ? scenetest::levelMap() : scenetest::kTileSet;
        Archive::Block stored(c.block, std::string(c.panel) == "Files" ? "ZK7_FILE" : "ZK7_XML");
        stored.storage = c.secured ? Archive::ST_ENCRYPTED : Archive::ST_COMPRESSED;
        stored.data = const_cast<char*>(content.data());
        stored.size = content.size();
        ASSERT_EQ(archive()->blockAdd(stored), 0);
        if (c.secured) {
            ASSERT_EQ(archive()->encrypt(), 0);
        }

        const int panelId = panelNamed(c.panel);
        Panel* panel = editortest::panel(panelId);
        const auto deliver = [&] {
            for (const SDL_Event& e : TestSupport::pump())
                if (e.type == kGUIEventType && (e.user.code == 3 || (e.user.code >= 6 && e.user.code <= 9)))
                    c.tab.processEvent(static_cast<int>(reinterpret_cast<intptr_t>(e.user.data1)),
                                       static_cast<int>(reinterpret_cast<intptr_t>(e.user.data2)));
        };
        const auto click = [&](int id) {
            TestSupport::clickWidget(panelId, id);
            deliver();
        };
        const auto choose = [&] {
            c.tab.parseQEL();
            c.tab.show();
            c.tab.selectBlockListItemByName(c.block);
            if (std::string(c.block) == "level.tmx")
                TestSupport::pushAnswer(MBB_OK); // its tile set is not in the archive: the tab says so
            c.tab.processEvent(BW_LIST, panel->getList(BW_LIST)->getSelectedIndex());
            EXPECT_EQ(TestSupport::pendingAnswers(), 0u);
        };
        const auto ticked = [&] {
            std::string boxes;
            for (int id : std::initializer_list<int>{c.raw, c.compressed, c.crypted})
                boxes += panel->getCheckBox(id)->isChecked() ? '1' : '0';
            return boxes;
        };
        choose();
        EXPECT_EQ(panel->getWidgetByID(c.raw)->isEnabled(), !c.secured);
        EXPECT_TRUE(panel->getWidgetByID(c.compressed)->isEnabled());
        EXPECT_TRUE(panel->getWidgetByID(c.crypted)->isEnabled());
        click(c.box);
        click(c.text);
        TestSupport::key(SDLK_END, KMOD_CTRL);
        TestSupport::typeText(typed.c_str());
        deliver();
        click(BW_NAME);
        TestSupport::pushAnswer(0); // the saved notice
        click(BW_SAVE);
        c.tab.hide();
        EXPECT_EQ(ticked(), c.ticked) << "after the save";

        Archive::Block entry(c.block, stored.type);
        ASSERT_EQ(archive()->blockAt(archive()->blockSearch(entry), entry), 0);
        EXPECT_EQ(entry.storage, c.storage);
        if (c.secured) {
            EXPECT_FALSE(contains(fileBytes(archivePath()), qelv1::bytesOf("typed in the clear")));
        }

        // Opened again with the key: the typed text, and the boxes of its storage.
        Main::instance()->archiveMgr()->close(status->iArchiveID);
        c.tab.resetWidgets();
        status->iArchiveID = Main::instance()->archiveMgr()->load(archivePath().c_str(), kKey, sizeof kKey - 1);
        ASSERT_GT(status->iArchiveID, 0);
        choose();
        EXPECT_NE(std::string(panel->getTextEdit(c.text)->getText()).find(typed), std::string::npos);
        EXPECT_EQ(ticked(), c.ticked) << "opened again";
        c.tab.hide();
        Main::instance()->archiveMgr()->close(status->iArchiveID);
    }
}

// A raw block of an archive whose index was encrypted after it was
// written lies raw until it is saved again: its boxes say Raw when it is
// chosen, after a reparse, and after a save refused for want of the key.
TEST_F(EncryptedStorageTest, ABlockLeftRawUnderALaterEncryptedIndexShowsRawUntilSaved)
{
    CtrlFiles files(&*resources, &*status);
    files.resetWidgets();
    openArchive({});
    ASSERT_EQ(archive()->setKey(kKey, sizeof kKey - 1), 0);
    std::string content = "notes kept raw";
    Archive::Block stored("notes.txt", "ZK7_FILE");
    stored.storage = Archive::ST_RAW;
    stored.data = content.data();
    stored.size = content.size();
    ASSERT_EQ(archive()->blockAdd(stored), 0);
    ASSERT_EQ(archive()->encrypt(), 0);

    const int panelId = panelNamed("Files");
    Panel* panel = editortest::panel(panelId);
    const auto ticked = [&] {
        std::string boxes;
        for (int id : {CtrlFiles::FL_RAW, CtrlFiles::FL_COMPRESSED, CtrlFiles::FL_CRYPTED})
            boxes += panel->getCheckBox(id)->isChecked() ? '1' : '0';
        return boxes;
    };
    files.parseQEL();
    files.show();
    files.selectBlockListItemByName("notes.txt");
    files.processEvent(BW_LIST, panel->getList(BW_LIST)->getSelectedIndex());
    EXPECT_EQ(ticked(), "100") << "chosen";
    files.parseQEL();
    EXPECT_EQ(ticked(), "100") << "reparsed";

    TestSupport::clickWidget(panelId, CtrlFiles::FL_TEXT);
    TestSupport::key(SDLK_END, KMOD_CTRL);
    TestSupport::typeText(" and typed");
    TestSupport::clickWidget(panelId, BW_NAME);
    TestSupport::pump();
    TestSupport::pushAnswer(MBB_OK); // no key remembered: the save is refused
    EXPECT_NE(files.processEvent(BW_SAVE, 0), 0);
    EXPECT_EQ(TestSupport::pendingAnswers(), 0u);
    files.parseQEL();
    EXPECT_EQ(ticked(), "100") << "refused and reparsed";
    Archive::Block entry("notes.txt", "ZK7_FILE");
    ASSERT_EQ(archive()->blockAt(archive()->blockSearch(entry), entry), 0);
    EXPECT_EQ(entry.storage, Archive::ST_RAW);
    files.hide();
}

// A QELv1 archive with an encrypted index: the QELv2 file keeps none of
// its blocks in clear, raw and compressed ones included.
TEST_F(EncryptedStorageTest, AnUpgradedEncryptedIndexStoresEveryBlockEncrypted)
{
    const std::string marker = "upgraded plain text marker";
    const std::string path = folder.path("old.qel");
    qelv1::Writer old;
    old.indexKey = kKey;
    old.add(qelv1::raw("ZK7_FILE", "raw.txt", qelv1::bytesOf(marker + " one")));
    old.add(qelv1::compressed("ZK7_FILE", "zip.txt", qelv1::bytesOf(marker + " two")));
    old.write(path);
    bool upgraded = false, needKey = false, encryptedBlocks = false;
    ASSERT_EQ(upgradeLegacyQELFileToQELv2(String(path.c_str()), kKey, sizeof kKey - 1, LQEB_ASK, upgraded, needKey,
                                          encryptedBlocks),
              0);
    ASSERT_TRUE(upgraded);
    EXPECT_FALSE(contains(fileBytes(path), qelv1::bytesOf(marker)));
    const int id = Main::instance()->archiveMgr()->load(path.c_str(), kKey, sizeof kKey - 1);
    ASSERT_GT(id, 0);
    Archive* a = Main::instance()->archiveMgr()->get(id);
    for (const char* name : {"raw.txt", "zip.txt"}) {
        Archive::Block b(name, "ZK7_FILE");
        ASSERT_GE(a->blockSearch(b), 0) << name;
        a->blockAt(a->blockSearch(b), b);
        EXPECT_EQ(b.storage, Archive::ST_ENCRYPTED) << name;
    }
}

} // namespace
