#include "engine/scene/TiledReference.h"

#include <SDL_image.h>
#include <pugixml.hpp>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace scenetest {

namespace fs = std::filesystem;
using namespace Zelkoran;

std::string run(const std::string& command)
{
    std::string out;
    if (FILE* p = popen((command + " 2>&1").c_str(), "r")) {
        char line[512];
        while (fgets(line, sizeof(line), p))
            out += line;
        if (pclose(p) != 0)
            out = "failed: " + out;
    }
    return out;
}

bool onPath(const char* program) { return run(std::string("command -v ") + program).rfind("failed", 0) != 0; }

std::string renderersMissing()
{
    if (!onPath("tmxrasterizer"))
        return "needs Tiled's tmxrasterizer";
    if (!fs::exists(SKARDEN_SCENE_RENDER))
        return "needs tools/scene_render";
    return "";
}

SDL_Surface* loadArgb(const std::string& path)
{
    SDL_Surface* raw = IMG_Load(path.c_str());
    SDL_Surface* argb = raw ? SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_ARGB8888, 0) : nullptr;
    SDL_FreeSurface(raw);
    return argb;
}

SDL_Surface* cut(SDL_Surface* picture, SDL_Rect r)
{
    SDL_Surface* out = SDL_CreateRGBSurfaceWithFormat(0, r.w, r.h, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!out)
        return nullptr;
    SDL_FillRect(out, nullptr, 0);
    SDL_SetSurfaceBlendMode(picture, SDL_BLENDMODE_NONE);
    SDL_BlitSurface(picture, &r, out, nullptr);
    return out;
}

size_t differentPixels(SDL_Surface* tiled, SDL_Surface* engine, const Zelkoran::scene::Map& map, int shift,
                       SDL_Point framing)
{
    return differentPixels(tiled, engine, map.hasBackground ? map.background : nullptr, shift, framing);
}

size_t differentPixels(SDL_Surface* tiled, SDL_Surface* engine, const uint8_t* bg, int shift, SDL_Point framing)
{
    const auto flat = [&](SDL_Surface* img, int x, int y, bool reference, int out[4]) {
        const uint32_t p = static_cast<uint32_t*>(img->pixels)[y * img->pitch / 4 + x];
        const int alpha = int(p >> 24);
        for (int c = 0; c < 3; ++c) {
            out[c] = int(p >> (16 - 8 * c) & 255) * alpha / 255;
            if (reference && bg)
                out[c] += bg[c] * bg[3] / 255 * (255 - alpha) / 255;
        }
        out[3] = reference && bg ? alpha + bg[3] * (255 - alpha) / 255 : alpha;
    };
    size_t different = 0;
    for (int y = 0; y < tiled->h; ++y)
        for (int x = 0; x < tiled->w; ++x) {
            int want[4], got[4];
            flat(tiled, x, y, true, want);
            bool near = false;
            for (int dy = -shift; dy <= shift && !near; ++dy)
                for (int dx = -shift; dx <= shift && !near; ++dx) {
                    const int ex = x + dx + framing.x, ey = y + dy + framing.y;
                    if (ex < 0 || ey < 0 || ex >= engine->w || ey >= engine->h)
                        continue;
                    flat(engine, ex, ey, false, got);
                    near = std::abs(want[0] - got[0]) <= kChannelTolerance &&
                           std::abs(want[1] - got[1]) <= kChannelTolerance &&
                           std::abs(want[2] - got[2]) <= kChannelTolerance &&
                           std::abs(want[3] - got[3]) <= kChannelTolerance;
                }
            different += !near;
        }
    return different;
}

// The differences the copy removes: tints written without '#' left out
// (Tiled ignores them, the engine applies them) and, for Tiled 1.8's
// renderer, template instances written out (it draws them as placeholders)
// and shape, point and text objects left out (the engine does not draw them).
std::string comparableCopy(const fs::path& path, const std::string& out, bool forTiled)
{
    pugi::xml_document doc;
    if (!doc.load_file(path.c_str(), pugi::parse_default))
        return "";
    const fs::path folder = path.parent_path();
    const auto absolute = [](pugi::xml_attribute a, const fs::path& from) {
        if (a && *a.value())
            a.set_value(fs::weakly_canonical(from / a.value()).c_str());
    };
    pugi::xml_node map = doc.child("map");
    // Template tile sets the map lacks go after its own, far above its ids.
    uint32_t nextFirstGid = 1u << 20;
    std::vector<pugi::xml_node> shapes;
    const std::function<void(pugi::xml_node)> visit = [&](pugi::xml_node e) {
        for (pugi::xml_node c : e.children()) {
            const std::string_view name = c.name();
            if (name == "tileset" || name == "image")
                absolute(c.attribute("source"), folder);
            if (!forTiled)
                absolute(c.attribute("template"), folder);
            if (pugi::xml_attribute tint = c.attribute("tintcolor"); tint && tint.value()[0] != '#')
                c.remove_attribute(tint);
            if (forTiled && name == "object" && c.attribute("template")) {
                const fs::path tx = fs::weakly_canonical(folder / c.attribute("template").value());
                pugi::xml_document t;
                t.load_file(tx.c_str());
                pugi::xml_node base = t.child("template").child("object");
                for (pugi::xml_attribute a : base.attributes())
                    if (!c.attribute(a.name()))
                        c.append_attribute(a.name()).set_value(a.value());
                if (pugi::xml_node ts = t.child("template").child("tileset"); ts && base.attribute("gid")) {
                    absolute(ts.attribute("source"), tx.parent_path());
                    pugi::xml_node mine = map.find_child_by_attribute("tileset", "source", ts.attribute("source").value());
                    if (!mine) {
                        mine = map.insert_child_after("tileset", map.children("tileset").empty()
                                                                     ? pugi::xml_node()
                                                                     : *std::prev(map.children("tileset").end()));
                        if (!mine)
                            mine = map.prepend_child("tileset");
                        mine.append_attribute("firstgid").set_value(nextFirstGid);
                        mine.append_attribute("source").set_value(ts.attribute("source").value());
                        nextFirstGid += 1u << 20;
                    }
                    const uint32_t gid = c.attribute("gid").as_uint();
                    c.attribute("gid").set_value((gid & ~scene::kGidMask) |
                                                 ((gid & scene::kGidMask) - ts.attribute("firstgid").as_uint() +
                                                  mine.attribute("firstgid").as_uint()));
                }
                c.remove_attribute("template");
            }
            if (forTiled && name == "object" && !c.attribute("gid"))
                shapes.push_back(c);
            visit(c);
        }
    };
    visit(map);
    for (pugi::xml_node shape : shapes)
        shape.parent().remove_child(shape);
    return doc.save_file(out.c_str()) ? out : "";
}

std::string drawBoth(const std::string& tiledCopy, const std::string& engineCopy, int ms, const std::string& hide,
                     const std::string& tiledPng, const std::string& enginePng)
{
    const std::string advance = ms ? " --advance-animations " + std::to_string(ms) : "";
    // Some maps make it loop for ever (a chunk without a size).
    const std::string tiled = run("QT_QPA_PLATFORM=offscreen timeout 60 tmxrasterizer --no-smoothing" + advance + hide +
                                  " '" + tiledCopy + "' '" + tiledPng + "'");
    if (tiled.rfind("failed", 0) == 0)
        return "tmxrasterizer " + tiled;
    const std::string ours =
        run(std::string(SKARDEN_SCENE_RENDER) + advance + hide + " '" + engineCopy + "' '" + enginePng + "'");
    return ours.rfind("failed", 0) == 0 ? "scene_render " + ours : "";
}

} // namespace scenetest
