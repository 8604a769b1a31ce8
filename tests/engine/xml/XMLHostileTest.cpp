// Input nobody should trust: cut, nested without end, oversized, binary,
// empty, or not one document. A negative code, never a crash.
#include "engine/xml/XMLTestSupport.h"

#include <Zelkoran/Result.h>

#include <random>

namespace xmltest {
namespace {

using namespace Zelkoran;

using XMLHostile = XMLTest;

constexpr int kMaxDepth = 256;

std::string repeat(const std::string& part, int n)
{
    std::string text;
    for (int i = 0; i < n; ++i)
        text += part;
    return text;
}

// depth nested elements around inner.
std::string nested(int depth, const std::string& inner = "") { return repeat("<a>", depth) + inner + repeat("</a>", depth); }

TEST_F(XMLHostile, EveryCutOfADocumentIsRefused)
{
    const size_t end = kMap.rfind("</map>") + 6;
    for (size_t n = 0; n < end; ++n)
        EXPECT_EQ(load(kMap.substr(0, n)), RC_ERR_CORRUPT) << "cut at " << n << ": " << kMap.substr(0, n);
    EXPECT_GT(load(kMap.substr(0, end)), 0);
}

TEST_F(XMLHostile, NestingIsBoundedWhateverTheDepth)
{
    const int atLimit = load(nested(kMaxDepth));
    ASSERT_GT(atLimit, 0);
    XML* d = doc(atLimit);
    int depth = 1;
    while (d->nodeChild())
        ++depth;
    EXPECT_EQ(depth, kMaxDepth);
    EXPECT_EQ(load(nested(kMaxDepth + 1)), RC_ERR_TOO_LARGE);
    EXPECT_EQ(load(nested(1'000'000)), RC_ERR_TOO_LARGE);
    EXPECT_EQ(load(repeat("<a>", 1'000'000)), RC_ERR_CORRUPT);
    // Depth counts elements only: text in the deepest element is fine.
    EXPECT_GT(load(nested(kMaxDepth, "text<!--c--><?p?>")), 0);

    // Building stops at the same depth, so what is written loads again.
    const int built = create("a");
    for (depth = 1; depth < kMaxDepth; ++depth)
        ASSERT_TRUE(doc(built)->nodeCreate("a")) << depth;
    EXPECT_FALSE(doc(built)->nodeCreate("a"));
    EXPECT_GT(load(text(built)), 0);
}

TEST_F(XMLHostile, HugeValuesAreReadWhole)
{
    const std::string value(32 << 20, 'v');
    const int id = load("<map data=\"" + value + "\">" + value + "</map>");
    ASSERT_GT(id, 0);
    EXPECT_EQ(std::string(doc(id)->getAttributeString("data", "")).size(), value.size());
    EXPECT_EQ(doc(id)->getAttributeInt("data", -1), -1);

    // Beyond the size limit nothing is read at all.
    const char small[] = "<a/>";
    EXPECT_EQ(xml->loadFromBuffer(small, (size_t(256) << 20) + 1, ""), RC_ERR_TOO_LARGE);
}

TEST_F(XMLHostile, BinaryGarbageAndEmptyInputAreRefused)
{
    EXPECT_EQ(xml->loadFromBuffer(nullptr, 10, ""), RC_ERR_INVALID);
    EXPECT_EQ(load(""), RC_ERR_CORRUPT);
    EXPECT_EQ(load(" \n\t "), RC_ERR_CORRUPT);
    EXPECT_EQ(load(std::string(64, '\0')), RC_ERR_CORRUPT);
    std::mt19937 random(7);
    for (int i = 0; i < 300; ++i) {
        std::string bytes(1 + random() % 2048, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        EXPECT_LT(load(bytes), 0) << "sample " << i;
        // The same bytes behind a valid start tag.
        EXPECT_LT(load("<map>" + bytes), 0) << "sample " << i;
    }
}

TEST_F(XMLHostile, AnythingButOneRootElementIsRefused)
{
    for (const char* text : {"<a/><b/>", "text<a/>", "<a/>text", "<![CDATA[x]]><a/>", " <?xml version=\"1.0\"?><a/>",
                             "<a/><?xml version=\"1.0\"?>", "<a/><!DOCTYPE a>", "<a x=\"1\" x=\"2\"/>",
                             "<a><b y='1' z='2' y='3'/></a>", "<?xml version=\"1.0\"?>", "<!-- only -->",
                             "<a></b>", "<a x=1/>", "<a x=\"1/>", "</a>", "<1a/>"})
        EXPECT_EQ(load(text), RC_ERR_CORRUPT) << text;
}

} // namespace
} // namespace xmltest
