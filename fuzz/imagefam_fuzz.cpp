// Feeds arbitrary bytes to the cursor, tile, sprite and font block readers.
// The first byte picks the kind (cursor, tile, sprite, font); the rest is
// stored as the resource's block beside a valid hidden image (a 16 x 8
// picture, or a glyph sheet for fonts). What loads must save, and load
// again with the same settings.
#include <Zelkoran/Archive.h>
#include <Zelkoran/Cursor.h>
#include <Zelkoran/Font.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Tile.h>

#include "FuzzHarness.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace Zelkoran;

// 189 one-pixel glyphs, each after an opaque magenta marker but the first.
SDL_Surface* glyphSheet()
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 189 * 2 - 1, 3, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_FillRect(s, nullptr, 0xFFFFFFFF);
    for (int x = 1; x < s->w; x += 2)
        static_cast<uint32_t*>(s->pixels)[x] = 0xFFFF00FF;
    return s;
}

void saveImage(int archiveId, const char* name, bool font)
{
    ImageMgr* images = Main::instance()->imageMgr();
    SDL_Surface* s = font ? glyphSheet() : SDL_CreateRGBSurfaceWithFormat(0, 16, 8, 32, SDL_PIXELFORMAT_ARGB8888);
    const int id = images->loadFromSurface(s, name);
    SDL_FreeSurface(s);
    images->get(id)->save(archiveId, "");
    images->close(id);
}

// The settings of a loaded resource, flattened for comparison.
std::vector<int> settingsOf(int kind, int id)
{
    Main* m = Main::instance();
    std::vector<int> out;
    switch (kind) {
    case 0: {
        int x = 0, y = 0;
        m->cursorMgr()->get(id)->getHotSpot(x, y);
        out = {x, y};
        break;
    }
    case 1: {
        int w = 0, h = 0, a = 0, d = 0;
        m->tileMgr()->get(id)->getOffset(w, h);
        m->tileMgr()->get(id)->getTileCount(a, d);
        out = {w, h, a, d};
        break;
    }
    case 2: {
        Sprite* s = m->spriteMgr()->get(id);
        int w = 0, h = 0;
        s->getOffset(&w, &h);
        out = {w, h, s->getAnimCount()};
        for (int i = 0; i < s->getAnimCount(); ++i) {
            uint16_t state = 0, ms = 0;
            int type = 0, x = 0, y = 0, first = 0, last = 0;
            s->getAnimStateIndex(i, &state);
            s->getAnimTypeIndex(i, &type);
            s->getAnimHotSpotIndex(i, &x, &y);
            s->getAnimRangeIndex(i, &first, &last);
            out.insert(out.end(), {state, type, x, y, first, last});
            for (int f = 0; f < s->getFrameCountIndex(i); ++f) {
                s->getFrameTimeIndex(i, f, &ms);
                out.push_back(ms);
            }
            // Playback stays inside the range whatever was stored.
            const int shown = s->frameAt(i, 123456789);
            if (shown < first || shown > last)
                std::abort();
        }
        break;
    }
    default: {
        Font* f = m->fontMgr()->get(id);
        out = {f->getKerning(), f->getHeight(), f->getWidth("Az~")};
        break;
    }
    }
    return out;
}

int load(int kind, int archiveId, const char* name)
{
    Main* m = Main::instance();
    switch (kind) {
    case 0: return m->cursorMgr()->load(archiveId, name);
    case 1: return m->tileMgr()->load(archiveId, name);
    case 2: return m->spriteMgr()->load(archiveId, name);
    default: return m->fontMgr()->load(archiveId, name);
    }
}

int saveAs(int kind, int id, int archiveId, const char* name)
{
    Main* m = Main::instance();
    switch (kind) {
    case 0: return m->cursorMgr()->get(id)->save(archiveId, name);
    case 1: return m->tileMgr()->get(id)->save(archiveId, name);
    case 2: return m->spriteMgr()->get(id)->save(archiveId, name);
    default: return m->fontMgr()->get(id)->save(archiveId, name);
    }
}

void closeIt(int kind, int id)
{
    Main* m = Main::instance();
    kind == 0 ? m->cursorMgr()->close(id)
    : kind == 1 ? m->tileMgr()->close(id)
    : kind == 2 ? m->spriteMgr()->close(id)
                : m->fontMgr()->close(id);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char* const kTypes[] = {"ZK7_CURSOR", "ZK7_TILE", "ZK7_SPRITE", "ZK7_FONT"};
    static const char* const kImages[] = {"#C_fuzz", "#T_fuzz", "#S_fuzz", "#F_fuzz"};
    if (size < 1)
        return 0;
    const int kind = data[0] % 4;
    ArchiveMgr* archives = Main::instance()->archiveMgr();
    const int archiveId = archives->create(fuzz::scratchPath("imagefam_fuzz").c_str(), 0);
    if (archiveId <= 0)
        return 0;
    Archive* archive = archives->get(archiveId);
    archive->setDurable(false);
    saveImage(archiveId, kImages[kind], kind == 3);
    Archive::Block block("fuzz", kTypes[kind]);
    block.data = const_cast<uint8_t*>(data + 1);
    block.size = size - 1;
    const int before = Main::instance()->imageMgr()->getCount();
    if (archive->blockAdd(block) == 0) {
        const int id = load(kind, archiveId, "fuzz");
        if (id > 0) {
            const std::vector<int> loaded = settingsOf(kind, id);
            if (saveAs(kind, id, archiveId, "again") != 0)
                std::abort(); // whatever loads must save
            const int again = load(kind, archiveId, "again");
            if (again <= 0 || settingsOf(kind, again) != loaded)
                std::abort(); // and come back as it was
            closeIt(kind, again);
            closeIt(kind, id);
        }
    }
    if (Main::instance()->imageMgr()->getCount() != before)
        std::abort(); // a failed load holds nothing
    archives->close(archiveId);
    std::remove(fuzz::scratchPath("imagefam_fuzz").c_str());
    return 0;
}
