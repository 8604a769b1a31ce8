// Panel bookkeeping (ids, kinds, lookups, placement), text edits under the
// mouse, image drawing, and the test support's own dump and capture.
#include "engine/gui/GuiTestSupport.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Result.h>

#include <filesystem>

namespace guitest {
namespace {

class PanelApi : public GuiTest {};

TEST_F(PanelApi, IdsAreUniquePerPanelAndLookupsCheckTheKind)
{
    EXPECT_NE(panel->createButton("Ok", 1), nullptr);
    EXPECT_EQ(panel->createLabel("Dup", 1), nullptr) << "an id is taken once";
    EXPECT_EQ(panel->createLabel("Zero", 0), nullptr);
    const int other = gui->create("Other", 0);
    EXPECT_NE(gui->getPanel(other)->createButton("Ok", 1), nullptr) << "ids are per panel, names may repeat";
    EXPECT_EQ(panel->getLabel(1), nullptr);
    EXPECT_NE(panel->getButton(1), nullptr);
    WidgetNumberEdit* n = panel->createNumberEdit("N", 2);
    EXPECT_EQ(panel->getTextEdit(2), n) << "number edits are text edits";
    EXPECT_EQ(panel->getNumberEdit(2), n);
    EXPECT_EQ(panel->getNumberEdit(1), nullptr);
    const eWidgetType kinds[] = {WT_LABEL,  WT_IMAGE,    WT_FRAME,      WT_BUTTON, WT_CHECKBOX, WT_PROGRESS,
                                 WT_SLIDER, WT_TEXTEDIT, WT_NUMBEREDIT, WT_LIST,   WT_COMBOBOX};
    int id = 10;
    for (eWidgetType k : kinds) {
        Widget* w = panel->createWidgetByType("Any", k, id++);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->getType(), k);
    }
    EXPECT_EQ(panel->createWidgetByType("Bad", static_cast<eWidgetType>(3), 99), nullptr);
    Vector<Panel::WidgetInfo> infos;
    panel->getWidgetInfoList(infos);
    ASSERT_EQ(infos.size(), 13u);
    EXPECT_EQ(infos[0].id, 1);
    EXPECT_EQ(infos[12].type, WT_COMBOBOX);
    EXPECT_EQ(panel->baseWidget()->getID() & 0xFFFFFF, panelId);
    EXPECT_EQ(gui->setName(other, "TestPanel"), RC_ERR_EXISTS);
    EXPECT_EQ(gui->setName(other, "Renamed"), 0);
    EXPECT_STREQ(gui->getPanel(other)->getName(), "Renamed");
    EXPECT_EQ(gui->close(other), 0);
    EXPECT_LT(gui->close(other), 0);
}

TEST_F(PanelApi, AnchorsPlaceWidgetsInTheirPanel)
{
    Widget* base = panel->baseWidget();
    base->setSize(330, 250);
    base->setPosition(Position(0, PH_CENTER), Position(0, PH_CENTER));
    EXPECT_EQ(base->getRect().x, (kScreenW - 330) / 2);
    EXPECT_EQ(base->getRect().y, (kScreenH - 250) / 2);
    WidgetButton* ok = panel->createButton("Ok", 1);
    ok->setSize(70, 22);
    ok->setPosition(Position(-94, PH_RIGHT), Position(-15, PH_BOTTOM));
    const SDL_Rect r = ok->getRect();
    EXPECT_EQ(r.x, base->getRect().x + 330 - 70 - 94);
    EXPECT_EQ(r.y, base->getRect().y + 250 - 22 - 15);
    ok->setPosition(Position(-115, PH_CENTER), Position(40, PH_TOP));
    EXPECT_EQ(ok->getRect().x, base->getRect().x + (330 - 70) / 2 - 115);
    EXPECT_EQ(ok->getRect().y, base->getRect().y + 40);
    EXPECT_EQ(ok->getPositionX().helper, PH_CENTER);
    EXPECT_FLOAT_EQ(ok->getPositionX().offset, -115.0f);
    // Enclosed widgets stay inside their parent.
    ok->setPosition(Position(1000), Position(-50));
    ok->setFeatures(WF_ENCLOSE, true);
    EXPECT_EQ(ok->getRect().x, base->getRect().x + 330 - 70);
    EXPECT_EQ(ok->getRect().y, base->getRect().y);
    // Unnamed as well, it may lie beside the panel, inside the window.
    ok->setFeatures(WF_UNNAMED, true);
    ok->setPosition(Position(340), Position(-50));
    EXPECT_EQ(ok->getRect().x, base->getRect().x + 340);
    EXPECT_EQ(ok->getRect().y, std::max(0, base->getRect().y - 50));
    ok->setPosition(Position(5000), Position(0));
    EXPECT_EQ(ok->getRect().x, kScreenW - 70);
    ok->setFeatures(WF_UNNAMED, false);
    // Size mode 1 fits the panel to the screen.
    panel->setSizeMode(1);
    EXPECT_EQ(base->getWidth(), kScreenW);
    EXPECT_EQ(base->getRect().x, 0);
}

TEST_F(PanelApi, AWidgetBesideItsPanelIsDrawnAndClicked)
{
    Widget* base = panel->baseWidget();
    base->setSize(200, 300);
    WidgetButton* beside = panel->createButton("Beside", 7);
    beside->setSize(80, 30);
    beside->setPosition(Position(260), Position(10));
    const SDL_Rect r = beside->getRect();
    ASSERT_GE(r.x, base->getRect().x + 200);
    TS::click(r.x + r.w / 2, r.y + r.h / 2);
    EXPECT_EQ(run(), (std::vector<GuiEvent>{{GE_ACTION, 7, 0}}));
}

TEST_F(PanelApi, MouseClicksPlaceTheCaretAndDragsSelect)
{
    WidgetTextEdit* e = panel->createTextEdit("Edit", 1);
    e->setSize(300, 24);
    e->setPosition(Position(10), Position(10));
    e->setText("alpha beta gamma");
    const Font* f = main->fontMgr()->get(e->getFont(0));
    const SDL_Rect r = e->getRect();
    const int textX = r.x + 1 + 3; // border and padding
    const int y = r.y + r.h / 2;
    TS::click(textX + f->getWidth("alpha b") + 1, y);
    run();
    int line = 0, col = 0;
    e->getCaret(line, col);
    EXPECT_EQ(col, 7);
    TS::click(textX + f->getWidth("alpha be"), y, SDL_BUTTON_LEFT, 2);
    run();
    EXPECT_EQ(e->getSelectedText(), "beta");
    TS::mouseMove(textX, y);
    TS::mouseDown(textX, y);
    TS::mouseMove(textX + f->getWidth("alpha"), y);
    TS::mouseUp(textX + f->getWidth("alpha"), y);
    run();
    EXPECT_EQ(e->getSelectedText(), "alpha");
}

TEST_F(PanelApi, LongTextsScrollToKeepTheCaretInView)
{
    WidgetTextEdit* m = panel->createTextEdit("Big", 1);
    m->setMultiline(true);
    m->setSize(400, 200);
    m->setPosition(Position(10), Position(10));
    std::string text;
    for (int i = 0; text.size() < (1u << 20); ++i)
        text += "line " + std::to_string(i) + " of a long document\n";
    m->setText(text.c_str());
    EXPECT_EQ(m->getText().size(), text.size());
    EXPECT_EQ(m->getScroll(), 0);
    TS::clickWidget(panelId, 1);
    TS::key(SDLK_END, KMOD_LCTRL);
    run();
    int line = 0, col = 0;
    m->getCaret(line, col);
    EXPECT_EQ(line, m->getLineCount());
    EXPECT_GT(m->getScroll(), m->getLineCount() - 20);
    TS::mouseWheel(100, 100, 2);
    const std::vector<GuiEvent> scrolled = run();
    ASSERT_EQ(scrolled.size(), 1u);
    EXPECT_EQ(scrolled[0].code, GE_SCROLLED);
    EXPECT_EQ(scrolled[0].value, m->getScroll());
    TS::typeText("end");
    run();
    EXPECT_EQ(m->getLine(m->getLineCount()), "end");
}

TEST_F(PanelApi, ImagesDrawWithColourKeyAndAlpha)
{
    panel->baseWidget()->hide();
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 4, 1, 32, SDL_PIXELFORMAT_ARGB8888);
    Uint32* px = static_cast<Uint32*>(s->pixels);
    px[0] = SDL_MapRGBA(s->format, 255, 0, 255, 255); // the key
    px[1] = px[2] = px[3] = SDL_MapRGBA(s->format, 0, 0, 255, 255);
    const int id = main->imageMgr()->loadFromSurface(s, "Keyed");
    SDL_FreeSurface(s);
    Image* img = main->imageMgr()->get(id);
    ASSERT_NE(img, nullptr);
    img->setColorKey(255, 0, 255);
    int16_t kr = 0, kg = 0, kb = 0;
    img->getColorKey(kr, kg, kb);
    EXPECT_EQ(kr, 255);
    screen->setRenderCallback([&](int) {
        screen->clear(0, 0, 0, 255);
        const SDL_FRect dst{0, 0, 40, 10};
        img->render(0, nullptr, &dst);
        return 0;
    });
    SDL_Surface* frame = TS::captureFrame();
    EXPECT_TRUE(same(pixel(frame, 5, 5), 0, 0, 0)) << "keyed pixels are transparent";
    EXPECT_TRUE(same(pixel(frame, 25, 5), 0, 0, 255));
    SDL_FreeSurface(frame);
    img->setAlphaMod(128);
    frame = TS::captureFrame();
    EXPECT_NEAR(pixel(frame, 25, 5).b, 128, 2);
    SDL_FreeSurface(frame);
    img->setColorKey(-1, -1, -1);
    img->getColorKey(kr, kg, kb);
    EXPECT_LT(kr, 0);
    EXPECT_EQ(main->imageMgr()->retain(id), 0);
    EXPECT_EQ(main->imageMgr()->close(id), 0);
    EXPECT_NE(main->imageMgr()->get(id), nullptr) << "a second holder keeps it";
    EXPECT_EQ(main->imageMgr()->close(id), 0);
    EXPECT_EQ(main->imageMgr()->get(id), nullptr);
}

TEST_F(PanelApi, DumpAndCaptureShowTheWidgetTree)
{
    WidgetList* l = panel->createList("Blocks", 105);
    l->addItem("a");
    l->setSelectedIndex(1);
    WidgetCheckBox* c = panel->createCheckBox("Grid", 7);
    c->setText("Grid");
    c->setChecked(true);
    const String dump = TS::dumpWidgets();
    EXPECT_NE(dump.find("panel 1 \"TestPanel\" rect=0,0,600x400 status=9"), String::npos) << dump.c_str();
    EXPECT_NE(dump.find("List 105 \"Blocks\""), String::npos) << dump.c_str();
    EXPECT_NE(dump.find("items=1 selected=1 scroll=0"), String::npos) << dump.c_str();
    EXPECT_NE(dump.find("text=\"Grid\" checked=1"), String::npos) << dump.c_str();
    const std::filesystem::path png =
        std::filesystem::temp_directory_path() / ("zk_capture_" + std::to_string(::getpid()) + ".png");
    ASSERT_TRUE(TS::captureFramePNG(png.c_str()));
    const int id = main->imageMgr()->loadFromFile(png.c_str(), "");
    std::filesystem::remove(png);
    ASSERT_GT(id, 0);
    EXPECT_EQ(main->imageMgr()->get(id)->getWidth(), kScreenW);
    EXPECT_EQ(main->imageMgr()->get(id)->getHeight(), kScreenH);
}

} // namespace
} // namespace guitest
