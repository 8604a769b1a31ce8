// Shared by the scene tests: a scratch folder with a tile image, scenes
// loaded from text or files and closed after each test, and a canonical
// description of a scene's model so two scenes can be compared whole.
#pragma once

#include "engine/archive/ArchiveTestUtil.h"
#include "scene/SceneAccess.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace scenetest {

using namespace Zelkoran;
using testutil::ScratchDir;

// 16 x 16 tiles, two across and one down: tile 0 red, tile 1 blue (ARGB).
constexpr uint32_t kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu;

inline void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

inline void writeTilesPng(const std::string& path)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 32, 16, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x] = x < 16 ? kRed : kBlue;
    IMG_SavePNG(s, path.c_str());
    SDL_FreeSurface(s);
}

// A w x h orthogonal map of 16-pixel cells over tiles.png, with the given
// <data> element text as its one layer.
inline std::string mapText(int w, int h, const std::string& data, const std::string& tileset =
                                                                       "<tileset firstgid=\"1\" name=\"t\" tilewidth=\"16\" "
                                                                       "tileheight=\"16\" tilecount=\"2\" columns=\"2\">"
                                                                       "<image source=\"tiles.png\" width=\"32\" height=\"16\"/>"
                                                                       "</tileset>")
{
    std::ostringstream s;
    s << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<map version=\"1.10\" orientation=\"orthogonal\" width=\"" << w
      << "\" height=\"" << h << "\" tilewidth=\"16\" tileheight=\"16\">" << tileset << "<layer id=\"1\" name=\"L\" width=\""
      << w << "\" height=\"" << h << "\">" << data << "</layer></map>";
    return s.str();
}

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override { writeTilesPng(dir.file("tiles.png")); }
    void TearDown() override
    {
        for (int id : opened)
            scenes().close(id);
    }
    static SceneMgr& scenes() { return *Main::instance()->sceneMgr(); }

    int track(int id)
    {
        if (id > 0)
            opened.push_back(id);
        return id;
    }
    // Writes text as name in the scratch folder and loads it from there.
    int loadFile(const std::string& name, const std::string& text)
    {
        writeText(dir.file(name), text);
        return track(scenes().loadFromFile(dir.file(name).c_str()));
    }
    int loadText(const std::string& text, const std::string& archivePath = "")
    {
        return track(scenes().loadFromBuffer(text.data(), text.size(), "t.tmx", archivePath.c_str()));
    }
    // The scene's engine text, loaded again under archivePath (none: as a
    // file of the scratch folder).
    int reload(int id, const std::string& archivePath = "")
    {
        char* buffer = nullptr;
        size_t size = 0;
        if (scenes().get(id)->saveToBuffer(buffer, size, "s", "s.tmx", archivePath.c_str(), true) != 0)
            return -1;
        const std::string text(buffer, size);
        CMem::free(buffer);
        return archivePath.empty() ? loadFile("reloaded.tmx", text) : loadText(text, archivePath);
    }

    ScratchDir dir;
    std::vector<int> opened;
};

// Everything a scene's model says, in a fixed order (layer ids, which
// saves renumber, left out).
std::string describe(const scene::Map& map);
inline std::string describe(Scene* s) { return s ? describe(SceneAccess::map(*s)) : "no scene"; }
// "" when two descriptions are equal, else their first differing lines.
std::string difference(const std::string& a, const std::string& b);

} // namespace scenetest
