// The hexadecimal colour forms every colour property of the tabs is edited in.
#include "tabs/base/TabControls.h"
#include "tabs/base/ctrlBase.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Rgba {
    uint8_t r = 1, g = 2, b = 3, a = 4;
};

TEST(HexColor, AcceptsBothCasesWithOrWithoutTheHash)
{
    for (const char* text : {"#ff8000", "ff8000", "#FF8000", "Ff8000"}) {
        Rgba c;
        ASSERT_TRUE(parseHexColorRGB(text, c.r, c.g, c.b)) << text;
        EXPECT_EQ(c.r, 255);
        EXPECT_EQ(c.g, 128);
        EXPECT_EQ(c.b, 0);
        EXPECT_EQ(c.a, 4) << "the RGB form leaves alpha alone";
    }
    Rgba c;
    ASSERT_TRUE(parseHexColorRGBA("ff000080", c.r, c.g, c.b, c.a));
    EXPECT_EQ(c.r, 255);
    EXPECT_EQ(c.a, 128);
}

TEST(HexColor, RefusesAnyOtherTextWritingOnlyThePairsBeforeTheFault)
{
    // The channels after each refusal (1, 2, 3, 4 untouched): a text of the
    // wrong length writes nothing, else the pairs are read left to right up
    // to the first that does not parse.
    const struct {
        const char* text;
        bool rgba;
        Rgba after;
    } cases[] = {
        {"", false, {}},
        {"#", false, {}},
        {"##FF8000", false, {}},
        {"#FF800", false, {}},
        {"#FF8000 ", false, {}},
        {" #FF8000", false, {}},
        {"#FF800080", false, {}},
        {"#1234", false, {}},
        {"GG0000", false, {}},
        {"#gg0000", false, {}},
        {"#12ZZ56", false, {18, 2, 3, 4}},
        {"#FF8000", true, {}},
        {"FF8000", true, {}},
        {"#1234", true, {}},
        {"#FF00008", true, {}},
        {"##FF000080", true, {}},
        {"#FF0000ZZ", true, {255, 0, 0, 4}},
        {"#ff0000zz", true, {255, 0, 0, 4}},
    };
    for (const auto& test : cases) {
        Rgba c;
        EXPECT_FALSE(test.rgba ? parseHexColorRGBA(test.text, c.r, c.g, c.b, c.a)
                               : parseHexColorRGB(test.text, c.r, c.g, c.b))
            << test.text;
        EXPECT_EQ((std::vector<int>{c.r, c.g, c.b, c.a}),
                  (std::vector<int>{test.after.r, test.after.g, test.after.b, test.after.a}))
            << test.text;
    }
}

TEST(HexColor, PrintsUpperCaseWithTheHash)
{
    EXPECT_EQ(hexColorRGB(0, 15, 255), "#000FFF");
    EXPECT_EQ(hexColorRGBA(255, 0, 0, 128), "#FF000080");
    // Every byte survives a round trip through both forms.
    for (int v = 0; v < 256; ++v) {
        Rgba c;
        const auto byte = static_cast<uint8_t>(v);
        ASSERT_TRUE(parseHexColorRGBA(hexColorRGBA(byte, 0, byte, byte), c.r, c.g, c.b, c.a));
        ASSERT_EQ(c.r, v);
        ASSERT_EQ(c.a, v);
    }
}

} // namespace
