// The PNG writer on large pictures, whose zlib strategy is chosen from a
// sample: a drawn pattern and noise both come back pixel for pixel.
#include "engine/image/ImageTestSupport.h"

#include "image/ImageSurface.h"
#include "image/PngCodec.h"

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

} // namespace
} // namespace imagetest
