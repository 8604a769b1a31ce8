// The PNG writer on large pictures, whose filter and zlib strategy are
// chosen from a sample: a drawn pattern and noise both come back pixel for
// pixel, and no file grows much for the speed the choice buys.
#include "engine/image/ImageTestSupport.h"

#include "image/ImageSurface.h"
#include "image/PngCodec.h"

#include <spng.h>

#include <functional>
#include <random>

namespace imagetest {
namespace {

using PngCodec = ImageTest;

TEST_F(PngCodec, LargePicturesRoundTripExactly)
{
    constexpr int kSide = 1024; // above the sampling threshold
    SDL_Surface* noise = SDL_CreateRGBSurfaceWithFormat(0, kSide, kSide, 32, image::kOpaqueFormat);
    const Bytes random = testutil::randomBytes(static_cast<size_t>(noise->pitch) * kSide, 3);
    std::copy(random.begin(), random.end(), static_cast<uint8_t*>(noise->pixels));
    for (SDL_Surface* s : {patternSurface(kSide, kSide), noise}) {
        const bool alpha = s->format->format == image::kAlphaFormat;
        SCOPED_TRACE(alpha ? "pattern" : "noise");
        Vector<uint8_t> png;
        ASSERT_EQ(image::encodePng(s, png), 0);
        SDL_Surface* back = image::decodePng(png.data(), png.size());
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(back->format->format, s->format->format);
        EXPECT_TRUE(samePixels(s, back, alpha));
        SDL_FreeSurface(back);
        SDL_FreeSurface(s);
    }
}

// The size of an opaque picture as libspng writes it at zlib's fastest
// level after the Sub filter, with zlib's string matching.
size_t matchedSize(SDL_Surface* s)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(s->w) * s->h * 3);
    SDL_ConvertPixels(s->w, s->h, s->format->format, s->pixels, s->pitch, SDL_PIXELFORMAT_RGB24, rgb.data(), s->w * 3);
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_ihdr ihdr{};
    ihdr.width = static_cast<uint32_t>(s->w);
    ihdr.height = static_cast<uint32_t>(s->h);
    ihdr.bit_depth = 8;
    ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, 1);
    spng_set_option(ctx, SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_SUB);
    spng_set_ihdr(ctx, &ihdr);
    size_t size = 0;
    int error = 0;
    if (spng_encode_image(ctx, rgb.data(), rgb.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE) == 0)
        std::free(spng_get_png_buffer(ctx, &size, &error));
    spng_ctx_free(ctx);
    return size;
}

// Speed goes before size, but never by much: whatever a large picture
// holds, its file is at most a third larger than string matching makes it.
TEST_F(PngCodec, LargePicturesCostLittleMoreThanStringMatching)
{
    std::mt19937 gen(5);
    std::vector<uint32_t> tiles(8 * 32 * 32);
    for (uint32_t& p : tiles)
        p = gen() & 0xFFFFFF;
    std::vector<int8_t> grain(3 * 1024 * 1024);
    for (int8_t& g : grain)
        g = static_cast<int8_t>(static_cast<int>(gen() % 7) - 3);
    const struct {
        const char* what;
        std::function<uint32_t(int x, int y)> colour;
    } pictures[] = {
        {"drawn: eight tiles of 32 x 32 repeated",
         [&](int x, int y) { return tiles[(x / 32 * 7 + y / 32 * 3) % 8 * 1024 + y % 32 * 32 + x % 32]; }},
        {"natural: a smooth sky over a grainy field",
         [&](int x, int y) {
             if (y < 768)
                 return uint32_t(y / 4) << 16 | uint32_t(y / 4) << 8 | 220u;
             const int8_t* at = &grain[3 * (size_t(y) * 1024 + size_t(x))];
             return uint32_t((x / 8 + at[0]) & 255) << 16 | uint32_t((120 + at[1]) & 255) << 8 |
                    uint32_t((y / 8 + at[2]) & 255);
         }},
    };
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.what);
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 1024, 1024, 32, image::kOpaqueFormat);
        for (int y = 0; y < s->h; ++y)
            for (int x = 0; x < s->w; ++x)
                static_cast<uint32_t*>(s->pixels)[y * s->pitch / 4 + x] = p.colour(x, y);
        Vector<uint8_t> png;
        ASSERT_EQ(image::encodePng(s, png), 0);
        const size_t matched = matchedSize(s);
        ASSERT_GT(matched, 0u);
        EXPECT_LE(png.size() * 3, matched * 4) << png.size() << " bytes, " << matched << " with string matching";
        SDL_FreeSurface(s);
    }
}

} // namespace
} // namespace imagetest
