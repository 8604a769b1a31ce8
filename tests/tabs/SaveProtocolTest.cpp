#include "tabs/ProtocolTab.h"
#include "services/ArchiveFailureText.h"
#include "tabs/base/BasePanel.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

using editortest::listItems;
using namespace Zelkoran;
namespace TS = editortest::TS;

const char* const kNoRoom = "There is no room for more QEL blocks.\nDefrag/resize the QEL file and try again.";
const char* const kKeyNeeded = "Encrypted blocks require a QEL password.\nUse the menu Encryption and password "
                               "button to set it before saving this block.";

class SaveProtocolTest : public ProtocolTest {
protected:
    void SetUp() override
    {
        ProtocolTest::SetUp();
        openArchive({{"moon", "ZK7_IMAGE"}, {"sun", "ZK7_IMAGE"}});
        ASSERT_EQ(tab->parseQEL(), 0);
        status->bReparseAll = 0;
    }

    // A text block of the tab's type with the given storage.
    static Archive::Block textBlock(const char* blockName, uint32_t storage, const std::string& bytes)
    {
        Archive::Block block(blockName, "ZK7_IMAGE");
        block.storage = storage;
        block.data = const_cast<char*>(bytes.data());
        block.size = bytes.size();
        return block;
    }

    std::string load(const char* blockName)
    {
        Archive::Block block(blockName, "ZK7_IMAGE");
        if (archive()->blockLoad(block) != 0)
            return "<not loaded>";
        std::string bytes(static_cast<const char*>(block.data), block.size);
        archive()->blockFree(block);
        return bytes;
    }
};

TEST_F(SaveProtocolTest, ASavedResourceBecomesTheCleanSelectedItem)
{
    name->setText("sky");
    tab->processEvent(BW_NAME, 0);
    ASSERT_TRUE(tab->isDirty());
    TS::pushAnswer(0);

    EXPECT_EQ(tab->processEvent(BW_SAVE, 0), 0);
    EXPECT_EQ(load("sky"), "sky");
    EXPECT_EQ(listItems(list), (std::vector<std::string>{"moon", "sky", "sun"}));
    EXPECT_STREQ(list->getSelectedText(), "sky");
    EXPECT_EQ(tab->current(), "sky");
    EXPECT_FALSE(tab->isDirty());
    EXPECT_EQ(status->bReparseAll, 1);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Image: save to QEL", "Image saved.", MBB_NONE, MBT_INFORMATION, 1500}}));
}

TEST_F(SaveProtocolTest, ANameIsRequiredButTakenAsTyped)
{
    const int blocks = archive()->getIndexCount();
    TS::pushAnswer(0);
    EXPECT_EQ(tab->processEvent(BW_SAVE, 0), -1);
    EXPECT_EQ(archive()->getIndexCount(), blocks);
    EXPECT_EQ(status->bReparseAll, 0);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Image: save to QEL", "Please enter a name for the image.", MBB_NONE,
                                               MBT_WARNING, 2000}}));

    name->setText("  ");
    TS::pushAnswer(0);
    EXPECT_EQ(tab->processEvent(BW_SAVE, 0), 0);
    EXPECT_EQ(load("  "), "  ");
    EXPECT_EQ(tab->current(), "  ");

    // Longer than a block name: refused whole (an accent across the limit too), never cut.
    takeBoxes(); // the saved notice
    for (const std::string& typed : {std::string(64, 'n'), std::string(62, 'n') + "\xC3\xA9"}) {
        name->setText(typed.c_str());
        TS::pushAnswer(0);
        EXPECT_EQ(tab->processEvent(BW_SAVE, 0), -1);
        EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Image: save to QEL",
                                                   "The name is longer than 63 bytes.\nQEL block names hold at most "
                                                   "63 bytes: shorten it.",
                                                   MBB_NONE, MBT_WARNING, 2000}}));
        EXPECT_EQ(load(std::string(62, 'n').c_str()), "<not loaded>");
    }
    name->setText(std::string(63, 'n').c_str());
    TS::pushAnswer(0);
    EXPECT_EQ(tab->processEvent(BW_SAVE, 0), 0);
    EXPECT_EQ(load(std::string(63, 'n').c_str()), std::string(63, 'n'));
}

TEST_F(SaveProtocolTest, AHiddenNameIsSavedButNotListed)
{
    choose("moon");
    name->setText("#S_moon");
    TS::pushAnswer(0);
    EXPECT_EQ(tab->processEvent(BW_SAVE, 0), 0);
    EXPECT_EQ(load("#S_moon"), "#S_moon");
    EXPECT_EQ(list->getSelectedIndex(), 0);
    EXPECT_EQ(tab->current(), "");
    EXPECT_FALSE(tab->isDirty());
    EXPECT_EQ(takeBoxes().back(), (Box{"Image: save to QEL", "Image saved.", MBB_NONE, MBT_INFORMATION, 1500}));
}

TEST_F(SaveProtocolTest, AFailedSaveStepLeavesTheBookkeepingAlone)
{
    name->setText("sky");
    tab->processEvent(BW_NAME, 0);
    tab->saveStepResult = RC_ERR_IO;
    EXPECT_EQ(tab->processEvent(BW_SAVE, 0), -1);
    EXPECT_TRUE(tab->isDirty());
    EXPECT_EQ(status->bReparseAll, 0);
    EXPECT_TRUE(takeBoxes().empty());
}

TEST_F(SaveProtocolTest, AListThatCannotBeRebuiltStaysAsItWas)
{
    choose("moon");
    tab->setDirty(true);
    tab->parseResult = -1;
    EXPECT_EQ(tab->refreshBlockListAndSelect("sun"), -1);
    EXPECT_STREQ(list->getSelectedText(), "moon");
    EXPECT_EQ(tab->current(), "moon");
    EXPECT_TRUE(tab->isDirty());

    // The block is written: the save is confirmed even so.
    TS::pushAnswer(0);
    EXPECT_EQ(tab->finishResourceSave("Image", "sun"), 0);
    EXPECT_STREQ(list->getSelectedText(), "moon");
    EXPECT_EQ(tab->current(), "moon");
    EXPECT_EQ(status->bReparseAll, 1);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Image: save to QEL", "Image saved.", MBB_NONE, MBT_INFORMATION, 1500}}));
}

TEST_F(SaveProtocolTest, RefreshingSelectsOnlyAListedName)
{
    choose("moon");
    tab->setDirty(true);
    EXPECT_EQ(tab->refreshBlockListAndSelect("sun"), 0);
    EXPECT_STREQ(list->getSelectedText(), "sun");
    EXPECT_EQ(tab->current(), "sun");
    EXPECT_FALSE(tab->isDirty());

    tab->setDirty(true);
    EXPECT_EQ(tab->refreshBlockListAndSelect(""), -1);
    EXPECT_EQ(list->getSelectedIndex(), 0);
    EXPECT_EQ(tab->current(), "");
    EXPECT_FALSE(tab->isDirty());

    choose("sun");
    EXPECT_EQ(tab->refreshBlockListAndSelect("comet"), -1);
    EXPECT_EQ(list->getSelectedIndex(), 0);
    EXPECT_EQ(tab->current(), "");
}

TEST_F(SaveProtocolTest, ARawSaveWritesTheBlockAndRefreshesBeforeConfirming)
{
    std::vector<size_t> boxesAtRefresh;
    const std::string bytes = "line\r\n";
    TS::pushAnswer(0);
    EXPECT_EQ(tab->rawBlockSave.save(textBlock("notes", Archive::ST_COMPRESSED, bytes), "Text", "notes",
                                [&] { boxesAtRefresh.push_back(TS::modalLog().size()); }),
              0);
    EXPECT_EQ(load("notes"), bytes);
    EXPECT_EQ(boxesAtRefresh, (std::vector<size_t>{0}));
    EXPECT_EQ(status->bSecured, 0);
    EXPECT_EQ(status->bReparseAll, 1);
    EXPECT_STREQ(list->getSelectedText(), "notes");
    EXPECT_EQ(tab->current(), "notes");
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Text: save to QEL", "Text saved.", MBB_NONE, MBT_INFORMATION, 1500}}));

    // A block the tab's filter hides is saved with nothing selected.
    TS::pushAnswer(0);
    EXPECT_EQ(tab->rawBlockSave.save(textBlock("#hidden", Archive::ST_RAW, bytes), "Text", "", nullptr), 0);
    EXPECT_EQ(load("#hidden"), bytes);
    EXPECT_EQ(list->getSelectedIndex(), 0);
    EXPECT_EQ(tab->current(), "");
}

TEST_F(SaveProtocolTest, AnEncryptedSaveWithoutARememberedKeyWritesNothing)
{
    const int entries = archive()->getIndexCount();
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(tab->rawBlockSave.save(textBlock("secret", Archive::ST_ENCRYPTED, "x"), "Text", "secret", nullptr), -1);
    EXPECT_EQ(archive()->getIndexCount(), entries);
    EXPECT_EQ(status->bReparseAll, 0);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Text", kKeyNeeded, MBB_OK, MBT_WARNING}}));

    rememberKey("open sesame");
    TS::pushAnswer(MBB_OK);
    EXPECT_FALSE(tab->tabServices().setArchiveKeyForEncryptedSave(nullptr, "Text"));
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Text", kKeyNeeded, MBB_OK, MBT_WARNING}}));
}

TEST_F(SaveProtocolTest, AnEncryptedSaveUsesTheRememberedKey)
{
    rememberKey("open sesame");
    TS::pushAnswer(0);
    EXPECT_EQ(tab->rawBlockSave.save(textBlock("secret", Archive::ST_ENCRYPTED, "hidden words"), "Text", "secret",
                                nullptr),
              0);
    EXPECT_EQ(status->bSecured, 1);
    EXPECT_EQ(find("secret").storage, Archive::ST_ENCRYPTED);
    EXPECT_EQ(load("secret"), "hidden words");

    // On disk the block needs that key.
    ArchiveMgr* archives = Main::instance()->archiveMgr();
    ASSERT_EQ(archives->close(status->iArchiveID), 0);
    status->iArchiveID = archives->load(status->sArchivePath.c_str(), nullptr, 0);
    ASSERT_GT(status->iArchiveID, 0);
    Archive::Block block("secret", "ZK7_IMAGE");
    EXPECT_EQ(archive()->blockLoad(block), RC_ERR_KEY);
    ASSERT_EQ(archive()->setKey("open sesame", 11), 0);
    EXPECT_EQ(load("secret"), "hidden words");
}

TEST_F(SaveProtocolTest, AKeyTheArchiveRefusesWritesNothing)
{
    ASSERT_EQ(archive()->setKey("first", 5), 0);
    ASSERT_EQ(archive()->blockAdd(textBlock("old", Archive::ST_ENCRYPTED, "x")), 0);
    ArchiveMgr* archives = Main::instance()->archiveMgr();
    ASSERT_EQ(archives->close(status->iArchiveID), 0);
    status->iArchiveID = archives->load(status->sArchivePath.c_str(), nullptr, 0);
    ASSERT_GT(status->iArchiveID, 0);
    const int entries = archive()->getIndexCount();

    rememberKey("second");
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(tab->rawBlockSave.save(textBlock("new", Archive::ST_ENCRYPTED, "y"), "Text", "new", nullptr), -1);
    EXPECT_EQ(archive()->getIndexCount(), entries);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Text", "Could not set the QEL password for this encrypted block.",
                                               MBB_OK, MBT_ERROR}}));
}

TEST_F(SaveProtocolTest, BlockAddFailuresAreNamed)
{
    ArchiveMgr* archives = Main::instance()->archiveMgr();
    ASSERT_EQ(archives->close(status->iArchiveID), 0);
    const std::string full = folder.path("full.qel");
    status->iArchiveID = archives->create(full.c_str(), 1);
    ASSERT_GT(status->iArchiveID, 0);
    ASSERT_EQ(archive()->blockAdd(textBlock("only", Archive::ST_RAW, "x")), 0);

    TS::pushAnswer(0);
    EXPECT_EQ(tab->rawBlockSave.save(textBlock("more", Archive::ST_RAW, "y"), "Text", "more", nullptr), -1);
    EXPECT_EQ(status->bReparseAll, 0);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Text: save to QEL", kNoRoom, MBB_NONE, MBT_ERROR, 2000}}));

    EXPECT_EQ(saveFailureText(RC_ERR_KEY, "fallback", "a.qel"), kKeyNeeded);
    EXPECT_EQ(saveFailureText(RC_ERR_IO, "Text could not be saved.", "a.qel"), "Text could not be saved.");
}

class DeleteProtocolTest : public SaveProtocolTest {
protected:
    void SetUp() override
    {
        SaveProtocolTest::SetUp();
        choose("sun");
        ASSERT_EQ(tab->handle(), 1);
    }
};

TEST_F(DeleteProtocolTest, YesRemovesTheBlockAndStartsANewItem)
{
    TS::pushAnswer(MBB_YES);
    EXPECT_EQ(tab->processEvent(BW_DELETE, 0), 0);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Delete Image", "Are you sure you want to delete \"sun\" Image?",
                                               MBB_YESNO, MBT_INFORMATION}}));
    EXPECT_STREQ(find("sun").name, "");
    EXPECT_EQ(listItems(list), (std::vector<std::string>{"moon"}));
    EXPECT_EQ(list->getSelectedIndex(), 0);
    EXPECT_STREQ(name->getText().c_str(), "");
    EXPECT_EQ(tab->current(), "");
    EXPECT_EQ(tab->handle(), 0);
    EXPECT_EQ(status->bReparseAll, 1);
}

TEST_F(DeleteProtocolTest, AnyOtherAnswerChangesNothing)
{
    for (int answer : std::initializer_list<int>{int(MBB_NO), int(MBB_CANCEL), 0}) {
        TS::pushAnswer(answer);
        EXPECT_EQ(tab->processEvent(BW_DELETE, 0), -1) << answer;
    }
    EXPECT_STREQ(find("sun").name, "sun");
    EXPECT_EQ(tab->closes, 0);
    EXPECT_EQ(tab->handle(), 1);
    EXPECT_STREQ(list->getSelectedText(), "sun");
    EXPECT_EQ(status->bReparseAll, 0);
    TS::clearModalLog();
}

TEST_F(DeleteProtocolTest, AFailedRemovalLoadsTheBlockAgain)
{
    tab->removeResult = RC_ERR_NOT_FOUND;
    tab->setDirty(true);
    TS::pushAnswer(MBB_YES);
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(tab->processEvent(BW_DELETE, 0), -1);
    EXPECT_EQ(takeBoxes().back(), (Box{"Delete Image", "Image could not be deleted.", MBB_OK, MBT_ERROR}));
    EXPECT_STREQ(list->getSelectedText(), "sun");
    EXPECT_EQ(tab->current(), "sun");
    EXPECT_EQ(tab->loads, 2);
    EXPECT_EQ(tab->handle(), 2);
    EXPECT_EQ(tab->loadedName, "sun");
    EXPECT_FALSE(tab->isDirty());
}

TEST_F(DeleteProtocolTest, WithoutASelectionNothingIsAsked)
{
    tab->processEvent(BW_NEW, 0);
    EXPECT_EQ(tab->onDelete(), -1);
    EXPECT_TRUE(takeBoxes().empty());
    EXPECT_STREQ(find("sun").name, "sun");
}

} // namespace
