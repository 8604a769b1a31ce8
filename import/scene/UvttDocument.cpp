// Universal VTT reading: the bytes are read once, measured, and parsed by
// simdjson's DOM (strict JSON; at_key takes the first of duplicate keys).
#include "import/scene/UvttDocument.h"

#include "import/scene/JsonText.h"
#include "import/scene/UvttMessages.h"

#include <SDL_rwops.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

using namespace Zelkoran;
namespace dom = simdjson::dom;

namespace {

UVTTValue member(const UVTTValue& value, const char* key)
{
    dom::object object;
    dom::element found;
    if (!value || value->get_object().get(object) != simdjson::SUCCESS || object.at_key(key).get(found))
        return std::nullopt;
    return found;
}

namespace ondemand = simdjson::ondemand;

// Walks every value so that ondemand stops where the document breaks;
// simdjson's DOM reports what failed but not where.
simdjson::error_code walk(ondemand::value value, int depth)
{
    if (depth > 1024)
        return simdjson::DEPTH_ERROR;
    ondemand::json_type type;
    if (auto e = value.type().get(type))
        return e;
    switch (type) {
    case ondemand::json_type::array: {
        ondemand::array array;
        if (auto e = value.get_array().get(array))
            return e;
        for (auto entry : array) {
            ondemand::value child;
            if (auto e = entry.get(child); e || (e = walk(child, depth + 1)))
                return e;
        }
        return simdjson::SUCCESS;
    }
    case ondemand::json_type::object: {
        ondemand::object object;
        if (auto e = value.get_object().get(object))
            return e;
        for (auto entry : object) {
            ondemand::field field;
            std::string_view key;
            if (auto e = std::move(entry).get(field); e || (e = field.unescaped_key().get(key)) ||
                                           (e = walk(field.value(), depth + 1)))
                return e;
        }
        return simdjson::SUCCESS;
    }
    case ondemand::json_type::number: {
        ondemand::number number;
        return value.get_number().get(number);
    }
    case ondemand::json_type::string: {
        std::string_view text;
        return value.get_string().get(text);
    }
    case ondemand::json_type::boolean: {
        bool flag;
        return value.get_bool().get(flag);
    }
    case ondemand::json_type::null: {
        bool null;
        return value.is_null().get(null);
    }
    }
    return simdjson::SUCCESS;
}

// Byte offset at which the text stops being JSON, as far as ondemand finds.
unsigned long long failureOffset(const UVTTBytes& bytes)
{
    ondemand::parser parser;
    ondemand::document doc;
    if (parser.iterate(bytes.view()).get(doc)) {
        // The first pass refused the text as a whole (bad UTF-8, a string
        // left open): the fault lies in its bytes.
        const size_t at = JsonText::firstTextFault(std::string_view(bytes.data(), bytes.size()));
        return at == std::string_view::npos ? 0 : static_cast<unsigned long long>(at);
    }
    ondemand::value root;
    if (!doc.get_value().get(root))
        (void)walk(root, 0);
    const char* at = nullptr;
    if (!doc.current_location().get(at) && at >= bytes.data() && at <= bytes.data() + bytes.size())
        return static_cast<unsigned long long>(at - bytes.data());
    return bytes.size();
}

using uvtt::fail;

bool isString(const UVTTValue& value) { return value && value->is_string(); }

// The checks of the table in order, over document.bytes.
bool parseBytes(UVTTDocument& document, String& error);

} // namespace

bool getUVTTNumber(const UVTTValue& value, const char* key, double& out)
{
    const UVTTValue number = member(value, key);
    if (!number || !number->is_number() || number->get_double().get(out))
        return false;
    return std::isfinite(out);
}

bool getUVTTBool(const UVTTValue& value, const char* key, bool def)
{
    const UVTTValue flag = member(value, key);
    bool result = def;
    if (flag && flag->is_bool() && !flag->get_bool().get(result))
        return result;
    return def;
}

bool getUVTTPoint(const UVTTValue& value, double& x, double& y)
{
    return getUVTTNumber(value, "x", x) && getUVTTNumber(value, "y", y);
}

bool getUVTTPositiveInt(double value, int32_t& out)
{
    if (!std::isfinite(value) || value <= 0.0 || value > 536870911.0)
        return false;
    const double whole = std::floor(value + 0.5);
    if (std::fabs(value - whole) > 0.0001)
        return false;
    out = static_cast<int32_t>(whole);
    return true;
}

UVTTValue getUVTTOptionalArray(const UVTTValue& value, const char* key, String& error)
{
    const UVTTValue array = member(value, key);
    if (!array)
        return std::nullopt;
    if (!array->is_array()) {
        error = String("UVTT field '") + key + "' must be an array.";
        return std::nullopt;
    }
    return array;
}

size_t uvttArraySize(const UVTTValue& array)
{
    dom::array entries;
    return array && !array->get_array().get(entries) ? entries.size() : 0;
}

bool isUVTTTileGridSupported(int64_t pixelWidth, int64_t pixelHeight, int64_t tileWidth, int64_t tileHeight)
{
    if (pixelWidth < 1 || pixelHeight < 1 || tileWidth < 1 || tileWidth > 16384 || tileHeight < 1 ||
        tileHeight > 16384)
        return false;
    const uint64_t columns = (uint64_t(pixelWidth) + uint64_t(tileWidth) - 1) / uint64_t(tileWidth);
    const uint64_t rows = (uint64_t(pixelHeight) + uint64_t(tileHeight) - 1) / uint64_t(tileHeight);
    if (columns > 262144 || 262144 / columns < rows)
        return false;
    const uint64_t paddedWidth = columns * uint64_t(tileWidth);
    const uint64_t paddedHeight = rows * uint64_t(tileHeight);
    return paddedWidth <= 16384 && paddedHeight <= 16384 && 16777216 / paddedWidth >= paddedHeight;
}

bool UVTTBytes::reserve(size_t size)
{
    m_data.reset(new (std::nothrow) char[size + simdjson::SIMDJSON_PADDING]);
    m_size = m_data ? size : 0;
    if (m_data)
        std::memset(m_data.get() + size, 0, simdjson::SIMDJSON_PADDING);
    return m_data != nullptr;
}

bool loadUVTTDocument(const char* path, UVTTDocument& document, String& error)
{
    error.clear();
    SDL_RWops* file = path ? SDL_RWFromFile(path, "rb") : nullptr;
    if (!file)
        return fail(error, "UVTT file could not be opened.");
    const Sint64 size = SDL_RWsize(file);
    bool read = size >= 1 && size <= kUVTTMaxFileSize;
    if (read) {
        read = document.bytes.reserve(size_t(size)) && SDL_RWread(file, document.bytes.data(), 1, size_t(size)) == size_t(size);
    }
    SDL_RWclose(file);
    if (size < 1 || size > kUVTTMaxFileSize)
        return fail(error, "UVTT file is empty or exceeds the 128 MB import limit.");
    if (!read)
        return fail(error, "UVTT file could not be opened.");
    return parseBytes(document, error);
}

bool parseUVTTDocument(const char* data, size_t size, UVTTDocument& document, String& error)
{
    error.clear();
    if (!data || size < 1 || size > size_t(kUVTTMaxFileSize))
        return fail(error, "UVTT file is empty or exceeds the 128 MB import limit.");
    if (!document.bytes.reserve(size))
        return fail(error, "UVTT file could not be opened.");
    std::memcpy(document.bytes.data(), data, size);
    return parseBytes(document, error);
}

namespace {

bool parseBytes(UVTTDocument& document, String& error)
{
    dom::element root;
    simdjson::error_code e = document.parser.parse(document.bytes.view()).get(root);
    // JSON numbers have no range; integers beyond 64 bits are read as doubles.
    if (e == simdjson::NUMBER_ERROR &&
        JsonText::widenBigIntegers(document.bytes.data(), document.bytes.size()) > 0)
        e = document.parser.parse(document.bytes.view()).get(root);
    if (e) {
        char text[256];
        const char* what = simdjson::error_message(e);
        std::snprintf(text, sizeof text, "UVTT JSON could not be parsed at byte %llu: %s",
                      failureOffset(document.bytes), what && *what ? what : "unknown error");
        return fail(error, text);
    }
    document.root = root;
    if (!root.is_object())
        return fail(error, "UVTT root must be a JSON object.");

    if (member(document.root, "format")) {
        double version = 0.0;
        if (!getUVTTNumber(document.root, "format", version) || version < 0.0)
            return fail(error, "UVTT format version must be a nonnegative finite number.");
        document.formatVersion = version;
        document.newerFormat = version >= 2.0;
    }

    const UVTTValue resolution = member(document.root, "resolution");
    const UVTTValue origin = member(resolution, "map_origin");
    const UVTTValue mapSize = member(resolution, "map_size");
    double width = 0.0, height = 0.0, perGrid = 0.0;
    if (!resolution || !resolution->is_object() || !getUVTTPoint(origin, document.originX, document.originY) ||
        !getUVTTNumber(mapSize, "x", width) || !getUVTTNumber(mapSize, "y", height) ||
        !getUVTTNumber(resolution, "pixels_per_grid", perGrid) ||
        !getUVTTPositiveInt(width, document.gridWidth) || !getUVTTPositiveInt(height, document.gridHeight) ||
        !getUVTTPositiveInt(perGrid, document.pixelsPerGrid))
        return fail(error, "UVTT resolution must contain a finite map_origin, positive whole map_size, and "
                           "positive whole pixels_per_grid.");
    if (!getUVTTPositiveInt(double(document.gridWidth) * document.pixelsPerGrid, document.pixelWidth) ||
        !getUVTTPositiveInt(double(document.gridHeight) * document.pixelsPerGrid, document.pixelHeight))
        return fail(error, "UVTT pixel dimensions are outside the supported range.");

    document.image = member(document.root, "image");
    if (document.image && !document.image->is_string())
        return fail(error, "UVTT image must be a base64 string.");

    UVTTValue* arrays[] = {&document.lineOfSight, &document.objectsLineOfSight, &document.portals,
                           &document.lights};
    const char* keys[] = {"line_of_sight", "objects_line_of_sight", "portals", "lights"};
    size_t total = 0;
    for (size_t i = 0; i < 4; ++i) {
        *arrays[i] = getUVTTOptionalArray(document.root, keys[i], error);
        if (!error.empty())
            return false;
        total += uvttArraySize(*arrays[i]);
    }
    if (total > kUVTTMaxObjects)
        return fail(error, "UVTT contains too many geometry and light objects.");

    const UVTTValue environment = member(document.root, "environment");
    const bool inEnvironment = environment && environment->is_object() && member(environment, "baked_lighting");
    document.bakedLighting = getUVTTBool(inEnvironment ? environment : document.root, "baked_lighting", false);

    std::string_view creator;
    const UVTTValue software = member(document.root, "software");
    const UVTTValue maker = isString(software) ? software : member(document.root, "creator");
    if (isString(maker) && !maker->get_string().get(creator))
        document.creator.assign(creator.data(), creator.size());
    else
        document.creator = "Universal VTT";
    return true;
}

} // namespace
