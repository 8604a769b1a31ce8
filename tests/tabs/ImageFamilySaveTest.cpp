// Every image-family tab saves a block that another loaded resource holds
// (an effect's visual, a panel's skin): the edit is stored, nothing refused;
// a name is held to what its block names leave.
#include "tabs/ImageFamilyTabFixture.h"

#include "support/GlyphSheetMaker.h"
#include "tabs/images/ctrlCursors.h"
#include "tabs/images/ctrlFonts.h"
#include "tabs/images/ctrlImages.h"
#include "tabs/images/ctrlSprites.h"
#include "tabs/images/ctrlTiles.h"

#include <Zelkoran/Cursor.h>
#include <Zelkoran/Font.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Tile.h>

namespace {

using namespace Zelkoran;
namespace TS = editortest::TS;

// What each tab stores, and how another resource would hold its block.
template <class Tab>
struct Held;
template <>
struct Held<CtrlImages> {
    static constexpr const char* noun = "Image";
    static constexpr const char* lower = "image";
    static constexpr const char* imagePrefix = "";
    static int hold(int archive, const char* name) { return Main::instance()->imageMgr()->load(archive, name); }
    static void release(int id) { Main::instance()->imageMgr()->close(id); }
};
template <>
struct Held<CtrlCursors> {
    static constexpr const char* noun = "Cursor";
    static constexpr const char* lower = "cursor";
    static constexpr const char* imagePrefix = "#C_";
    static int hold(int archive, const char* name) { return Main::instance()->cursorMgr()->load(archive, name); }
    static void release(int id) { Main::instance()->cursorMgr()->close(id); }
};
template <>
struct Held<CtrlTiles> {
    static constexpr const char* noun = "Tile";
    static constexpr const char* lower = "tile";
    static constexpr const char* imagePrefix = "#T_";
    static int hold(int archive, const char* name) { return Main::instance()->tileMgr()->load(archive, name); }
    static void release(int id) { Main::instance()->tileMgr()->close(id); }
};
template <>
struct Held<CtrlSprites> {
    static constexpr const char* noun = "Sprite";
    static constexpr const char* lower = "sprite";
    static constexpr const char* imagePrefix = "#S_";
    static int hold(int archive, const char* name) { return Main::instance()->spriteMgr()->load(archive, name); }
    static void release(int id) { Main::instance()->spriteMgr()->close(id); }
};
template <>
struct Held<CtrlFonts> {
    static constexpr const char* noun = "Font";
    static constexpr const char* lower = "font";
    static constexpr const char* imagePrefix = "#F_";
    static int hold(int archive, const char* name) { return Main::instance()->fontMgr()->load(archive, name); }
    static void release(int id) { Main::instance()->fontMgr()->close(id); }
};

template <class Tab>
class HeldBlockSaveTest : public ImageFamilyTabTest<Tab> {
protected:
    // A picture every tab converts: a glyph sheet for the font tab.
    std::string picture()
    {
        SDL_Surface* s = std::is_same_v<Tab, CtrlFonts> ? editortest::makeGlyphSheet(189, 16, 0xFFFFFF, 1, 16)
                                                         : this->filled(32, 32);
        return this->pngFile("in.png", s);
    }
    // The alpha modulation stored with the block's image; -1 when unreadable.
    int storedAlpha(const char* name)
    {
        ImageMgr* images = Main::instance()->imageMgr();
        const int id = images->load(this->status->iArchiveID, (std::string(Held<Tab>::imagePrefix) + name).c_str());
        const int alpha = id > 0 ? images->get(id)->getAlphaMod() : -1;
        if (id > 0)
            images->close(id);
        return alpha;
    }
};
using ImageFamilyTabs = ::testing::Types<CtrlImages, CtrlCursors, CtrlTiles, CtrlSprites, CtrlFonts>;
TYPED_TEST_SUITE(HeldBlockSaveTest, ImageFamilyTabs);

TYPED_TEST(HeldBlockSaveTest, IsStoredUnderItsOwnOrATakenName)
{
    const std::string saved = std::string(Held<TypeParam>::noun) + ": save to QEL / " + Held<TypeParam>::noun + " saved.";
    ASSERT_EQ(this->import(this->picture()), 0);
    ASSERT_EQ(this->save("btn"), 0);
    this->boxes();
    const int holder = Held<TypeParam>::hold(this->status->iArchiveID, "btn");
    ASSERT_GT(holder, 0);

    // The same name: the object is renamed to the name it has.
    ASSERT_EQ(this->select("btn"), 0);
    this->typeKeys(CtrlImages::IW_ALPHA, "100");
    EXPECT_EQ(this->save("btn"), 0);
    EXPECT_EQ(this->boxes(), std::vector<std::string>{saved});
    EXPECT_EQ(this->storedAlpha("btn"), 100);

    // A new object saved under the held name replaces the block.
    this->clickOn(BW_NEW);
    ASSERT_EQ(this->import(this->picture()), 0);
    this->typeKeys(CtrlImages::IW_ALPHA, "50");
    EXPECT_EQ(this->save("btn"), 0);
    EXPECT_EQ(this->boxes(), std::vector<std::string>{saved});
    EXPECT_EQ(this->storedAlpha("btn"), 50);
    Held<TypeParam>::release(holder);
}

TYPED_TEST(HeldBlockSaveTest, ANameLongerThanItsPictureNameLeavesIsRefusedWithTheLimit)
{
    const std::string prefix = Held<TypeParam>::imagePrefix;
    const size_t limit = 63 - prefix.size();
    const std::string title = std::string(Held<TypeParam>::noun) + ": save to QEL / ";
    const std::string refusal =
        prefix.empty() ? "The name is longer than 63 bytes.\nQEL block names hold at most 63 bytes: shorten it."
                       : "The name is longer than 60 bytes.\nA " + std::string(Held<TypeParam>::lower) +
                             "'s picture is stored under its name and 3 bytes more, and QEL block names hold at "
                             "most 63 bytes: shorten it.";
    ASSERT_EQ(this->import(this->picture()), 0);
    const int entries = Main::instance()->archiveMgr()->get(this->status->iArchiveID)->getIndexCount();
    EXPECT_EQ(this->save(std::string(limit + 1, 'n')), -1);
    EXPECT_EQ(this->boxes(), std::vector<std::string>{title + refusal});
    EXPECT_EQ(Main::instance()->archiveMgr()->get(this->status->iArchiveID)->getIndexCount(), entries);

    EXPECT_EQ(this->save(std::string(limit, 'n')), 0);
    EXPECT_EQ(this->boxes(), std::vector<std::string>{title + Held<TypeParam>::noun + " saved."});
    EXPECT_GE(this->storedAlpha(std::string(limit, 'n').c_str()), 0);
}

} // namespace
