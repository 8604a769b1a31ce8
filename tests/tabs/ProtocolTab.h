// A tab for the save, delete and export steps of the base class and for
// the text view: its save writes an image block with the name's bytes, its
// delete removes the block, and its load only counts; each step's result
// can be forced.
#pragma once

#include "tabs/TabFixture.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/RawBlockSave.h"
#include "tabs/base/ResourceSave.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <memory>
#include <new>
#include <ostream>
#include <string>
#include <vector>

class ProtocolTab : public CtrlBase {
public:
    static constexpr int kTextEdit = 900;

    ProtocolTab(ResourceManager* rm, GlobalStatus* gs) : CtrlBase("Protocol", 251, rm, gs)
    {
        setBlockType("ZK7_IMAGE");
        tabServices().panel().createTextEdit("Text", kTextEdit)->setMultiline(true);
    }
    ~ProtocolTab() override { closeResources(); }

    int parseQEL() override { return parseResult != 0 ? parseResult : CtrlBase::parseQEL(); }
    int render(int) override { return 0; }
    int onSave() override
    {
        return resourceSave.save("Image", "Please enter a name for the image.", [this](const string& name) {
            if (saveStepResult != 0)
                return saveStepResult;
            Zelkoran::Archive::Block block(name.c_str(), "ZK7_IMAGE");
            block.data = const_cast<char*>(name.data());
            block.size = name.size();
            return archive()->blockAdd(block);
        });
    }
    int onDelete() override
    {
        return resourceSave.deleteSelected("Image", [this](const string& name) {
            return removeResult != 0 ? removeResult
                                     : archive()->blockDelete(Zelkoran::Archive::Block(name.c_str(), "ZK7_IMAGE"));
        });
    }
    int onListBox() override
    {
        if (const int rc = CtrlBase::onListBox(); rc != 0)
            return rc;
        const Zelkoran::WidgetList* list = tabServices().panel().getList(BW_LIST);
        if (list->getSelectedIndex() == 0 || getCurrentItemName() == list->getSelectedText())
            return 0;
        setCurrentItemName(list->getSelectedText());
        closeResources();
        setItemHandle(++loads);
        loadedName = getCurrentItemName().c_str();
        return 0;
    }
    int updateData() override { return 0; }
    int closeResources() override
    {
        if (getItemHandle() != 0)
            ++closes;
        setItemHandle(0);
        return 0;
    }

    Zelkoran::Panel* basePanel() const { return &tabServices().panel(); }
    Zelkoran::WidgetTextEdit* textEdit() const { return tabServices().panel().getTextEdit(kTextEdit); }
    std::string current() const { return getCurrentItemName().c_str(); }
    int handle() const { return getItemHandle(); }

    int parseResult = 0;
    int saveStepResult = 0;
    int removeResult = 0;
    int loads = 0;
    int closes = 0;
    std::string loadedName;
    const RawBlockSave rawBlockSave{*this};

private:
    const ResourceSave resourceSave{*this};

    Zelkoran::Archive* archive() const
    {
        return Zelkoran::Main::instance()->archiveMgr()->get(tabServices().status().iArchiveID);
    }
};

// A message box as the engine saw it.
struct Box {
    std::string title;
    std::string text;
    int buttons;
    int type;
    int timeoutMs = 0;
    bool operator==(const Box&) const = default;
};

inline void PrintTo(const Box& box, std::ostream* out)
{
    *out << "{\"" << box.title << "\", \"" << box.text << "\", " << box.buttons << ", " << box.type << ", "
         << box.timeoutMs << "}";
}

// The boxes shown so far, and the log emptied.
inline std::vector<Box> takeBoxes()
{
    std::vector<Box> boxes;
    for (const auto& record : editortest::TS::modalLog())
        boxes.push_back({record.title.c_str(), record.text.c_str(), record.buttons, record.type, record.timeoutMs});
    editortest::TS::clearModalLog();
    return boxes;
}

// A headless editor with one protocol tab. Every message box must be
// answered by the test: an unexpected box fails, a missing one too.
class ProtocolTest : public TabTest {
protected:
    void SetUp() override
    {
        TabTest::SetUp();
        editortest::TS::clearAnswers();
        editortest::TS::clearModalLog();
        tab.reset(new (std::nothrow) ProtocolTab(&*resources, &*status));
        ASSERT_NE(tab, nullptr);
        list = tab->basePanel()->getList(BW_LIST);
        name = tab->basePanel()->getTextEdit(BW_NAME);
    }

    void TearDown() override
    {
        EXPECT_EQ(editortest::TS::pendingAnswers(), 0u) << "a box that was expected did not appear";
        editortest::TS::clearAnswers();
        tab.reset();
        TabTest::TearDown();
    }

    // Selects the row named rowName as a click on the list would.
    void choose(const char* rowName)
    {
        ASSERT_EQ(tab->selectBlockListItemByName(rowName), 1) << rowName;
        tab->processEvent(BW_LIST, 0);
    }

    Zelkoran::Archive::Block find(const char* blockName)
    {
        Zelkoran::Archive::Block block(blockName, "ZK7_IMAGE");
        const int index = archive()->blockSearch(block);
        if (index >= 0)
            archive()->blockAt(index, block);
        else
            block.name[0] = '\0';
        return block;
    }

    std::unique_ptr<ProtocolTab> tab;
    Zelkoran::WidgetList* list = nullptr;
    Zelkoran::WidgetTextEdit* name = nullptr;
};
