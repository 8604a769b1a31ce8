// Small Universal VTT documents written by the tests, and the TMX text the
// object writers produce from them.
#pragma once

#include "import/scene/UvttDocument.h"
#include "import/scene/UvttObjects.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/XML.h>

#include <SDL_image.h>
#include <openssl/evp.h>

#include <gtest/gtest.h>

#include <string>

namespace uvtttest {

// A map of w x h cells at ppg pixels with origin 0,0; extra: more root
// members, each followed by ",", e.g. "\"lights\": [],".
inline std::string map(const std::string& extra, int w = 10, int h = 10, int ppg = 100)
{
    return "{" + extra + "\"resolution\": {\"map_origin\": {\"x\": 0, \"y\": 0}, \"map_size\": {\"x\": " +
           std::to_string(w) + ", \"y\": " + std::to_string(h) + "}, \"pixels_per_grid\": " + std::to_string(ppg) +
           "}}";
}

// Layers 1, 2 and 5 of a stored scene (3 and 4 empty); object 41 in slot 2.
inline const char* const kCave =
    "<?xml version=\"1.0\"?>\n<!-- Zelkoran GDK Scene format: cave -->\n"
    "<map version=\"1.10\" orientation=\"orthogonal\" renderorder=\"right-down\" width=\"2\" "
    "height=\"2\" tilewidth=\"16\" tileheight=\"16\" nextlayerid=\"6\" nextobjectid=\"2\">\n"
    " <layer id=\"1\" name=\"a\" width=\"2\" height=\"2\"><data encoding=\"csv\">0,0,0,0</data>"
    "</layer>\n"
    " <objectgroup id=\"2\" name=\"b\"><object id=\"41\" x=\"1\" y=\"1\"/></objectgroup>\n"
    " <layer id=\"5\" name=\"e\" width=\"2\" height=\"2\"><data encoding=\"csv\">0,0,0,0</data>"
    "</layer>\n</map>\n";

// "[{"x":..,"y":..},...]" from grid coordinates.
inline std::string points(std::initializer_list<std::pair<double, double>> list)
{
    std::string text = "[";
    for (const auto& [x, y] : list)
        text += (text.size() > 1 ? "," : "") + std::string("{\"x\":") + std::to_string(x) +
                ",\"y\":" + std::to_string(y) + "}";
    return text + "]";
}

// One wall and one light, as root members for map().
inline std::string wallsAndLight()
{
    return "\"line_of_sight\": [" + points({{0, 0}, {1, 0}}) + "], \"lights\": [{\"position\": {\"x\": 1, \"y\": "
           "1}, \"range\": 2}],";
}

// The message of a failed parse, "" when it passed.
inline std::string parse(const std::string& json, UVTTDocument& document)
{
    Zelkoran::String error;
    const bool ok = parseUVTTDocument(json.data(), json.size(), document, error);
    EXPECT_EQ(ok, error.empty()) << error;
    return std::string(error);
}

// The TMX text of one object group that write fills; error gets the writer's
// message ("" when it passed).
template <typename Write>
std::string group(Write write, std::string& error)
{
    Zelkoran::XMLMgr* xmls = Zelkoran::Main::instance()->xmlMgr();
    const int id = xmls->create("map", 0);
    Zelkoran::XML* xml = xmls->get(id);
    Zelkoran::String message;
    EXPECT_TRUE(createUVTTObjectGroup(*xml, 2, "Occluders"));
    const bool ok = write(*xml, message);
    EXPECT_EQ(ok, message.empty());
    xml->nodeParent();
    EXPECT_TRUE(xml->nodeFirst()) << "writers leave the cursor on the group";
    char* text = nullptr;
    size_t size = 0;
    EXPECT_EQ(xml->saveToBuffer(text, size), 0);
    std::string tmx(text, size);
    Zelkoran::CMem::free(text);
    xmls->close(id);
    error = message;
    return tmx;
}

// A w x h PNG of one colour (0xAARRGGBB) as base64.
inline std::string pngBase64(int w, int h, uint32_t colour = 0xFF336699)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_FillRect(s, nullptr, colour);
    std::string bytes;
    {
        std::vector<uint8_t> buffer(size_t(w) * h * 4 + 4096);
        SDL_RWops* memory = SDL_RWFromMem(buffer.data(), int(buffer.size()));
        IMG_SavePNG_RW(s, memory, 0);
        bytes.assign(reinterpret_cast<char*>(buffer.data()), size_t(SDL_RWtell(memory)));
        SDL_RWclose(memory);
    }
    SDL_FreeSurface(s);
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                  reinterpret_cast<const unsigned char*>(bytes.data()), int(bytes.size()));
    text.resize(size_t(n));
    return text;
}

} // namespace uvtttest
