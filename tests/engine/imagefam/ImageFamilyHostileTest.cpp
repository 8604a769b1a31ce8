// Damaged cursor, tile, sprite and font blocks give a clear code and hold
// nothing (no image stays open); glyph sheets that do not hold 189 glyphs
// are refused with their count; sprite playback follows type and times.
#include "engine/image/ImageTestSupport.h"
#include "support/GlyphSheetMaker.h"

#include <Zelkoran/Cursor.h>
#include <Zelkoran/Font.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Tile.h>
#include <Zelkoran/Tool.h>

#include <cstdio>
#include <cstring>
#include <functional>

namespace imagetest {
namespace {

struct Mutation {
    const char* what;
    const char* type;
    std::function<void(Bytes&)> damage;
};

void put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

const Mutation kMutations[] = {
    {"cursor too short", "ZK7_CURSOR", [](Bytes& b) { b.pop_back(); }},
    {"cursor version", "ZK7_CURSOR", [](Bytes& b) { put32(b, 0, 9); }},
    {"tile flag", "ZK7_TILE", [](Bytes& b) { put32(b, 4, 2); }},
    {"tile zero width", "ZK7_TILE", [](Bytes& b) { put32(b, 8, 0); }},
    {"tile negative height", "ZK7_TILE", [](Bytes& b) { put32(b, 12, 0xFFFFFFFF); }},
    {"sprite truncated", "ZK7_SPRITE", [](Bytes& b) { b.resize(b.size() - 2); }},
    {"sprite record size", "ZK7_SPRITE", [](Bytes& b) { put32(b, 4, 128); }},
    {"sprite cell wider than sheet", "ZK7_SPRITE", [](Bytes& b) { put32(b, 8, 14); }},
    {"sprite cell size that cuts otherwise", "ZK7_SPRITE", [](Bytes& b) { put32(b, 8, 5); }},
    {"sprite animation count", "ZK7_SPRITE", [](Bytes& b) { put32(b, 44, 0x7FFFFFFF); }},
    {"sprite type 3", "ZK7_SPRITE", [](Bytes& b) { b[128 + 2] = 3; }},
    {"sprite last frame past the row", "ZK7_SPRITE", [](Bytes& b) { put32(b, 128 + 16, 3); }},
    {"sprite first after last", "ZK7_SPRITE", [](Bytes& b) { put32(b, 128 + 12, 2), put32(b, 128 + 16, 1); }},
    {"font size", "ZK7_FONT", [](Bytes& b) { b.push_back(0); }},
    {"font name without end", "ZK7_FONT", [](Bytes& b) { std::fill(b.begin() + 32, b.begin() + 96, 'x'); }},
};

class ImageFamilyHostile : public ImageTest, public ::testing::WithParamInterface<Mutation> {
protected:
    // Saves a good "R" of every kind from a 13 x 5 picture (the font from a glyph sheet).
    void saveAll()
    {
        Cursor* c = main->cursorMgr()->get(main->cursorMgr()->create("R", 10));
        ASSERT_EQ(c->assignImage(patternImage("c", 13, 5), 1) | c->save(archiveId, ""), 0);
        Tile* t = main->tileMgr()->get(main->tileMgr()->create("R", 10));
        ASSERT_EQ(t->assignImage(patternImage("t", 13, 5), 1) | t->setOffset(1, 4, 2) | t->save(archiveId, ""), 0);
        Sprite* s = main->spriteMgr()->get(main->spriteMgr()->create("R", 10));
        ASSERT_EQ(s->assignImage(patternImage("s", 13, 5), 1) | s->setOffset(4, 2) | s->save(archiveId, ""), 0);
        SDL_Surface* sheet = editortest::makeGlyphSheet(189);
        Font* f = main->fontMgr()->get(main->fontMgr()->create("R", 10));
        ASSERT_EQ(f->assignImage(images->loadFromSurface(sheet, "f"), 1) | f->save(archiveId, ""), 0);
        SDL_FreeSurface(sheet);
        Main::terminate();
        main = Main::instance();
        images = main->imageMgr();
        archiveId = main->archiveMgr()->load(dir.file("images.qel").c_str(), nullptr, 0);
        archive = main->archiveMgr()->get(archiveId);
    }
    int load(const char* type, const char* name)
    {
        const std::string t = type;
        return t == "ZK7_CURSOR" ? main->cursorMgr()->load(archiveId, name)
               : t == "ZK7_TILE" ? main->tileMgr()->load(archiveId, name)
               : t == "ZK7_SPRITE" ? main->spriteMgr()->load(archiveId, name)
                                   : main->fontMgr()->load(archiveId, name);
    }
};

TEST_P(ImageFamilyHostile, DamageIsCorruptAndHoldsNothing)
{
    saveAll();
    const Mutation& m = GetParam();
    Bytes bytes;
    ASSERT_EQ(testutil::load(archive, "R", m.type, bytes), 0);
    ASSERT_GT(load(m.type, "R"), 0);
    m.damage(bytes);
    ASSERT_EQ(testutil::add(archive, "R", m.type, bytes), 0);
    const int before = images->getCount();
    EXPECT_EQ(load(m.type, "R"), RC_ERR_CORRUPT) << m.what;
    EXPECT_EQ(images->getCount(), before) << m.what;
    // Without its image block the resource cannot load either.
    ASSERT_EQ(archive->blockDelete(Archive::Block((std::string("#") + m.type[4] + "_R").c_str(), kType)), 0);
    EXPECT_EQ(load(m.type, "R"), RC_ERR_NOT_FOUND) << m.what;
}

INSTANTIATE_TEST_SUITE_P(Blocks, ImageFamilyHostile, ::testing::ValuesIn(kMutations), [](const auto& p) {
    std::string name = p.param.what;
    for (char& ch : name)
        ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return name;
});

TEST_F(ImageTest, GlyphSheetsCutInto189GlyphsOrReportTheirCount)
{
    const std::string errorFile = std::string(main->tool()->fileGetExePath().c_str()) + "/FontWithErrors.bmp";
    std::remove(errorFile.c_str());
    FontMgr* fonts = main->fontMgr();
    Font* font = fonts->get(fonts->create("F", 10));
    for (const auto& [glyphs, result] : {std::pair{150, -150}, {190, -190}, {189, 0}}) {
        SDL_Surface* sheet = editortest::makeGlyphSheet(glyphs);
        const int image = images->loadFromSurface(sheet, "sheet");
        EXPECT_EQ(font->assignImage(image, 1), result) << glyphs;
        if (result != 0) {
            EXPECT_EQ(font->getImage(), 0);
            EXPECT_EQ(images->close(image), 0); // the caller kept it
        } else {
            EXPECT_EQ(font->getHeight(), sheet->h - 1);
            EXPECT_EQ(font->getWidth("AA") - font->getWidth("A"), font->getWidth("A"));
        }
        SDL_FreeSurface(sheet);
    }
    // The last refused sheet, its first run marked green and its second blue.
    SDL_Surface* loaded = SDL_LoadBMP(errorFile.c_str());
    ASSERT_NE(loaded, nullptr) << errorFile;
    SDL_Surface* marked = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_Surface* refused = editortest::makeGlyphSheet(190);
    EXPECT_EQ(marked->w * 1000 + marked->h, refused->w * 1000 + refused->h);
    EXPECT_EQ(pixelAt(marked, 0, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(pixelAt(marked, refused->w - 1, 0) & 0xFFFFFF, 0x0000FFu); // run 190
    SDL_FreeSurface(refused);
    SDL_FreeSurface(marked);
    SDL_FreeSurface(loaded);
    font->setKerning(3);
    EXPECT_EQ(font->getWidth("AB"), font->getWidth("A") + font->getWidth("B"));
}

TEST_F(ImageTest, CursorHotSpotsEncodeTheirForm)
{
    Cursor* c = main->cursorMgr()->get(main->cursorMgr()->create("C", 10));
    const struct {
        Position x;
        uint32_t encoded;
        bool accepted;
    } cases[] = {
        {Position(-2, PH_CENTER_CODE), 0x61FFFFFEu, true},
        {Position(0, PH_SIZE), 0x60000000u, true},
        {Position(1e9f, PH_CENTER_CODE), 0x617FFFFFu, true},
        {Position(12.9f), 12u, true},
        {Position(-5), static_cast<uint32_t>(-5), true},
        {Position(1627389952.0f), 0, false}, // a pixel that would read as Center
        {Position(3, PH_CENTER), 0, false},  // a widget anchor, not a hot spot form
    };
    for (const auto& k : cases) {
        ASSERT_TRUE(c->setHotSpot(Position(1), Position(1)));
        EXPECT_EQ(c->setHotSpot(k.x, Position(4)), k.accepted) << k.encoded;
        int x = 0, y = 0;
        c->getHotSpot(x, y);
        EXPECT_EQ(static_cast<uint32_t>(x), k.accepted ? k.encoded : 1u) << k.encoded;
    }
}

TEST_F(ImageTest, SpritePlaybackFollowsTypeRangeAndTimes)
{
    Sprite* s = main->spriteMgr()->get(main->spriteMgr()->create("S", 10));
    ASSERT_EQ(s->assignImage(patternImage("sheet", 50, 10), 1) | s->setOffset(10, 10), 0); // frames 0..4
    ASSERT_EQ(s->setAnimRangeIndex(0, 1, 3), 0);
    for (int f = 0; f < 5; ++f)
        s->setFrameTimeIndex(0, f, static_cast<uint16_t>(10 * (f + 1)));
    // Frame times 20, 30, 40 for frames 1, 2, 3.
    const struct {
        int type;
        uint64_t ms;
        int frame;
    } cases[] = {
        {SPR_LOOP, 0, 1},          {SPR_LOOP, 49, 2},          {SPR_LOOP, 90, 1},
        {SPR_PINGPONG, 90, 2},     {SPR_PINGPONG, 120, 1},     {SPR_PINGPONG, 140, 2},
        {SPR_PINGPONG, 235, 2},    {SPR_ONESHOT, 1000, 3},
        {SPR_ONESHOT_REVERSE, 0, 3}, {SPR_ONESHOT_REVERSE, 75, 1}, {SPR_ONESHOT_REVERSE, 1000, 1},
    };
    for (const auto& k : cases) {
        ASSERT_EQ(s->setAnimTypeIndex(0, k.type), 0);
        EXPECT_EQ(s->frameAt(0, k.ms), k.frame) << k.type << " at " << k.ms;
    }
    ASSERT_EQ(s->setAnimTypeIndex(0, SPR_RANDOM), 0);
    for (uint64_t ms = 0; ms < 2000; ms += 7) {
        const int f = s->frameAt(0, ms);
        EXPECT_TRUE(f >= 1 && f <= 3) << f;
    }
    ASSERT_EQ(s->setAnimTypeIndex(0, SPR_LOOP), 0);
    s->selectAnimIndex(0);
    s->update(25);
    EXPECT_EQ(s->getFrameCurrent(), 2);
    s->pause();
    s->update(100);
    EXPECT_EQ(s->getFrameCurrent(), 2);
    EXPECT_EQ(s->setAnimTypeIndex(0, 3), RC_ERR_INVALID);
    EXPECT_EQ(s->setAnimRangeIndex(0, 2, 5), RC_ERR_INVALID);
}

} // namespace
} // namespace imagetest

namespace imagetest {
namespace {

// The 128-byte record the legacy font migration writes loads, and its
// carried-over bytes survive a save.
TEST_F(ImageTest, MigratedFontRecordLoadsAndKeepsItsStyleByte)
{
    SDL_Surface* sheet = editortest::makeGlyphSheet(189);
    const int image = images->loadFromSurface(sheet, "#F_Old");
    SDL_FreeSurface(sheet);
    ASSERT_EQ(images->get(image)->save(archiveId, ""), 0);
    Bytes record(128, 0);
    record[0] = 10;
    record[4] = 2;
    record[12] = 1;
    std::memcpy(&record[32], "Old", 3);
    ASSERT_EQ(testutil::add(archive, "Old", "ZK7_FONT", record), 0);
    FontMgr* fonts = main->fontMgr();
    Font* font = fonts->get(fonts->load(archiveId, "Old"));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->getKerning(), 2);
    ASSERT_EQ(font->save(archiveId, "New"), 0);
    Bytes saved;
    ASSERT_EQ(testutil::load(archive, "New", "ZK7_FONT", saved), 0);
    EXPECT_EQ(saved.size(), 128u);
    EXPECT_EQ(saved[12], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&saved[32])), "New");
}

} // namespace
} // namespace imagetest

namespace imagetest {
namespace {

// Sprite blocks of a header and records alone (QELv1 sprites after their
// upgrade) load with their states; what their records cannot say takes
// its default.
TEST_F(ImageTest, SpriteRecordsWithoutFrameTimesLoadWithTheirStates)
{
    const int sheet = patternImage("#S_old", 30, 20);
    ASSERT_EQ(images->get(sheet)->save(archiveId, ""), 0);
    Bytes block(128 + 256 * 2, 0);
    block[0] = 10;
    block[44] = 2;
    for (int i = 0; i < 2; ++i) {
        block[128 + 256 * i] = 5;
        block[128 + 256 * i + 1] = static_cast<uint8_t>(1 + i);
        block[128 + 256 * i + 2] = 0xEE; // carried over, not a type
    }
    ASSERT_EQ(testutil::add(archive, "old", "ZK7_SPRITE", block), 0);
    SpriteMgr* sprites = main->spriteMgr();
    Sprite* s = sprites->get(sprites->load(archiveId, "old"));
    ASSERT_NE(s, nullptr);
    int w = 0, h = 0, type = 0, first = -1, last = -1;
    s->getOffset(&w, &h);
    EXPECT_EQ(w * 100 + h, 3010);
    ASSERT_EQ(s->getAnimCount(), 2);
    uint16_t state = 0, ms = 0;
    EXPECT_EQ(s->getAnimStateIndex(1, &state) | s->getAnimTypeIndex(1, &type) | s->getAnimRangeIndex(1, &first, &last) |
                  s->getFrameTimeIndex(1, 0, &ms),
              0);
    EXPECT_EQ(state, 0x0205);
    EXPECT_EQ(type, SPR_LOOP);
    EXPECT_EQ(first * 10 + last, 0);
    EXPECT_EQ(ms, Sprite::kDefaultFrameMs);
    block.resize(block.size() - 1);
    ASSERT_EQ(testutil::add(archive, "old", "ZK7_SPRITE", block), 0);
    EXPECT_EQ(sprites->load(archiveId, "old"), RC_ERR_CORRUPT);
}

} // namespace
} // namespace imagetest
