// Damaged and hostile maps, tile sets and tile data: each gives its code and
// a message naming the fault, never a crash or a half-built scene.
#include "engine/scene/SceneTestSupport.h"

namespace scenetest {
namespace {

// Tile data written outside the engine (little-endian cells, then compressed
// and base64-encoded by other tools), so the reader is not checked against
// its own writer.
const std::string kFour = "AQAAAAIAAAACAAAAAQAAAA==";          // 1 2 2 1
const std::string kFourZlib = "eJxjZGBgYIJiRiAGAABMAAc=";      // 1 2 2 1
const std::string kThree = "AQAAAAIAAAABAAAA";                 // 1 2 1
const std::string kThreeGzip = "H4sIAAAAAAACA2NkYGBgAmJGIAYAGOrpGgwAAAA=";
const std::string kSixGzip = "H4sIAAAAAAACA2NkYGBgAmJGNBoAkB7azBgAAAA="; // 1 2 1 2 1 2
const std::string kTwoZstd = "KLUv/QRYQQAAAQAAAAIAAAA6GOQe";  // 1 2

// A PNG signature and header stating 16 x 16385 pixels, RGBA, and no more.
const std::string kTallPngHeader("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x10\0\0\x40\x01\x08\x06\0\0\0\0\0\0\0", 33);

std::string data(const std::string& body, const char* encoding, const char* compression = "")
{
    std::string attrs = std::string(" encoding=\"") + encoding + "\"";
    if (*compression)
        attrs += std::string(" compression=\"") + compression + "\"";
    return "<data" + attrs + ">" + body + "</data>";
}

std::string cut(std::string s, size_t keep) { return s.substr(0, keep); }

struct HostileCase {
    const char* what;
    std::string map;
    std::vector<std::pair<std::string, std::string>> files; // extra files beside the map
    int code;
    const char* message; // part of SceneMgr::getLastError()
};

const std::string kExtern = "<tileset firstgid=\"1\" source=\"a.tsx\"/>";

std::vector<HostileCase> hostileCases()
{
    const std::string& zlib = kFourZlib;
    return {
        {"not XML", "<map width=\"2\"", {}, RC_ERR_CORRUPT, "line 1"},
        {"another document", "<tileset name=\"x\"/>", {}, RC_ERR_CORRUPT, "not a TMX map"},
        {"unknown orientation", "<map orientation=\"spherical\" tilewidth=\"16\" tileheight=\"16\"/>", {},
         RC_ERR_CORRUPT, "unknown orientation"},
        {"no tile size", "<map width=\"2\" height=\"2\"/>", {}, RC_ERR_CORRUPT, "tile size"},
        {"huge map", "<map width=\"100000\" height=\"100000\" tilewidth=\"16\" tileheight=\"16\"/>", {},
         RC_ERR_TOO_LARGE, "size is out of range"},
        {"huge layer",
         "<map tilewidth=\"16\" tileheight=\"16\"><layer id=\"1\" width=\"65536\" height=\"65536\"/></map>", {},
         RC_ERR_TOO_LARGE, "size is out of range"},
        {"layers beyond the map's total",
         "<map tilewidth=\"16\" tileheight=\"16\"><layer id=\"1\" width=\"8192\" height=\"4096\"/>"
         "<group id=\"2\"><layer id=\"3\" width=\"4096\" height=\"8192\"/></group>"
         "<layer id=\"4\" width=\"1\" height=\"1\"/></map>",
         {}, RC_ERR_TOO_LARGE, "line 1: the map's tile layers hold more than 67108864 cells together"},
        {"csv short", mapText(2, 2, data("1,2,1", "csv")), {}, RC_ERR_CORRUPT, "fewer ids"},
        {"csv long", mapText(2, 2, data("1,2,1,2,1", "csv")), {}, RC_ERR_CORRUPT, "more ids"},
        {"csv words", mapText(2, 2, data("1,two,1,2", "csv")), {}, RC_ERR_CORRUPT, "other than tile ids"},
        {"base64 truncated", mapText(2, 2, data(cut(kFour, 15), "base64")), {},
         RC_ERR_CORRUPT, "truncated"},
        {"base64 wrong size", mapText(2, 2, data(kThree, "base64")), {}, RC_ERR_CORRUPT,
         "one id per cell"},
        {"base64 garbage", mapText(2, 2, data("!!!!", "base64")), {}, RC_ERR_CORRUPT, "invalid characters"},
        {"zlib truncated", mapText(2, 2, data(cut(zlib, zlib.size() - 12) + "====", "base64", "zlib")), {},
         RC_ERR_CORRUPT, ""},
        {"gzip wrong size", mapText(2, 2, data(kThreeGzip, "base64", "gzip")), {},
         RC_ERR_CORRUPT, "fewer ids"},
        {"gzip too long", mapText(2, 2, data(kSixGzip, "base64", "gzip")), {},
         RC_ERR_CORRUPT, "more ids"},
        {"zstd garbage", mapText(2, 2, data(zlib, "base64", "zstd")), {}, RC_ERR_CORRUPT,
         "zstd"},
        {"zstd wrong size", mapText(2, 2, data(kTwoZstd, "base64", "zstd")), {},
         RC_ERR_CORRUPT, "one id per cell"},
        {"unknown compression", mapText(2, 2, data(zlib, "base64", "lzma")), {}, RC_ERR_CORRUPT, "compression"},
        {"gid beyond the tile sets", mapText(2, 2, data("1,2,3,1", "csv")), {}, RC_ERR_CORRUPT,
         "tile id 3 lies in no tile set"},
        {"flipped gid beyond the tile sets", mapText(2, 2, data("1,2,2147483651,1", "csv")), {}, RC_ERR_CORRUPT,
         "tile id 3"},
        {"tile set cycle", mapText(2, 2, data("1,2,1,2", "csv"), kExtern),
         {{"a.tsx", "<tileset source=\"b.tsx\"/>"}, {"b.tsx", "<tileset source=\"a.tsx\"/>"}}, RC_ERR_CORRUPT,
         "cycle"},
        {"tile set naming itself", mapText(2, 2, data("1,2,1,2", "csv"), kExtern),
         {{"a.tsx", "<tileset source=\"a.tsx\"/>"}}, RC_ERR_CORRUPT, "cycle"},
        {"missing tile set", mapText(2, 2, data("1,2,1,2", "csv"), kExtern), {}, RC_ERR_NOT_FOUND, "a.tsx"},
        {"tile set of another kind", mapText(2, 2, data("1,2,1,2", "csv"), kExtern), {{"a.tsx", "<map/>"}},
         RC_ERR_CORRUPT, "not a tile set"},
        {"JSON tile set", mapText(2, 2, data("1,2,1,2", "csv"), "<tileset firstgid=\"1\" source=\"t.json\"/>"),
         {{"t.json", "\n {\"type\": \"tileset\", \"tilewidth\": 16}"}}, RC_ERR_CORRUPT,
         "map.tmx: line 2: the tile set \"t.json\" is a JSON tile set; JSON tile sets are not read"},
        {"missing image",
         mapText(2, 2, data("1,2,1,2", "csv"),
                 "<tileset firstgid=\"1\" tilewidth=\"16\" tileheight=\"16\"><image source=\"gone.png\"/></tileset>"),
         {}, RC_ERR_NOT_FOUND, "gone.png"},
        {"image taller than a picture may be",
         mapText(2, 2, data("1,2,1,2", "csv"),
                 "<tileset firstgid=\"1\" tilewidth=\"16\" tileheight=\"16\"><image source=\"tall.png\"/></tileset>"),
         {{"tall.png", kTallPngHeader}}, RC_ERR_TOO_LARGE, "it is 16x16385 pixels"},
        {"image that is not one",
         mapText(2, 2, data("1,2,1,2", "csv"),
                 "<tileset firstgid=\"1\" tilewidth=\"16\" tileheight=\"16\"><image source=\"a.tsx\"/></tileset>"),
         {{"a.tsx", "<tileset/>"}}, RC_ERR_CORRUPT, "a.tsx"},
        {"embedded image that is not one",
         mapText(2, 2, data("1,2,1,2", "csv"),
                 "<tileset firstgid=\"1\" tilewidth=\"16\" tileheight=\"16\"><image format=\"png\">"
                 "<data encoding=\"base64\">AQAAAAIAAAAC</data></image></tileset>"),
         {}, RC_ERR_CORRUPT, "line 2: the image embedded in the text cannot be read"},
        {"embedded image in csv",
         mapText(2, 2, data("1,2,1,2", "csv"),
                 "<tileset firstgid=\"1\" tilewidth=\"16\" tileheight=\"16\"><image format=\"png\">"
                 "<data encoding=\"csv\">1,2</data></image></tileset>"),
         {}, RC_ERR_CORRUPT, "embedded"},
        {"overlapping tile sets",
         mapText(2, 2, "",
                 "<tileset firstgid=\"1\" tilewidth=\"16\" tileheight=\"16\"><image source=\"tiles.png\"/></tileset>"
                 "<tileset firstgid=\"2\" tilewidth=\"16\" tileheight=\"16\"><image source=\"tiles.png\"/></tileset>"),
         {}, RC_ERR_CORRUPT, "overlap"},
        {"animation frame beyond any tile set",
         mapText(2, 2, "",
                 "<tileset firstgid=\"1\" tilewidth=\"16\" tileheight=\"16\"><image source=\"tiles.png\"/>"
                 "<tile id=\"0\"><animation><frame tileid=\"16777216\" duration=\"100\"/></animation></tile>"
                 "</tileset>"),
         {}, RC_ERR_CORRUPT, "an animation frame names no tile"},
        {"tile offset beyond the renderer's range",
         mapText(2, 2, "",
                 "<tileset firstgid=\"1\" tilewidth=\"16\" tileheight=\"16\">\n<tileoffset x=\"1\" y=\"7777777777\"/>"
                 "</tileset>"),
         {}, RC_ERR_CORRUPT, "map.tmx: line 3: the tile set's offset is out of range"},
        {"attribute given twice",
         "<map tilewidth=\"16\" tileheight=\"16\">\n<layer id=\"1\" opacity=\"3\" opacity=\"\"/></map>", {},
         RC_ERR_CORRUPT, "map.tmx: line 2: the attribute \"opacity\" is given twice"},
        {"missing template",
         "<map tilewidth=\"16\" tileheight=\"16\"><objectgroup id=\"1\"><object template=\"t.tx\"/></objectgroup></map>",
         {}, RC_ERR_NOT_FOUND, "t.tx"},
        {"template without an object",
         "<map tilewidth=\"16\" tileheight=\"16\"><objectgroup id=\"1\"><object template=\"t.tx\"/></objectgroup></map>",
         {{"t.tx", "<template/>"}}, RC_ERR_CORRUPT, "not an object template"},
        {"deep groups",
         "<map tilewidth=\"16\" tileheight=\"16\">" + [] {
                 std::string s;
                 for (int i = 0; i < 100; ++i)
                     s += "<group>";
                 for (int i = 0; i < 100; ++i)
                     s += "</group>";
                 return s;
             }() + "</map>",
         {}, RC_ERR_CORRUPT, "nested too deeply"},
    };
}

class SceneHostile : public SceneTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(SceneHostile, RefusedWithItsCodeAndPlace)
{
    const HostileCase c = hostileCases()[GetParam()];
    for (const auto& [name, text] : c.files)
        writeText(dir.file(name), text);
    EXPECT_EQ(loadFile("map.tmx", c.map), c.code) << c.what;
    const std::string error = scenes().getLastError();
    EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    EXPECT_EQ(error.rfind("map.tmx", 0) == 0 || error.find(".tsx") != std::string::npos ||
                  error.find(".tx") != std::string::npos,
              true)
        << "the message names the file: " << error;
}

INSTANTIATE_TEST_SUITE_P(Cases, SceneHostile, ::testing::Range<size_t>(0, hostileCases().size()),
                         [](const auto& param) {
                             std::string name = hostileCases()[param.param].what;
                             for (char& ch : name)
                                 if (!std::isalnum(uint8_t(ch)))
                                     ch = '_';
                             return name;
                         });

TEST_F(SceneTest, EveryEncodingReadsTheSameCellsAndWritesThemBack)
{
    const std::vector<uint32_t> ids{1, 2, 0x80000002u, 0x60000001u};
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"", "AQAAAAIAAAACAACAAQAAYA=="},
        {"zlib", "eJxjZGBgYILgBkYGhgQAAywA5w=="},
        {"gzip", "H4sIAAAAAAACA2NkYGBgguAGRgaGBACJ9SWoEAAAAA=="},
        {"zstd", "KLUv/QRYgQAAAQAAAAIAAAACAACAAQAAYAWl08Q="},
    };
    const auto cells = [](int id) { return SceneAccess::map(*scenes().get(id)).slots[0]->cells; };
    for (const auto& [compression, text] : cases) {
        const int id = loadFile("map.tmx", mapText(2, 2, data(text, "base64", compression)));
        ASSERT_GT(id, 0) << compression << ": " << scenes().getLastError();
        EXPECT_EQ(cells(id), ids) << compression;
        const int again = reload(id);
        ASSERT_GT(again, 0) << compression << ": " << scenes().getLastError();
        EXPECT_EQ(cells(again), ids) << compression;
    }
    const int csv = loadFile("map.tmx", mapText(2, 2, data("1,2,\n2147483650,1610612737", "csv")));
    ASSERT_GT(csv, 0);
    EXPECT_EQ(cells(csv), ids);
    EXPECT_STREQ(scenes().getLastError(), "");
}

} // namespace
} // namespace scenetest
