// The font tab driven by real input: glyph sheets made into fonts or
// refused with their glyph count, kerning, sample lines, save and reload.
#include "tabs/ImageFamilyTabFixture.h"
#include "tabs/images/ctrlImages.h"

#include "support/GlyphSheetMaker.h"
#include "tabs/images/ctrlFonts.h"

#include <Zelkoran/Font.h>

namespace {

using namespace Zelkoran;
namespace TS = editortest::TS;

class FontTabTest : public ImageFamilyTabTest<CtrlFonts> {
protected:
    // A sheet of glyphs 16 pixels high, in white.
    std::string sheetFile(int glyphs)
    {
        return pngFile("sheet.png", editortest::makeGlyphSheet(glyphs, 16, 0xFFFFFF, 1, 16));
    }
    // Whether row y holds a glyph pixel (bright on the black background) right of x 250.
    static bool inked(SDL_Surface* shot, int y)
    {
        for (int x = 250; x < shot->w; ++x)
            if ((rgbAt(shot, x, y) & 0xFF) > 128)
                return true;
        return false;
    }
};

TEST_F(FontTabTest, GlyphSheetBecomesAFontWithKerningThatReloads)
{
    EXPECT_EQ(CtrlFonts::charsetText().size(), 188u);
    EXPECT_EQ(p->getTextEdit(CtrlFonts::FW_CHARSET)->getText().substr(0, 6), " ! \" #");
    ASSERT_EQ(import(sheetFile(189)), 0);
    EXPECT_TRUE(tab->isDirty());
    EXPECT_FALSE(enabled(CtrlImages::IW_KEY_USE)); // no colour key for fonts
    const struct {
        const char* typed;
        int applied;
    } kernings[] = {{"300", 256}, {"-300", -256}, {"3", 3}};
    Font* made = nullptr;
    for (int id = 1; id < 100 && !made; ++id)
        if (Font* f = Main::instance()->fontMgr()->get(id); f && std::string(f->getName()) == "defaultFont")
            made = f;
    ASSERT_NE(made, nullptr);
    for (const auto& k : kernings) {
        typeInto(CtrlFonts::FW_KERNING, k.typed);
        EXPECT_EQ(made->getKerning(), k.applied) << k.typed;
    }
    ASSERT_EQ(save("Sans"), 0);
    EXPECT_EQ(boxes(), (std::vector<std::string>{"Font: save to QEL / Font saved."}));
    clickOn(BW_NEW);
    EXPECT_EQ(number(CtrlFonts::FW_KERNING), 0);
    ASSERT_EQ(select("Sans"), 0);
    EXPECT_EQ(number(CtrlFonts::FW_KERNING), 3);

    // Zoom 2: lines start 2 x (16 + 10) pixels apart from y 250.
    clickOn(CtrlImages::IW_BG_BLACK); // black background
    for (int i = 0; i < 4; ++i)
        clickOn(CtrlImages::IW_ZOOM_IN);
    ASSERT_EQ(tab->zoom(), 2.0f);
    SDL_Surface* shot = frame();
    for (int top : std::initializer_list<int>{250, 302, 354, 406, 458}) {
        bool ink = false;
        for (int y = top; y < top + 32; ++y)
            ink = ink || inked(shot, y);
        EXPECT_TRUE(ink) << top;
        for (int y = top - 20; y < top; ++y)
            EXPECT_FALSE(inked(shot, y)) << "gap row " << y;
    }
    SDL_FreeSurface(shot);
}

TEST_F(FontTabTest, SheetWithoutAll189GlyphsIsRefusedWithItsCountAndNothingLeaks)
{
    const int before = openImages();
    TS::pushFileAnswer(true, sheetFile(150).c_str());
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(tab->processEvent(CtrlImages::IW_IMPORT, 0), 4);
    EXPECT_EQ(boxes(), (std::vector<std::string>{
                           "Font: import image / The image could not be converted to a font.\nImage needs to contain "
                           "189 characters.\nNumber of characters found: 150\nYou can check 'FontWithErrors.bmp' file."}));
    EXPECT_EQ(tab->imageID(), 0);
    EXPECT_FALSE(enabled(CtrlFonts::FW_KERNING));
    EXPECT_EQ(openImages(), before);
}

} // namespace
