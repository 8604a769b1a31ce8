// A headless editor with the XML or the generic-file tab shown, fed by the
// GUI events that clicks on its panel raise, as the main loop routes them.
// Every message box must be answered by the test.
#pragma once

#include "tabs/AnsweredTabFixture.h"
#include "tabs/base/BasePanel.h"

#include "app/EventRoute.h"
#include "tabs/data/ctrlFiles.h"
#include "tabs/data/ctrlXML.h"

#include <Zelkoran/Types.h>

#include <cstring>
#include <string>
#include <vector>

class TextFileTest : public AnsweredTabTest {
protected:
    // Ids shared by both tabs but for the hundreds digit.
    enum : int { kImport = 0, kExport, kType, kSize, kBlockSize, kRaw, kCompressed, kCrypted, kText };

    void dropTab() override { tab.reset(); }

    // Builds the tab (XML or Files), shows it and activates it through its
    // tab check box event, as the menu does.
    template <class Tab>
    void makeTab(int firstId, const char* type)
    {
        tab.reset(new (std::nothrow) Tab(&*resources, &*status));
        ASSERT_NE(tab, nullptr);
        base = firstId;
        blockType = type;
        panelId = Zelkoran::Main::instance()->guiMgr()->getPanelIDs().back();
        panel = editortest::panel(panelId);
        list = panel->getList(BW_LIST);
        name = panel->getTextEdit(BW_NAME);
        tab->parseQEL();
        tab->show();
        lastResult = tab->processEvent(tab->getCheckBoxID(), 1);
    }
    void makeXML() { makeTab<CtrlXML>(CtrlXML::XW_IMPORT, "ZK7_XML"); }
    void makeFiles() { makeTab<CtrlFiles>(CtrlFiles::FL_IMPORT, "ZK7_FILE"); }

    int id(int offset) const { return base + offset; }
    Zelkoran::Widget* widget(int offset) const { return panel->getWidgetByID(id(offset)); }
    std::string label(int offset) const { return panel->getLabel(id(offset))->getText(); }
    bool checked(int offset) const { return panel->getCheckBox(id(offset))->isChecked(); }
    Zelkoran::WidgetTextEdit* text() const { return panel->getTextEdit(id(kText)); }

    // Clicks a widget of the tab's panel and hands the GUI events the click
    // raised to the tab; the last result, or 1 when no event reached it.
    int click(int widgetId)
    {
        EXPECT_TRUE(editortest::TS::clickWidget(panelId, widgetId)) << widgetId;
        return deliver();
    }
    int deliver()
    {
        int result = 1;
        for (const SDL_Event& e : editortest::TS::pump())
            if (e.type == Zelkoran::kGUIEventType && routeEvent(e, false) == EventRoute::Process)
                result = tab->processEvent(static_cast<int>(reinterpret_cast<intptr_t>(e.user.data1)),
                                           static_cast<int>(reinterpret_cast<intptr_t>(e.user.data2)));
        lastResult = result;
        return result;
    }
    // Chooses a row of the block list as a click on it does.
    int choose(const char* rowName)
    {
        EXPECT_EQ(tab->selectBlockListItemByName(rowName), 1) << rowName;
        lastResult = tab->processEvent(BW_LIST, list->getSelectedIndex());
        return lastResult;
    }
    // Replaces the text box's lines as typing would, and reports the edit.
    void edit(const std::vector<std::string>& lines)
    {
        text()->setText("");
        for (size_t i = 0; i < lines.size(); ++i)
            text()->setLine(static_cast<int>(i) + 1, lines[i].c_str());
        lastResult = tab->processEvent(id(kText), 0);
    }

    // Adds a block of the tab's type holding bytes, and lists it.
    void addBlock(const char* blockName, const std::string& bytes, uint32_t storage = 2, const char* type = nullptr)
    {
        Zelkoran::Archive::Block block(blockName, type ? type : blockType);
        block.storage = storage;
        block.data = const_cast<char*>(bytes.data());
        block.size = bytes.size();
        ASSERT_EQ(archive()->blockAdd(block), 0) << blockName;
        tab->parseQEL();
    }
    // The stored block: its bytes (or "<missing>") and its storage mode.
    std::string stored(const char* blockName, uint32_t* storage = nullptr)
    {
        Zelkoran::Archive::Block block(blockName, blockType);
        if (archive()->blockLoad(block) != 0)
            return "<missing>";
        std::string bytes(static_cast<const char*>(block.data), block.size);
        if (storage)
            *storage = block.storage;
        archive()->blockFree(block);
        return bytes;
    }
    static std::vector<uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }

    std::unique_ptr<CtrlTextFile> tab;
    int base = 0;
    const char* blockType = "";
    int panelId = 0;
    Zelkoran::Panel* panel = nullptr;
    Zelkoran::WidgetList* list = nullptr;
    Zelkoran::WidgetTextEdit* name = nullptr;
    int lastResult = 0;
};
