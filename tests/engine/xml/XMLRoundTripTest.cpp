// Text in, text out: what an untouched document keeps, what an edit
// touches, what is normalised, and who owns the buffer.
#include "engine/xml/XMLTestSupport.h"

#include <Zelkoran/Result.h>

#include <cstring>

namespace xmltest {
namespace {

using XMLRoundTrip = XMLTest;

// saveToBuffer charges this module.
constexpr int kXMLModule = 12;

std::string utf16le(const std::string& ascii)
{
    std::string out = "\xFF\xFE";
    for (char c : ascii)
        out += std::string{c, '\0'};
    return out;
}

TEST_F(XMLRoundTrip, UntouchedDocumentsComeBackByteForByte)
{
    const std::string documents[] = {
        kMap,
        // Everything around the root, line ends as written.
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<!DOCTYPE map [\r\n <!ENTITY e \"x\">\r\n]>"
        "\r\n<!-- before -->\r\n<?app data here?>\r\n<map a=\"1\">\r\n\t<t>x</t>\r\n</map>\r\n<!-- after -->\r\n",
        // References, CDATA and mixed content stay as written.
        "<text lang=\"&quot;en&quot;\">a &lt; b &amp;&amp; c &gt; d &apos;&#169;&#xA9;&e;"
        "<![CDATA[ <raw> & ]]> tail <b>bold</b>\xE2\x82\xAC</text>",
        // Byte order mark, blanks everywhere text may hold them.
        "\xEF\xBB\xBF<map>\n\n   \t<a/>  \n</map>  \n\n",
        // Tabs for indentation, empty elements, prefixed names.
        "<tmx:map xmlns:tmx=\"urn:x\">\n\t<tmx:layer/>\n\t<e/>\n</tmx:map>",
        // A declaration naming another encoding is written in it again.
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<name v=\"caf\xE9\">\xE9t\xE9</name>\n",
        utf16le("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<map w=\"1\"><!--c--></map>\n"),
    };
    for (const std::string& source : documents) {
        const int id = load(source);
        ASSERT_GT(id, 0) << source;
        EXPECT_EQ(text(id), source);
    }
}

TEST_F(XMLRoundTrip, EditingAttributesTouchesNothingElse)
{
    const int id = load(kMap);
    XML* d = doc(id);
    ASSERT_TRUE(d->nodePointTo(2, "map/tileset"));
    ASSERT_TRUE(d->setAttributeString("source", "../shared/ground.tsx"));
    ASSERT_TRUE(d->nodePointTo(3, "map/layer/data"));
    ASSERT_TRUE(d->setAttributeString("compression", "zlib"));
    ASSERT_TRUE(d->nodeFirst());
    ASSERT_TRUE(d->setAttributeInt("width", 40));

    std::string expected = kMap;
    auto replace = [&](const std::string& from, const std::string& to) {
        const size_t at = expected.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        expected.replace(at, from.size(), to);
    };
    replace("source=\"ground.tsx\"", "source=\"../shared/ground.tsx\"");
    replace("<data encoding=\"csv\">", "<data encoding=\"csv\" compression=\"zlib\">");
    replace("width=\"4\" height=\"3\">\n <!--", "width=\"40\" height=\"3\">\n <!--");
    EXPECT_EQ(text(id), expected);
}

TEST_F(XMLRoundTrip, WhatTheTreeCannotHoldIsNormalisedOnceAndThenKept)
{
    const struct {
        const char* source;
        const char* written;
    } cases[] = {
        {"<a  x = 'y'  ></a >", "<a x=\"y\"/>"},
        {"<a v='say \"hi\"'/>", "<a v=\"say &quot;hi&quot;\"/>"},
        {"<a><?pi    spaced?></a>", "<a><?pi spaced?></a>"},
    };
    for (const auto& c : cases) {
        const int id = load(c.source);
        ASSERT_GT(id, 0) << c.source;
        const std::string once = text(id);
        EXPECT_EQ(once, c.written);
        EXPECT_EQ(text(load(once)), once) << "a written text is stable";
    }
    XML* d = doc(load("<a v='say \"hi\"'/>"));
    EXPECT_STREQ(d->getAttributeString("v", ""), "say \"hi\"");
}

TEST_F(XMLRoundTrip, TheBufferIsTheCallersAndReleasedWithCMemFree)
{
    const int id = load(kMap);
    const auto before = Zelkoran::CMem::getStats(kXMLModule);
    char* buffer = nullptr;
    size_t size = 0;
    ASSERT_EQ(doc(id)->saveToBuffer(buffer, size), 0);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(size, kMap.size());
    EXPECT_EQ(buffer[size], '\0') << "NUL-terminated, size without it";
    EXPECT_EQ(std::strlen(buffer), size);
    EXPECT_EQ(std::string(buffer, size), kMap);

    // The buffer outlives the document.
    ASSERT_EQ(xml->close(id), 0);
    EXPECT_EQ(std::string(buffer, size), kMap);
    const auto held = Zelkoran::CMem::getStats(kXMLModule);
    EXPECT_EQ(held.allocations, before.allocations + 1);
    EXPECT_GE(held.liveBytes, before.liveBytes + size + 1);
    Zelkoran::CMem::free(buffer);
    EXPECT_EQ(Zelkoran::CMem::getStats(kXMLModule).liveBytes, before.liveBytes);
}

} // namespace
} // namespace xmltest
