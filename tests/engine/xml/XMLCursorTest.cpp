// Moving the cursor: document order, paths, the edges of the tree, and
// documents built element by element.
#include "engine/xml/XMLTestSupport.h"

#include <Zelkoran/Result.h>

namespace xmltest {
namespace {

using Zelkoran::RC_ERR_INVALID;
using Zelkoran::RC_ERR_NOT_FOUND;

// Every element in document order, through child / next / parent only.
std::vector<std::string> walk(XML* d)
{
    std::vector<std::string> names;
    if (!d->nodeFirst())
        return names;
    for (;;) {
        names.push_back(nodeName(d));
        if (d->nodeChild())
            continue;
        while (!d->nodeNext())
            if (!d->nodeParent())
                return names;
    }
}

using XMLCursor = XMLTest;

TEST_F(XMLCursor, WalksElementsInDocumentOrderPastCommentsTextAndInstructions)
{
    const int id = load(kMap);
    ASSERT_GT(id, 0);
    XML* d = doc(id);
    EXPECT_EQ(nodeName(d), "map") << "a loaded document starts on its root";
    EXPECT_EQ(walk(d),
              (std::vector<std::string>{"map", "tileset", "tileset", "image", "layer", "data", "objectgroup"}));
}

TEST_F(XMLCursor, PathsTakeTheFirstMatchAndFailuresLeaveTheCursor)
{
    XML* d = doc(load(kMap));
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->nodePointTo(2, "map/layer"));
    EXPECT_STREQ(d->getAttributeString("name", ""), "Ground");
    EXPECT_TRUE(d->nodePointTo(2, "map/tileset"));
    EXPECT_EQ(d->getAttributeInt("firstgid", 0), 1);
    // The first tileset has no image; the second one is never tried.
    EXPECT_FALSE(d->nodePointTo(3, "map/tileset/image"));
    EXPECT_EQ(d->getAttributeInt("firstgid", 0), 1) << "cursor moved on a failed path";

    const struct {
        int depth;
        const char* path;
    } refused[] = {{1, "tileset"},       {2, "map"},  {1, "map/tileset"}, {0, "map"}, {-1, "map"},
                   {2, "map/"},          {2, "/map"}, {3, "map//image"},  {1, ""},    {1, "map "},
                   {2, "map/editor"}}; // a processing instruction is not an element
    for (const auto& r : refused) {
        EXPECT_FALSE(d->nodePointTo(r.depth, r.path)) << r.depth << " " << r.path;
        EXPECT_EQ(d->getAttributeInt("firstgid", 0), 1) << r.path;
    }
    EXPECT_FALSE(d->nodePointTo(1, nullptr));
    EXPECT_TRUE(d->nodePointTo(1, "map"));
    EXPECT_EQ(nodeName(d), "map");
}

TEST_F(XMLCursor, MovesThatCannotBeMadeKeepTheCursor)
{
    XML* d = doc(load(kMap));
    ASSERT_TRUE(d);
    EXPECT_FALSE(d->nodeParent()) << "the root has no parent element";
    EXPECT_FALSE(d->nodeNext()) << "only blanks follow the root";
    EXPECT_EQ(nodeName(d), "map");

    ASSERT_TRUE(d->nodePointTo(2, "map/objectgroup"));
    EXPECT_FALSE(d->nodeNext());
    EXPECT_FALSE(d->nodeChild());
    EXPECT_STREQ(d->getAttributeString("name", ""), "Things");

    ASSERT_TRUE(d->nodePointTo(3, "map/layer/data"));
    EXPECT_FALSE(d->nodeChild()) << "text is not an element";
    EXPECT_EQ(nodeName(d), "data");
    ASSERT_TRUE(d->nodeParent());
    EXPECT_STREQ(d->getAttributeString("name", ""), "Ground");

    ASSERT_TRUE(d->nodePointTo(2, "map/tileset"));
    ASSERT_TRUE(d->nodeNext());
    ASSERT_TRUE(d->nodeChild());
    EXPECT_EQ(nodeName(d), "image");
    ASSERT_TRUE(d->nodeFirst());
    EXPECT_EQ(nodeName(d), "map");
}

TEST_F(XMLCursor, DocumentsAreBuiltElementByElement)
{
    const int id = create("map");
    ASSERT_GT(id, 0);
    XML* d = doc(id);
    EXPECT_STREQ(d->getName(), "");
    EXPECT_EQ(nodeName(d), "map");
    ASSERT_TRUE(d->setAttributeString("version", "1.10"));
    ASSERT_TRUE(d->nodeCreate("tileset"));
    ASSERT_TRUE(d->setAttributeInt("firstgid", 1));
    ASSERT_TRUE(d->nodeCreate("image"));
    ASSERT_TRUE(d->setAttributeString("source", "a.png"));
    ASSERT_TRUE(d->nodeParent());
    ASSERT_TRUE(d->nodeParent());
    ASSERT_TRUE(d->nodeCreate("layer"));
    for (const char* bad : {"", "1layer", "a b", "a<b", "a/b", "-x"}) {
        EXPECT_FALSE(d->nodeCreate(bad)) << bad;
        EXPECT_EQ(nodeName(d), "layer") << bad;
    }
    EXPECT_FALSE(d->nodeCreate(nullptr));
    ASSERT_TRUE(d->setComment("Made by a test"));
    EXPECT_EQ(text(id), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<!--Made by a test-->\n"
                        "<map version=\"1.10\">\n"
                        " <tileset firstgid=\"1\">\n"
                        "  <image source=\"a.png\"/>\n"
                        " </tileset>\n"
                        " <layer/>\n"
                        "</map>\n");
}

TEST_F(XMLCursor, AnEmptyDocumentGetsItsRootFromNodeCreate)
{
    const int id = create("");
    ASSERT_GT(id, 0);
    XML* d = doc(id);
    Zelkoran::String n = "stale";
    EXPECT_FALSE(d->nodeGetName(n));
    EXPECT_EQ(n, "");
    EXPECT_FALSE(d->nodeFirst());
    EXPECT_FALSE(d->nodeChild());
    EXPECT_FALSE(d->nodeParent());
    EXPECT_FALSE(d->hasAttribute("a"));
    EXPECT_FALSE(d->setAttributeString("a", "1"));
    EXPECT_EQ(d->getAttributeInt("a", 7), 7);
    // Without a root the text would not load again.
    char* buffer = reinterpret_cast<char*>(1);
    size_t size = 1;
    EXPECT_EQ(d->saveToBuffer(buffer, size), RC_ERR_INVALID);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(size, 0u);

    ASSERT_TRUE(d->nodeCreate("tileset"));
    EXPECT_TRUE(d->nodeFirst());
    EXPECT_EQ(nodeName(d), "tileset");
    EXPECT_EQ(text(id), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tileset/>\n");
}

TEST_F(XMLCursor, IdsAreRefusedForBadRootsAndGoAwayOnClose)
{
    EXPECT_EQ(xml->create(nullptr, 0), RC_ERR_INVALID);
    EXPECT_EQ(xml->create("two words", 0), RC_ERR_INVALID);
    const int a = xml->create("map", 0);
    const int b = load(kMap, "level");
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    EXPECT_NE(a, b);
    EXPECT_STREQ(doc(b)->getName(), "level");
    EXPECT_EQ(doc(a)->getID(), a);
    EXPECT_EQ(xml->close(a), 0);
    EXPECT_EQ(xml->get(a), nullptr);
    EXPECT_EQ(xml->close(a), RC_ERR_NOT_FOUND);
    EXPECT_EQ(xml->get(0), nullptr);
    EXPECT_EQ(xml->get(-3), nullptr);
}

} // namespace
} // namespace xmltest
