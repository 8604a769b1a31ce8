// Shared set-up of the image tests: an engine, a scratch folder with an
// archive, generated surfaces and a pixel-exact comparison.
#pragma once

#include "engine/archive/ArchiveTestUtil.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Screen.h>

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace imagetest {

using namespace Zelkoran;
using testutil::Bytes;
using testutil::ScratchDir;

constexpr const char* kType = "ZK7_IMAGE";

// An ARGB8888 surface whose every pixel differs, alpha included (fully
// transparent pixels keep their colour too). The caller frees it.
inline SDL_Surface* patternSurface(int w, int h, uint32_t seed = 0)
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t a = (x * 61 + y * 17 + seed) & 255;
            const uint32_t r = (x * 37 + seed * 3) & 255, g = (y * 53 + 11) & 255, b = (x * y * 29 + seed) & 255;
            static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x] = a << 24 | r << 16 | g << 8 | b;
        }
    return s;
}

inline uint32_t pixelAt(SDL_Surface* s, int x, int y)
{
    return static_cast<const uint32_t*>(s->pixels)[y * s->pitch / 4 + x];
}

// Whether two ARGB8888 surfaces hold the same pixels (alpha ignored when
// the second has none, as after a round trip through a 24-bit BMP).
inline ::testing::AssertionResult samePixels(SDL_Surface* a, SDL_Surface* b, bool compareAlpha = true)
{
    if (!a || !b)
        return ::testing::AssertionFailure() << "missing surface";
    if (a->w != b->w || a->h != b->h)
        return ::testing::AssertionFailure() << a->w << "x" << a->h << " vs " << b->w << "x" << b->h;
    const uint32_t mask = compareAlpha ? 0xFFFFFFFFu : 0x00FFFFFFu;
    for (int y = 0; y < a->h; ++y)
        for (int x = 0; x < a->w; ++x)
            if ((pixelAt(a, x, y) & mask) != (pixelAt(b, x, y) & mask))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << ": " << std::hex
                                                     << pixelAt(a, x, y) << " vs " << pixelAt(b, x, y);
    return ::testing::AssertionSuccess();
}

inline uint32_t le32(const Bytes& b, size_t at)
{
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

// Sets the image's key on its surface as drawing does (the texture is made
// from the keyed surface); keyed pixels must still be saved as they are.
inline void keyLikeADraw(Image* img)
{
    int16_t k[3];
    img->getColorKey(k[0], k[1], k[2]);
    SDL_Surface* s = img->getSurface();
    if (k[0] >= 0)
        SDL_SetColorKey(s, SDL_TRUE, SDL_MapRGB(s->format, static_cast<Uint8>(k[0]), static_cast<Uint8>(k[1]),
                                                static_cast<Uint8>(k[2])));
}

// The colour of pixel x, y of an image as key arguments.
inline void keyOfPixel(Image* img, int x, int y)
{
    const uint32_t p = pixelAt(img->getSurface(), x, y);
    img->setColorKey(p >> 16 & 255, p >> 8 & 255, p & 255);
}

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        main = Main::instance();
        images = main->imageMgr();
        archiveId = main->archiveMgr()->create(dir.file("images.qel").c_str(), 0);
        ASSERT_GT(archiveId, 0);
        archive = main->archiveMgr()->get(archiveId);
        // Many small writes follow; the archive's own tests cover durability.
        archive->setDurable(false);
    }
    void TearDown() override { Main::terminate(); }

    // An image of a pattern surface under name.
    int patternImage(const char* name, int w = 7, int h = 5, uint32_t seed = 0)
    {
        SDL_Surface* s = patternSurface(w, h, seed);
        const int id = images->loadFromSurface(s, name);
        SDL_FreeSurface(s);
        return id;
    }
    // A shown 64 x 32 window on the software renderer, or null.
    Screen* softScreen()
    {
        Screen* screen = main->configMgr()->get(0);
        screen->setDriver(Screen::DRV_SOFT);
        screen->setSize(64, 32);
        return screen->show() == 0 ? screen : nullptr;
    }
    Bytes block(const char* name)
    {
        Bytes out;
        EXPECT_EQ(testutil::load(archive, name, kType, out), 0) << name;
        return out;
    }

    ScratchDir dir;
    Main* main = nullptr;
    ImageMgr* images = nullptr;
    int archiveId = 0;
    Archive* archive = nullptr;
};

} // namespace imagetest
