// The text of a tile layer's <data> (or <chunk>): global tile ids as CSV or
// as base64 of little-endian 32-bit words, raw or compressed with zlib,
// gzip or zstd.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace Zelkoran::scene {

// Decodes exactly count ids into out. 0, or RC_ERR_CORRUPT with why set
// (bad digits, wrong count, damaged or truncated compressed data, unknown
// encoding or compression).
int decodeTileData(std::string_view text, std::string_view encoding, std::string_view compression, size_t count,
                   std::vector<uint32_t>& out, String& why);

// Base64 text (blanks around and inside it allowed) as bytes; false when
// it is truncated or holds other characters.
bool decodeBase64(std::string_view text, Vector<uint8_t>& out);

// The ids as <data> text in the given encoding ("csv" or "base64") and
// compression ("", "zlib", "gzip", "zstd"); csv rows are width ids long.
// 0, RC_ERR_INVALID (unknown encoding or compression), RC_ERR_NO_MEMORY.
int encodeTileData(const uint32_t* ids, size_t count, size_t width, std::string_view encoding,
                   std::string_view compression, String& out);

} // namespace Zelkoran::scene
