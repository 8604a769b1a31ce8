#include "tabs/TextFileFixture.h"
#include "tabs/base/BasePanel.h"

#include <SDL.h>

#include <functional>

namespace {

using editortest::listItems;
using namespace Zelkoran;
namespace TS = editortest::TS;

const char* const kKeyNeeded = "Encrypted blocks require a QEL password.\nUse the menu Encryption and password "
                               "button to set it before saving this block.";
const char* const kEmptySave = "Empty resources cannot be saved to QEL archives.";

class TextFileTabTest : public TextFileTest {
protected:
    // The widgets that only content makes usable.
    std::vector<bool> contentWidgetsEnabled() const
    {
        return {panel->getButton(BW_SAVE)->isEnabled(), widget(kExport)->isEnabled(), widget(kRaw)->isEnabled(),
                widget(kCompressed)->isEnabled(), widget(kCrypted)->isEnabled(), widget(kText)->isEnabled()};
    }
    std::vector<bool> storageBoxes() const { return {checked(kRaw), checked(kCompressed), checked(kCrypted)}; }
    std::vector<std::string> lines() const
    {
        std::vector<std::string> out;
        for (int i = 1; i <= text()->getLineCount(); ++i)
            out.emplace_back(text()->getLine(i).c_str());
        return out;
    }
    // Save through the Save button; the success notice is answered.
    int save(bool expectSuccess = true)
    {
        if (expectSuccess)
            TS::pushAnswer(0);
        return click(BW_SAVE);
    }
};

TEST_F(TextFileTabTest, ANewTabHoldsNoContentAndOffersOnlyImport)
{
    openArchive({});
    makeXML();
    EXPECT_EQ(lastResult, 4);
    EXPECT_EQ(label(kType), "No file");
    EXPECT_EQ(label(kSize), "Size: 0 B");
    EXPECT_EQ(label(kBlockSize), "QEL Blocksize: 0 B");
    EXPECT_EQ(storageBoxes(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(contentWidgetsEnabled(), std::vector<bool>(6, false));
    EXPECT_TRUE(widget(kImport)->isEnabled());
    EXPECT_STREQ(widget(kImport)->getTooltip(), "Import an XML file");
    EXPECT_STREQ(widget(kExport)->getTooltip(), "Export the current XML file");
    EXPECT_STREQ(widget(kText)->getName(), "ASCIIBox");
    EXPECT_TRUE(text()->getMultiline());

    // A name alone does not make Save usable without content.
    name->setText("notes.xml");
    EXPECT_EQ(tab->processEvent(BW_NAME, 0), 4);
    EXPECT_FALSE(panel->getButton(BW_SAVE)->isEnabled());
    // The disabled storage boxes raise no event at all.
    EXPECT_EQ(click(id(kRaw)), 1);
    EXPECT_EQ(storageBoxes(), (std::vector<bool>{false, true, false}));
}

TEST_F(TextFileTabTest, TheXMLTabLeavesTiledFilesToTheSceneTab)
{
    openArchive({{"level.tmx", "ZK7_XML"},
                 {"tiles.TSX", "ZK7_XML"},
                 {"door.tx", "ZK7_XML"},
                 {"config.xml", "ZK7_XML"},
                 {"tmx", "ZK7_XML"},
                 {"#hidden.xml", "ZK7_XML"},
                 {"old.xml", "ZK7_XML", true},
                 {"level.tmx", "ZK7_FILE"},
                 {"notes.txt", "ZK7_FILE"},
                 {"#secret", "ZK7_FILE"}});
    makeXML();
    EXPECT_EQ(listItems(list), (std::vector<std::string>{"config.xml", "tmx"}));
    tab.reset();
    makeFiles();
    EXPECT_EQ(listItems(list), (std::vector<std::string>{"level.tmx", "notes.txt"}));
}

TEST_F(TextFileTabTest, LoadedTextIsShownAndSavedBackByteForByte)
{
    openArchive({});
    makeFiles();
    const std::string samples[] = {"<a>\n  <b/>\n</a>\n", "line one\r\nline two\r\n", "one\r\ntwo", "single line",
                                   "no end\nline", "caf\xc3\xa9 \xff\x80\tok\n"};
    for (size_t i = 0; i < std::size(samples); ++i)
        addBlock(("doc" + std::to_string(i)).c_str(), samples[i]);
    for (size_t i = 0; i < std::size(samples); ++i) {
        const std::string blockName = "doc" + std::to_string(i);
        SCOPED_TRACE(blockName);
        EXPECT_EQ(choose(blockName.c_str()), 0);
        EXPECT_EQ(label(kType), "ASCII file");
        EXPECT_EQ(label(kSize), "Size: " + std::to_string(samples[i].size()) + " B");
        EXPECT_NE(label(kBlockSize), "QEL Blocksize: 0 B");
        EXPECT_TRUE(text()->isEnabled());
        EXPECT_FALSE(tab->isDirty());
        // Saved twice without a reload: the line ends and the last break stay.
        EXPECT_EQ(save(), 0);
        EXPECT_EQ(save(), 0);
        EXPECT_EQ(stored(blockName.c_str()), samples[i]);
    }
    EXPECT_EQ(choose("doc1"), 0);
    EXPECT_EQ(lines(), (std::vector<std::string>{"line one", "line two"}));
    edit({"first", "second", "third"});
    EXPECT_TRUE(tab->isDirty());
    EXPECT_EQ(save(), 0);
    EXPECT_FALSE(tab->isDirty());
    EXPECT_EQ(stored("doc1"), "first\r\nsecond\r\nthird\r\n");
}

TEST_F(TextFileTabTest, BinaryContentIsShownAsSuchAndSavedUnchanged)
{
    openArchive({});
    makeXML();
    const std::string controls[] = {std::string("a\0b", 3), "x\x01", "bell\x07", "tab\x0b", "ff\x0c", "esc\x1b",
                                    "del\x7f"};
    for (size_t i = 0; i < std::size(controls); ++i)
        addBlock(("bin" + std::to_string(i)).c_str(), controls[i]);
    for (size_t i = 0; i < std::size(controls); ++i) {
        const std::string blockName = "bin" + std::to_string(i);
        SCOPED_TRACE(blockName);
        EXPECT_EQ(choose(blockName.c_str()), 0);
        EXPECT_EQ(label(kType), "Binary file");
        EXPECT_EQ(text()->getText(), "");
        EXPECT_FALSE(text()->isEnabled());
        EXPECT_TRUE(widget(kExport)->isEnabled());
        EXPECT_TRUE(panel->getButton(BW_SAVE)->isEnabled());
        EXPECT_EQ(save(), 0);
        EXPECT_EQ(stored(blockName.c_str()), controls[i]);
    }
}

TEST_F(TextFileTabTest, TheStorageBoxesAreOneChoiceThatTheNextSaveUses)
{
    openArchive({});
    makeFiles();
    addBlock("raw.txt", "plain", Archive::ST_RAW);
    addBlock("packed.txt", "packed");
    EXPECT_EQ(choose("raw.txt"), 0);
    EXPECT_EQ(storageBoxes(), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(choose("packed.txt"), 0);
    EXPECT_EQ(storageBoxes(), (std::vector<bool>{false, true, false}));

    EXPECT_EQ(click(id(kRaw)), 0);
    EXPECT_EQ(click(id(kRaw)), 0);
    EXPECT_EQ(storageBoxes(), (std::vector<bool>{true, false, false}));
    EXPECT_TRUE(tab->isDirty());
    EXPECT_EQ(save(), 0);
    uint32_t storage = 0;
    EXPECT_EQ(stored("packed.txt", &storage), "packed");
    EXPECT_EQ(storage, Archive::ST_RAW);
    // Saving again without a click keeps the block's stored mode.
    EXPECT_EQ(save(), 0);
    stored("packed.txt", &storage);
    EXPECT_EQ(storage, Archive::ST_RAW);

    // Encrypted without a remembered key: the key warning, nothing written.
    EXPECT_EQ(click(id(kCrypted)), 0);
    EXPECT_EQ(storageBoxes(), (std::vector<bool>{false, false, true}));
    edit({"changed"});
    TS::clearModalLog();
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(click(BW_SAVE), -1);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"File", kKeyNeeded, MBB_OK, MBT_WARNING, 0}}));
    EXPECT_EQ(stored("packed.txt", &storage), "packed");
    EXPECT_EQ(storage, Archive::ST_RAW);
    EXPECT_TRUE(tab->isDirty());

    // With the remembered key the block is written encrypted, the archive
    // counts as secured, and it reads back with that key.
    rememberKey("sesame");
    EXPECT_EQ(save(), 0);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"File: save to QEL", "File saved.", MBB_NONE, MBT_INFORMATION, 1500}}));
    EXPECT_EQ(stored("packed.txt", &storage), "changed");
    EXPECT_EQ(storage, Archive::ST_ENCRYPTED);
    EXPECT_EQ(status->bSecured, 1);
    EXPECT_EQ(status->bReparseAll, 1);

    const std::string path = status->sArchivePath.c_str();
    ArchiveMgr* archives = Main::instance()->archiveMgr();
    archives->close(status->iArchiveID);
    status->iArchiveID = archives->load(path.c_str(), nullptr, 0);
    ASSERT_GT(status->iArchiveID, 0);
    EXPECT_EQ(stored("packed.txt"), "<missing>");
    ASSERT_EQ(archive()->setKey("sesame", 6), 0);
    EXPECT_EQ(stored("packed.txt", &storage), "changed");
}

TEST_F(TextFileTabTest, ABlockThatCannotBeLoadedLeavesNothingToSave)
{
    openArchive({});
    makeFiles();
    addBlock("open.txt", "visible text");
    ASSERT_EQ(archive()->setKey("sesame", 6), 0);
    addBlock("locked.txt", "secret text", Archive::ST_ENCRYPTED);
    const std::string path = status->sArchivePath.c_str();
    ArchiveMgr* archives = Main::instance()->archiveMgr();
    archives->close(status->iArchiveID);
    status->iArchiveID = archives->load(path.c_str(), nullptr, 0);

    EXPECT_EQ(choose("open.txt"), 0);
    EXPECT_EQ(text()->getText(), "visible text");
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(choose("locked.txt"), -1);
    // Right after the failed load, before any other event.
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Loading resource", "File could not be loaded.", MBB_OK, MBT_ERROR, 0}}));
    EXPECT_EQ(label(kType), "No file");
    EXPECT_EQ(text()->getText(), "");
    EXPECT_STREQ(name->getText().c_str(), "locked.txt");
    EXPECT_EQ(contentWidgetsEnabled(), std::vector<bool>(6, false));
    TS::pushAnswer(0);
    EXPECT_EQ(tab->onSave(), -1);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"File: save to QEL", kEmptySave, MBB_NONE, MBT_WARNING, 2000}}));
    // Nothing is held, so nothing replaces a file of that name.
    TestFolder::write(folder.path("locked.txt"), bytes("mine"));
    TS::pushAnswer(0);
    EXPECT_EQ(tab->onExport(status->sArchivePath), -1);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"File export", "File could not be exported:\nnothing is loaded.",
                                              MBB_NONE, MBT_WARNING, 2000}}));
    EXPECT_EQ(editortest::readFile(folder.path("locked.txt")), "mine");

    // Once the key is known, choosing the block again loads it.
    ASSERT_EQ(archive()->setKey("sesame", 6), 0);
    EXPECT_EQ(choose("locked.txt"), 0);
    EXPECT_EQ(text()->getText(), "secret text");
    EXPECT_EQ(storageBoxes(), (std::vector<bool>{false, false, true}));
}

TEST_F(TextFileTabTest, ASaveNeedsANameAndContent)
{
    openArchive({});
    makeFiles();
    addBlock("a.txt", "text\n");
    EXPECT_EQ(choose("a.txt"), 0);
    name->setText("");
    list->setSelectedIndex(0);
    tab->processEvent(BW_NAME, 0);
    TS::pushAnswer(0);
    EXPECT_EQ(tab->processEvent(BW_SAVE, 0), -1);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"File: save to QEL", "File name cannot be empty.", MBB_NONE,
                                              MBT_WARNING, 2000}}));

    // An emptied text box is nothing to save, even where the text ended
    // with a line break; the loaded bytes stay held.
    name->setText("a.txt");
    edit({""});
    TS::pushAnswer(0);
    EXPECT_EQ(click(BW_SAVE), -1);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"File: save to QEL", kEmptySave, MBB_NONE, MBT_WARNING, 2000}}));
    EXPECT_EQ(stored("a.txt"), "text\n");
    EXPECT_EQ(label(kSize), "Size: 5 B");
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(click(id(kExport)), 0);
    EXPECT_EQ(editortest::readFile(folder.path("a.txt")), "text\n");
    TS::clearModalLog();
}

TEST_F(TextFileTabTest, SavedBlocksTheListHidesLeaveNothingSelected)
{
    openArchive({});
    makeXML();
    addBlock("data.xml", "<data/>");
    EXPECT_EQ(choose("data.xml"), 0);
    for (const char* hidden : {"map.tmx", "#private.xml"}) {
        SCOPED_TRACE(hidden);
        name->setText(hidden);
        tab->processEvent(BW_NAME, 0);
        EXPECT_EQ(save(), 0);
        EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"XML: save to QEL", "XML saved.", MBB_NONE, MBT_INFORMATION, 1500}}));
        EXPECT_EQ(stored(hidden), "<data/>");
        EXPECT_EQ(listItems(list), (std::vector<std::string>{"data.xml"}));
        EXPECT_EQ(list->getSelectedIndex(), 0);
        EXPECT_STREQ(name->getText().c_str(), hidden);
        EXPECT_FALSE(tab->isDirty());
    }
    // The current item was forgotten: choosing data.xml loads it again.
    edit({"<edited/>"});
    EXPECT_EQ(choose("data.xml"), 0);
    EXPECT_EQ(text()->getText(), "<data/>");
}

TEST_F(TextFileTabTest, ChoosingTheOpenItemKeepsEditsAnotherDiscardsThem)
{
    openArchive({});
    makeXML();
    addBlock("one.xml", "<one/>");
    addBlock("two.xml", "<two/>");
    EXPECT_EQ(choose("one.xml"), 0);
    edit({"<changed/>"});
    EXPECT_EQ(choose("one.xml"), 0);
    EXPECT_EQ(text()->getText(), "<changed/>");
    EXPECT_TRUE(tab->isDirty());
    EXPECT_EQ(choose("two.xml"), 0);
    EXPECT_EQ(text()->getText(), "<two/>");
    EXPECT_FALSE(tab->isDirty());
    EXPECT_EQ(stored("one.xml"), "<one/>");

    // New empties everything and goes back to compressed storage.
    EXPECT_EQ(click(id(kRaw)), 0);
    EXPECT_EQ(click(BW_NEW), 4);
    EXPECT_EQ(label(kType), "No file");
    EXPECT_EQ(label(kSize), "Size: 0 B");
    EXPECT_EQ(text()->getText(), "");
    EXPECT_EQ(storageBoxes(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(list->getSelectedIndex(), 0);
    EXPECT_FALSE(tab->isDirty());
}

TEST_F(TextFileTabTest, ALoneLineBreakIsContentAndSaved)
{
    openArchive({});
    makeFiles();
    for (const char* bytes : {"\n", "\r\n"}) {
        SCOPED_TRACE(bytes[0] == '\r' ? "CRLF" : "LF");
        addBlock("break.txt", bytes);
        tab->onNew();
        EXPECT_EQ(choose("break.txt"), 0);
        name->setText("copy.txt");
        tab->processEvent(BW_NAME, 0);
        EXPECT_EQ(save(), 0);
        EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"File: save to QEL", "File saved.", MBB_NONE, MBT_INFORMATION, 1500}}));
        EXPECT_EQ(stored("copy.txt"), bytes);
    }
}

// The text box keeps its rows as pixels between frames; after each thing the
// user does it must show what it holds now. Each frame is held against the
// same state drawn into a texture, where nothing is kept; the two frames
// may differ only by the caret, which can blink between them.
TEST_F(TextFileTabTest, TheTextBoxShowsWhatItHoldsAfterEachEdit)
{
    openArchive({});
    makeXML();
    std::string first, second;
    // Box-drawing bars reach a pixel into the row below.
    for (int i = 1; i <= 120; ++i) {
        const std::string n = std::to_string(i);
        first += "<tile id=\"" + n + "\" name=\"\xe2\x94\x82 \xc3\x81rbol " + n + "\"/>\n";
        second += "<object n=\"" + std::to_string(i * 7) + "\"/>\n";
    }
    addBlock("first.xml", first);
    addBlock("second.xml", second);
    ASSERT_EQ(choose("first.xml"), 0);
    Screen* screen = Main::instance()->configMgr()->get(0);
    screen->setRenderCallback([this](int value) { return tab->render(value); });
    SDL_Renderer* renderer = screen->getRenderer();
    SDL_Texture* canvas =
        SDL_CreateTexture(renderer, SDL_GetWindowSurface(SDL_RenderGetWindow(renderer))->format->format,
                          SDL_TEXTUREACCESS_TARGET, screen->getWidth(), screen->getHeight());
    ASSERT_NE(canvas, nullptr);
    auto drawnIntoTexture = [&] {
        SDL_SetRenderTarget(renderer, canvas);
        SDL_Surface* frame = TS::captureFrame();
        SDL_SetRenderTarget(renderer, nullptr);
        return frame;
    };
    int x = 0, y = 0;
    ASSERT_TRUE(TS::widgetCenter(panelId, id(kText), x, y));
    TS::click(x, y);
    deliver();
    const SDL_Rect box = text()->getRect();
    auto keys = [&](int key, int times, int mod = 0) {
        for (int i = 0; i < times; ++i)
            TS::key(key, mod);
    };
    const struct {
        const char* what;
        std::function<void()> act;
    } steps[] = {
        {"type", [&] { TS::typeText("Zebra"); }},
        {"new line", [&] { keys(SDLK_RETURN, 1); }},
        {"scroll down", [&] { TS::mouseWheel(x, y, -4); }},
        {"scroll back", [&] { TS::mouseWheel(x, y, 4); }},
        {"take the typing back", [&] { keys(SDLK_BACKSPACE, 6); }},
        {"empty a line with a bar", [&] {
             keys(SDLK_HOME, 1);
             keys(SDLK_END, 1, KMOD_LSHIFT);
             keys(SDLK_DELETE, 1);
         }},
        {"type a bar into it", [&] { TS::typeText("\xe2\x94\x82"); }},
        {"select lines", [&] { keys(SDLK_DOWN, 2, KMOD_LSHIFT); }},
        {"delete the selection", [&] { keys(SDLK_DELETE, 1); }},
        {"another block, edits unsaved", [&] { choose("second.xml"); }},
        {"back to the first", [&] { choose("first.xml"); }},
        {"page down", [&] { keys(SDLK_PAGEDOWN, 1); }},
        {"resize", [&] { text()->setSize(box.w - 90, box.h - 130); }},
        {"type after the resize", [&] { TS::typeText("Q"); }},
        {"delete to the end", [&] {
             keys(SDLK_END, 1, KMOD_LCTRL | KMOD_LSHIFT);
             keys(SDLK_DELETE, 1);
         }},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        deliver();
        const SDL_Rect now = text()->getRect();
        SDL_Surface* shown = TS::captureFrame();
        SDL_Surface* direct = drawnIntoTexture();
        ASSERT_NE(shown, nullptr);
        ASSERT_NE(direct, nullptr);
        SDL_Rect differ{now.x + now.w, now.y + now.h, 0, 0};
        for (int py = now.y; py < now.y + now.h; ++py)
            for (int px = now.x; px < now.x + now.w; ++px) {
                const size_t at = static_cast<size_t>(py * shown->pitch / 4 + px);
                if (static_cast<const Uint32*>(shown->pixels)[at] == static_cast<const Uint32*>(direct->pixels)[at])
                    continue;
                const SDL_Rect pixel{px, py, 1, 1};
                if (differ.w == 0)
                    differ = pixel;
                else
                    SDL_UnionRect(&differ, &pixel, &differ);
            }
        SDL_FreeSurface(shown);
        SDL_FreeSurface(direct);
        EXPECT_LE(differ.w, 1) << "from x " << differ.x << ", y " << differ.y << ", " << differ.h << " rows high";
        EXPECT_LE(differ.h, 20);
    }
    SDL_DestroyTexture(canvas);
    screen->setRenderCallback(nullptr);
}

} // namespace

