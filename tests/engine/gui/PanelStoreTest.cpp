// Stored panels: every widget property and panel setting survives a save
// and a load in a fresh engine; damaged blocks are refused; themes and flow
// layouts change what is drawn.
#include "engine/gui/GuiTestSupport.h"

#include "support/TestFolder.h"
#include "gui/PanelStore.h"
#include "support/GlyphSheetMaker.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Sprite.h>

#include <functional>
#include <sstream>

namespace guitest {
namespace {

// Every property a stored panel keeps, read through the public calls only,
// so that a property the store forgets shows up as a difference.
std::string fontName(int id)
{
    const Font* f = Main::instance()->fontMgr()->get(id);
    return f ? f->getName() : "-";
}

std::string describe(Widget& w)
{
    std::ostringstream o;
    const auto pos = [&](Position p) { o << p.offset << "/" << static_cast<uint32_t>(p.helper) << " "; };
    o << w.getType() << " " << w.getID() << " " << w.getName() << " shown " << w.isShown() << " enabled "
      << w.isEnabled() << " alpha " << w.getAlphaMod() << " own " << w.hasOwnSize() << " " << w.getWidth() << "x"
      << w.getHeight() << " at ";
    pos(w.getPositionX());
    pos(w.getPositionY());
    int m[4];
    w.getMargin(m[0], m[1], m[2], m[3]);
    o << "margins " << m[0] << m[1] << m[2] << m[3] << " features " << w.getFeatures() << " tip " << w.getTooltip()
      << " tipfont " << fontName(w.getTooltipFont());
    uint8_t c[4] = {};
    o << " tipbg " << w.getTooltipBackgroundColor(c[0], c[1], c[2], c[3]) << +c[0] << +c[1] << +c[2] << +c[3];
    o << " tipborder " << w.getTooltipBorderColor(c[0], c[1], c[2], c[3]) << +c[0] << +c[1] << +c[2] << +c[3];
    for (int s = 0; s < WS_COUNT; ++s) {
        const Image* img = Main::instance()->imageMgr()->get(w.getBackgroundImage(s));
        o << " | s" << s << " mask " << w.getSkinOverrideMask(s) << " font " << fontName(w.getFont(s)) << " image "
          << (img ? img->getName() : "-") << " width " << w.getBorderWidth(s) << " corner " << w.getBorderCorner(s);
        w.getBackgroundColor(&c[0], &c[1], &c[2], s);
        o << " bg " << +c[0] << +c[1] << +c[2];
        w.getBorderColor(&c[0], &c[1], &c[2], &c[3], s);
        o << " border " << +c[0] << +c[1] << +c[2] << +c[3];
        w.getSelectionColor(&c[0], &c[1], &c[2], &c[3], s);
        o << " sel " << +c[0] << +c[1] << +c[2] << +c[3];
    }
    if (auto* t = dynamic_cast<WidgetText*>(&w)) {
        o << " text " << t->getText() << " ";
        pos(t->getTextX());
        pos(t->getTextY());
    }
    if (auto* b = dynamic_cast<WidgetButton*>(&w))
        o << " key " << b->getKey();
    if (auto* c2 = dynamic_cast<WidgetCheckBox*>(&w))
        o << " checked " << c2->isChecked() << " group " << c2->getGroup() << " key " << c2->getKey();
    if (auto* r = dynamic_cast<WidgetRanged*>(&w))
        o << " range " << r->getMin() << ".." << r->getMax() << " = " << r->getValue();
    if (auto* s = dynamic_cast<WidgetSlider*>(&w))
        o << " axis " << s->getAxis() << " thumb " << s->getThumbSize();
    if (auto* t = dynamic_cast<WidgetTextEdit*>(&w))
        o << " edit " << t->getText() << " multi " << t->getMultiline() << " ro " << t->getReadOnly();
    if (auto* n = dynamic_cast<WidgetNumberEdit*>(&w))
        o << " number " << n->getMin() << ".." << n->getMax() << " step " << n->getStep() << " = " << n->getValue()
          << " float " << n->isFloatAllowed();
    if (auto* it = dynamic_cast<WidgetItems*>(&w)) {
        o << " rows";
        for (int i = 1; i <= it->getItemCount(); ++i)
            o << " " << it->getItemText(i);
        o << " sel " << it->getSelectedIndex() << " sort " << it->getAutoSort();
    }
    if (auto* l = dynamic_cast<WidgetList*>(&w)) {
        o << " multi " << l->getMultiSelect() << " marked";
        for (int i = 1; i <= l->getItemCount(); ++i)
            o << l->isSelected(i);
    }
    if (auto* f = dynamic_cast<WidgetFrame*>(&w))
        o << " filled " << f->isFilled();
    return o.str();
}

std::string describe(Panel& p)
{
    std::ostringstream o;
    o << p.getName() << " type " << p.getPanelType() << " ttl " << p.getPanelTTL() << " screen " << p.getScreen()
      << " desired " << p.getScreenDesired() << " size " << p.getSizeMode() << " theme " << p.getTheme()
      << " layout " << p.getLayout() << p.getLayoutAlign() << p.getLayoutJustify() << " title " << p.getTitle()
      << "\nbase " << describe(*p.baseWidget()).substr(describe(*p.baseWidget()).find(" shown"));
    for (Widget* w : p.children())
        o << "\n" << describe(*w);
    return o.str();
}

class PanelStore : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        openArchive(true);
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 24, 12, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_FillRect(s, nullptr, SDL_MapRGBA(s->format, 200, 10, 10, 255));
        const int img = main->imageMgr()->loadFromSurface(s, "Skin");
        SDL_FreeSurface(s);
        ASSERT_EQ(main->imageMgr()->get(img)->save(archiveId, ""), 0);
        main->imageMgr()->close(img);
    }

    void openArchive(bool fresh)
    {
        ArchiveMgr* archives = main->archiveMgr();
        archiveId = fresh ? archives->create(folder.path("gui.qel").c_str(), 0)
                          : archives->load(folder.path("gui.qel").c_str(), nullptr, 0);
        ASSERT_GT(archiveId, 0);
    }

    // Saves panel, starts a new engine and loads it there.
    Panel* reload(Panel* p)
    {
        EXPECT_EQ(p->save(archiveId), 0);
        Main::terminate();
        main = Main::instance();
        screen = main->configMgr()->get(0);
        screen->setDriver(Screen::DRV_SOFT);
        screen->setSize(kScreenW, kScreenH);
        EXPECT_EQ(screen->show(), 0);
        gui = main->guiMgr();
        openArchive(false);
        const int id = gui->load(archiveId, "Stored");
        return id > 0 ? gui->getPanel(id) : nullptr;
    }

    // Gives w a non-default value for every common property.
    void dress(Widget& w, int seed)
    {
        w.setSize(40 + seed, 20 + seed);
        w.setPosition(Position(5.5f + seed, PH_RIGHT), Position(-7, PH_CENTER));
        w.setMargin(1, 2, 3, 4 + seed);
        w.setAlphaMod(100 + seed);
        w.setFeatures(WF_EVENTS | WF_HOVER | WF_DRAG | WF_BG_FIT, true);
        w.setTooltip(("tip " + std::to_string(seed)).c_str());
        w.setTooltipFont(main->fontMgr()->getBuiltin("CourierNew10White"));
        w.setTooltipBackgroundColor(1, 2, 3, 4);
        w.setTooltipBorderColor(5, 6, 7, 8);
        w.setFont(main->fontMgr()->getBuiltin("Arial10White"), WS_HOVERED);
        w.setBackgroundColor(10, 20, 30 + seed, WS_NORMAL);
        w.setBorderColor(40, 50, 60, 70, WS_PRESSED);
        w.setBorderWidth(3, WS_ACTION);
        w.setBorderCorner(6, WS_ALL);
        w.setSelectionColor(90, 91, 92, 93, WS_DEACTIVATED);
        w.clearBackground(WS_ACTION);
        EXPECT_EQ(w.setBackgroundImage(archiveId, "Skin", WS_PRESSED), 0);
        EXPECT_EQ(w.setBackgroundImage(archiveId, "Skin", WS_DEACTIVATED), 0);
        if (seed % 2)
            w.disable();
        if (seed % 3 == 0)
            w.hide();
    }

    TestFolder folder;
    int archiveId = 0;
};

TEST_F(PanelStore, EveryWidgetKindKeepsEveryPropertyThroughSaveAndLoad)
{
    const struct {
        eWidgetType type;
        std::function<void(Widget&)> set;
    } kinds[] = {
        {WT_LABEL, [](Widget& w) { static_cast<WidgetLabel&>(w).setText("Title", Position(3, PH_LEFT), Position(0)); }},
        {WT_IMAGE, [](Widget&) {}},
        {WT_FRAME, [](Widget& w) { static_cast<WidgetFrame&>(w).setFilled(false); }},
        {WT_BUTTON,
         [](Widget& w) {
             static_cast<WidgetButton&>(w).setText("Play");
             static_cast<WidgetButton&>(w).setKey(SDLK_F5);
         }},
        {WT_CHECKBOX,
         [](Widget& w) {
             auto& c = static_cast<WidgetCheckBox&>(w);
             c.setText("Sound");
             c.setChecked(true);
             c.setGroup(7);
             c.setKey('s');
         }},
        {WT_PROGRESS,
         [](Widget& w) {
             static_cast<WidgetRanged&>(w).setRange(-5, 50);
             static_cast<WidgetRanged&>(w).setValue(12);
         }},
        {WT_SLIDER,
         [](Widget& w) {
             auto& s = static_cast<WidgetSlider&>(w);
             s.setRange(0, 9);
             s.setValue(4);
             s.setAxis(1);
             s.setThumbSize(22);
         }},
        {WT_TEXTEDIT,
         [](Widget& w) {
             auto& t = static_cast<WidgetTextEdit&>(w);
             t.setMultiline(true);
             t.setText("first\nsecond");
             t.setReadOnly(true);
         }},
        {WT_NUMBEREDIT,
         [](Widget& w) {
             auto& n = static_cast<WidgetNumberEdit&>(w);
             n.allowFloat(true);
             n.setRange(-2.5f, 99.0f);
             n.setStep(0.25f);
             n.setValue(3.75f);
             n.setReadOnly(true);
         }},
        {WT_LIST,
         [](Widget& w) {
             auto& l = static_cast<WidgetList&>(w);
             for (const char* row : {"pear", "apple", "fig"})
                 l.addItem(row);
             l.setAutoSort(true);
             l.setMultiSelect(true);
             l.setItemSelected(3, true);
             l.setItemSelected(1, true);
         }},
        {WT_COMBOBOX,
         [](Widget& w) {
             auto& c = static_cast<WidgetComboBox&>(w);
             c.addItem("Low");
             c.addItem("High");
             c.setSelectedIndex(2);
         }},
    };
    const int id = gui->create("Stored", 0);
    Panel* p = gui->getPanel(id);
    int seed = 0;
    for (const auto& kind : kinds) {
        Widget* w = p->createWidgetByType(("W" + std::to_string(seed)).c_str(), kind.type, 100 + seed);
        ASSERT_NE(w, nullptr) << kind.type;
        dress(*w, seed++);
        kind.set(*w);
    }
    dress(*p->baseWidget(), 1);
    const std::string before = describe(*p);
    Panel* again = reload(p);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(describe(*again), before);
    // The widgets share one loaded image and release it with the panel.
    const int image = again->baseWidget()->getBackgroundImage(WS_PRESSED);
    EXPECT_EQ(again->getWidgetByID(100)->getBackgroundImage(WS_DEACTIVATED), image);
    gui->close(again->getID());
    EXPECT_EQ(main->imageMgr()->get(image), nullptr);
}

TEST_F(PanelStore, PanelSettingsAndStoredPlacementSurvive)
{
    const struct {
        std::function<void(Panel&)> set;
    } settings[] = {
        {[](Panel& p) {
            p.attachTo(3);
            p.setScreenDesired(3);
            p.setSizeMode(1);
            p.baseWidget()->setPosition(Position(-10, PH_RIGHT), Position(4, PH_TOP));
            p.baseWidget()->hide();
        }},
        {[](Panel& p) {
            p.setPanelType(PT_EPHEMERAL, 4500);
            p.setTheme(GUITheme::kDark);
            p.setLayout(PL_VERTICAL);
            p.setLayoutAlign(LA_STRETCH);
            p.setLayoutJustify(LJ_SPACE);
            p.setTitle("Options", Position(2, PH_LEFT), Position(9, PH_TOP));
            p.baseWidget()->show();
        }},
        {[](Panel& p) {
            p.setPanelType(PT_MODAL, 0);
            p.setTheme(GUITheme::kFlat);
            p.setLayout(PL_STANDARD);
            p.setLayoutAlign(LA_END); // kept under the standard layout
            p.baseWidget()->disable();
        }},
    };
    for (const auto& s : settings) {
        const int id = gui->create("Stored", 0);
        Panel* p = gui->getPanel(id);
        s.set(*p);
        const std::string before = describe(*p);
        Panel* again = reload(p);
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(describe(*again), before);
        gui->close(again->getID());
    }
}

TEST_F(PanelStore, DamagedBlocksAreRefusedWithoutAPanelLeft)
{
    const int id = gui->create("Stored", 0);
    Panel* p = gui->getPanel(id);
    static_cast<WidgetLabel*>(p->createWidgetByType("L", WT_LABEL, 1))->setText("x");
    static_cast<WidgetList*>(p->createWidgetByType("R", WT_LIST, 2))->addItem("row");
    Vector<uint8_t> good;
    ASSERT_EQ(panelstore::encodePanel(*p, good), 0);
    const auto put32 = [](std::vector<uint8_t>& b, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    std::vector<uint8_t> valid(good.begin(), good.end());
    std::vector<std::vector<uint8_t>> bad;
    for (size_t n = 1; n < valid.size(); n += 3) // every cut ends early
        bad.emplace_back(valid.begin(), valid.begin() + static_cast<long>(n));
    const struct {
        size_t at;
        uint32_t value;
    } mutations[] = {
        {0, 0x4B5A}, // magic
        {4, 1000},   // more widgets than the block holds
        {4, 0xFFFFFFFF},
        {8, 3},      // panel type
        {16, 17},    // screen
        {28, 4},     // theme
        {32, 7},     // layout
        {44, 0x7FFFFFFF}, // title longer than the block
        {52, 0x12345},    // unknown anchor
    };
    for (const auto& m : mutations) {
        bad.push_back(valid);
        put32(bad.back(), m.at, m.value);
    }
    bad.push_back(valid);
    bad.back().push_back(0); // a byte too many
    bad.push_back(valid);
    bad.back()[3] = 2; // another version
    ArchiveMgr* archives = main->archiveMgr();
    for (size_t i = 0; i < bad.size(); ++i) {
        Archive::Block block("Hostile", panelstore::kPanelBlockType);
        block.data = bad[i].data();
        block.size = bad[i].size();
        ASSERT_EQ(archives->get(archiveId)->blockAdd(block), 0);
        const size_t panels = gui->getPanelIDs().size();
        EXPECT_EQ(gui->load(archiveId, "Hostile"), RC_ERR_CORRUPT) << "case " << i;
        EXPECT_EQ(gui->getPanelIDs().size(), panels) << "case " << i;
    }
    Archive::Block block("Fine", panelstore::kPanelBlockType);
    block.data = valid.data();
    block.size = valid.size();
    ASSERT_EQ(archives->get(archiveId)->blockAdd(block), 0);
    EXPECT_GT(gui->load(archiveId, "Fine"), 0);
    EXPECT_EQ(gui->load(archiveId, "Missing"), RC_ERR_NOT_FOUND);
    EXPECT_EQ(gui->remove(archiveId, "Fine"), 0);
    EXPECT_EQ(gui->load(archiveId, "Fine"), RC_ERR_NOT_FOUND) << "a removed panel is a deleted block";
}

TEST_F(PanelStore, NamesThatDoNotFitAreRefused)
{
    const int other = gui->create("Taken", 0);
    ASSERT_GT(other, 0);
    panel->createWidgetByType(std::string(100, 'w').c_str(), WT_LABEL, 1);
    const struct {
        std::string name;
        int expected;
    } names[] = {
        {"Taken", RC_ERR_EXISTS},
        {"", RC_ERR_INVALID},
        {std::string(64, 'n'), RC_ERR_INVALID},
        {std::string(27, 'n'), RC_ERR_INVALID}, // 27 + 1 + 100 > 127
        {std::string(26, 'n'), RC_OK},
    };
    for (const auto& n : names)
        EXPECT_EQ(gui->setName(panelId, n.name.c_str()), n.expected) << n.name;
}

TEST_F(PanelStore, ThemesDrawDistinctLooks)
{
    WidgetButton* b = panel->createButton("B", 1);
    b->setSize(100, 30);
    b->setPosition(Position(50), Position(50));
    const auto at = [&] {
        run();
        SDL_Surface* s = TS::captureFrame();
        const SDL_Color c = pixel(s, 60, 65);
        SDL_FreeSurface(s);
        return (c.r << 16) | (c.g << 8) | c.b;
    };
    // A ticked box, 20 high at 50, 100: its 14-pixel box starts at 52, 103.
    WidgetCheckBox* box = panel->createCheckBox("C", 2);
    box->setSize(80, 20);
    box->setPosition(Position(50), Position(100));
    box->setChecked(true);
    std::vector<int> seen;
    for (int themeId : {gui->getThemeDefault(), gui->getThemeDark(), gui->getThemeFlat()}) {
        panel->setTheme(themeId);
        gui->invalidate();
        seen.push_back(at());
        SDL_Surface* frame = TS::captureFrame();
        // The box is white in every theme: the tick must stand out from it.
        EXPECT_LT(pixel(frame, 52 + 5, 103 + 9).g, 160) << "the tick shows in theme " << themeId;
        SDL_FreeSurface(frame);
        ASSERT_NE(gui->getTheme(themeId), nullptr);
        EXPECT_NE(gui->getTheme(themeId)->getSkin(WT_NUMBEREDIT, WS_NORMAL), nullptr);
    }
    EXPECT_NE(seen[0], seen[1]);
    EXPECT_NE(seen[1], seen[2]);
    EXPECT_NE(seen[0], seen[2]);
    b->setBackgroundColor(1, 2, 3, WS_ALL);
    EXPECT_EQ(at(), 0x010203) << "a widget's own colour wins over the theme";
    EXPECT_EQ(gui->getTheme(99), nullptr);
    EXPECT_LT(gui->setGlobalTheme(99), 0);
}

TEST_F(PanelStore, FlowLayoutsPlaceTheShownChildren)
{
    // Base 600 x 400 at 0, 0; three 50 x 20 children, the middle one hidden.
    for (int i = 1; i <= 3; ++i) {
        Widget* w = panel->createWidgetByType("W", WT_FRAME, i);
        w->setSize(50, 20);
        w->setPosition(Position(300), Position(300));
    }
    panel->getWidgetByID(2)->hide();
    const struct {
        int layout, align, justify;
        SDL_Rect first, third;
    } cases[] = {
        {PL_HORIZONTAL, LA_START, LJ_START, {8, 8, 50, 20}, {64, 8, 50, 20}},
        {PL_HORIZONTAL, LA_END, LJ_END, {486, 372, 50, 20}, {542, 372, 50, 20}},
        {PL_HORIZONTAL, LA_STRETCH, LJ_SPACE, {8, 8, 50, 384}, {542, 8, 50, 384}},
        {PL_VERTICAL, LA_CENTER, LJ_CENTER, {275, 177, 50, 20}, {275, 203, 50, 20}},
        {PL_STANDARD, LA_START, LJ_START, {300, 300, 50, 20}, {300, 300, 50, 20}},
    };
    for (const auto& c : cases) {
        panel->setLayout(c.layout);
        panel->setLayoutAlign(c.align);
        panel->setLayoutJustify(c.justify);
        const SDL_Rect a = panel->getWidgetByID(1)->getRect(), b = panel->getWidgetByID(3)->getRect();
        EXPECT_TRUE(SDL_RectEquals(&a, &c.first)) << c.layout << c.align << c.justify << ": " << a.x << "," << a.y
                                                  << " " << a.w << "x" << a.h;
        EXPECT_TRUE(SDL_RectEquals(&b, &c.third)) << c.layout << c.align << c.justify << ": " << b.x << "," << b.y
                                                  << " " << b.w << "x" << b.h;
    }
}

TEST_F(PanelStore, ArchiveSpritesAndFontsLoadWithThePanelWhileTheyExist)
{
    SDL_Surface* strip = SDL_CreateRGBSurfaceWithFormat(0, 8, 40, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_FillRect(strip, nullptr, SDL_MapRGBA(strip->format, 0, 90, 0, 255));
    SpriteMgr* sprites = main->spriteMgr(); // the engine is new after each reload
    Sprite* sprite = sprites->get(sprites->create("Strip", 10));
    ASSERT_EQ(sprite->assignImage(main->imageMgr()->loadFromSurface(strip, "strip"), 1), 0);
    SDL_FreeSurface(strip);
    ASSERT_EQ(sprite->setOffset(8, 8), 0);
    ASSERT_EQ(sprite->save(archiveId, ""), 0);
    SDL_Surface* sheet = editortest::makeGlyphSheet(189);
    ASSERT_NE(sheet, nullptr);
    Font* big = main->fontMgr()->get(main->fontMgr()->create("Big", 10));
    ASSERT_EQ(big->assignImage(main->imageMgr()->loadFromSurface(sheet, "sheet"), 1), 0);
    SDL_FreeSurface(sheet);
    ASSERT_EQ(big->save(archiveId, ""), 0);

    Panel* stored = gui->getPanel(gui->create("Stored", 0));
    for (const bool spriteKept : {true, false}) {
        SCOPED_TRACE(spriteKept ? "sprite kept" : "sprite removed");
        Widget* w = stored->createButton("Skinned", 3);
        ASSERT_EQ(w->setBackgroundSprite(archiveId, "Strip", WS_HOVERED, 3), 0);
        EXPECT_LT(w->setBackgroundSprite(archiveId, "Missing", WS_PRESSED, 0), 0);
        const int font = main->fontMgr()->load(archiveId, "Big");
        w->setFont(font, WS_PRESSED);
        w->setTooltipFont(font);
        if (!spriteKept) {
            ASSERT_EQ(main->spriteMgr()->remove(archiveId, "Strip"), 0);
        }
        Panel* back = reload(stored);
        ASSERT_NE(back, nullptr);
        Widget* r = back->getWidgetByID(3);
        int anim = -1;
        const Sprite* loaded = main->spriteMgr()->get(r->getBackgroundSprite(WS_HOVERED, &anim));
        EXPECT_EQ(loaded != nullptr, spriteKept);
        if (loaded) {
            EXPECT_STREQ(loaded->getName(), "Strip");
            EXPECT_EQ(anim, 3);
        }
        EXPECT_EQ(r->getBackgroundSprite(WS_PRESSED), 0);
        EXPECT_EQ(fontName(r->getFont(WS_PRESSED)), "Big");
        EXPECT_EQ(fontName(r->getTooltipFont()), "Big");
        stored = back;
        stored->closeWidget(3);
    }
}

TEST_F(PanelStore, SkinFontNamesAreAlwaysWrittenAndAFontGoneIsDropped)
{
    // Title, placement, tooltip texts and five skin records with their
    // empty font, image and sprite names: 328 bytes for a bare panel.
    Panel* bare = gui->getPanel(gui->create("Bare", 0));
    Vector<uint8_t> bytes;
    ASSERT_EQ(panelstore::encodePanel(*bare, bytes), 0);
    EXPECT_EQ(bytes.size(), 328u);

    Panel* stored = gui->getPanel(gui->create("Stored", 0));
    Widget* w = stored->createButton("Go", 3);
    SDL_Surface* sheet = editortest::makeGlyphSheet(189);
    ASSERT_NE(sheet, nullptr);
    FontMgr* fonts = main->fontMgr();
    const int font = fonts->create("Passing", 10);
    ASSERT_EQ(fonts->get(font)->assignImage(main->imageMgr()->loadFromSurface(sheet, "sheet"), 1), 0);
    SDL_FreeSurface(sheet);
    w->setFont(font, WS_PRESSED);
    w->setBorderWidth(3, WS_PRESSED);
    fonts->close(font);
    Panel* back = reload(stored);
    ASSERT_NE(back, nullptr) << "a font that cannot be named must not make the block unreadable";
    Widget* r = back->getWidgetByID(3);
    EXPECT_EQ(r->getSkinOverrideMask(WS_PRESSED) & WidgetSkin::SO_FONT, 0u);
    EXPECT_EQ(r->getBorderWidth(WS_PRESSED), 3);
}

TEST_F(PanelStore, GuiEventsNameTheirPanel)
{
    WidgetButton* b = panel->createButton("B", 7);
    b->setPosition(Position(10), Position(10));
    ASSERT_TRUE(TS::clickWidget(panelId, 7));
    bool seen = false;
    for (const SDL_Event& e : TS::pump())
        if (e.type == kGUIEventType && e.user.code == GE_ACTION) {
            EXPECT_EQ(static_cast<int>(e.user.windowID), panelId);
            seen = true;
        }
    EXPECT_TRUE(seen);
}

} // namespace
} // namespace guitest
