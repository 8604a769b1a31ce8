// The colour picker: opened on a tab's hexadecimal edit and swatch, driven
// through its wheel, sliders, number edits, hex edit and presets.
#include "tabs/ColorFixture.h"

#include <Zelkoran/Image.h>

#include <cmath>
#include <functional>
#include <string>

namespace {

using namespace Zelkoran;
using namespace CtrlBaseControls;
namespace TS = Zelkoran::TestSupport;

constexpr int kEdit = 900, kFrame = 901;

// What the dialog showed when the script looked.
struct PickerView {
    std::string name;
    int sliders[4] = {};
    int values[4] = {};
    bool alphaUsable = true;
    std::string hex;
    ColorTest::Rgb preview{};
    int markerX = 0, markerY = 0; // panel coordinates
};

class ColorPickerTest : public ColorTest {
protected:
    void SetUp() override
    {
        ColorTest::SetUp();
        edit = p->createTextEdit("Hex", kEdit);
        edit->setPosition(Position(20), Position(400));
        frame = p->createFrame("Swatch", kFrame);
        frame->setPosition(Position(120), Position(400));
        frame->setBackgroundColor(1, 2, 3, WS_ALL);
    }

    static PickerView look(int id)
    {
        Panel* d = editortest::panel(id);
        PickerView v;
        v.name = d->getName();
        for (int ch = 0; ch < 4; ++ch) {
            v.sliders[ch] = d->getSlider(CP_FIRST_SLIDER + ch)->getValue();
            v.values[ch] = static_cast<int>(d->getNumberEdit(CP_FIRST_VALUE + ch)->getValue());
        }
        v.alphaUsable = d->getSlider(CP_FIRST_SLIDER + 3)->status() != 0 &&
                        d->getNumberEdit(CP_FIRST_VALUE + 3)->status() != 0;
        v.hex = text(d, CP_HEX);
        v.preview = background(d->getFrame(CP_PREVIEW));
        const SDL_Rect base = d->baseWidget()->getRect();
        const SDL_Rect marker = d->getFrame(CP_MARKER)->getRect();
        v.markerX = marker.x - base.x;
        v.markerY = marker.y - base.y;
        return v;
    }

    // Clicks the wheel at (dx, dy) from its centre.
    static void clickWheel(int id, int dx, int dy)
    {
        const SDL_Rect base = editortest::panel(id)->baseWidget()->getRect();
        TS::click(base.x + 93 + dx, base.y + 139 + dy);
        TS::pump();
    }

    // Opens the picker on the edit holding callerText; script acts inside it.
    bool pick(const char* callerText, bool alpha, const std::function<void(int)>& script)
    {
        edit->setText(callerText);
        TS::pushScript(script);
        return openColorPicker(tab->tabServices(), p, kEdit, kFrame, alpha);
    }

    WidgetTextEdit* edit = nullptr;
    WidgetFrame* frame = nullptr;
    PickerView seen;
};

TEST_F(ColorPickerTest, OpensOnlyOnAShownEnabledEdit)
{
    const size_t panels = Main::instance()->guiMgr()->getPanelIDs().size();
    EXPECT_FALSE(openColorPicker(tab->tabServices(), nullptr, kEdit, kFrame, false));
    EXPECT_FALSE(openColorPicker(tab->tabServices(), p, 999, kFrame, false));
    edit->hide();
    EXPECT_FALSE(openColorPicker(tab->tabServices(), p, kEdit, kFrame, false));
    edit->show();
    edit->disable();
    EXPECT_FALSE(openColorPicker(tab->tabServices(), p, kEdit, kFrame, false));
    EXPECT_TRUE(TS::modalLog().empty());
    EXPECT_EQ(Main::instance()->guiMgr()->getPanelIDs().size(), panels);
}

TEST_F(ColorPickerTest, ShowsTheCallersColourEverywhereAndCancelKeepsIt)
{
    EXPECT_FALSE(pick("#FF8000", false, [this](int id) {
        seen = look(id);
        TS::clickWidget(id, CP_CANCEL);
    }));
    for (int ch = 0; ch < 4; ++ch) {
        EXPECT_EQ(seen.sliders[ch], (std::array<int, 4>{255, 128, 0, 255}[ch]));
        EXPECT_EQ(seen.values[ch], seen.sliders[ch]);
    }
    EXPECT_FALSE(seen.alphaUsable);
    EXPECT_EQ(seen.hex, "#FF8000");
    EXPECT_EQ(seen.preview, (Rgb{255, 128, 0}));
    // On the rim, about 30 degrees below the +x axis of the centre (93, 139).
    const double angle = 30.1 * M_PI / 180.0;
    EXPECT_NEAR(seen.markerX + 3.5, 93 + 74 * std::cos(angle), 1.5);
    EXPECT_NEAR(seen.markerY + 3.5, 139 + 74 * std::sin(angle), 1.5);
    EXPECT_EQ(text(p, kEdit), "#FF8000");
    EXPECT_EQ(background(frame), (Rgb{1, 2, 3}));
    ASSERT_EQ(TS::modalLog().size(), 1u);
    EXPECT_EQ(TS::modalLog()[0].title, "Color picker");

    // Escape cancels as well; an RGB text in an RGBA dialog opens on opaque black.
    EXPECT_FALSE(pick("#FF8000", true, [this](int id) {
        seen = look(id);
        TS::key(SDLK_ESCAPE);
    }));
    EXPECT_TRUE(seen.alphaUsable);
    EXPECT_EQ(seen.hex, "#000000FF");
    EXPECT_EQ(text(p, kEdit), "#FF8000");
}

TEST_F(ColorPickerTest, EveryDialogHasNamesOfItsOwn)
{
    std::string first, second, sliderName;
    pick("#000000", false, [&](int id) {
        first = editortest::panel(id)->getName();
        TS::clickWidget(id, CP_CANCEL);
    });
    pick("#000000", false, [&](int id) {
        second = editortest::panel(id)->getName();
        sliderName = editortest::panel(id)->getSlider(CP_FIRST_SLIDER + 1)->getName();
        TS::clickWidget(id, CP_CANCEL);
    });
    const int n = std::stoi(first.substr(std::string("ColorPicker").size()));
    EXPECT_EQ(second, "ColorPicker" + std::to_string(n + 1));
    EXPECT_EQ(sliderName, "GreenSlider" + std::to_string(n + 1));
}

TEST_F(ColorPickerTest, TheWheelSetsHueAndSaturationAndKeepsTheValue)
{
    EXPECT_TRUE(pick("#808080", false, [this](int id) {
        seen = look(id);
        EXPECT_EQ(seen.markerX, 90) << "greys sit at the centre";
        EXPECT_EQ(seen.markerY, 136);
        clickWheel(id, 60, 60); // outside radius 74: nothing
        EXPECT_EQ(look(id).hex, "#808080");
        clickWheel(id, 0, 0);
        EXPECT_EQ(look(id).hex, "#808080") << "saturation 0 keeps the grey's value";
        TS::clickWidget(id, CP_FIRST_SWATCH + 0); // black
        TS::pump();
        clickWheel(id, 0, 0);
        EXPECT_EQ(look(id).hex, "#FFFFFF") << "black has no value to keep: full";
        clickWheel(id, 70, 0);
        seen = look(id);
        TS::clickWidget(id, CP_OK);
    }));
    EXPECT_EQ(seen.sliders[0], 255);
    EXPECT_EQ(seen.sliders[1], seen.sliders[2]);
    EXPECT_LT(seen.sliders[1], 30) << "the right rim is red";
    EXPECT_EQ(text(p, kEdit), seen.hex);
    EXPECT_EQ(background(frame), (Rgb{seen.sliders[0], seen.sliders[1], seen.sliders[2]}));
}

TEST_F(ColorPickerTest, NumberEditsAndSlidersClampAndDisabledAlphaStaysOpaque)
{
    EXPECT_TRUE(pick("#102030", false, [this](int id) {
        typeInto(id, CP_FIRST_VALUE + 0, "-3");
        enter();
        typeInto(id, CP_FIRST_VALUE + 1, "300");
        enter();
        // Keys on the slider move the channel; the alpha row takes no input.
        TS::clickWidget(id, CP_FIRST_SLIDER + 2);
        TS::pump();
        TS::clickWidget(id, CP_FIRST_SLIDER + 3);
        TS::pump();
        seen = look(id);
        TS::clickWidget(id, CP_OK);
    }));
    EXPECT_EQ(seen.sliders[0], 0);
    EXPECT_EQ(seen.sliders[1], 255);
    EXPECT_NEAR(seen.sliders[2], 128, 4) << "a click in the middle of the blue slider";
    EXPECT_EQ(seen.values[2], seen.sliders[2]);
    EXPECT_EQ(seen.sliders[3], 255);
    EXPECT_EQ(text(p, kEdit), seen.hex);
    EXPECT_EQ(seen.hex.substr(0, 5), "#00FF");
}

TEST_F(ColorPickerTest, TheHexEditFollowsTypingAndRestoresOnLeaving)
{
    EXPECT_FALSE(pick("#FF0000", false, [this](int id) {
        typeInto(id, CP_HEX, "#00ff00");
        seen = look(id);
        EXPECT_EQ(seen.sliders[1], 255);
        EXPECT_EQ(seen.sliders[0], 0);
        EXPECT_EQ(seen.hex, "#00ff00") << "the text being typed stays as typed";
        typeInto(id, CP_HEX, "#00FF0");
        EXPECT_EQ(look(id).preview, (Rgb{0, 255, 0}));
        TS::clickWidget(id, CP_FIRST_VALUE); // the hex edit loses the focus
        TS::pump();
        EXPECT_EQ(look(id).hex, "#00FF00");
        TS::clickWidget(id, CP_CANCEL);
    }));
    EXPECT_EQ(text(p, kEdit), "#FF0000");
}

TEST_F(ColorPickerTest, OKTakesTheTypedTextWhenValidAndTheSlidersOtherwise)
{
    EXPECT_TRUE(pick("#FF0000", false, [](int id) {
        typeInto(id, CP_HEX, "#123456");
        TS::clickWidget(id, CP_OK);
    }));
    EXPECT_EQ(text(p, kEdit), "#123456");
    EXPECT_EQ(background(frame), (Rgb{0x12, 0x34, 0x56}));
    EXPECT_TRUE(pick("#FF0000", false, [](int id) {
        typeInto(id, CP_HEX, "#12");
        TS::key(SDLK_RETURN);
    }));
    EXPECT_EQ(text(p, kEdit), "#FF0000");
}

TEST_F(ColorPickerTest, PresetsKeepAlpha)
{
    std::string tooltip;
    EXPECT_TRUE(pick("#00000080", true, [&](int id) {
        tooltip = editortest::panel(id)->getFrame(CP_FIRST_SWATCH + 4)->getTooltip();
        TS::clickWidget(id, CP_FIRST_SWATCH + 4);
        TS::clickWidget(id, CP_OK);
    }));
    EXPECT_EQ(tooltip, "Orange #FF8000");
    EXPECT_EQ(text(p, kEdit), "#FF800080");
    EXPECT_EQ(background(frame), (Rgb{255, 128, 0}));
}

TEST_F(ColorPickerTest, GeneratedWheelAndBarsHoldTheirColours)
{
    auto pixel = [](int imageId, int x, int y) {
        const SDL_Surface* s = Main::instance()->imageMgr()->get(imageId)->getSurface();
        const uint32_t v = static_cast<const uint32_t*>(s->pixels)[y * s->pitch / 4 + x];
        return std::array<int, 4>{int(v >> 16 & 255), int(v >> 8 & 255), int(v & 255), int(v >> 24)};
    };
    std::array<int, 4> centre{}, rim{}, corner{}, redStart{}, redEnd{}, alphaMid{};
    std::string wheelName;
    pick("#000000", true, [&](int id) {
        Panel* d = editortest::panel(id);
        const int wheel = d->getImage(CP_WHEEL)->getBackgroundImage(WS_NORMAL);
        ASSERT_GT(wheel, 0);
        EXPECT_GT(d->getImage(CP_WHEEL)->getBackgroundImage(WS_PRESSED), 0);
        wheelName = Main::instance()->imageMgr()->get(wheel)->getName();
        centre = pixel(wheel, 75, 75);
        rim = pixel(wheel, 148, 75);
        corner = pixel(wheel, 0, 0);
        const int red = d->getSlider(CP_FIRST_SLIDER)->getBackgroundImage(WS_NORMAL);
        redStart = pixel(red, 0, 8);
        redEnd = pixel(red, 111, 15);
        alphaMid = pixel(d->getSlider(CP_FIRST_SLIDER + 3)->getBackgroundImage(WS_PRESSED), 55, 0);
        TS::clickWidget(id, CP_CANCEL);
    });
    EXPECT_EQ(wheelName.rfind("@skardy/image/ColorPickerWheel", 0), 0u);
    EXPECT_EQ(centre[3], 255);
    EXPECT_GE(std::min({centre[0], centre[1], centre[2]}), 250) << "the centre is white";
    EXPECT_EQ(rim[0], 255);
    EXPECT_LT(rim[1], 20) << "the +x rim is red";
    EXPECT_EQ(corner[3], 0) << "outside the wheel is clear";
    EXPECT_EQ(redStart, (std::array<int, 4>{0, 0, 0, 255}));
    EXPECT_EQ(redEnd, (std::array<int, 4>{255, 0, 0, 255}));
    EXPECT_EQ(alphaMid, (std::array<int, 4>{126, 126, 126, 255}));
}

} // namespace
