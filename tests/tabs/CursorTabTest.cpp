// The cursor tab driven by real input: an image made into a cursor, its hot
// spot edited, drawn as a cross, saved and loaded again.
#include "tabs/ImageFamilyTabFixture.h"
#include "tabs/images/ctrlImages.h"

#include "tabs/images/ctrlCursors.h"
#include "tabs/images/ctrlFonts.h"
#include "tabs/images/ctrlSprites.h"
#include "tabs/images/ctrlTiles.h"

#include <Zelkoran/Cursor.h>

namespace {

using namespace Zelkoran;
namespace TS = editortest::TS;

using CursorTabTest = ImageFamilyTabTest<CtrlCursors>;

TEST_F(CursorTabTest, HotSpotIsEditedDrawnSavedAndReloaded)
{
    tab->processEvent(0, 0);
    for (int id :
        {CtrlCursors::CW_HOT_X_MODE, CtrlCursors::CW_HOT_Y_MODE, CtrlCursors::CW_HOT_X, CtrlCursors::CW_HOT_Y})
        EXPECT_FALSE(enabled(id)) << id;
    // Every label clear of the combo box beside it.
    for (int label : {CtrlCursors::CW_HOT_X_LABEL, CtrlCursors::CW_HOT_Y_LABEL})
        EXPECT_LE(p->getLabel(label)->getRect().x + p->getLabel(label)->getRect().w,
                  p->getComboBox(label + 2)->getRect().x);

    ASSERT_EQ(import(pngFile("arrow.png", filled(20, 14))), 0);
    for (int id :
        {CtrlCursors::CW_HOT_X_MODE, CtrlCursors::CW_HOT_Y_MODE, CtrlCursors::CW_HOT_X, CtrlCursors::CW_HOT_Y})
        EXPECT_TRUE(enabled(id)) << id;
    choose(CtrlCursors::CW_HOT_X_MODE, 2); // Center
    typeInto(CtrlCursors::CW_HOT_X, "-2");
    choose(CtrlCursors::CW_HOT_Y_MODE, 3); // Size
    typeInto(CtrlCursors::CW_HOT_Y, "0");
    EXPECT_TRUE(tab->isDirty());

    // Centre - 2 on x (10 - 2), last row on y (13): arms of 5 pixels.
    SDL_Surface* shot = frame();
    const int x0 = static_cast<int>(tab->imageRect().x), y0 = static_cast<int>(tab->imageRect().y);
    const struct {
        int dx, dy;
        uint32_t rgb;
    } pixels[] = {{13, 13, 0xFF7F7F}, {3, 13, 0xFF7F7F}, {14, 13, 0xFFFFFF}, {2, 13, 0xFFFFFF},
                  {8, 9, 0xFF7F7F},   {8, 7, 0xFFFFFF},  {13, 12, 0xFFFFFF}};
    for (const auto& px : pixels)
        EXPECT_EQ(rgbAt(shot, x0 + px.dx, y0 + px.dy), px.rgb) << px.dx << "," << px.dy;
    SDL_FreeSurface(shot);

    ASSERT_EQ(save("arrow"), 0);
    EXPECT_EQ(boxes(), (std::vector<std::string>{"Cursor: save to QEL / Cursor saved."}));
    clickOn(BW_NEW);
    ASSERT_EQ(select("arrow"), 0);
    EXPECT_EQ(p->getComboBox(CtrlCursors::CW_HOT_X_MODE)->getSelectedIndex() * 100
            + p->getComboBox(CtrlCursors::CW_HOT_Y_MODE)->getSelectedIndex(),
        203);
    EXPECT_EQ(number(CtrlCursors::CW_HOT_X), -2);
    EXPECT_EQ(number(CtrlCursors::CW_HOT_Y), 0);
    CursorMgr* cursors = Main::instance()->cursorMgr();
    const int stored = cursors->load(status->iArchiveID, "arrow");
    int x = 0, y = 0;
    cursors->get(stored)->getHotSpot(x, y);
    EXPECT_EQ(static_cast<uint32_t>(x), 0x61FFFFFEu);
    EXPECT_EQ(static_cast<uint32_t>(y), 0x60000000u);
}

// Every tab whose resource owns its image: when the resource cannot be made
// (here: a name too long for its hidden image block) the imported image is
// released with it.
template <class Tab>
class FailedConversionTest : public ImageFamilyTabTest<Tab> {};
using OwningTabs = ::testing::Types<CtrlCursors, CtrlTiles, CtrlSprites, CtrlFonts>;
TYPED_TEST_SUITE(FailedConversionTest, OwningTabs);

TYPED_TEST(FailedConversionTest, ReleasesTheImportedImage)
{
    this->typeInto(BW_NAME, std::string(61, 'n'));
    const int before = this->openImages();
    TS::pushFileAnswer(true, this->pngFile("in.png", this->filled(8, 8)).c_str());
    TS::pushAnswer(0);
    EXPECT_EQ(this->tab->processEvent(CtrlImages::IW_IMPORT, 0), 4);
    const std::vector<std::string> shown = this->boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find(": import image / Could not create the "), std::string::npos) << shown[0];
    EXPECT_EQ(this->openImages(), before);
    EXPECT_EQ(this->tab->imageID(), 0);
}

} // namespace
