#include "scene/TileData.h"

#include "core/ByteOrder.h"

#include <Zelkoran/Result.h>

#include <openssl/evp.h>
#include <zlib.h>
#include <zstd.h>

#include <charconv>
#include <cstring>

namespace Zelkoran::scene {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

int fail(String& why, const char* text)
{
    why = text;
    return RC_ERR_CORRUPT;
}

int decodeCsv(std::string_view text, size_t count, std::vector<uint32_t>& out, String& why)
{
    out.clear();
    out.reserve(count);
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        if (i == text.size())
            break;
        uint32_t value = 0;
        const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value);
        if (ec != std::errc() || end == text.data() + i)
            return fail(why, "tile data holds something other than tile ids");
        if (out.size() == count)
            return fail(why, "tile data holds more ids than the layer has cells");
        out.push_back(value);
        i = size_t(end - text.data());
        while (i < text.size() && isBlank(text[i]))
            ++i;
        if (i < text.size() && text[i] == ',')
            ++i;
    }
    return out.size() == count ? RC_OK : fail(why, "tile data holds fewer ids than the layer has cells");
}

int inflateData(const Vector<uint8_t>& in, size_t expected, Vector<uint8_t>& out, String& why)
{
    z_stream z{};
    // 32 + 15: zlib or gzip, told by the header.
    if (inflateInit2(&z, 32 + MAX_WBITS) != Z_OK)
        return fail(why, "tile data cannot be inflated");
    out.resize(expected + 1);
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = uInt(in.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const int rc = inflate(&z, Z_FINISH);
    const size_t produced = z.total_out;
    inflateEnd(&z);
    if (rc != Z_STREAM_END)
        return fail(why, produced > expected ? "compressed tile data holds more ids than the layer has cells"
                                             : "compressed tile data is damaged or truncated");
    if (produced != expected)
        return fail(why, "compressed tile data holds fewer ids than the layer has cells");
    out.resize(produced);
    return RC_OK;
}

int unzstdData(const Vector<uint8_t>& in, size_t expected, Vector<uint8_t>& out, String& why)
{
    out.resize(expected + 1);
    const size_t n = ZSTD_decompress(out.data(), out.size(), in.data(), in.size());
    if (ZSTD_isError(n))
        return fail(why, "zstd tile data is damaged or truncated");
    if (n != expected)
        return fail(why, "zstd tile data does not hold one id per cell");
    out.resize(n);
    return RC_OK;
}

int deflateData(const uint8_t* in, size_t size, bool gzip, Vector<uint8_t>& out)
{
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, gzip ? 16 + MAX_WBITS : MAX_WBITS, 8,
                     Z_DEFAULT_STRATEGY) != Z_OK)
        return RC_ERR_NO_MEMORY;
    out.resize(deflateBound(&z, uLong(size)) + 32);
    z.next_in = const_cast<Bytef*>(in);
    z.avail_in = uInt(size);
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return rc == Z_STREAM_END ? RC_OK : RC_ERR_NO_MEMORY;
}

} // namespace

bool decodeBase64(std::string_view text, Vector<uint8_t>& out)
{
    String clean;
    clean.reserve(text.size());
    for (char c : text)
        if (!isBlank(c))
            clean.push_back(c);
    if (clean.size() % 4 != 0)
        return false;
    out.resize(clean.size() / 4 * 3);
    const int n = clean.empty() ? 0 : EVP_DecodeBlock(out.data(), reinterpret_cast<const uint8_t*>(clean.data()),
                                                      int(clean.size()));
    if (n < 0)
        return false;
    size_t pad = 0;
    while (pad < 2 && clean.size() > pad && clean[clean.size() - 1 - pad] == '=')
        ++pad;
    out.resize(size_t(n) - pad);
    return true;
}

int decodeTileData(std::string_view text, std::string_view encoding, std::string_view compression, size_t count,
                   std::vector<uint32_t>& out, String& why)
{
    if (encoding == "csv")
        return compression.empty() ? decodeCsv(text, count, out, why)
                                   : fail(why, "csv tile data cannot be compressed");
    if (encoding != "base64")
        return fail(why, "unknown tile data encoding");
    Vector<uint8_t> bytes;
    if (!decodeBase64(text, bytes))
        return fail(why, "base64 tile data is truncated or holds invalid characters");
    const size_t expected = count * 4;
    Vector<uint8_t> plain;
    if (compression == "zlib" || compression == "gzip") {
        if (int rc = inflateData(bytes, expected, plain, why); rc != RC_OK)
            return rc;
    } else if (compression == "zstd") {
        if (int rc = unzstdData(bytes, expected, plain, why); rc != RC_OK)
            return rc;
    } else if (compression.empty()) {
        plain = std::move(bytes);
    } else {
        return fail(why, "unknown tile data compression");
    }
    if (plain.size() != expected)
        return fail(why, "tile data does not hold one id per cell");
    out.resize(count);
    for (size_t i = 0; i < count; ++i)
        out[i] = bytes::getU32(plain.data() + i * 4);
    return RC_OK;
}

int encodeTileData(const uint32_t* ids, size_t count, size_t width, std::string_view encoding,
                   std::string_view compression, String& out)
{
    out.clear();
    if (encoding == "csv") {
        if (!compression.empty())
            return RC_ERR_INVALID;
        out.push_back('\n');
        char number[16];
        for (size_t i = 0; i < count; ++i) {
            const auto [end, ec] = std::to_chars(number, number + sizeof(number), ids[i]);
            out.append(number, size_t(end - number));
            if (i + 1 < count)
                out.push_back(',');
            if (width && (i + 1) % width == 0)
                out.push_back('\n');
        }
        if (!width || count % width != 0)
            out.push_back('\n');
        return RC_OK;
    }
    if (encoding != "base64")
        return RC_ERR_INVALID;
    Vector<uint8_t> plain(count * 4);
    for (size_t i = 0; i < count; ++i)
        bytes::putU32(plain.data() + i * 4, ids[i]);
    Vector<uint8_t> packed;
    if (compression == "zlib" || compression == "gzip") {
        if (int rc = deflateData(plain.data(), plain.size(), compression == "gzip", packed); rc != RC_OK)
            return rc;
    } else if (compression == "zstd") {
        packed.resize(ZSTD_compressBound(plain.size()));
        const size_t n = ZSTD_compress(packed.data(), packed.size(), plain.data(), plain.size(), 3);
        if (ZSTD_isError(n))
            return RC_ERR_NO_MEMORY;
        packed.resize(n);
    } else if (compression.empty()) {
        packed = std::move(plain);
    } else {
        return RC_ERR_INVALID;
    }
    String b64((packed.size() + 2) / 3 * 4 + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<uint8_t*>(b64.data()), packed.data(), int(packed.size()));
    b64.resize(size_t(n));
    out = "\n   " + b64 + "\n  ";
    return RC_OK;
}

} // namespace Zelkoran::scene
