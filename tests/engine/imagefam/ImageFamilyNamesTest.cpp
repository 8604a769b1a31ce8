// What the managers of images, cursors, tile sets, sprites and fonts do
// alike with open resources: renames checked for emptiness, length and
// (images, tile sets) a name another open one holds; a close releases one
// hold; built-in fonts stay open under their own name.
#include "engine/image/ImageTestSupport.h"

#include <Zelkoran/Cursor.h>
#include <Zelkoran/Font.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Tile.h>

#include <string>

namespace imagetest {
namespace {

using ImageFamilyNames = ImageTest;

// Two open resources "A" and "B" of manager m, whose names are at most
// longest bytes and, when unique, held by one open resource at a time.
template <class Mgr>
void checkRenameAndClose(Mgr* m, size_t longest, bool unique)
{
    const int a = m->create("A", 10), b = m->create("B", 10);
    ASSERT_GT(a, 0);
    ASSERT_GT(b, a);
    const int open = m->getCount();
    EXPECT_EQ(m->setName(b, "A"), unique ? RC_ERR_EXISTS : 0);
    EXPECT_EQ(m->setName(b, ""), RC_ERR_INVALID);
    EXPECT_EQ(m->setName(b, nullptr), RC_ERR_INVALID);
    const std::string tooLong(longest + 1, 'x'), longestName(longest, 'x');
    EXPECT_EQ(m->setName(b, tooLong.c_str()), RC_ERR_INVALID);
    ASSERT_EQ(m->setName(b, longestName.c_str()), 0);
    EXPECT_EQ(m->get(b)->getName(), longestName);
    EXPECT_EQ(m->setName(b + 100, "C"), RC_ERR_NOT_FOUND);

    EXPECT_EQ(m->close(a), 0);
    EXPECT_EQ(m->get(a), nullptr);
    EXPECT_EQ(m->getCount(), open - 1);
    EXPECT_EQ(m->close(a), RC_ERR_NOT_FOUND);
    EXPECT_EQ(m->close(b), 0);
}

TEST_F(ImageFamilyNames, RenameAndCloseFollowEachKindsRules)
{
    {
        SCOPED_TRACE("image");
        checkRenameAndClose(images, 63, true);
    }
    {
        SCOPED_TRACE("cursor");
        checkRenameAndClose(main->cursorMgr(), 60, false);
    }
    {
        SCOPED_TRACE("tile");
        checkRenameAndClose(main->tileMgr(), 60, true);
    }
    {
        SCOPED_TRACE("sprite");
        checkRenameAndClose(main->spriteMgr(), 60, false);
    }
    {
        SCOPED_TRACE("font");
        checkRenameAndClose(main->fontMgr(), 60, false);
    }
}

TEST_F(ImageFamilyNames, AnImageOutlivesItsCloseWhileATileSetHoldsIt)
{
    const int image = patternImage("picture");
    TileMgr* tiles = main->tileMgr();
    const int tile = tiles->create("T", 10);
    ASSERT_EQ(tiles->get(tile)->assignImage(image, 0), 0);
    EXPECT_EQ(images->close(image), 0);
    EXPECT_NE(images->get(image), nullptr);
    EXPECT_EQ(tiles->close(tile), 0);
    EXPECT_EQ(images->get(image), nullptr);
}

TEST_F(ImageFamilyNames, BuiltInFontsStayOpenUnderTheirName)
{
    FontMgr* fonts = main->fontMgr();
    const int id = fonts->getBuiltin("Arial12Black");
    ASSERT_GT(id, 0);
    EXPECT_EQ(fonts->setName(id, "Mine"), RC_ERR_INVALID);
    EXPECT_EQ(fonts->close(id), 0);
    ASSERT_NE(fonts->get(id), nullptr);
    EXPECT_STREQ(fonts->get(id)->getName(), "@zk7/font/Arial12Black");
    EXPECT_EQ(fonts->getBuiltin("Arial12Black"), id);
}

} // namespace
} // namespace imagetest
