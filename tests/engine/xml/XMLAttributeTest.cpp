// Attributes and the document comment: order, defaults, integer forms,
// references, refused names and texts.
#include "engine/xml/XMLTestSupport.h"

#include <climits>
#include <cstring>

namespace xmltest {
namespace {

using XMLAttribute = XMLTest;

TEST_F(XMLAttribute, FirstSettingFixesTheOrder)
{
    const int id = create("tileset");
    XML* d = doc(id);
    ASSERT_TRUE(d->setAttributeString("name", "ground"));
    ASSERT_TRUE(d->setAttributeInt("tilewidth", 32));
    ASSERT_TRUE(d->setAttributeInt("tileheight", 16));
    ASSERT_TRUE(d->setAttributeString("name", "grass"));
    ASSERT_TRUE(d->setAttributeInt("tilewidth", 48));
    EXPECT_EQ(text(id), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<tileset name=\"grass\" tilewidth=\"48\" tileheight=\"16\"/>\n");

    // A loaded element keeps its own order; new names go after it.
    const int loaded = load("<image width=\"8\" source=\"a.png\" height=\"8\"/>");
    d = doc(loaded);
    ASSERT_TRUE(d->setAttributeString("trans", "ff00ff"));
    ASSERT_TRUE(d->setAttributeString("source", "b.png"));
    EXPECT_EQ(text(loaded), "<image width=\"8\" source=\"b.png\" height=\"8\" trans=\"ff00ff\"/>");
}

TEST_F(XMLAttribute, DefaultsAnswerForAbsentOrUnusableValues)
{
    XML* d = doc(load("<map width=\"4\" name=\"\" ratio=\"1.5\"/>"));
    const char* def = "fallback";
    EXPECT_EQ(d->getAttributeString("height", def), def);
    EXPECT_EQ(d->getAttributeString(nullptr, def), def);
    EXPECT_EQ(d->getAttributeString("height", nullptr), nullptr);
    EXPECT_STREQ(d->getAttributeString("name", def), "") << "an empty value is a value";
    EXPECT_EQ(d->getAttributeInt("height", -9), -9);
    EXPECT_EQ(d->getAttributeInt("name", -9), -9);
    EXPECT_EQ(d->getAttributeInt("ratio", -9), -9);
    EXPECT_EQ(d->getAttributeInt(nullptr, -9), -9);
    EXPECT_TRUE(d->hasAttribute("name"));
    EXPECT_FALSE(d->hasAttribute("height"));
    EXPECT_FALSE(d->hasAttribute(nullptr));
    EXPECT_FALSE(d->hasAttribute("Width")) << "names are case-sensitive";
}

TEST_F(XMLAttribute, IntegersAreDecimalWithSignAndBlanks)
{
    const struct {
        const char* written;
        int expected; // 99 = the default
    } cases[] = {
        {"42", 42},          {"-7", -7},         {"+15", 15},           {" 8 ", 8},
        {"&#9;12&#10;", 12}, {"0012", 12},       {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
        {"&#52;2", 42},      {"2147483648", 99}, {"-2147483649", 99},   {"0x10", 99},
        {"1.5", 99},         {"1e3", 99},        {"12abc", 99},         {"", 99},
        {" ", 99},           {"+", 99},          {"-", 99},             {"+-3", 99},
        {"- 3", 99},         {"3 4", 99},        {"99999999999999999999", 99},
    };
    for (const auto& c : cases) {
        XML* d = doc(load(std::string("<a v=\"") + c.written + "\"/>"));
        ASSERT_TRUE(d) << c.written;
        EXPECT_EQ(d->getAttributeInt("v", 99), c.expected) << "'" << c.written << "'";
    }
    const int id = create("a");
    ASSERT_TRUE(doc(id)->setAttributeInt("min", INT_MIN));
    ASSERT_TRUE(doc(id)->setAttributeInt("max", INT_MAX));
    EXPECT_STREQ(doc(id)->getAttributeString("min", ""), "-2147483648");
    EXPECT_EQ(doc(id)->getAttributeInt("max", 0), INT_MAX);
}

TEST_F(XMLAttribute, ReferencesAreDecodedForReadersAndWrittenForSetters)
{
    const std::string source = "<a t=\"&lt;x&gt; &amp; &quot;q&quot; &apos;&#x41;&#66;&#xE9;\" n=\"line&#10;next\""
                               " w=\"a\tb\r\nc\" u=\"&unknown;\"/>";
    const int id = load(source);
    XML* d = doc(id);
    ASSERT_TRUE(d);
    EXPECT_STREQ(d->getAttributeString("t", ""), "<x> & \"q\" 'AB\xC3\xA9");
    EXPECT_STREQ(d->getAttributeString("n", ""), "line\nnext");
    EXPECT_STREQ(d->getAttributeString("w", ""), "a b c") << "literal tabs and line ends read as blanks";
    EXPECT_STREQ(d->getAttributeString("u", ""), "&unknown;");
    const char* first = d->getAttributeString("t", "");
    EXPECT_EQ(d->getAttributeString("t", ""), first) << "the same value is handed out once";
    EXPECT_EQ(text(id), source) << "reading changes nothing";

    const char* tricky = "<&>\"' \t\nend";
    ASSERT_TRUE(d->setAttributeString("s", tricky));
    EXPECT_STREQ(d->getAttributeString("s", ""), tricky);
    const std::string saved = text(id);
    EXPECT_EQ(saved.substr(0, source.size() - 2), source.substr(0, source.size() - 2)) << "others keep their text";
    XML* back = doc(load(saved));
    ASSERT_TRUE(back) << saved;
    EXPECT_STREQ(back->getAttributeString("s", ""), tricky);
    EXPECT_STREQ(back->getAttributeString("t", ""), "<x> & \"q\" 'AB\xC3\xA9");
}

TEST_F(XMLAttribute, EachCharacterAloneReadsBackAsSet)
{
    // Values of plain text take a shortcut past the encoder: one character
    // that needs a reference must not slip through it.
    for (const char* value : {"<", "&", ">", "\"", "'", "\t", "\n", "\r", "\x7F", "caf\xC3\xA9", "a b-c.9#%,", ""}) {
        const int id = load("<a/>");
        ASSERT_TRUE(doc(id)->setAttributeString("v", value)) << value;
        XML* back = doc(load(text(id)));
        ASSERT_TRUE(back) << text(id);
        EXPECT_STREQ(back->getAttributeString("v", "?"), value) << text(id);
    }
}

TEST_F(XMLAttribute, BadNamesAndMissingValuesAreRefused)
{
    const int id = create("map");
    XML* d = doc(id);
    for (const char* bad : {"", "1st", "two words", "a=b", "q\"", "-dash"})
        EXPECT_FALSE(d->setAttributeString(bad, "v")) << bad;
    EXPECT_FALSE(d->setAttributeString(nullptr, "v"));
    EXPECT_FALSE(d->setAttributeString("ok", nullptr));
    EXPECT_FALSE(d->setAttributeInt("9", 1));
    EXPECT_TRUE(d->setAttributeString("xml:lang", "en"));
    EXPECT_TRUE(d->setAttributeString("_a-b.c\xC3\xA9", "1"));
    EXPECT_EQ(text(id), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<map xml:lang=\"en\" _a-b.c\xC3\xA9=\"1\"/>\n");
}

TEST_F(XMLAttribute, TheDocumentCommentIsReplacedOrInsertedBeforeTheRoot)
{
    // The first comment before the root is the document's.
    const std::string source = "<?xml version=\"1.0\"?>\n<!--old-->\n<!--second-->\n<map><!--inner--></map>\n";
    int id = load(source);
    ASSERT_TRUE(doc(id)->setComment(" new "));
    EXPECT_EQ(text(id), "<?xml version=\"1.0\"?>\n<!-- new -->\n<!--second-->\n<map><!--inner--></map>\n");

    // Without one, it goes right before the root, on a line of its own.
    id = load("<?xml version=\"1.0\"?>\n<map><!--inner--></map>\n");
    ASSERT_TRUE(doc(id)->setComment("made"));
    EXPECT_EQ(text(id), "<?xml version=\"1.0\"?>\n<!--made-->\n<map><!--inner--></map>\n");

    // Texts a comment cannot hold change nothing.
    const std::string before = text(id);
    for (const char* bad : {"a--b", "--", "ends-", "-"})
        EXPECT_FALSE(doc(id)->setComment(bad)) << bad;
    EXPECT_FALSE(doc(id)->setComment(nullptr));
    EXPECT_EQ(text(id), before);
    EXPECT_TRUE(doc(id)->setComment("-starts and - inside"));
    EXPECT_TRUE(doc(id)->setComment(""));
    EXPECT_EQ(text(id), "<?xml version=\"1.0\"?>\n<!---->\n<map><!--inner--></map>\n");
    EXPECT_GT(load(text(id)), 0);
}

} // namespace
} // namespace xmltest
