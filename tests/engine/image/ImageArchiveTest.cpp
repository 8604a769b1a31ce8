// Images in archives: the "ZK7_IMAGE" block layout, round trips of pixels
// and settings, replacing, names, removal, the legacy owner word and the
// archive's codes passed on.
#include "engine/image/ImageTestSupport.h"

#include <Zelkoran/Screen.h>
#include <Zelkoran/TestSupport.h>

#include <algorithm>
#include <cstring>

namespace imagetest {
namespace {

using ImageArchive = ImageTest;

TEST_F(ImageArchive, BlockHoldsTheHeaderAndAPngOfThePixels)
{
    const int id = patternImage("Hero", 7, 5);
    Image* img = images->get(id);
    img->setColorKey(12, 34, 56);
    img->setColorMod(200, 100, 50);
    img->setAlphaMod(77);
    ASSERT_EQ(img->save(archiveId, ""), 0);
    const Bytes b = block("Hero");
    ASSERT_GT(b.size(), 32u + 8u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 3), "ZKI");
    EXPECT_EQ(b[3], 1) << "version";
    EXPECT_EQ(le32(b, 4), 0x10000000u) << "owner word";
    EXPECT_EQ(le32(b, 8), 7u);
    EXPECT_EQ(le32(b, 12), 5u);
    EXPECT_EQ(Bytes(b.begin() + 16, b.begin() + 24), (Bytes{1, 12, 34, 56, 200, 100, 50, 77}));
    EXPECT_EQ(le32(b, 24), 1u) << "PNG payload";
    EXPECT_EQ(le32(b, 28), b.size() - 32);
    EXPECT_EQ(std::string(b.begin() + 33, b.begin() + 36), "PNG");

    // Stored raw: the PNG is compressed already.
    Archive::Block entry;
    ASSERT_EQ(archive->blockAt(archive->blockSearch(Archive::Block("Hero", kType)), entry), 0);
    EXPECT_EQ(entry.storage, Archive::ST_RAW);
}

TEST_F(ImageArchive, LoadGivesBackPixelsSettingsAndName)
{
    struct Case {
        int key[3];
        uint8_t mod[3];
        uint8_t alpha;
    };
    const Case cases[] = {
        {{-1, -1, -1}, {255, 255, 255}, 255}, // defaults
        {{0, 0, 0}, {0, 0, 0}, 0},            // a black key is a key, not "none"
        {{255, 254, 1}, {1, 128, 254}, 128},
        {{-2, -2, -2}, {9, 9, 9}, 9}, // the colour of a pixel, set below
    };
    uint32_t seed = 1;
    for (const Case& c : cases) {
        const int id = patternImage("Round", 13, 11, seed++);
        Image* img = images->get(id);
        int key[3] = {c.key[0], c.key[1], c.key[2]};
        if (key[0] == -2) {
            keyOfPixel(img, 4, 4);
            int16_t k[3];
            img->getColorKey(k[0], k[1], k[2]);
            std::copy(k, k + 3, key);
        }
        img->setColorKey(key[0], key[1], key[2]);
        img->setColorMod(c.mod[0], c.mod[1], c.mod[2]);
        img->setAlphaMod(c.alpha);
        keyLikeADraw(img);
        ASSERT_EQ(img->save(archiveId, ""), 0);

        const int back = images->load(archiveId, "Round");
        ASSERT_GT(back, 0);
        Image* loaded = images->get(back);
        EXPECT_STREQ(loaded->getName(), "Round");
        EXPECT_TRUE(samePixels(img->getSurface(), loaded->getSurface()));
        int16_t k[3];
        loaded->getColorKey(k[0], k[1], k[2]);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(k[i], key[i]) << "key " << i;
        uint8_t m[3];
        loaded->getColorMod(m[0], m[1], m[2]);
        EXPECT_EQ(Bytes(m, m + 3), Bytes(c.mod, c.mod + 3));
        EXPECT_EQ(loaded->getAlphaMod(), c.alpha);

        // Saved again, the block is the same bytes.
        const Bytes first = block("Round");
        ASSERT_EQ(loaded->save(archiveId, "Again"), 0);
        EXPECT_EQ(block("Again"), first);
        images->close(id);
        images->close(back);
    }
}

TEST_F(ImageArchive, LoadedSettingsShowWhenDrawn)
{
    Screen* screen = softScreen();
    ASSERT_NE(screen, nullptr) << SDL_GetError();
    // Left half red, right half green, opaque; red is the key.
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 8, 4, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x] = x < 4 ? 0xFFFF0000u : 0xFF00FF00u;
    const int id = images->loadFromSurface(s, "Keyed");
    SDL_FreeSurface(s);
    images->get(id)->setColorKey(255, 0, 0);
    images->get(id)->setColorMod(255, 0, 255); // green becomes black
    ASSERT_EQ(images->get(id)->save(archiveId, ""), 0);
    images->close(id);

    const int back = images->load(archiveId, "Keyed");
    ASSERT_GT(back, 0);
    screen->setRenderCallback([&](int) {
        screen->clear(0, 0, 255, 255);
        const SDL_FRect dst{0, 0, 64, 32};
        return images->get(back)->render(0, nullptr, &dst);
    });
    SDL_Surface* frame = TestSupport::captureFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(pixelAt(frame, 8, 16) & 0xFFFFFF, 0x0000FFu) << "keyed red lets the background through";
    EXPECT_EQ(pixelAt(frame, 48, 16) & 0xFFFFFF, 0x000000u) << "green under a colour mod without green";
    SDL_FreeSurface(frame);
}

// The largest block SDL was asked for while tracked.
size_t g_largest = 0;
SDL_malloc_func g_malloc;
SDL_calloc_func g_calloc;
SDL_realloc_func g_realloc;
SDL_free_func g_free;
void* trackedMalloc(size_t n) { return g_largest = std::max(g_largest, n), g_malloc(n); }
void* trackedCalloc(size_t k, size_t n) { return g_largest = std::max(g_largest, k * n), g_calloc(k, n); }
void* trackedRealloc(void* p, size_t n) { return g_largest = std::max(g_largest, n), g_realloc(p, n); }

// A picture zoomed past the screen is drawn from the pixels the screen
// shows, without a copy of the whole zoomed picture on the way.
TEST_F(ImageArchive, AZoomedPictureIsDrawnFromItsVisiblePartAlone)
{
    Screen* screen = softScreen();
    ASSERT_NE(screen, nullptr) << SDL_GetError();
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 256, 256, 32, SDL_PIXELFORMAT_RGB888);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x] = uint32_t(x) << 16 | uint32_t(y) << 8 | 7;
    const int id = images->loadFromSurface(s, "Big");
    SDL_FreeSurface(s);
    // Four times zoomed, 100 pixels of it left of the screen and 60 above.
    screen->setRenderCallback([&](int) {
        const SDL_FRect dst{-100, -60, 1024, 1024};
        return images->get(id)->render(0, nullptr, &dst);
    });
    SDL_GetMemoryFunctions(&g_malloc, &g_calloc, &g_realloc, &g_free);
    SDL_SetMemoryFunctions(trackedMalloc, trackedCalloc, trackedRealloc, g_free);
    SDL_Surface* frame = TestSupport::captureFrame();
    SDL_SetMemoryFunctions(g_malloc, g_calloc, g_realloc, g_free);
    ASSERT_NE(frame, nullptr);
    EXPECT_LT(g_largest, size_t{1} << 20) << "a 4 MB copy of the zoomed picture";
    // Screen pixel x shows picture pixel (x + 100) / 4; y shows (y + 60) / 4.
    for (const auto& [x, y] : {std::pair{2, 2}, std::pair{30, 14}, std::pair{62, 30}})
        EXPECT_EQ(pixelAt(frame, x, y) & 0xFFFFFF, uint32_t((x + 100) / 4) << 16 | uint32_t((y + 60) / 4) << 8 | 7)
            << x << "," << y;
    SDL_FreeSurface(frame);
}

// Only a change of the key remakes the texture: the editor sets the key
// it shows on every event, and a large picture would be uploaded each time.
TEST_F(ImageArchive, OnlyAnotherKeyRemakesTheTexture)
{
    Screen* screen = softScreen();
    ASSERT_NE(screen, nullptr) << SDL_GetError();
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 8, 4, 32, SDL_PIXELFORMAT_RGB888);
    const int id = images->loadFromSurface(s, "Opaque");
    SDL_FreeSurface(s);
    Image* img = images->get(id);
    img->setColorKey(1, 2, 3);
    const struct {
        const char* step;
        int key[3];
        bool remade;
    } steps[] = {
        {"the same key", {1, 2, 3}, false}, {"another key", {1, 2, 4}, true},  {"no key", {-1, -1, -1}, true},
        {"no key again", {-1, 5, 5}, false}, {"a key beyond 255", {257, 2, 4}, true}, {"it again", {1, 2, 4}, false},
    };
    int mark = 0;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        SDL_Texture* before = img->texture(screen->getRenderer());
        ASSERT_NE(before, nullptr);
        SDL_SetTextureUserData(before, &mark);
        img->setColorKey(step.key[0], step.key[1], step.key[2]);
        EXPECT_EQ(SDL_GetTextureUserData(img->texture(screen->getRenderer())) != &mark, step.remade);
    }
}

TEST_F(ImageArchive, SaveReplacesTheBlockOfTheSameName)
{
    ASSERT_EQ(images->get(patternImage("Tile", 4, 4, 1))->save(archiveId, ""), 0);
    const int liveBefore = archive->getBlockCount();
    const int newer = patternImage("Other", 6, 2, 9);
    ASSERT_EQ(images->get(newer)->save(archiveId, "Tile"), 0);
    EXPECT_STREQ(images->get(newer)->getName(), "Other") << "saving under another name does not rename";
    EXPECT_EQ(archive->getBlockCount(), liveBefore) << "replaced, not added";
    const int back = images->load(archiveId, "Tile");
    ASSERT_GT(back, 0);
    EXPECT_TRUE(samePixels(images->get(newer)->getSurface(), images->get(back)->getSurface()));
    // A block of another type under the same name is left alone.
    ASSERT_EQ(testutil::add(archive, "Tile", "ZK7_FILE", testutil::textBytes("keep me")), 0);
    ASSERT_EQ(images->get(newer)->save(archiveId, "Tile"), 0);
    Bytes file;
    ASSERT_EQ(testutil::load(archive, "Tile", "ZK7_FILE", file), 0);
    EXPECT_EQ(file, testutil::textBytes("keep me"));
}

TEST_F(ImageArchive, SaveNeedsPixelsANameAndAnArchive)
{
    const int unnamed = patternImage("");
    EXPECT_EQ(images->get(unnamed)->save(archiveId, ""), RC_ERR_INVALID);
    EXPECT_EQ(images->get(unnamed)->save(archiveId, std::string(64, 'n').c_str()), RC_ERR_INVALID);
    EXPECT_EQ(images->get(unnamed)->save(archiveId, std::string(63, 'n').c_str()), 0);
    EXPECT_EQ(images->get(unnamed)->save(archiveId + 100, "Given"), RC_ERR_NOT_FOUND);
    const int empty = images->create("Empty", 10);
    EXPECT_EQ(images->get(empty)->save(archiveId, ""), RC_ERR_INVALID);
    EXPECT_EQ(archive->blockSearch(Archive::Block("Empty", kType)), RC_ERR_NOT_FOUND);
}

TEST_F(ImageArchive, AFullArchiveAnswersNoSlot)
{
    const int full = main->archiveMgr()->create(dir.file("full.qel").c_str(), 1);
    ASSERT_GT(full, 0);
    const int id = patternImage("One");
    ASSERT_EQ(images->get(id)->save(full, ""), 0);
    EXPECT_EQ(images->get(id)->save(full, "Two"), RC_ERR_NO_SLOT);
    EXPECT_EQ(images->load(full, "Two"), RC_ERR_NOT_FOUND);
}

TEST_F(ImageArchive, AnEncryptedIndexKeepsImagesEncryptedToo)
{
    ASSERT_EQ(archive->setKey("secret", 6), 0);
    ASSERT_EQ(archive->encrypt(), 0);
    const int id = patternImage("Hidden");
    ASSERT_EQ(images->get(id)->save(archiveId, ""), 0);
    Archive::Block entry;
    ASSERT_EQ(archive->blockAt(archive->blockSearch(Archive::Block("Hidden", kType)), entry), 0);
    EXPECT_EQ(entry.storage, Archive::ST_ENCRYPTED);
    const std::string path = archive->getName();
    ASSERT_EQ(main->archiveMgr()->close(archiveId), 0);
    archiveId = main->archiveMgr()->load(path.c_str(), "secret", 6);
    ASSERT_GT(archiveId, 0);
    const int back = images->load(archiveId, "Hidden");
    ASSERT_GT(back, 0);
    EXPECT_TRUE(samePixels(images->get(id)->getSurface(), images->get(back)->getSurface()));
}

TEST_F(ImageArchive, AnEncryptedBlockWithoutTheKeyPassesTheKeyCodeOn)
{
    ASSERT_EQ(images->get(patternImage("Plain"))->save(archiveId, ""), 0);
    ASSERT_EQ(archive->setKey("secret", 6), 0);
    ASSERT_EQ(testutil::add(archive, "Secret", kType, block("Plain"), Archive::ST_ENCRYPTED), 0);
    const std::string path = archive->getName();
    ASSERT_EQ(main->archiveMgr()->close(archiveId), 0);
    archiveId = main->archiveMgr()->load(path.c_str(), nullptr, 0);
    ASSERT_GT(archiveId, 0);
    EXPECT_EQ(images->load(archiveId, "Secret"), RC_ERR_KEY);
    EXPECT_GT(images->load(archiveId, "Plain"), 0);
}

TEST_F(ImageArchive, TheLegacyGuiOwnerWordLoadsAndIsRewrittenOnSave)
{
    const int id = patternImage("Skin", 5, 5, 4);
    images->get(id)->setAlphaMod(90);
    ASSERT_EQ(images->get(id)->save(archiveId, ""), 0);
    Bytes legacy = block("Skin");
    legacy[4] = 0;
    legacy[7] = 0x40; // 0x40000000
    ASSERT_EQ(testutil::add(archive, "Legacy", kType, legacy), 0);
    const int back = images->load(archiveId, "Legacy");
    ASSERT_GT(back, 0);
    EXPECT_TRUE(samePixels(images->get(id)->getSurface(), images->get(back)->getSurface()));
    EXPECT_EQ(images->get(back)->getAlphaMod(), 90);
    ASSERT_EQ(images->get(back)->save(archiveId, ""), 0);
    EXPECT_EQ(le32(block("Legacy"), 4), 0x10000000u);
    // Any other owner word is not an image block.
    legacy[7] = 0x20;
    ASSERT_EQ(testutil::add(archive, "Legacy", kType, legacy), 0);
    EXPECT_EQ(images->load(archiveId, "Legacy"), RC_ERR_CORRUPT);
}

TEST_F(ImageArchive, SetNameRefusesANameAnotherOpenImageHolds)
{
    const int a = patternImage("Alpha");
    const int b = patternImage("Beta");
    EXPECT_EQ(images->setName(b, "Alpha"), RC_ERR_EXISTS);
    EXPECT_STREQ(images->get(b)->getName(), "Beta");
    EXPECT_EQ(images->setName(a, "Alpha"), 0) << "its own name";
    EXPECT_EQ(images->setName(b, ""), RC_ERR_INVALID);
    EXPECT_EQ(images->setName(b, std::string(64, 'x').c_str()), RC_ERR_INVALID);
    EXPECT_EQ(images->setName(b + 100, "Gamma"), RC_ERR_NOT_FOUND);
    ASSERT_EQ(images->setName(b, "Gamma"), 0);
    EXPECT_STREQ(images->get(b)->getName(), "Gamma");
    // Once Alpha is closed its name is free.
    ASSERT_EQ(images->close(a), 0);
    EXPECT_EQ(images->setName(b, "Alpha"), 0);
    // The name given is the one an empty-name save uses.
    ASSERT_EQ(images->get(b)->save(archiveId, ""), 0);
    EXPECT_GE(archive->blockSearch(Archive::Block("Alpha", kType)), 0);
}

TEST_F(ImageArchive, RemoveSoftDeletesTheImageBlockOnly)
{
    ASSERT_EQ(images->get(patternImage("Gone"))->save(archiveId, ""), 0);
    ASSERT_EQ(testutil::add(archive, "Gone", "ZK7_FILE", testutil::textBytes("x")), 0);
    EXPECT_EQ(images->remove(archiveId, "Gone"), 0);
    EXPECT_EQ(images->load(archiveId, "Gone"), RC_ERR_NOT_FOUND);
    EXPECT_GE(archive->blockSearch(Archive::Block("Gone", "ZK7_FILE")), 0);
    EXPECT_EQ(images->remove(archiveId, "Gone"), RC_ERR_NOT_FOUND) << "already deleted";
    EXPECT_EQ(images->remove(archiveId, "Never"), RC_ERR_NOT_FOUND);
    EXPECT_EQ(images->remove(archiveId + 100, "Gone"), RC_ERR_NOT_FOUND);
    EXPECT_EQ(images->remove(archiveId, ""), RC_ERR_NOT_FOUND);
    // The deleted entry can be restored and loads again.
    for (int i = 0; i < archive->getIndexCount(); ++i) {
        Archive::Block e;
        if (archive->blockAt(i, e) == 0 && e.deleted && std::strcmp(e.type, kType) == 0) {
            ASSERT_EQ(archive->blockUndelete(i, nullptr), 0);
        }
    }
    EXPECT_GT(images->load(archiveId, "Gone"), 0);
}

} // namespace
} // namespace imagetest
