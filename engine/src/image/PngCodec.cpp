#include "image/PngCodec.h"

#include "image/ImageSurface.h"

#include <Zelkoran/Result.h>

#include <SDL.h>
#include <spng.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <iterator>
#include <new>
#include <numeric>
#include <unordered_map>
#include <vector>

namespace Zelkoran::image {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t kIhdrEnd = 8 + 8 + 13; // signature, chunk length and type, IHDR data

// Speed over size: zlib's fastest level after one fixed filter.
constexpr int kCompressionLevel = 1;
// From this many pixels on, the filter and zlib strategy are chosen from a
// sample.
constexpr int64_t kSampledPixels = 1 << 20;
constexpr int kSampleBands = 4, kSampleBandRows = 4;

// How a picture's rows are compressed: a fixed filter and a zlib strategy.
struct Compression {
    int filter = SPNG_FILTER_CHOICE_SUB;
    int strategy = Z_DEFAULT_STRATEGY;
};

uint32_t bigEndian32(const uint8_t* at)
{
    uint32_t v;
    std::memcpy(&v, at, sizeof(v));
    return SDL_SwapBE32(v);
}

struct ContextFree {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

// Text and other side chunks beyond this are refused, so that a chunk's
// stated length cannot make the decoder allocate gigabytes.
constexpr size_t kMaxChunkBytes = size_t(64) << 20;

// libspng's reader over SDL: a short read is the end of the data, which
// ends the decode with an error.
int readFromRWops(spng_ctx*, void* user, void* out, size_t length)
{
    return SDL_RWread(static_cast<SDL_RWops*>(user), out, 1, length) == length ? 0 : SPNG_IO_EOF;
}

// Maps libspng's failures onto the engine's codes.
int spngResult(int rc) { return rc == SPNG_EMEM ? RC_ERR_NO_MEMORY : rc == 0 ? RC_OK : RC_ERR_INVALID; }

} // namespace

bool readPngHeader(const uint8_t* data, size_t size, PngHeader& out)
{
    if (!data || size < kIhdrEnd || std::memcmp(data, kSignature, sizeof(kSignature)) != 0 ||
        bigEndian32(data + 8) != 13 || std::memcmp(data + 12, "IHDR", 4) != 0)
        return false;
    out.width = bigEndian32(data + 16);
    out.height = bigEndian32(data + 20);
    out.bitDepth = data[24];
    out.colourType = data[25];
    return true;
}

namespace {

// The PNG an encoder finished into its buffer.
int takeEncoded(spng_ctx* ctx, Vector<uint8_t>& out)
{
    size_t size = 0;
    int error = 0;
    void* png = spng_get_png_buffer(ctx, &size, &error);
    if (!png)
        return spngResult(error ? error : SPNG_EMEM);
    int result = RC_OK;
    try {
        const auto* bytes = static_cast<const uint8_t*>(png);
        out.assign(bytes, bytes + size);
    } catch (const std::bad_alloc&) {
        result = RC_ERR_NO_MEMORY;
    }
    std::free(png);
    return result;
}

// Encodes rows (indices into the surface, in order) as a PNG of the
// surface's width compressed as given. Row by row: one converted row at a
// time instead of a second copy of the picture.
int encodeRows(SDL_Surface* surface, const std::vector<int>& rows, Compression how, Vector<uint8_t>& out)
{
    const uint32_t format = surface->format->format;
    const bool alpha = format == kAlphaFormat;
    const uint32_t rowFormat = alpha ? SDL_PIXELFORMAT_RGBA32 : SDL_PIXELFORMAT_RGB24;
    const size_t rowBytes = static_cast<size_t>(surface->w) * (alpha ? 4 : 3);

    std::unique_ptr<spng_ctx, ContextFree> ctx(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!ctx)
        return RC_ERR_NO_MEMORY;
    spng_ihdr ihdr{};
    ihdr.width = static_cast<uint32_t>(surface->w);
    ihdr.height = static_cast<uint32_t>(rows.size());
    ihdr.bit_depth = 8;
    ihdr.color_type = alpha ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR;
    int rc = spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
    if (rc == 0)
        rc = spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_LEVEL, kCompressionLevel);
    if (rc == 0)
        rc = spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_STRATEGY, how.strategy);
    if (rc == 0)
        rc = spng_set_option(ctx.get(), SPNG_FILTER_CHOICE, how.filter);
    if (rc == 0)
        rc = spng_set_ihdr(ctx.get(), &ihdr);
    if (rc == 0)
        rc = spng_encode_image(ctx.get(), nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
    if (rc != 0)
        return spngResult(rc);
    Vector<uint8_t> row;
    try {
        row.resize(rowBytes);
    } catch (const std::bad_alloc&) {
        return RC_ERR_NO_MEMORY;
    }
    const auto* pixels = static_cast<const uint8_t*>(surface->pixels);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (SDL_ConvertPixels(surface->w, 1, format, pixels + static_cast<size_t>(rows[i]) * surface->pitch,
                              surface->pitch, rowFormat, row.data(), static_cast<int>(rowBytes)) != 0)
            return RC_ERR_INVALID;
        rc = spng_encode_row(ctx.get(), row.data(), rowBytes);
        // The last row answers "end of image".
        if (rc != 0 && !(rc == SPNG_EOI && i + 1 == rows.size()))
            return spngResult(rc);
    }
    return takeEncoded(ctx.get(), out);
}

// Drawn art repeats whole stretches (tiles, patterns) that string matching
// finds after the Sub filter; natural pictures repeat little beyond runs,
// and matching only costs time there: run-length matching, or none at all
// (Huffman codes alone, the fastest), after the Sub or the Average filter
// (which predicts smooth light better). A few bands sampled across a large
// picture, encoded each way, tell which: for natural pictures the smallest,
// the faster on a tie.
Compression compressionFor(SDL_Surface* surface)
{
    if (int64_t{surface->w} * surface->h < kSampledPixels || surface->h < kSampleBands * kSampleBandRows)
        return {};
    std::vector<int> rows;
    for (int band = 0; band < kSampleBands; ++band)
        for (int r = 0; r < kSampleBandRows; ++r)
            rows.push_back(surface->h * (2 * band + 1) / (2 * kSampleBands) + r);
    Vector<uint8_t> matched, runs;
    if (encodeRows(surface, rows, {}, matched) != RC_OK ||
        encodeRows(surface, rows, {SPNG_FILTER_CHOICE_SUB, Z_RLE}, runs) != RC_OK)
        return {};
    // Matching must save a good share to be worth its time.
    if (matched.size() * 4 < runs.size() * 3)
        return {};
    // Fastest first, so a tie goes to the faster; Sub with run-length
    // matching is measured already.
    const Compression natural[] = {{SPNG_FILTER_CHOICE_SUB, Z_HUFFMAN_ONLY},
                                   {SPNG_FILTER_CHOICE_AVG, Z_HUFFMAN_ONLY},
                                   {SPNG_FILTER_CHOICE_SUB, Z_RLE},
                                   {SPNG_FILTER_CHOICE_AVG, Z_RLE}};
    constexpr size_t kRuns = 2;
    size_t sizes[std::size(natural)];
    for (size_t k = 0; k < std::size(natural); ++k) {
        Vector<uint8_t> sample;
        sizes[k] = k == kRuns ? runs.size()
                   : encodeRows(surface, rows, natural[k], sample) == RC_OK ? sample.size()
                                                                             : SIZE_MAX;
    }
    return natural[std::min_element(sizes, sizes + std::size(natural)) - sizes];
}

} // namespace

int encodePng(SDL_Surface* surface, Vector<uint8_t>& out)
{
    if (!surface || !surface->pixels || surface->w < 1 || surface->h < 1)
        return RC_ERR_INVALID;
    const uint32_t format = surface->format->format;
    if (format != kAlphaFormat && format != kOpaqueFormat)
        return RC_ERR_INVALID;
    std::vector<int> rows(static_cast<size_t>(surface->h));
    std::iota(rows.begin(), rows.end(), 0);
    return encodeRows(surface, rows, compressionFor(surface), out);
}

SDL_Surface* readPng(SDL_RWops* rw)
{
    std::unique_ptr<spng_ctx, ContextFree> ctx(spng_ctx_new(0));
    if (!rw || !ctx)
        return nullptr;
    spng_ihdr ihdr{};
    spng_trns trns{};
    int rc = spng_set_png_stream(ctx.get(), readFromRWops, rw);
    if (rc == 0) // as other readers do: a damaged note is dropped, a damaged picture refused
        rc = spng_set_crc_action(ctx.get(), SPNG_CRC_ERROR, SPNG_CRC_DISCARD);
    if (rc == 0)
        rc = spng_set_chunk_limits(ctx.get(), kMaxChunkBytes, kMaxChunkBytes);
    if (rc == 0)
        rc = spng_get_ihdr(ctx.get(), &ihdr);
    if (rc != 0)
        return nullptr;
    const bool alpha = ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ||
                       ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA || spng_get_trns(ctx.get(), &trns) == 0;
    const int format = alpha ? SPNG_FMT_RGBA8 : SPNG_FMT_RGB8;
    if (ihdr.width > INT_MAX / 4 || ihdr.height > INT_MAX ||
        spng_decode_image(ctx.get(), nullptr, 0, format, SPNG_DECODE_PROGRESSIVE | (alpha ? SPNG_DECODE_TRNS : 0)))
        return nullptr;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, static_cast<int>(ihdr.width),
                                                          static_cast<int>(ihdr.height), alpha ? 32 : 24,
                                                          alpha ? SDL_PIXELFORMAT_RGBA32 : SDL_PIXELFORMAT_RGB24);
    if (!surface)
        return nullptr;
    const size_t rowBytes = static_cast<size_t>(ihdr.width) * (alpha ? 4 : 3);
    // Interlaced pictures come pass by pass, each row placed where it belongs.
    spng_row_info row{};
    do {
        rc = spng_get_row_info(ctx.get(), &row);
        if (rc == 0)
            rc = spng_decode_row(ctx.get(), static_cast<uint8_t*>(surface->pixels) +
                                                 static_cast<size_t>(row.row_num) * surface->pitch,
                                 rowBytes);
    } while (rc == 0);
    if (rc != SPNG_EOI) {
        SDL_FreeSurface(surface);
        return nullptr;
    }
    return surface;
}

int encodePalettePng(SDL_Surface* surface, Vector<uint8_t>& out)
{
    if (!surface || !surface->pixels || surface->w < 1 || surface->h < 1 || surface->format->format != kAlphaFormat)
        return encodePng(surface, out);
    spng_plte plte{};
    spng_trns trns{};
    std::vector<uint8_t> indices;
    std::unordered_map<uint32_t, uint8_t> entries;
    bool clear = false;
    try {
        indices.resize(static_cast<size_t>(surface->w) * static_cast<size_t>(surface->h));
        for (int y = 0; y < surface->h; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(surface->pixels) +
                                                                static_cast<size_t>(y) * surface->pitch);
            for (int x = 0; x < surface->w; ++x) {
                auto it = entries.find(row[x]);
                if (it == entries.end()) {
                    const uint32_t n = plte.n_entries;
                    if (n == std::size(plte.entries))
                        return encodePng(surface, out);
                    it = entries.emplace(row[x], static_cast<uint8_t>(n)).first;
                    plte.entries[n] = {static_cast<uint8_t>(row[x] >> 16), static_cast<uint8_t>(row[x] >> 8),
                                       static_cast<uint8_t>(row[x]), 0};
                    trns.type3_alpha[n] = static_cast<uint8_t>(row[x] >> 24);
                    clear = clear || trns.type3_alpha[n] < 255;
                    plte.n_entries = trns.n_type3_entries = n + 1;
                }
                indices[static_cast<size_t>(y) * static_cast<size_t>(surface->w) + static_cast<size_t>(x)] =
                    it->second;
            }
        }
    } catch (const std::bad_alloc&) {
        return RC_ERR_NO_MEMORY;
    }
    // An entry no pixel uses keeps the palette's clear entry.
    if (!clear) {
        if (plte.n_entries == std::size(plte.entries))
            return encodePng(surface, out);
        plte.entries[plte.n_entries] = {0, 0, 0, 0};
        trns.type3_alpha[plte.n_entries] = 0;
        plte.n_entries = trns.n_type3_entries = plte.n_entries + 1;
    }
    std::unique_ptr<spng_ctx, ContextFree> ctx(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!ctx)
        return RC_ERR_NO_MEMORY;
    spng_ihdr ihdr{};
    ihdr.width = static_cast<uint32_t>(surface->w);
    ihdr.height = static_cast<uint32_t>(surface->h);
    ihdr.bit_depth = 8;
    ihdr.color_type = SPNG_COLOR_TYPE_INDEXED;
    int rc = spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
    if (rc == 0)
        rc = spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_LEVEL, kCompressionLevel);
    if (rc == 0)
        rc = spng_set_option(ctx.get(), SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_SUB);
    if (rc == 0)
        rc = spng_set_ihdr(ctx.get(), &ihdr);
    if (rc == 0)
        rc = spng_set_plte(ctx.get(), &plte);
    if (rc == 0)
        rc = spng_set_trns(ctx.get(), &trns);
    if (rc == 0)
        rc = spng_encode_image(ctx.get(), indices.data(), indices.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    return rc == 0 ? takeEncoded(ctx.get(), out) : spngResult(rc);
}

bool pngPaletteHasAlpha(const uint8_t* data, size_t size)
{
    std::unique_ptr<spng_ctx, ContextFree> ctx(spng_ctx_new(0));
    spng_ihdr ihdr{};
    spng_trns trns{};
    if (!data || !ctx || spng_set_crc_action(ctx.get(), SPNG_CRC_ERROR, SPNG_CRC_DISCARD) != 0 ||
        spng_set_chunk_limits(ctx.get(), kMaxChunkBytes, kMaxChunkBytes) != 0 ||
        spng_set_png_buffer(ctx.get(), data, size) != 0 || spng_get_ihdr(ctx.get(), &ihdr) != 0 ||
        spng_get_trns(ctx.get(), &trns) != 0)
        return false;
    if (ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE)
        return ihdr.bit_depth <= 8;
    return ihdr.color_type == SPNG_COLOR_TYPE_INDEXED &&
           std::any_of(trns.type3_alpha, trns.type3_alpha + trns.n_type3_entries, [](uint8_t a) { return a < 255; });
}

SDL_Surface* decodePng(const uint8_t* data, size_t size)
{
    if (!data || size == 0 || size > INT_MAX)
        return nullptr;
    SDL_RWops* rw = SDL_RWFromConstMem(data, static_cast<int>(size));
    SDL_Surface* decoded = readPng(rw);
    SDL_RWclose(rw);
    if (!decoded)
        return nullptr;
    SDL_Surface* converted = toImageFormat(decoded);
    SDL_FreeSurface(decoded);
    return converted;
}

} // namespace Zelkoran::image
