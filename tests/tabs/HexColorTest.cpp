// The hexadecimal colour forms every colour property of the tabs is edited in.
#include "tabs/base/ctrlBase.h"

#include <gtest/gtest.h>

namespace {

struct Rgba {
    uint8_t r = 1, g = 2, b = 3, a = 4;
};

TEST(HexColor, AcceptsBothCasesWithOrWithoutTheHash)
{
    for (const char* text : {"#ff8000", "ff8000", "#FF8000", "Ff8000"}) {
        Rgba c;
        ASSERT_TRUE(CtrlBase::parseHexColorRGB(text, c.r, c.g, c.b)) << text;
        EXPECT_EQ(c.r, 255);
        EXPECT_EQ(c.g, 128);
        EXPECT_EQ(c.b, 0);
        EXPECT_EQ(c.a, 4) << "the RGB form leaves alpha alone";
    }
    Rgba c;
    ASSERT_TRUE(CtrlBase::parseHexColorRGBA("ff000080", c.r, c.g, c.b, c.a));
    EXPECT_EQ(c.r, 255);
    EXPECT_EQ(c.a, 128);
}

TEST(HexColor, RefusesAnyOtherTextWithoutWritingAChannel)
{
    for (const char* text : {"", "#", "##FF8000", "#FF800", "#FF8000 ", " #FF8000", "#FF800080", "#12ZZ56",
                             "#1234", "GG0000"}) {
        Rgba c;
        EXPECT_FALSE(CtrlBase::parseHexColorRGB(text, c.r, c.g, c.b)) << text;
        EXPECT_EQ(c.r, 1) << text << ": a refused text must not leave half a colour behind";
        EXPECT_EQ(c.g, 2) << text;
        EXPECT_EQ(c.b, 3) << text;
    }
    for (const char* text : {"#FF8000", "FF8000", "#1234", "#FF0000ZZ", "#FF00008", "##FF000080"}) {
        Rgba c;
        EXPECT_FALSE(CtrlBase::parseHexColorRGBA(text, c.r, c.g, c.b, c.a)) << text;
        EXPECT_EQ(c.r, 1) << text;
        EXPECT_EQ(c.a, 4) << text;
    }
}

TEST(HexColor, PrintsUpperCaseWithTheHash)
{
    EXPECT_EQ(CtrlBase::hexColorRGB(0, 15, 255), "#000FFF");
    EXPECT_EQ(CtrlBase::hexColorRGBA(255, 0, 0, 128), "#FF000080");
    // Every byte survives a round trip through both forms.
    for (int v = 0; v < 256; ++v) {
        Rgba c;
        const auto byte = static_cast<uint8_t>(v);
        ASSERT_TRUE(CtrlBase::parseHexColorRGBA(CtrlBase::hexColorRGBA(byte, 0, byte, byte), c.r, c.g, c.b, c.a));
        ASSERT_EQ(c.r, v);
        ASSERT_EQ(c.a, v);
    }
}

} // namespace
