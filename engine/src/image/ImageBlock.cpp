#include "image/ImageBlock.h"

#include "image/PngCodec.h"
#include "core/ByteOrder.h"

#include <Zelkoran/Result.h>

#include <SDL.h>

#include <cstring>
#include <new>

namespace Zelkoran::image {

namespace {

constexpr char kMagic[3] = {'Z', 'K', 'I'};
constexpr uint8_t kVersion = 1;
constexpr uint32_t kPayloadPng = 1;
constexpr size_t kVersionAt = 3, kOwnerAt = 4, kWidthAt = 8, kHeightAt = 12, kKeyFlagAt = 16, kKeyAt = 17,
                 kColorModAt = 20, kAlphaModAt = 23, kPayloadFormatAt = 24, kPayloadSizeAt = 28;
// Deflate shrinks data at most about 1032 to 1: a payload that claims more
// pixels than that is hostile, and is refused before the decoder allocates
// a surface for them.
constexpr uint64_t kMaxDeflateRatio = 1032;

bool isSide(uint32_t v) { return v >= 1 && v <= static_cast<uint32_t>(kMaxImageSide); }

// The header's claims, checked against each other and the PNG's own header.
bool headerHolds(const uint8_t* data, size_t size, ImageSettings& settings)
{
    if (size < kImageHeaderSize || std::memcmp(data, kMagic, sizeof(kMagic)) != 0 || data[kVersionAt] != kVersion)
        return false;
    const uint32_t owner = bytes::getU32(data + kOwnerAt);
    if (owner != kOwnerImage && owner != kOwnerLegacyGui)
        return false;
    const uint32_t width = bytes::getU32(data + kWidthAt), height = bytes::getU32(data + kHeightAt);
    const uint64_t payloadSize = size - kImageHeaderSize;
    if (!isSide(width) || !isSide(height) || bytes::getU32(data + kPayloadFormatAt) != kPayloadPng ||
        bytes::getU32(data + kPayloadSizeAt) != payloadSize)
        return false;
    PngHeader png;
    if (!readPngHeader(data + kImageHeaderSize, payloadSize, png) || png.width != width || png.height != height ||
        png.bitDepth != 8 || (png.colourType != kPngRgba && png.colourType != kPngRgb && png.colourType != kPngPalette))
        return false;
    // A palette's pixels are a byte each.
    if (uint64_t{width} * height * (png.colourType == kPngPalette ? 1 : 4) > payloadSize * kMaxDeflateRatio)
        return false;
    const uint8_t keyFlag = data[kKeyFlagAt];
    if (keyFlag > 1)
        return false;
    for (int i = 0; i < 3; ++i) {
        // Without a key its bytes are zero: anything else is damage.
        if (!keyFlag && data[kKeyAt + i] != 0)
            return false;
        settings.key[i] = keyFlag ? data[kKeyAt + i] : -1;
        settings.colorMod[i] = data[kColorModAt + i];
    }
    settings.alphaMod = data[kAlphaModAt];
    return true;
}

} // namespace

int encodeImageBlock(SDL_Surface* argb, const ImageSettings& settings, Vector<uint8_t>& out)
{
    if (!argb || argb->w < 1 || argb->h < 1)
        return RC_ERR_INVALID;
    if (argb->w > kMaxImageSide || argb->h > kMaxImageSide)
        return RC_ERR_TOO_LARGE;
    Vector<uint8_t> png;
    int rc = settings.clearPalette ? encodePalettePng(argb, png) : encodePng(argb, png);
    if (rc != RC_OK)
        return rc;
    if (png.size() > UINT32_MAX - kImageHeaderSize)
        return RC_ERR_TOO_LARGE;
    try {
        out.assign(kImageHeaderSize + png.size(), 0);
    } catch (const std::bad_alloc&) {
        return RC_ERR_NO_MEMORY;
    }
    std::memcpy(out.data(), kMagic, sizeof(kMagic));
    out[kVersionAt] = kVersion;
    bytes::putU32(&out[kOwnerAt], kOwnerImage);
    bytes::putU32(&out[kWidthAt], static_cast<uint32_t>(argb->w));
    bytes::putU32(&out[kHeightAt], static_cast<uint32_t>(argb->h));
    const bool keyed = settings.key[0] >= 0 && settings.key[1] >= 0 && settings.key[2] >= 0;
    out[kKeyFlagAt] = keyed ? 1 : 0;
    for (int i = 0; i < 3; ++i) {
        out[kKeyAt + i] = keyed ? static_cast<uint8_t>(settings.key[i]) : 0;
        out[kColorModAt + i] = settings.colorMod[i];
    }
    out[kAlphaModAt] = settings.alphaMod;
    bytes::putU32(&out[kPayloadFormatAt], kPayloadPng);
    bytes::putU32(&out[kPayloadSizeAt], static_cast<uint32_t>(png.size()));
    std::memcpy(&out[kImageHeaderSize], png.data(), png.size());
    return RC_OK;
}

int decodeImageBlock(const uint8_t* data, size_t size, SDL_Surface*& pixels, ImageSettings& settings)
{
    pixels = nullptr;
    ImageSettings read;
    if (!data || !headerHolds(data, size, read))
        return RC_ERR_CORRUPT;
    SDL_Surface* decoded = decodePng(data + kImageHeaderSize, size - kImageHeaderSize);
    if (!decoded)
        return RC_ERR_CORRUPT;
    if (decoded->w != static_cast<int>(bytes::getU32(data + kWidthAt)) ||
        decoded->h != static_cast<int>(bytes::getU32(data + kHeightAt))) {
        SDL_FreeSurface(decoded);
        return RC_ERR_CORRUPT;
    }
    pixels = decoded;
    settings = read;
    settings.clearPalette = pngPaletteHasAlpha(data + kImageHeaderSize, size - kImageHeaderSize);
    return RC_OK;
}

} // namespace Zelkoran::image
