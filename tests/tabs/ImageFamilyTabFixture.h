// A cursor, tile set, sprite or font tab on its own, driven by real input:
// clicks and typing go through the engine's event queue and the GUI events
// they raise reach the tab as the menu hands them on.
#pragma once

#include "tabs/TabFixture.h"
#include "tabs/base/BasePanel.h"
#include "tabs/images/ctrlImages.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/TestSupport.h>
#include <Zelkoran/Widget.h>

#include <SDL.h>

#include <string>
#include <vector>

namespace TSx = Zelkoran::TestSupport;

template <class Tab>
class ImageFamilyTabTest : public TabTest {
protected:
    void SetUp() override
    {
        TabTest::SetUp();
        TSx::clearAnswers();
        TSx::clearModalLog();
        TSx::setModalWatchdog(3000);
        openArchive({});
        tab.reset(new (std::nothrow) Tab(&*resources, &*status));
        ASSERT_NE(tab, nullptr);
        panelId = Zelkoran::Main::instance()->guiMgr()->getPanelIDs().back();
        p = editortest::panel(panelId);
        tab->show();
        Zelkoran::Main::instance()->configMgr()->get(0)->setRenderCallback([this](int v) { return tab->render(v); });
    }

    void TearDown() override
    {
        EXPECT_EQ(TSx::pendingAnswers(), 0u);
        TSx::clearAnswers();
        Zelkoran::Main::instance()->configMgr()->get(0)->setRenderCallback(nullptr);
        tab.reset();
        TabTest::TearDown();
    }

    // A PNG file of surface in the scratch folder (the surface is freed).
    std::string pngFile(const char* file, SDL_Surface* surface)
    {
        Zelkoran::ImageMgr* images = Zelkoran::Main::instance()->imageMgr();
        const int id = images->loadFromSurface(surface, "source");
        SDL_FreeSurface(surface);
        const std::string path = folder.path(file);
        EXPECT_TRUE(images->get(id)->saveToPNG(path.c_str()));
        images->close(id);
        return path;
    }
    // A w x h surface of one opaque colour.
    static SDL_Surface* filled(int w, int h, uint32_t argb = 0xFFFFFFFF)
    {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_FillRect(s, nullptr, argb);
        return s;
    }

    // The Import button with path chosen in the file dialog.
    int import(const std::string& path)
    {
        TSx::pushFileAnswer(true, path.c_str());
        return tab->processEvent(CtrlImages::IW_IMPORT, 0);
    }

    // Pumps the queue and hands every widget event to the tab; the last result.
    int deliver()
    {
        int result = 0;
        for (const SDL_Event& e : TSx::pump()) {
            const int code = e.user.code;
            if (e.type == Zelkoran::kGUIEventType && (code == 3 || (code >= 6 && code <= 9)))
                result = tab->processEvent(static_cast<int>(reinterpret_cast<intptr_t>(e.user.data1)),
                                           static_cast<int>(reinterpret_cast<intptr_t>(e.user.data2)));
        }
        return result;
    }
    int clickOn(int id)
    {
        EXPECT_TRUE(TSx::clickWidget(panelId, id)) << id;
        return deliver();
    }
    // Replaces the text of an edit by typing and commits it with Enter.
    int typeInto(int id, const std::string& text)
    {
        EXPECT_TRUE(TSx::clickWidget(panelId, id)) << id;
        TSx::key(SDLK_a, KMOD_CTRL);
        TSx::key(SDLK_DELETE);
        TSx::typeText(text.c_str());
        TSx::key(SDLK_RETURN);
        return deliver();
    }
    // Types text into an edit one key at a time, as a person does (the tab
    // sees every half-typed value), then commits it with Enter.
    int typeKeys(int id, const std::string& text)
    {
        EXPECT_TRUE(TSx::clickWidget(panelId, id)) << id;
        TSx::key(SDLK_a, KMOD_CTRL);
        deliver();
        for (const char ch : text) {
            TSx::typeText(std::string(1, ch).c_str());
            deliver();
        }
        TSx::key(SDLK_RETURN);
        return deliver();
    }
    // Chooses row (1-based) of a list or combo box as its click would.
    int choose(int id, int row)
    {
        if (auto* combo = p->getComboBox(id))
            combo->setSelectedIndex(row);
        else
            p->getList(id)->setSelectedIndex(row);
        return tab->processEvent(id, row);
    }
    int save(const std::string& name)
    {
        typeInto(BW_NAME, name);
        TSx::pushAnswer(0); // the timed notice
        return clickOn(BW_SAVE);
    }
    // Selects the block in the list as a click on its row would.
    int select(const std::string& name)
    {
        tab->selectBlockListItemByName(name.c_str());
        return tab->processEvent(BW_LIST, p->getList(BW_LIST)->getSelectedIndex());
    }

    std::vector<std::string> boxes()
    {
        std::vector<std::string> texts;
        for (const auto& record : TSx::modalLog())
            if (!record.text.empty())
                texts.emplace_back(std::string(record.title.c_str()) + " / " + record.text.c_str());
        TSx::clearModalLog();
        return texts;
    }
    std::string label(int id) { return p->getLabel(id)->getText(); }
    float number(int id) { return p->getNumberEdit(id)->getValue(); }
    bool enabled(int id) { return p->getWidgetByID(id)->isEnabled(); }
    static int openImages() { return Zelkoran::Main::instance()->imageMgr()->getCount(); }

    // The preview drawn now, ARGB8888; the caller frees it.
    SDL_Surface* frame() { return TSx::captureFrame(); }
    static uint32_t rgbAt(SDL_Surface* s, int x, int y)
    {
        return static_cast<const uint32_t*>(s->pixels)[y * s->pitch / 4 + x] & 0xFFFFFF;
    }

    std::unique_ptr<Tab> tab;
    int panelId = 0;
    Zelkoran::Panel* p = nullptr;
};
