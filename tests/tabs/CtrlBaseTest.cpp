#include "tabs/TabFixture.h"
#include "tabs/base/BasePanel.h"

#include "support/LogCapture.h"
#include "tabs/base/TabControls.h"
#include "tabs/data/MediaControls.h"
#include "tabs/data/ctrlAudioTracks.h"
#include "tabs/data/ctrlVideos.h"

#include <Zelkoran/Widget.h>

#include <string>
#include <vector>

namespace {

using editortest::listItems;
using namespace Zelkoran;

class CtrlBaseTest : public TabTest {
protected:
    void SetUp() override
    {
        TabTest::SetUp();
        tab = &makeProbe();
        p = tab->basePanel();
        list = p->getList(BW_LIST);
        name = p->getTextEdit(BW_NAME);
        ASSERT_NE(list, nullptr);
        ASSERT_NE(name, nullptr);
    }

    void typeName(const char* text)
    {
        name->setText(text);
        tab->processEvent(BW_NAME, 0);
    }
    bool usable(int id) { return p->getButton(id)->status() != 0; }

    // Gives the list exactly rows visible rows.
    void showRows(int rows)
    {
        for (int h = 10; h < 1000 && list->getVisibleItems() != rows; ++h)
            list->setSize(164, h);
        ASSERT_EQ(list->getVisibleItems(), rows);
    }

    ProbeTab* tab = nullptr;
    Panel* p = nullptr;
    WidgetList* list = nullptr;
    WidgetTextEdit* name = nullptr;
};

TEST_F(CtrlBaseTest, ListsLiveBlocksOfItsTypeWithoutHiddenNames)
{
    openArchive({{"walls", "ZK7_IMAGE"},
                 {"#T_walls", "ZK7_IMAGE"},
                 {"gone", "ZK7_IMAGE", true},
                 {"arrow", "ZK7_CURSOR"},
                 {"banner", "ZK7_IMAGES"},
                 {"bricks", "ZK7_IMAGE"}});
    EXPECT_EQ(tab->parseQEL(), 0);
    EXPECT_EQ(listItems(list), (std::vector<std::string>{"bricks", "walls"}));
    EXPECT_EQ(tab->getNumItems(), 2);
}

TEST_F(CtrlBaseTest, WithoutArchiveTheListIsEmpty)
{
    list->addItem("stale");
    EXPECT_EQ(tab->parseQEL(), 0);
    EXPECT_EQ(tab->getNumItems(), 0);
}

TEST_F(CtrlBaseTest, RebuildingKeepsTheSelectedNameWhileItExists)
{
    openArchive({{"a", "ZK7_IMAGE"}, {"b", "ZK7_IMAGE"}});
    tab->parseQEL();
    ASSERT_EQ(tab->selectBlockListItemByName("b"), 1);

    Archive::Block c("0first", "ZK7_IMAGE");
    c.data = const_cast<char*>("c");
    c.size = 1;
    ASSERT_EQ(archive()->blockAdd(c), 0);
    tab->parseQEL();
    EXPECT_STREQ(list->getSelectedText(), "b");
    EXPECT_EQ(list->getSelectedIndex(), 3);

    ASSERT_EQ(archive()->blockDelete(Archive::Block("b", "ZK7_IMAGE")), 0);
    tab->parseQEL();
    EXPECT_EQ(list->getSelectedIndex(), 0);
    EXPECT_EQ(listItems(list), (std::vector<std::string>{"0first", "a"}));
}

TEST_F(CtrlBaseTest, SelectingByNameNeedsTheWholeName)
{
    list->addItem("hero");
    list->addItem("heroes");
    EXPECT_EQ(tab->selectBlockListItemByName("heroes"), 1);
    EXPECT_EQ(list->getSelectedIndex(), 2);
    EXPECT_EQ(tab->selectBlockListItemByName("her"), 0);
    EXPECT_EQ(list->getSelectedIndex(), 0);
    list->clearItems();
    EXPECT_EQ(tab->selectBlockListItemByName("hero"), 0);
}

TEST_F(CtrlBaseTest, SliderRangeFollowsTheRowsThatDoNotFit)
{
    showRows(6);
    for (int i = 0; i < 10; ++i)
        list->addItem(("item" + std::to_string(i)).c_str());
    WidgetSlider* slider = p->getSlider(BW_SLIDER);
    list->setScroll(3, nullptr);
    ASSERT_EQ(tab->refreshWidgets(), 0);
    EXPECT_EQ(slider->getMin(), 0);
    EXPECT_EQ(slider->getMax(), 4);
    EXPECT_EQ(slider->getValue(), 3);

    // Moving the slider scrolls the list to it.
    slider->setValue(1);
    EXPECT_EQ(tab->processEvent(BW_SLIDER, 1), 0);
    EXPECT_EQ(list->getScroll(), 1);

    list->clearItems();
    for (const char* item : {"x", "y", "z"})
        list->addItem(item);
    tab->refreshWidgets();
    EXPECT_EQ(slider->getMax(), 0);
}

TEST_F(CtrlBaseTest, NamesBeyondABlockNameStayAsTyped)
{
    // A cut name could be another block's: Save refuses it instead.
    for (const std::string& typed : {std::string(70, 'n'), std::string(62, 'n') + "\xC3\xA9"}) {
        typeName(typed.c_str());
        EXPECT_EQ(std::string(name->getText().c_str()), typed);
    }
}

TEST_F(CtrlBaseTest, SaveNeedsASelectionOrANameAndDeleteASelection)
{
    tab->refreshWidgets();
    EXPECT_FALSE(usable(BW_SAVE));
    EXPECT_FALSE(usable(BW_DELETE));
    typeName("fresh");
    EXPECT_TRUE(usable(BW_SAVE));
    EXPECT_FALSE(usable(BW_DELETE));
    typeName("");
    EXPECT_FALSE(usable(BW_SAVE));

    list->addItem("kept");
    list->setSelectedIndex(1);
    tab->refreshWidgets();
    EXPECT_TRUE(usable(BW_SAVE));
    EXPECT_TRUE(usable(BW_DELETE));
}

TEST_F(CtrlBaseTest, TypingAnotherNameMakesTheTabDirty)
{
    tab->setCurrentItem("hero");
    typeName("hero");
    EXPECT_FALSE(tab->isDirty());
    typeName("heroes");
    EXPECT_TRUE(tab->isDirty());
}

TEST_F(CtrlBaseTest, TheDirtyFramePulsesWhileSaveIsUsable)
{
    WidgetFrame* frame = p->getFrame(BW_DIRTY_FRAME);
    typeName("unsaved"); // enables Save, makes the tab dirty: first step of the pulse
    ASSERT_TRUE(usable(BW_SAVE));
    ASSERT_TRUE(tab->isDirty());
    tab->setDirty(true);
    EXPECT_EQ(frame->getAlphaMod(), 73); // second step
    tab->setDirty(false);
    EXPECT_FALSE(frame->isShown());

    tab->setDirty(true); // the pulse starts over
    EXPECT_TRUE(frame->isShown());
    EXPECT_EQ(frame->getAlphaMod(), 68);
    uint8_t r, g, b, a;
    frame->getBorderColor(&r, &g, &b, &a, WS_HOVERED);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 170);
    EXPECT_EQ(b, 32);
    EXPECT_EQ(a, 68);
    EXPECT_EQ(frame->getBorderWidth(WS_NORMAL), 2);
    const SDL_Rect rect = frame->getRect();
    EXPECT_EQ(rect.w, 34);
    EXPECT_EQ(rect.x, (200 - 34) / 2);
    EXPECT_EQ(rect.y, 40 + 172);

    std::vector<int> alphas;
    for (int tick = 2; tick <= 81; ++tick) {
        tab->updateDirtyIndicator();
        alphas.push_back(frame->getAlphaMod());
    }
    EXPECT_EQ(alphas[40 - 2], 255);
    EXPECT_EQ(alphas[80 - 2], 64);
    EXPECT_EQ(alphas[81 - 2], 68);

    p->getButton(BW_SAVE)->disable();
    tab->updateDirtyIndicator();
    EXPECT_FALSE(frame->isShown());
    EXPECT_TRUE(tab->isDirty());
}

TEST_F(CtrlBaseTest, ChoosingARowFillsTheNameField)
{
    list->addItem("alpha");
    list->addItem("beta");
    tab->setCurrentItem("alpha");
    tab->setDirty(true);

    list->setSelectedIndex(1);
    EXPECT_EQ(tab->processEvent(BW_LIST, 1), 0);
    EXPECT_STREQ(name->getText().c_str(), "alpha");
    EXPECT_TRUE(tab->isDirty()); // the current item itself

    list->setSelectedIndex(2);
    tab->processEvent(BW_LIST, 2);
    EXPECT_STREQ(name->getText().c_str(), "beta");
    EXPECT_FALSE(tab->isDirty());

    list->setSelectedIndex(0);
    name->setText("typed");
    tab->processEvent(BW_LIST, 0);
    EXPECT_STREQ(name->getText().c_str(), "typed");
}

TEST_F(CtrlBaseTest, NewAndResetClearTheTab)
{
    openArchive({{"a", "ZK7_IMAGE"}, {"b", "ZK7_IMAGE"}});
    tab->parseQEL();
    list->setSelectedIndex(2);
    tab->processEvent(BW_LIST, 2);
    tab->setDirty(true);

    EXPECT_EQ(tab->processEvent(BW_NEW, 0), 0);
    EXPECT_EQ(list->getSelectedIndex(), 0);
    EXPECT_STREQ(name->getText().c_str(), "");
    EXPECT_FALSE(tab->isDirty());
    EXPECT_EQ(tab->getNumItems(), 2);

    name->setText("x");
    p->getSlider(BW_SLIDER)->setRange(0, 5);
    EXPECT_EQ(tab->resetWidgets(), 0);
    EXPECT_EQ(tab->getNumItems(), 0);
    EXPECT_STREQ(name->getText().c_str(), "");
    EXPECT_EQ(p->getSlider(BW_SLIDER)->getMax(), 0);
}

TEST_F(CtrlBaseTest, AFailedSaveOrDeleteReachesTheCaller)
{
    tab->saveResult = -1;
    EXPECT_EQ(tab->processEvent(BW_SAVE, 0), -1);
    tab->saveResult = 0;
    EXPECT_EQ(tab->processEvent(BW_SAVE, 0), 0);
    tab->deleteResult = -72;
    EXPECT_EQ(tab->processEvent(BW_DELETE, 0), -72);
    EXPECT_EQ(tab->processEvent(4711, 0), 0);
}

TEST_F(CtrlBaseTest, WithoutListOrSliderNothingIsDone)
{
    std::vector<std::string> journal;
    ProbeTab recorded("Recorded", 251, &*resources, &*status, &journal);
    Panel* panel = recorded.basePanel();
    ASSERT_EQ(panel->closeWidget(BW_SLIDER), 0);
    EXPECT_EQ(recorded.processEvent(BW_SAVE, 0), -1);
    EXPECT_EQ(journal, (std::vector<std::string>{"Recorded:processEvent " + std::to_string(BW_SAVE)}));
    EXPECT_EQ(recorded.refreshWidgets(), -1);

    ASSERT_EQ(panel->closeWidget(BW_LIST), 0);
    EXPECT_EQ(recorded.parseQEL(), -1);
    EXPECT_EQ(recorded.selectBlockListItemByName("x"), 0);
    EXPECT_EQ(recorded.getNumItems(), 0);
}

TEST_F(CtrlBaseTest, WidgetIntReadsNumberAndTextEdits)
{
    WidgetNumberEdit* number = p->createNumberEdit("Number", 500);
    number->allowFloat(true);
    number->setValue(2.9f);
    EXPECT_EQ(widgetInt(tab->tabServices().panel(), 500, 5, 10, 1), 2);
    number->setValue(-7.5f);
    EXPECT_EQ(widgetInt(tab->tabServices().panel(), 500, 5, 10, 1), 1);

    WidgetTextEdit* text = p->createTextEdit("Text", 501);
    text->setText("");
    EXPECT_EQ(widgetInt(tab->tabServices().panel(), 501, 50, 10, 1), 50); // the default is not clamped
    text->setText("99");
    EXPECT_EQ(widgetInt(tab->tabServices().panel(), 501, 5, 10, 1), 10);
    text->setText("-5");
    EXPECT_EQ(widgetInt(tab->tabServices().panel(), 501, 5, 10, 1), 1);
    text->setText("7 apples");
    EXPECT_EQ(widgetInt(tab->tabServices().panel(), 501, 5, 10, 1), 7);
    // Minimum above maximum: above the maximum gives it, anything else the minimum.
    text->setText("15");
    EXPECT_EQ(widgetInt(tab->tabServices().panel(), 501, 5, 10, 20), 10);
    text->setText("5");
    EXPECT_EQ(widgetInt(tab->tabServices().panel(), 501, 5, 10, 20), 20);

    EXPECT_EQ(widgetInt(tab->tabServices().panel(), 502, 33, 10, 1), 33);
    EXPECT_EQ(widgetInt(tab->tabServices().panel(), BW_TITLE, 33, 10, 1), 33); // a label is neither
}

TEST_F(CtrlBaseTest, AudioTagBoxes)
{
    using enum CtrlAudioTracks::eAudioWidget;
    using enum CtrlVideos::eVideoWidget;
    for (int id : {AW_MUSIC, AW_SFX, AW_VOICE, AW_CUSTOM})
        p->createCheckBox("Tag", id);
    auto ticked = [&] {
        std::vector<int> ids;
        for (int id : {AW_MUSIC, AW_SFX, AW_VOICE, AW_CUSTOM})
            if (p->getCheckBox(id)->isChecked())
                ids.push_back(id);
        return ids;
    };
    media::applyAudioTagToWidgets(p, 7, AW_MUSIC, AW_SFX, AW_VOICE, AW_CUSTOM, ATT_SFX);
    EXPECT_EQ(ticked(), std::vector<int>{AW_SFX});
    media::applyAudioTagToWidgets(p, 4, AW_MUSIC, AW_SFX, AW_VOICE, AW_CUSTOM, ATT_SFX);
    EXPECT_EQ(ticked(), std::vector<int>{AW_CUSTOM});
    media::applyAudioTagToWidgets(p, 1, AW_MUSIC, AW_SFX, AW_VOICE, AW_CUSTOM, ATT_SFX);
    EXPECT_EQ(ticked(), std::vector<int>{AW_MUSIC});

    EXPECT_EQ(media::selectedAudioTagFromWidgets(p, AW_MUSIC, AW_SFX, AW_VOICE, AW_CUSTOM, ATT_SFX), ATT_MUSIC);
    p->getCheckBox(AW_CUSTOM)->setChecked(true);
    EXPECT_EQ(media::selectedAudioTagFromWidgets(p, AW_MUSIC, AW_SFX, AW_VOICE, AW_CUSTOM, ATT_SFX), ATT_MUSIC);
    p->getCheckBox(AW_MUSIC)->setChecked(false);
    EXPECT_EQ(media::selectedAudioTagFromWidgets(p, AW_MUSIC, AW_SFX, AW_VOICE, AW_CUSTOM, ATT_SFX), ATT_CUSTOM);
    p->getCheckBox(AW_CUSTOM)->setChecked(false);
    EXPECT_EQ(media::selectedAudioTagFromWidgets(p, AW_MUSIC, AW_SFX, AW_VOICE, AW_CUSTOM, ATT_VOICE), ATT_VOICE);
    // Missing boxes are skipped.
    p->getCheckBox(AW_VOICE)->setChecked(true);
    EXPECT_EQ(media::selectedAudioTagFromWidgets(p, 9001, 9002, AW_VOICE, 9004, ATT_SFX), ATT_VOICE);

    EXPECT_EQ(media::audioTagFromWidgetID(VW_VOICE, VW_MUSIC, VW_SFX, VW_VOICE, VW_CUSTOM, ATT_MUSIC), ATT_VOICE);
    EXPECT_EQ(media::audioTagFromWidgetID(VW_INFO, VW_MUSIC, VW_SFX, VW_VOICE, VW_CUSTOM, ATT_SFX), ATT_SFX);
}

TEST_F(CtrlBaseTest, ATabDestroyedWithItsResourceOpenSaysSo)
{
    LogCapture log(folder.path("log.txt"));
    std::unique_ptr<ProbeTab> leaky(new (std::nothrow) ProbeTab("Leaky", 252, &*resources, &*status));
    leaky->holdResource(0x2A);
    leaky.reset();
    EXPECT_NE(log.text().find(" [CtrlBase] Critical: item resource was not closed 0x2a!!\n"), std::string::npos);
}

class CtrlBaseDeathTest : public TabTest {};

TEST_F(CtrlBaseDeathTest, ATabThatCannotBeBuiltEndsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ProbeTab("Lost", 260, nullptr, &*status), ::testing::ExitedWithCode(1),
                "Could not create an Skardy controller without a ResourceManager\\.");
    EXPECT_EXIT(ProbeTab("Lost", 260, &*resources, nullptr), ::testing::ExitedWithCode(1),
                "Could not create an Skardy controller without a GlobalStatus\\.");
    EXPECT_EXIT(
        {
            ProbeTab first("Twin", 261, &*resources, &*status);
            ProbeTab second("Twin", 261, &*resources, &*status);
        },
        ::testing::ExitedWithCode(1), "Could not create the Skardy tab checkbox: Twin");
}

} // namespace
