// Universal VTT maps (".uvtt", ".dd2vtt", ".df2vtt"): one JSON object with
// the grid geometry, an embedded base64 map picture, wall paths, portals and
// lights. This reads and checks a file into UVTTDocument and holds the small
// JSON and grid helpers its importer shares. Main thread only.
#pragma once

#include <Zelkoran/CMem.h>

#include <simdjson.h>

#include <cstdint>
#include <memory>
#include <optional>

// A JSON value, or none where the document lacks it.
using UVTTValue = std::optional<simdjson::dom::element>;

// Files above this are refused before parsing.
inline constexpr int64_t kUVTTMaxFileSize = 134217728;
// Entries of the four object arrays together.
inline constexpr size_t kUVTTMaxObjects = 65536;

// A file's bytes and after them the zeroed padding the JSON parser reads
// past the end. Kept in a buffer of its own rather than simdjson's
// padded_string, which a fuzzing build caps at 1 MiB: the fuzzer then
// reaches large files as readers meet them.
class UVTTBytes {
public:
    // Room for size bytes, left for the caller to fill; false without memory.
    bool reserve(size_t size);
    char* data() { return m_data.get(); }
    const char* data() const { return m_data.get(); }
    size_t size() const { return m_size; }
    simdjson::padded_string_view view() const
    {
        return simdjson::padded_string_view(m_data.get(), m_size, m_size + simdjson::SIMDJSON_PADDING);
    }

private:
    std::unique_ptr<char[]> m_data;
    size_t m_size = 0;
};

// One loaded file. The values point into the parsed document and live as
// long as the record.
struct UVTTDocument {
    UVTTBytes bytes;
    simdjson::dom::parser parser;
    UVTTValue root;
    UVTTValue image;
    UVTTValue lineOfSight;
    UVTTValue objectsLineOfSight;
    UVTTValue portals;
    UVTTValue lights;
    double originX = 0.0; // grid units
    double originY = 0.0;
    int32_t gridWidth = 0; // cells
    int32_t gridHeight = 0;
    int32_t pixelsPerGrid = 0;
    int32_t pixelWidth = 0;
    int32_t pixelHeight = 0;
    bool bakedLighting = false;
    bool newerFormat = false; // "format" >= 2
    double formatVersion = 0.0;
    Zelkoran::String creator;
};

// True when value is an object holding key as a finite number; the number
// is stored also when it proves not finite.
bool getUVTTNumber(const UVTTValue& value, const char* key, double& out);
// The key's JSON boolean, else def.
bool getUVTTBool(const UVTTValue& value, const char* key, bool def);
// True when "x" and "y" are both finite numbers.
bool getUVTTPoint(const UVTTValue& value, double& x, double& y);
// 0 < v <= 536870911 and within 0.0001 of a whole number: out = that number.
bool getUVTTPositiveInt(double value, int32_t& out);
// The key's array; none without error when the object or key is absent;
// none with error when the key holds anything else.
UVTTValue getUVTTOptionalArray(const UVTTValue& value, const char* key, Zelkoran::String& error);
// Number of entries of an array value, 0 for none.
size_t uvttArraySize(const UVTTValue& array);

// The picture padded to whole tileWidth x tileHeight tiles stays within
// 262144 cells, 16384 pixels a side and 16 megapixels.
bool isUVTTTileGridSupported(int64_t pixelWidth, int64_t pixelHeight, int64_t tileWidth, int64_t tileHeight);

// Reads the file at path into the fresh document: the bytes measured are the
// bytes parsed. False with one message in error; the document may then be
// partly filled.
bool loadUVTTDocument(const char* path, UVTTDocument& document, Zelkoran::String& error);
// The same over bytes already read (for the fuzzer and benchmarks).
bool parseUVTTDocument(const char* data, size_t size, UVTTDocument& document, Zelkoran::String& error);
