// Skins, resource ownership, colour conversion, panel dragging, tooltips,
// multi-selection and the engine's life cycle.
#include "engine/gui/GuiTestSupport.h"

#include <Zelkoran/GFX.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Sprite.h>

namespace guitest {
namespace {

class SkinResource : public GuiTest {
protected:
    int solidImage(int w, int h, uint8_t r, uint8_t g, uint8_t b)
    {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_FillRect(s, nullptr, SDL_MapRGBA(s->format, r, g, b, 255));
        const int id = main->imageMgr()->loadFromSurface(s, "");
        SDL_FreeSurface(s);
        return id;
    }
    SDL_Color at(int x, int y)
    {
        SDL_Surface* s = TS::captureFrame();
        const SDL_Color c = pixel(s, x, y);
        SDL_FreeSurface(s);
        return c;
    }
};

TEST_F(SkinResource, WidgetsOwnTheirBackgroundImagesAndSprites)
{
    const int normal = solidImage(40, 40, 255, 0, 0);
    const int pressed = solidImage(40, 40, 0, 255, 0);
    WidgetImage* img = panel->createImage("Wheel", 17152);
    ASSERT_EQ(img->setBackgroundImage(normal, WS_NORMAL), 0);
    ASSERT_EQ(img->setBackgroundImage(pressed, WS_PRESSED), 0);
    EXPECT_LT(img->setBackgroundImage(9999, WS_NORMAL), 0);
    EXPECT_EQ(img->getBackgroundImage(WS_PRESSED), pressed);
    img->setPosition(Position(20), Position(20));
    EXPECT_EQ(img->getWidth(), 40) << "images take their picture's size";
    EXPECT_TRUE(same(at(30, 30), 255, 0, 0));
    // Hovering has no picture of its own: the normal one shows.
    img->setFeatures(WF_EVENTS, true);
    TS::mouseMove(30, 30);
    run();
    EXPECT_TRUE(same(at(30, 30), 255, 0, 0));
    TS::mouseDown(30, 30);
    run();
    EXPECT_TRUE(same(at(30, 30), 0, 255, 0));
    TS::mouseUp(30, 30);
    run();
    img->clearBackground(WS_ALL);
    EXPECT_TRUE(same(at(30, 30), 240, 240, 240)) << "a cleared widget shows its panel";
    EXPECT_EQ(img->getBackgroundImage(WS_NORMAL), 0);
    // The images are closed with their widget.
    EXPECT_EQ(panel->closeWidget(17152), 0);
    EXPECT_EQ(main->imageMgr()->get(normal), nullptr);
    EXPECT_EQ(main->imageMgr()->get(pressed), nullptr);
    EXPECT_LT(panel->closeWidget(17152), 0);
}

TEST_F(SkinResource, SkinValuesPerStateFallBackToTheTheme)
{
    WidgetList* list = panel->createList("List", 105);
    list->setBackgroundColor(200, 200, 195, WS_HOVERED);
    list->setBackgroundColor(200, 200, 195, WS_PRESSED);
    uint8_t r = 0, g = 0, b = 0, a = 0;
    list->getBackgroundColor(&r, &g, &b, WS_HOVERED);
    EXPECT_EQ(r, 200);
    list->getBackgroundColor(&r, &g, &b, WS_NORMAL);
    EXPECT_EQ(r, 255) << "the theme's list background";
    EXPECT_EQ(list->getSkinOverrideMask(WS_NORMAL), 0u);
    list->setBorderColor(1, 2, 3, 4, WS_ALL);
    list->getBorderColor(&r, &g, &b, &a, WS_DEACTIVATED);
    EXPECT_EQ(a, 4);
    list->setBorderCorner(4);
    EXPECT_EQ(list->getBorderCorner(WS_PRESSED), 4);
    list->setSelectionColor(9, 8, 7, 6, WS_NORMAL);
    list->getSelectionColor(&r, &g, &b, &a, WS_NORMAL);
    EXPECT_EQ(r, 9);
    const int font = main->fontMgr()->getBuiltin("CourierNew10Black");
    panel->baseWidget()->setFont(font, WS_ALL);
    EXPECT_EQ(list->getFont(WS_NORMAL), font) << "widgets without a font take the panel's";
    list->setFont(main->fontMgr()->getBuiltin("Arial10Black"), WS_PRESSED);
    EXPECT_EQ(list->getFont(WS_NORMAL), font);
    EXPECT_NE(list->getFont(WS_PRESSED), font);
    list->setTooltipBackgroundColor(1, 2, 3, 4);
    EXPECT_TRUE(list->getTooltipBackgroundColor(r, g, b, a));
    list->resetTooltipStyle();
    EXPECT_FALSE(list->getTooltipBackgroundColor(r, g, b, a));
}

TEST_F(SkinResource, ChildSpritesShareTheSheetAndOutliveTheParent)
{
    const SDL_Color colours[5] = {{1, 0, 0, 255}, {2, 0, 0, 255}, {3, 0, 0, 255}, {4, 0, 0, 255}, {5, 0, 0, 255}};
    const std::vector<char> png = stripPng(20, 20, colours);
    SpriteMgr* sprites = main->spriteMgr();
    const int parent = sprites->loadFromBuffer(png.data(), png.size(), "@test/sprite/Icon", 20, 20);
    ASSERT_GT(parent, 0);
    EXPECT_EQ(sprites->get(parent)->getAnimCount(), 5);
    const int a = sprites->child(parent);
    const int b = sprites->child(parent);
    EXPECT_NE(a, b);
    EXPECT_EQ(sprites->get(a)->getImage(), sprites->get(parent)->getImage());
    EXPECT_EQ(sprites->close(parent), 0);
    ASSERT_NE(sprites->get(a), nullptr);
    EXPECT_NE(main->imageMgr()->get(sprites->get(a)->getImage()), nullptr);
    EXPECT_LT(sprites->child(parent), 0);
    EXPECT_LT(sprites->loadFromBuffer("not a png", 9, "bad", 20, 20), 0);
}

TEST_F(SkinResource, HsvConversionsRoundTrip)
{
    float h = 0, s = 0, v = 0;
    GFX::rgbToHSV(255, 128, 0, &h, &s, &v);
    EXPECT_NEAR(h, 30.1f, 0.2f);
    EXPECT_FLOAT_EQ(s, 1.0f);
    EXPECT_FLOAT_EQ(v, 1.0f);
    GFX::rgbToHSV(90, 90, 90, &h, &s, &v);
    EXPECT_LT(h, 0.0f) << "greys have no hue";
    EXPECT_FLOAT_EQ(s, 0.0f);
    for (int c = 0; c < 256; c += 17) {
        uint8_t r = 0, g = 0, b = 0;
        GFX::rgbToHSV(static_cast<uint8_t>(c), static_cast<uint8_t>(255 - c), 60, &h, &s, &v);
        GFX::hsvToRGB(h, s, v, &r, &g, &b);
        EXPECT_EQ(r, c);
        EXPECT_EQ(g, 255 - c);
        EXPECT_EQ(b, 60);
    }
    uint8_t r = 0, g = 0, b = 0;
    GFX::hsvToRGB(-120.0f, 1.0f, 1.0f, &r, &g, &b);
    EXPECT_TRUE(r == 0 && g == 0 && b == 255);
}

TEST_F(SkinResource, PanelsWithTheDragFeatureFollowTheMouse)
{
    Widget* base = panel->baseWidget();
    base->setSize(200, 100);
    base->setPosition(Position(0, PH_CENTER), Position(0, PH_CENTER));
    const SDL_Rect before = base->getRect();
    TS::mouseMove(before.x + 5, before.y + 5);
    TS::mouseDown(before.x + 5, before.y + 5);
    TS::mouseMove(before.x + 45, before.y + 25);
    TS::mouseUp(before.x + 45, before.y + 25);
    run();
    EXPECT_EQ(base->getRect().x, before.x) << "no drag without the feature";
    base->setFeatures(WF_DRAG, true);
    TS::mouseMove(before.x + 5, before.y + 5);
    TS::mouseDown(before.x + 5, before.y + 5);
    TS::mouseMove(before.x + 45, before.y + 25);
    TS::mouseUp(before.x + 45, before.y + 25);
    run();
    EXPECT_EQ(base->getRect().x, before.x + 40);
    EXPECT_EQ(base->getRect().y, before.y + 20);
    EXPECT_EQ(base->getPositionX().helper, PH_CENTER) << "the anchor is kept";
}

TEST_F(SkinResource, TooltipsShowAfterTheMouseRests)
{
    panel->baseWidget()->setBackgroundColor(255, 255, 255, WS_ALL);
    WidgetButton* b = panel->createButton("Tip", 1);
    b->setPosition(Position(20), Position(20));
    b->setTooltip("Create a new resource");
    b->setTooltipBackgroundColor(0, 0, 255, 255);
    int x = 0, y = 0;
    TS::widgetCenter(panelId, 1, x, y);
    TS::mouseMove(x, y);
    run();
    EXPECT_FALSE(same(at(x + 14, y + 22), 0, 0, 255));
    SDL_Delay(700);
    EXPECT_TRUE(same(at(x + 14, y + 22), 0, 0, 255));
}

TEST_F(SkinResource, MultiSelectListsTakeCtrlAndShiftClicks)
{
    WidgetList* l = panel->createList("List", 3);
    l->setSize(200, 200);
    l->setMultiSelect(true);
    for (int i = 1; i <= 6; ++i)
        l->addItem(std::to_string(i).c_str());
    const SDL_Rect r = l->getRect();
    auto rowY = [&](int row) { return r.y + 1 + (row - 1) * l->getRowHeight() + 3; };
    TS::click(r.x + 10, rowY(2));
    run();
    TS::mouseMove(r.x + 10, rowY(5));
    // Modifiers come from the keyboard state SDL keeps.
    SDL_SetModState(KMOD_LSHIFT);
    TS::mouseDown(r.x + 10, rowY(5));
    TS::mouseUp(r.x + 10, rowY(5));
    run();
    SDL_SetModState(KMOD_NONE);
    for (int i = 1; i <= 6; ++i)
        EXPECT_EQ(l->isSelected(i), i >= 2 && i <= 5) << i;
    SDL_SetModState(KMOD_LCTRL);
    TS::click(r.x + 10, rowY(3));
    run();
    SDL_SetModState(KMOD_NONE);
    EXPECT_FALSE(l->isSelected(3));
    EXPECT_TRUE(l->isSelected(4));
    EXPECT_EQ(l->getSelectedIndex(), 3);
}

TEST(EngineLifeCycle, TerminateDropsPendingEventsAndANewEngineStartsClean)
{
    for (int round = 0; round < 2; ++round) {
        Main* main = Main::instance();
        Screen* screen = main->configMgr()->get(0);
        screen->setDriver(Screen::DRV_SOFT);
        screen->setSize(320, 200);
        ASSERT_EQ(screen->show(), 0);
        GUIMgr* gui = main->guiMgr();
        EXPECT_TRUE(gui->getPanelIDs().empty());
        const int id = gui->create("Left", 0);
        gui->getPanel(id)->createButton("B", 1);
        TestSupport::quit();
        TestSupport::typeText("abc");
        Main::terminate();
    }
    Main* main = Main::instance();
    SDL_Event e;
    EXPECT_FALSE(main->update(&e)) << "nothing of the last engine is left in the queue";
    Main::terminate();
}

} // namespace
} // namespace guitest
