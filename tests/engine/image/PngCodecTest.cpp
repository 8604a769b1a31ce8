// The PNG writer: large pictures (whose zlib strategy is chosen from a
// sample) come back pixel for pixel, whichever strategy the sample picks.
#include "engine/image/ImageTestSupport.h"

#include "image/ImageSurface.h"
#include "image/PngCodec.h"

namespace imagetest {
namespace {

using PngCodec = ImageTest;

TEST_F(PngCodec, LargePicturesRoundTripExactly)
{
    constexpr int kSide = 1024; // above the sampling threshold
    const struct {
        const char* name;
        uint32_t format;
        uint32_t (*pixel)(int x, int y, uint32_t noise);
    } cases[] = {
        // Repeated tiles: string matching pays.
        {"tiles", image::kAlphaFormat,
         [](int x, int y, uint32_t) { return ((x % 32) * 7u << 16 | (y % 32) * 5u << 8 | (x / 32 % 3) * 60u) | (x % 97 ? 0xFF000000u : 0u); }},
        // Noise: runs alone.
        {"noise", image::kOpaqueFormat, [](int, int, uint32_t noise) { return noise & 0xFFFFFFu; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, kSide, kSide, 32, c.format);
        uint32_t noise = 1;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                noise = noise * 1664525u + 1013904223u;
                static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x] = c.pixel(x, y, noise >> 8);
            }
        Vector<uint8_t> png;
        ASSERT_EQ(image::encodePng(s, png), 0);
        SDL_Surface* back = image::decodePng(png.data(), png.size());
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->format->format, c.format);
        EXPECT_TRUE(samePixels(s, back, c.format == image::kAlphaFormat));
        SDL_FreeSurface(back);
        SDL_FreeSurface(s);
    }
}

} // namespace
} // namespace imagetest
