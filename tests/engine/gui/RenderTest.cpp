// What reaches the screen: clipping of immediate drawing, state frames of
// sprite strips, plain colour backgrounds, hidden panels, text metrics, and
// the frame loop of Main::update.
#include "engine/gui/GuiTestSupport.h"

#include <Zelkoran/GFX.h>
#include <Zelkoran/Sprite.h>

#include <algorithm>

namespace guitest {
namespace {

class Render : public GuiTest {
protected:
    SDL_Color at(int x, int y)
    {
        SDL_Surface* s = TS::captureFrame();
        EXPECT_NE(s, nullptr);
        if (!s)
            return SDL_Color{};
        const SDL_Color c = pixel(s, x, y);
        SDL_FreeSurface(s);
        return c;
    }
};

TEST_F(Render, ClipRectangleLimitsImmediateDrawing)
{
    panel->baseWidget()->hide();
    screen->setRenderCallback([this](int) {
        screen->clear(0, 0, 0, 255);
        const SDL_Rect clip{100, 100, 50, 40};
        screen->setClipRect(&clip);
        GFX::rectFilled(0, 0, kScreenW, kScreenH, 0xFF0000FF, 0);
        GFX::lineH(0, kScreenW, 120, 0x00FF00FF, 0);
        screen->setClipRect(nullptr);
        return 0;
    });
    EXPECT_TRUE(same(at(120, 110), 255, 0, 0));
    EXPECT_TRUE(same(at(149, 139), 255, 0, 0));
    EXPECT_TRUE(same(at(99, 110), 0, 0, 0));
    EXPECT_TRUE(same(at(150, 110), 0, 0, 0));
    EXPECT_TRUE(same(at(120, 140), 0, 0, 0));
    EXPECT_TRUE(same(at(125, 120), 0, 255, 0));
    EXPECT_TRUE(same(at(160, 120), 0, 0, 0)) << "the line stops at the clip";
    SDL_Rect r;
    EXPECT_FALSE(screen->getClipRect(r));
    // An empty clip rectangle draws nothing at all.
    screen->setRenderCallback([this](int) {
        screen->clear(0, 0, 0, 255);
        const SDL_Rect none{10, 10, 0, 0};
        screen->setClipRect(&none);
        GFX::rectFilled(0, 0, kScreenW, kScreenH, 0xFF0000FF, 0);
        screen->setClipRect(nullptr);
        return 0;
    });
    EXPECT_TRUE(same(at(300, 300), 0, 0, 0));
}

TEST_F(Render, SpriteStripsShowTheFrameOfTheWidgetState)
{
    const SDL_Color colours[5] = {{200, 0, 0, 255}, {0, 200, 0, 255}, {0, 0, 200, 255}, {200, 200, 0, 255},
                                  {90, 90, 90, 255}};
    const std::vector<char> png = stripPng(28, 28, colours);
    const int sprite = main->spriteMgr()->loadFromBuffer(png.data(), png.size(), "@test/sprite/Strip", 28, 28);
    ASSERT_GT(sprite, 0);
    WidgetButton* b = panel->createButton("Strip", 200);
    ASSERT_EQ(b->setBackgroundSprite(main->spriteMgr()->child(sprite), WS_ALL, 0), 0);
    b->setPosition(Position(100), Position(100));
    EXPECT_EQ(b->getWidth(), 28) << "sprite buttons take the frame size";
    TS::mouseMove(500, 350);
    run();
    EXPECT_TRUE(same(at(114, 114), 200, 0, 0));
    TS::mouseMove(114, 114);
    run();
    EXPECT_TRUE(same(at(114, 114), 0, 200, 0));
    TS::mouseDown(114, 114);
    run();
    EXPECT_TRUE(same(at(114, 114), 0, 0, 200));
    TS::mouseUp(114, 114);
    run();
    b->disable();
    EXPECT_TRUE(same(at(114, 114), 90, 90, 90));

    WidgetCheckBox* tab = panel->createCheckBox("Images", 220);
    tab->setBackgroundSprite(main->spriteMgr()->child(sprite), WS_ALL, 0);
    tab->setPosition(Position(200), Position(100));
    tab->setChecked(true);
    EXPECT_TRUE(same(at(214, 114), 200, 200, 0));
    // Closing the panel releases the children; the parent sprite stays.
    gui->close(panelId);
    EXPECT_NE(main->spriteMgr()->get(sprite), nullptr);
}

TEST_F(Render, BackgroundsArePlainColoursAndHiddenPanelsAreNotDrawn)
{
    panel->baseWidget()->setBackgroundColor(10, 200, 30, WS_ALL);
    WidgetLabel* plain = panel->createLabel("Plain", 1);
    plain->setText("     ");
    plain->setPosition(Position(50), Position(50));
    WidgetLabel* title = panel->createLabel("Title", 2);
    title->setSize(100, 25);
    title->setFeatures(WF_NO_BG, false);
    title->setBackgroundColor(104, 118, 138, WS_ALL);
    title->setPosition(Position(200), Position(50));
    EXPECT_TRUE(same(at(300, 300), 10, 200, 30));
    EXPECT_TRUE(same(at(52, 52), 10, 200, 30)) << "labels draw no background by default";
    EXPECT_TRUE(same(at(250, 60), 104, 118, 138));
    uint8_t r = 0, g = 0, b = 0;
    title->getBackgroundColor(&r, &g, &b, WS_HOVERED);
    EXPECT_EQ(r, 104);
    EXPECT_NE(title->getSkinOverrideMask(0), 0u);
    title->resetSkin(WS_ALL);
    EXPECT_EQ(title->getSkinOverrideMask(0), 0u);
    panel->baseWidget()->hide();
    EXPECT_TRUE(same(at(300, 300), 128, 128, 128)) << "the empty screen shows through";
}

TEST_F(Render, ChildrenAreClippedToTheirPanelUnlessEnclosedInTheWindow)
{
    panel->baseWidget()->setBackgroundColor(10, 200, 30, WS_ALL);
    const struct {
        int id, y;
        uint32_t features;
        bool outside; // drawn past the panel's right edge
    } cases[] = {{1, 50, 0, false}, {2, 150, WF_ENCLOSE | WF_UNNAMED, true}};
    for (const auto& c : cases) {
        WidgetFrame* f = panel->createFrame(("F" + std::to_string(c.id)).c_str(), c.id);
        f->setFilled(true);
        f->setBackgroundColor(200, 20, 20, WS_ALL);
        f->setSize(100, 40);
        f->setPosition(Position(550), Position(static_cast<float>(c.y)));
        f->setFeatures(c.features, true);
    }
    for (const auto& c : cases) {
        EXPECT_TRUE(same(at(580, c.y + 20), 200, 20, 20)) << c.id << " inside";
        EXPECT_EQ(same(at(620, c.y + 20), 200, 20, 20), c.outside) << c.id << " past the edge";
    }
}

// Drawn backgrounds and borders follow what the widget answers for its
// theme, own colours and state, and follow changes to them on the next frame.
TEST_F(Render, SkinsDrawWhatTheWidgetAnswersForThemeColourAndState)
{
    struct Case {
        int theme;
        bool ownColours;
        bool disabled;
    };
    const Case cases[] = {{1, false, false}, {2, false, true}, {3, false, false},
                          {3, true, true},   {1, true, false}, {2, true, false}};
    panel->baseWidget()->setBackgroundColor(0, 0, 0, WS_ALL);
    std::vector<Widget*> widgets;
    for (int i = 0; i < 3; ++i)
        for (Widget* w : std::initializer_list<Widget*>{panel->createButton(("B" + std::to_string(i)).c_str(), 10 + i),
                                                        panel->createList(("L" + std::to_string(i)).c_str(), 20 + i),
                                                        panel->createFrame(("F" + std::to_string(i)).c_str(), 30 + i)})
            widgets.push_back(w);
    for (size_t i = 0; i < widgets.size(); ++i) {
        widgets[i]->setSize(60, 30);
        widgets[i]->setPosition(Position(static_cast<float>(20 + 80 * (i % 3))), Position(static_cast<float>(20 + 50 * (i / 3))));
    }
    const auto check = [&](const char* when) {
        SDL_Surface* s = TS::captureFrame();
        ASSERT_NE(s, nullptr);
        for (const Widget* w : widgets) {
            const SDL_Rect r = w->getRect();
            const int state = w->getState();
            uint8_t bg[4], line[4];
            w->getBackgroundColor(&bg[0], &bg[1], &bg[2], state);
            w->getBorderColor(&line[0], &line[1], &line[2], &line[3], state);
            const int width = w->getBorderWidth(state);
            EXPECT_TRUE(same(pixel(s, r.x + r.w / 2, r.y + width + 1), bg[0], bg[1], bg[2])) << when << " " << w->getName();
            if (width > 0 && line[3] == 255) {
                EXPECT_TRUE(same(pixel(s, r.x, r.y + r.h / 2), line[0], line[1], line[2])) << when << " " << w->getName();
            }
        }
        SDL_FreeSurface(s);
    };
    for (const Case& c : cases) {
        panel->setTheme(c.theme);
        for (size_t i = 0; i < widgets.size(); ++i) {
            Widget* w = widgets[i];
            w->resetSkin(WS_ALL);
            if (c.ownColours) {
                w->setBackgroundColor(30 + static_cast<int>(i) * 20, 90, 140, WS_ALL);
                w->setBorderColor(200, 40 + static_cast<int>(i) * 20, 10, 255, WS_ALL);
                w->setBorderWidth(2, WS_ALL);
            }
            c.disabled ? w->disable() : w->enable();
        }
        check("first frame");
        widgets[4]->setBackgroundColor(7, 8, 9, WS_ALL);
        widgets[4]->setBorderColor(250, 1, 2, 255, WS_ALL);
        check("after a change");
    }
}

TEST_F(Render, TextIsDrawnAndMeasuredExactly)
{
    FontMgr* fonts = main->fontMgr();
    const int arial = fonts->getBuiltin("Arial12Black");
    ASSERT_GT(arial, 0);
    EXPECT_EQ(fonts->getBuiltin("@zk7/font/Arial12Black"), arial);
    EXPECT_STREQ(fonts->get(arial)->getName(), "@zk7/font/Arial12Black");
    EXPECT_LT(fonts->getBuiltin("Helvetica12Black"), 0);
    const Font* f = fonts->get(arial);
    EXPECT_EQ(f->getWidth("Hello"), f->getWidth("He") + f->getWidth("llo"));
    EXPECT_GT(f->getWidth("WWW"), f->getWidth("iii"));
    const Font* mono = fonts->get(fonts->getBuiltin("CourierNew10White"));
    EXPECT_EQ(mono->getWidth("WWW"), mono->getWidth("iii"));
    EXPECT_GT(f->getHeight(), mono->getHeight() - 4);
    EXPECT_EQ(f->fitBytes("Hello", -1, f->getWidth("Hel")), 3);

    panel->baseWidget()->setBackgroundColor(255, 255, 255, WS_ALL);
    WidgetLabel* l = panel->createLabel("Text", 1);
    l->setFont(arial, WS_ALL);
    l->setText("MMMM");
    l->setPosition(Position(40), Position(40));
    EXPECT_EQ(l->getWidth(), f->getWidth("MMMM") + 8) << "labels fit their text";
    SDL_Surface* s = TS::captureFrame();
    ASSERT_NE(s, nullptr);
    int dark = 0;
    const SDL_Rect r = l->getRect();
    for (int y = r.y; y < r.y + r.h; ++y)
        for (int x = r.x; x < r.x + r.w; ++x)
            dark += pixel(s, x, y).r < 80;
    SDL_FreeSurface(s);
    EXPECT_GT(dark, 20);
}

// The built-in fonts stand in for small bitmap fonts: lines of about 13 and
// 11 pixels, and text no wider than the fixed layouts made for them allow.
TEST_F(Render, BuiltinFontsKeepTheLineHeightsOfTheBitmapFonts)
{
    FontMgr* fonts = main->fontMgr();
    struct Expect {
        const char* name;
        int minHeight, maxHeight;
    };
    const Expect sizes[] = {{"Arial12Black", 13, 14},      {"Arial12White", 13, 14},
                            {"Arial10Black", 11, 12},      {"Arial10White", 11, 12},
                            {"CourierNew12Black", 13, 14}, {"CourierNew12White", 13, 14},
                            {"CourierNew10Black", 11, 12}, {"CourierNew10White", 11, 12}};
    for (const Expect& e : sizes) {
        const Font* f = fonts->get(fonts->getBuiltin(e.name));
        ASSERT_NE(f, nullptr) << e.name;
        EXPECT_GE(f->getHeight(), e.minHeight) << e.name;
        EXPECT_LE(f->getHeight(), e.maxHeight) << e.name;
        EXPECT_LT(f->getAscent(), f->getHeight()) << e.name;
    }
    const Font* arial12 = fonts->get(fonts->getBuiltin("Arial12Black"));
    const Font* arial10 = fonts->get(fonts->getBuiltin("Arial10Black"));
    EXPECT_LE(arial12->getWidth("Name:"), 36) << "a label of the item name fits before its field";
    EXPECT_LT(arial10->getWidth("Name:"), arial12->getWidth("Name:"));
}

// The ink of drawn text stays inside the box getWidth x getHeight reports,
// and fills most of its height.
TEST_F(Render, DrawnTextStaysInsideItsMeasuredBox)
{
    FontMgr* fonts = main->fontMgr();
    for (const char* name : {"Arial12Black", "Arial10Black", "CourierNew12Black"}) {
        const Font* f = fonts->get(fonts->getBuiltin(name));
        ASSERT_NE(f, nullptr);
        const char* text = "Name: Wg|";
        const int x0 = 50, y0 = 60;
        screen->setRenderCallback([&](int) {
            screen->clear(255, 255, 255, 255);
            f->draw(screen->getRenderer(), text, -1, x0, y0, 0, 0, 0, 255);
            return 0;
        });
        panel->baseWidget()->hide();
        SDL_Surface* s = TS::captureFrame();
        ASSERT_NE(s, nullptr);
        int top = kScreenH, bottom = -1, left = kScreenW, right = -1;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 400; ++x)
                if (pixel(s, x, y).r < 160) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        SDL_FreeSurface(s);
        ASSERT_GE(bottom, 0) << name << ": nothing drawn";
        EXPECT_GE(top, y0) << name;
        EXPECT_LT(bottom, y0 + f->getHeight()) << name;
        EXPECT_GE(left, x0) << name;
        EXPECT_LT(right, x0 + f->getWidth(text)) << name;
        EXPECT_GE(bottom - top + 1, f->getHeight() * 2 / 3) << name << ": ascender to descender";
    }
}

// inkBelow says how far below its line draw leaves ink: none for plain
// text, some for a box-drawing bar or corner, none for a bar outside the
// clip.
TEST_F(Render, InkBelowTheLineIsWhatDrawLeavesThere)
{
    const Font* f = main->fontMgr()->get(main->fontMgr()->getBuiltin("Arial12Black"));
    ASSERT_NE(f, nullptr);
    const char* const bar = "a\xe2\x94\x82z";
    const int x0 = 50, y0 = 60;
    const int barStart = x0 + f->getWidth("a"), barEnd = x0 + f->getWidth("a\xe2\x94\x82");
    const struct {
        const char* text;
        int left, right; // of the clip
        bool reaches;
    } rows[] = {
        {"Name: Wg|", 0, kScreenW, false},
        {bar, 0, kScreenW, true},
        {bar, 0, barStart, false},
        {bar, barEnd, kScreenW, false},
        {"a\xe2\x94\x90z", 0, kScreenW, true}, // a corner whose ink starts mid-line
    };
    SDL_Renderer* renderer = screen->getRenderer();
    panel->baseWidget()->hide();
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.text) + " clipped to " + std::to_string(row.left) + ".." + std::to_string(row.right));
        screen->setRenderCallback([&](int) {
            screen->clear(255, 255, 255, 255);
            const SDL_Rect clip{row.left, 0, row.right - row.left, kScreenH};
            SDL_RenderSetClipRect(renderer, &clip);
            f->draw(renderer, row.text, -1, x0, y0, 0, 0, 0, 255);
            SDL_RenderSetClipRect(renderer, nullptr);
            return 0;
        });
        SDL_Surface* s = TS::captureFrame();
        ASSERT_NE(s, nullptr);
        int bottom = -1;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 400; ++x)
                if (pixel(s, x, y).r < 255)
                    bottom = y;
        SDL_FreeSurface(s);
        const int below = std::max(0, bottom + 1 - (y0 + f->getHeight()));
        EXPECT_EQ(below > 0, row.reaches);
        EXPECT_EQ(f->inkBelow(renderer, row.text, -1, x0, row.left, row.right), below);
    }
}

TEST_F(Render, UpdateDrawsFramesThroughTheCallbackAndPacesLogicSteps)
{
    int frames = 0;
    screen->setRenderCallback([&](int n) {
        EXPECT_EQ(n, 0);
        ++frames;
        return 0;
    });
    EXPECT_FLOAT_EQ(main->getLogicDeltaTime(), 1.0f / 60.0f);
    int falses = 0;
    const uint64_t start = main->timer()->getTicks();
    while (main->timer()->getTicks() - start < 300)
        falses += main->update(nullptr) ? 0 : 1;
    EXPECT_GT(frames, 0);
    EXPECT_GT(falses, 1);
    // Every false return waits for the next logic step: it never spins.
    EXPECT_LE(falses, 300 * 60 / 1000 + 3);
}

// A render callback that changes a widget on every frame (a pulsing
// indicator) gets those changes drawn in the same frame; they must not force
// extra frames between the scheduled ones.
TEST_F(Render, ChangesMadeWhileDrawingWaitForTheNextScheduledFrame)
{
    int frames = 0;
    screen->setRenderCallback([&](int) {
        ++frames;
        const uint8_t level = frames % 2 ? 200 : 40;
        panel->baseWidget()->setBackgroundColor(level, 0, 0, WS_ALL);
        return 0;
    });
    SDL_Surface* s = TS::captureFrame();
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(same(pixel(s, 300, 300), frames % 2 ? 200 : 40, 0, 0)) << "drawn in the frame that made it";
    SDL_FreeSurface(s);

    frames = 0;
    const uint64_t start = main->timer()->getTicks();
    while (main->timer()->getTicks() - start < 300)
        main->update(nullptr);
    EXPECT_GT(frames, 0);
    // Active screen: the render rate (30) at most, plus the first frame.
    EXPECT_LE(frames, 300 * 30 / 1000 + 3);
}

} // namespace
} // namespace guitest
