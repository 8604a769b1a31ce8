// Universal VTT reading: the number and grid rules, every refusal of a
// document, the flags and names taken from it, and the texts of the TMX.
#include "import/scene/UvttFixture.h"

#include "support/TestFolder.h"

#include <cmath>
#include <cstring>
#include <fstream>

using uvtttest::map;
using uvtttest::parse;

TEST(UvttReader, PositiveWholeNumbers)
{
    const std::pair<double, int> cases[] = {{2.00005, 2}, {100.00009, 100}, {536870911, 536870911}, {2.5, 0},
                                            {0, 0},       {100.0002, 0},    {536870912, 0},         {-3, 0},
                                            {NAN, 0},     {INFINITY, 0}};
    for (const auto& [value, expected] : cases) {
        int32_t out = 0;
        EXPECT_EQ(getUVTTPositiveInt(value, out), expected != 0) << value;
        EXPECT_EQ(out, expected) << value;
    }
}

TEST(UvttReader, TileGridSupport)
{
    struct Case {
        int64_t w, h, tw, th;
        bool supported;
    };
    for (const Case& c : {Case{1000, 1000, 300, 300, true}, Case{16384, 16384, 1, 1, false},
                          Case{16000, 16000, 9000, 9000, false}, Case{16384, 1024, 16, 16, true},
                          Case{16384, 1025, 16, 16, false} /* 17 MP padded */, Case{100, 100, 0, 16, false},
                          Case{100, 100, 16385, 16, false}, Case{0, 100, 16, 16, false}})
        EXPECT_EQ(isUVTTTileGridSupported(c.w, c.h, c.tw, c.th), c.supported) << c.w << "x" << c.h << "/" << c.tw;
}

TEST(UvttReader, DocumentRefusals)
{
    const std::string resolution = "UVTT resolution must contain a finite map_origin, positive whole map_size, and "
                                   "positive whole pixels_per_grid.";
    std::string many = "\"lights\": [";
    for (int i = 0; i < 65536; ++i)
        many += i ? ",0" : "0";
    const std::pair<std::string, std::string> cases[] = {
        {map(""), ""},
        {"[1]", "UVTT root must be a JSON object."},
        {"{\"a\": tru}", "UVTT JSON could not be parsed at byte 6: Problem while parsing an atom starting with the "
                         "letter 't'"},
        {"{\"x\": [1, 2,, 3]}", "UVTT JSON could not be parsed at byte 12: The JSON document has an improper "
                                "structure: missing or superfluous commas, braces, missing keys, etc."},
        {map("\"format\": -0.5,"), "UVTT format version must be a nonnegative finite number."},
        {map("\"format\": \"1\","), "UVTT format version must be a nonnegative finite number."},
        {map("\"format\": null,"), "UVTT format version must be a nonnegative finite number."},
        {"{}", resolution},
        {"{\"resolution\": 5}", resolution},
        {map("", 10, 10, 0), resolution},
        {map("", 10, 10, 536870912), resolution},
        {"{\"resolution\": {\"map_origin\": {\"x\": 0}, \"map_size\": {\"x\": 1, \"y\": 1}, "
         "\"pixels_per_grid\": 1}}",
         resolution},
        {map("", 6000000, 10, 100), "UVTT pixel dimensions are outside the supported range."},
        {map("\"image\": 5,"), "UVTT image must be a base64 string."},
        {map("\"portals\": {},"), "UVTT field 'portals' must be an array."},
        {map("\"portals\": null,"), "UVTT field 'portals' must be an array."},
        {map("\"lights\": [], \"line_of_sight\": 1,"), "UVTT field 'line_of_sight' must be an array."},
        {map(many + "],"), ""},
        {map(many + "], \"portals\": [0],"), "UVTT contains too many geometry and light objects."},
        // Numbers beyond 64 bits are read as doubles, wherever they stand.
        {map("\"unread\": [123456789012345678901234567890, -99999999999999999999999],"), ""},
        {"{\"resolution\": {\"map_origin\": {\"x\": 0, \"y\": 0}, \"map_size\": {\"x\": 1, \"y\": 1}, "
         "\"pixels_per_grid\": 100000000000000000000}}",
         resolution},
    };
    for (const auto& [json, message] : cases) {
        UVTTDocument document;
        const std::string error = parse(json, document);
        EXPECT_EQ(error, message) << json.substr(0, 80);
    }
}

TEST(UvttReader, BrokenDocumentsNameTheByteWhereTheyBreak)
{
    const std::string whole = map("\"software\": \"Painter\",");
    std::string badUtf8 = whole;
    badUtf8[whole.find("Painter") + 2] = '\xff';
    std::string overlong = whole;
    overlong.replace(whole.find("Painter") + 3, 2, "\xc0\xaf");
    const struct {
        std::string json;
        size_t at;
        const char* why;
    } cases[] = {
        {whole.substr(0, 40), 40, nullptr},
        {whole.substr(0, whole.size() - 1), whole.size() - 1, nullptr},
        {"{\"software\": \"Pain", 18, nullptr},
        {badUtf8, whole.find("Painter") + 2, "The input is not valid UTF-8"},
        {overlong, whole.find("Painter") + 3, "The input is not valid UTF-8"},
    };
    for (const auto& c : cases) {
        UVTTDocument document;
        const std::string error = parse(c.json, document);
        const std::string prefix = "UVTT JSON could not be parsed at byte " + std::to_string(c.at) + ": ";
        EXPECT_EQ(error.substr(0, prefix.size()), prefix) << c.json << "\n" << error;
        if (c.why) {
            EXPECT_EQ(error.substr(prefix.size()), c.why) << c.json;
        }
    }
}

TEST(UvttReader, FieldsFlagsAndCreator)
{
    struct Case {
        std::string extra;
        double format;
        bool newer, baked;
        const char* creator;
    };
    const Case cases[] = {
        {"", 0.0, false, false, "Universal VTT"},
        {"\"format\": 1.5, \"software\": \"A\", \"creator\": \"B\",", 1.5, false, false, "A"},
        {"\"format\": 2, \"software\": 7, \"creator\": \"X\",", 2.0, true, false, "X"},
        {"\"environment\": {\"baked_lighting\": false}, \"baked_lighting\": true,", 0.0, false, false,
         "Universal VTT"},
        {"\"environment\": 5, \"baked_lighting\": true,", 0.0, false, true, "Universal VTT"},
        {"\"environment\": {}, \"baked_lighting\": 1,", 0.0, false, false, "Universal VTT"},
        {"\"creator\": \"first\", \"creator\": \"second\",", 0.0, false, false, "first"},
        {"\"format\": 18446744073709551617,", 18446744073709551616.0, true, false, "Universal VTT"},
    };
    for (const Case& c : cases) {
        UVTTDocument d;
        ASSERT_EQ(parse(map(c.extra, 20, 10, 64), d), "") << c.extra;
        EXPECT_EQ(std::tuple(d.formatVersion, d.newerFormat, d.bakedLighting, std::string(d.creator)),
                  std::tuple(c.format, c.newer, c.baked, std::string(c.creator)))
            << c.extra;
        EXPECT_EQ(std::tuple(d.gridWidth, d.gridHeight, d.pixelsPerGrid, d.pixelWidth, d.pixelHeight),
                  std::tuple(20, 10, 64, 1280, 640));
    }
}

TEST(UvttReader, FileSizeLimits)
{
    TestFolder folder;
    Zelkoran::String error;
    {
        UVTTDocument d;
        EXPECT_FALSE(loadUVTTDocument(folder.path("missing.uvtt").c_str(), d, error));
        EXPECT_EQ(error, "UVTT file could not be opened.");
    }
    std::ofstream(folder.path("empty.uvtt")).close();
    {
        UVTTDocument d;
        EXPECT_FALSE(loadUVTTDocument(folder.path("empty.uvtt").c_str(), d, error));
        EXPECT_EQ(error, "UVTT file is empty or exceeds the 128 MB import limit.");
    }
    // Exactly the limit passes the size test (padded with blanks after the object).
    std::string json = map("");
    json.resize(size_t(kUVTTMaxFileSize), ' ');
    std::ofstream(folder.path("limit.uvtt"), std::ios::binary) << json;
    {
        UVTTDocument d;
        EXPECT_TRUE(loadUVTTDocument(folder.path("limit.uvtt").c_str(), d, error)) << error;
    }
    std::ofstream(folder.path("limit.uvtt"), std::ios::app) << ' ';
    {
        UVTTDocument d;
        EXPECT_FALSE(loadUVTTDocument(folder.path("limit.uvtt").c_str(), d, error));
        EXPECT_EQ(error, "UVTT file is empty or exceeds the 128 MB import limit.");
    }
}

TEST(UvttReader, NumberText)
{
    const std::pair<double, const char*> cases[] = {
        {100, "100"},       {12.5, "12.5"},   {0.1234567, "0.123457"}, {-3.0000004, "-3"}, {0.0000002, "0"},
        {0.0000004, "0"},   {-0.0000004, "0"}, {-0.0, "0"},            {0.000001, "0.000001"},
        {0.1, "0.1"},       {2, "2"},          {1e20, "100000000000000000000"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(formatUVTTFloat(value), text) << value;
    const Zelkoran::String huge = formatUVTTFloat(1e300);
    EXPECT_EQ(huge.size(), 301u);
    EXPECT_EQ(huge.substr(0, 4), "1000");
}

TEST(UvttReader, LightColours)
{
    const std::pair<const char*, const char*> cases[] = {
        {"\"#ff8800\"", "#FF8800FF"}, {"\"80FF8800\"", "#FF880080"}, {"\"fff\"", "#FFFFFFFF"},
        {"\"#GG0000\"", "#FFFFFFFF"}, {"12", "#FFFFFFFF"},           {"\"#\"", "#FFFFFFFF"}};
    for (const auto& [json, colour] : cases) {
        UVTTDocument d;
        const std::string text = std::string("{\"color\": ") + json + "}";
        ASSERT_TRUE(d.bytes.reserve(text.size()));
        std::memcpy(d.bytes.data(), text.data(), text.size());
        simdjson::dom::element light;
        ASSERT_EQ(d.parser.parse(d.bytes.view()).get(light), simdjson::SUCCESS);
        EXPECT_EQ(makeUVTTLightColor(light), colour) << json;
    }
    EXPECT_EQ(makeUVTTLightColor(std::nullopt), "#FFFFFFFF");
}
