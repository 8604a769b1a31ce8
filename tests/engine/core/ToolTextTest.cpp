#include <Zelkoran/Tool.h>

#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <climits>
#include <string>
#include <vector>

using Zelkoran::String;
using Zelkoran::Tool;
using Zelkoran::Vector;

namespace {

std::string text(const String& s) { return std::string(s.data(), s.size()); }

std::vector<std::string> texts(const Vector<String>& parts)
{
    std::vector<std::string> out;
    for (const String& part : parts)
        out.push_back(text(part));
    return out;
}

// decodeBase64 as a string, or "<fail>".
std::string decoded(Tool& tool, const char* base64, bool skipBlanks = true)
{
    Vector<uint8_t> bytes{1, 2, 3};
    if (!tool.decodeBase64(base64, bytes, skipBlanks))
        return bytes.empty() ? "<fail>" : "<fail, bytes left>";
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(ToolText, SzCopyTruncatesAndTerminates)
{
    Tool tool;
    char buf[8];
    EXPECT_EQ(tool.szCopy(buf, "abcdef", 4), 3u);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(tool.szCopy(buf, "1234567", sizeof buf), 7u);
    EXPECT_STREQ(buf, "1234567");
    EXPECT_EQ(tool.szCopy(buf, "xyz", 1), 0u);
    EXPECT_STREQ(buf, "");
    buf[0] = 'k';
    EXPECT_EQ(tool.szCopy(buf, "xyz", 0), 0u);
    EXPECT_EQ(buf[0], 'k') << "size 0 must not write";
    EXPECT_EQ(tool.szCopy(buf, nullptr, sizeof buf), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(tool.szCopy(nullptr, "abc", 4), 0u);
}

TEST(ToolText, StrDecToInt)
{
    Tool tool;
    EXPECT_EQ(tool.strDecToInt("1920"), 1920);
    EXPECT_EQ(tool.strDecToInt("  -17abc"), -17);
    EXPECT_EQ(tool.strDecToInt("+8"), 8);
    EXPECT_EQ(tool.strDecToInt("12 34"), 12);
    EXPECT_EQ(tool.strDecToInt("0x1F"), 0);
    EXPECT_EQ(tool.strDecToInt("007"), 7);
    EXPECT_EQ(tool.strDecToInt("abc"), 0);
    EXPECT_EQ(tool.strDecToInt("-"), 0);
    EXPECT_EQ(tool.strDecToInt(""), 0);
    EXPECT_EQ(tool.strDecToInt(nullptr), 0);
    EXPECT_EQ(tool.strDecToInt("2147483647"), INT_MAX);
    EXPECT_EQ(tool.strDecToInt("-2147483648"), INT_MIN);
    EXPECT_EQ(tool.strDecToInt("2147483648"), INT_MAX);
    EXPECT_EQ(tool.strDecToInt("-99999999999999999999999"), INT_MIN);
    EXPECT_EQ(tool.strDecToInt("99999999999999999999999"), INT_MAX);
}

TEST(ToolText, IntToStrDecAndLowerCase)
{
    Tool tool;
    String out("previous content");
    tool.intToStrDec(INT_MIN, out);
    EXPECT_EQ(text(out), "-2147483648");
    tool.intToStrDec(0, out);
    EXPECT_EQ(text(out), "0");
    tool.intToStrDec(1400, out);
    EXPECT_EQ(text(out), "1400");

    String mixed("QeL.MiXed 123 \xC3\x84");
    tool.strToLowerCase(mixed);
    EXPECT_EQ(text(mixed), "qel.mixed 123 \xC3\x84");
}

TEST(ToolText, StrCompareIsNonZeroForEqual)
{
    Tool tool;
    EXPECT_NE(tool.strCompare("-resolution:1920x1080", "-resolution:", 12), 0);
    EXPECT_NE(tool.strCompare("-RESOLUTION:1x1", "-resolution:", 12), 0);
    EXPECT_EQ(tool.strCompare("-RESOLUTION:1x1", "-resolution:", 12, false), 0);
    EXPECT_EQ(tool.strCompare("-res", "-resolution:", 12), 0) << "a shorter text is not equal";
    EXPECT_EQ(tool.strCompare("-resolutionX", "-resolution:", 12), 0);
    EXPECT_NE(tool.strCompare("abc", "ABC"), 0);
    EXPECT_EQ(tool.strCompare("abc", "abcd"), 0);
    EXPECT_NE(tool.strCompare("abc", "xyz", 0), 0);
    EXPECT_NE(tool.strCompare(nullptr, nullptr), 0);
    EXPECT_EQ(tool.strCompare("abc", nullptr), 0);
    EXPECT_EQ(tool.strCompare(nullptr, "abc", 3), 0);
}

TEST(ToolText, StrTovStrKeepsEmptyParts)
{
    Tool tool;
    Vector<String> parts;
    parts.emplace_back("previous");
    tool.strTovStr("1920x1080", "x", parts);
    EXPECT_EQ(texts(parts), (std::vector<std::string>{"1920", "1080"}));
    tool.strTovStr("1920", "x", parts);
    EXPECT_EQ(texts(parts), (std::vector<std::string>{"1920"}));
    tool.strTovStr("1920x1080x2", "x", parts);
    EXPECT_EQ(parts.size(), 3u);
    tool.strTovStr("x1x", "x", parts);
    EXPECT_EQ(texts(parts), (std::vector<std::string>{"", "1", ""}));
    tool.strTovStr("", "x", parts);
    EXPECT_EQ(texts(parts), (std::vector<std::string>{""}));
    tool.strTovStr("a::b::", "::", parts);
    EXPECT_EQ(texts(parts), (std::vector<std::string>{"a", "b", ""}));
    tool.strTovStr("whole", "", parts);
    EXPECT_EQ(texts(parts), (std::vector<std::string>{"whole"}));
    tool.strTovStr(nullptr, "x", parts);
    EXPECT_TRUE(parts.empty());
}

TEST(ToolText, DecodeBase64PaddingAndBlanks)
{
    Tool tool;
    EXPECT_EQ(decoded(tool, "TWFu"), "Man");
    EXPECT_EQ(decoded(tool, "TWE="), "Ma");
    EXPECT_EQ(decoded(tool, "TWE"), "Ma");
    EXPECT_EQ(decoded(tool, "TQ=="), "M");
    EXPECT_EQ(decoded(tool, "TQ"), "M");
    EXPECT_EQ(decoded(tool, ""), "");
    EXPECT_EQ(decoded(tool, "  TW Fu\n\tTQ==\r\n"), "ManM");
    EXPECT_EQ(decoded(tool, "TW Fu", false), "<fail>");
    EXPECT_EQ(decoded(tool, "TWFu", false), "Man");
}

TEST(ToolText, DecodeBase64RefusesMalformedText)
{
    Tool tool;
    for (const char* bad : {"TW@u", "TQ=A", "T", "TWFuT", "TQ=", "TWE==", "TQ===", "====", "TW-_", "TWFu\x80"})
        EXPECT_EQ(decoded(tool, bad), "<fail>") << bad;
    Vector<uint8_t> bytes;
    EXPECT_FALSE(tool.decodeBase64(nullptr, bytes, true));
}

TEST(ToolText, DecodeBase64RoundTripsEveryByte)
{
    Tool tool;
    std::vector<unsigned char> all(256);
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<unsigned char>(i);
    for (size_t length : {size_t{254}, size_t{255}, size_t{256}}) {
        std::vector<unsigned char> encoded(4 * ((length + 2) / 3) + 1);
        EVP_EncodeBlock(encoded.data(), all.data(), static_cast<int>(length));
        Vector<uint8_t> bytes;
        ASSERT_TRUE(tool.decodeBase64(reinterpret_cast<const char*>(encoded.data()), bytes, true));
        EXPECT_EQ(std::vector<unsigned char>(bytes.begin(), bytes.end()),
                  std::vector<unsigned char>(all.begin(), all.begin() + static_cast<long>(length)));
    }
}
