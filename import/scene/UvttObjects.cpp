// Universal VTT walls, portals and lights as TMX objects.
#include "import/scene/UvttObjects.h"

#include "import/scene/SceneLayerImportOptions.h"
#include "import/scene/UvttMessages.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/XML.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

using namespace Zelkoran;
namespace dom = simdjson::dom;

namespace {

constexpr double kSamePoint = 1e-6;
// A quarter of the largest finite float: intensities the engine may still scale.
constexpr double kMaxIntensity = 8.5070586659632215e37;

using uvtt::fail;

bool samePoint(const UVTTPoint& a, const UVTTPoint& b)
{
    return std::fabs(a.x - b.x) < kSamePoint && std::fabs(a.y - b.y) < kSamePoint;
}

// Within one grid cell around the map, bounds included.
bool insideMargin(const UVTTDocument& document, double px, double py)
{
    const double margin = document.pixelsPerGrid;
    return std::isfinite(px) && std::isfinite(py) && px >= -margin && px <= document.pixelWidth + margin &&
           py >= -margin && py <= document.pixelHeight + margin;
}

UVTTPoint toPixels(const UVTTDocument& document, double x, double y)
{
    return {(x - document.originX) * document.pixelsPerGrid, (y - document.originY) * document.pixelsPerGrid};
}

enum class PathRead { Failed, Degenerate, Usable };

// The points of one path or portal bounds, repeats dropped; a list of 4 or
// more whose ends meet becomes a ring without its closing point.
PathRead readPointList(const UVTTDocument& document, dom::array entries, UVTTPointList& points, bool& ring,
                       UVTTTallies& tallies, String& error)
{
    points.clear();
    ring = false;
    for (dom::element entry : entries) {
        double x = 0.0, y = 0.0;
        if (!getUVTTPoint(entry, x, y))
            return fail(error, "UVTT geometry contains an invalid or non-finite point."), PathRead::Failed;
        const UVTTPoint p = toPixels(document, x, y);
        if (!insideMargin(document, p.x, p.y))
            return fail(error, "UVTT geometry lies outside the supported map bounds."), PathRead::Failed;
        if (points.empty() || !samePoint(points.back(), p))
            points.push_back(p);
        if (++tallies.points > kUVTTMaxPoints)
            return fail(error, "UVTT contains too many geometry points."), PathRead::Failed;
    }
    if (points.size() >= 4 && samePoint(points.front(), points.back())) {
        points.pop_back();
        ring = true;
        return PathRead::Usable;
    }
    if (points.size() <= 1) {
        ++tallies.skipped;
        return PathRead::Degenerate;
    }
    return PathRead::Usable;
}

const char* boolText(bool value) { return value ? "true" : "false"; }

// Closes the elements a failed object writer left open, back to the group.
void closeTo(XML& xml, int depth)
{
    for (int i = 0; i < depth; ++i)
        xml.nodeParent();
}

// "object" with "id", "name", "type", "x", "y"; the counter moves on.
bool beginObject(XML& xml, int32_t& nextObjectId, const String& name, const char* type, double x, double y)
{
    if (!xml.nodeCreate("object"))
        return false;
    const bool written = xml.setAttributeInt("id", nextObjectId) && xml.setAttributeString("name", name.c_str()) &&
                         xml.setAttributeString("type", type) &&
                         xml.setAttributeString("x", formatUVTTFloat(x).c_str()) &&
                         xml.setAttributeString("y", formatUVTTFloat(y).c_str());
    ++nextObjectId;
    if (!written)
        xml.nodeParent();
    return written;
}

struct Property {
    const char* name;
    const char* type;
    String value;
};

// "properties" with each property in order; stops at the first failure.
// Leaves the cursor on the object either way.
bool writeProperties(XML& xml, std::initializer_list<Property> properties)
{
    if (!xml.nodeCreate("properties"))
        return false;
    bool written = true;
    for (const Property& p : properties)
        if (!(written = addUVTTProperty(xml, p.name, p.type, p.value.c_str())))
            break;
    xml.nodeParent();
    return written;
}

// A shape element with its "points", closed again.
bool writeShape(XML& xml, const char* shape, const UVTTPointList& points)
{
    if (!xml.nodeCreate(shape))
        return false;
    const bool written = xml.setAttributeString("points", makeUVTTPointList(points).c_str());
    xml.nodeParent();
    return written;
}

} // namespace

namespace {

// formatUVTTFloat appended to text: to_chars gives what "%.6f" gives
// without printf's cost, which dominates large maps.
void appendUVTTFloat(String& text, double value)
{
    if (std::fabs(value) < 5e-7) {
        text += '0';
        return;
    }
    // A double printed in full is over 300 characters.
    char digits[400];
    char* end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6).ptr;
    if (std::find(digits, end, '.') != end) {
        while (end[-1] == '0')
            --end;
        if (end[-1] == '.')
            --end;
    }
    text.append(digits, end);
}

} // namespace

String formatUVTTFloat(double value)
{
    String text;
    appendUVTTFloat(text, value);
    return text;
}

String makeUVTTPointList(const UVTTPointList& points)
{
    String text;
    text.reserve(points.size() * 16);
    for (const UVTTPoint& p : points) {
        if (!text.empty())
            text += ' ';
        appendUVTTFloat(text, p.x - points.front().x);
        text += ',';
        appendUVTTFloat(text, p.y - points.front().y);
    }
    return text;
}

String makeUVTTObjectName(const char* base, int32_t number)
{
    String digits;
    Main::instance()->tool()->intToStrDec(number, digits);
    return String(base) + " " + digits;
}

String makeUVTTLightColor(const UVTTValue& light)
{
    dom::object object;
    dom::element color;
    std::string_view text;
    if (!light || light->get_object().get(object) || object.at_key("color").get(color) ||
        color.get_string().get(text))
        return "#FFFFFFFF";
    String s(text.data(), text.size());
    if (!s.empty() && s.front() == '#')
        s.erase(0, 1);
    std::transform(s.begin(), s.end(), s.begin(), [](char c) { return char(std::toupper((unsigned char)c)); });
    if (s.empty() || !std::all_of(s.begin(), s.end(), [](char c) { return std::isxdigit((unsigned char)c); }))
        return "#FFFFFFFF";
    if (s.size() == 6)
        return "#" + s + "FF";
    if (s.size() == 8)
        return "#" + s.substr(2) + s.substr(0, 2);
    return "#FFFFFFFF";
}

String getUVTTLayerPrefix(const SceneLayerImportOptions& options, bool newScene)
{
    if (!newScene && !options.layerName.empty())
        return options.layerName;
    String name;
    if (Main::instance()->tool()->fileGetName(options.sourcePath.c_str(), name) && !name.empty())
        return name;
    return "UVTT";
}

bool createUVTTObjectGroup(XML& xml, int32_t id, const String& name)
{
    if (!xml.nodeCreate("objectgroup"))
        return false;
    return xml.setAttributeInt("id", id) && xml.setAttributeString("name", name.c_str()) &&
           xml.setAttributeString("draworder", "topdown");
}

bool addUVTTProperty(XML& xml, const char* name, const char* type, const char* value)
{
    if (!xml.nodeCreate("property"))
        return false;
    const bool written = xml.setAttributeString("name", name) && (!*type || xml.setAttributeString("type", type)) &&
                         xml.setAttributeString("value", value);
    xml.nodeParent();
    return written;
}

bool addUVTTOccluder(XML& xml, const UVTTPointList& points, bool ring, int32_t number, int32_t& nextObjectId,
                     bool blockMovement)
{
    if (points.size() < 2 ||
        !beginObject(xml, nextObjectId, makeUVTTObjectName("Occluder", number), "ZK7Occluder", points[0].x,
                     points[0].y))
        return false;
    const bool written = writeProperties(xml, {{"zk7te_light_occluder", "bool", "true"},
                                               {"zk7te_movement_blocker", "bool", boolText(blockMovement)}}) &&
                         writeShape(xml, ring && points.size() >= 3 ? "polygon" : "polyline", points);
    closeTo(xml, 1);
    return written;
}

bool addUVTTPathCollection(XML& xml, const UVTTDocument& document, const UVTTValue& paths, bool blockMovement,
                           UVTTTallies& tallies, String& error)
{
    dom::array entries;
    if (!paths || paths->get_array().get(entries))
        return true;
    UVTTPointList points;
    for (dom::element entry : entries) {
        dom::array path;
        if (entry.get_array().get(path))
            return fail(error, "UVTT line-of-sight path must be an array.");
        if (path.size() == 0) {
            ++tallies.skipped;
            continue;
        }
        bool ring = false;
        const PathRead read = readPointList(document, path, points, ring, tallies, error);
        if (read == PathRead::Failed)
            return false;
        if (read == PathRead::Degenerate)
            continue;
        if (!addUVTTOccluder(xml, points, ring, tallies.occluders + 1, tallies.nextObjectId, blockMovement))
            return fail(error, "UVTT occluder XML could not be created.");
        ++tallies.occluders;
    }
    return true;
}

bool collectUVTTPortals(const UVTTDocument& document, bool merge, UVTTPortalList& list, int32_t& skipped,
                        uint64_t& points, String& error)
{
    dom::array entries;
    if (!document.portals || document.portals->get_array().get(entries))
        return true;
    UVTTTallies tallies;
    tallies.skipped = skipped;
    tallies.points = points;
    UVTTPointList read;
    for (dom::element entry : entries) {
        dom::object portal;
        dom::element boundsValue;
        dom::array bounds;
        if (entry.get_object().get(portal))
            return fail(error, "UVTT portal must be an object.");
        if (portal.at_key("bounds").get(boundsValue) || boundsValue.get_array().get(bounds))
            return fail(error, "UVTT line-of-sight path must be an array.");
        if (bounds.size() == 0) {
            ++tallies.skipped;
            continue;
        }
        bool ring = false;
        const PathRead result = readPointList(document, bounds, read, ring, tallies, error);
        skipped = tallies.skipped;
        points = tallies.points;
        if (result == PathRead::Failed)
            return false;
        if (result == PathRead::Degenerate)
            continue;
        // A portal is a line: a closed outline keeps its closing edge.
        if (ring)
            read.push_back(read.front());
        const bool closed = getUVTTBool(entry, "closed", true);
        const bool freestanding = getUVTTBool(entry, "freestanding", false);
        if (merge && !list.empty() && list.back().closed == closed && list.back().freestanding == freestanding) {
            UVTTPointList& last = list.back().points;
            if (samePoint(last.back(), read.front())) {
                last.insert(last.end(), read.begin() + 1, read.end());
                continue;
            }
            if (samePoint(last.back(), read.back())) {
                last.insert(last.end(), read.rbegin() + 1, read.rend());
                continue;
            }
        }
        list.push_back({read, closed, freestanding});
    }
    skipped = tallies.skipped;
    points = tallies.points;
    return true;
}

bool addUVTTPortals(XML& xml, const UVTTDocument& document, bool blockMovement, bool merge, UVTTTallies& tallies,
                    String& error)
{
    UVTTPortalList list;
    if (!collectUVTTPortals(document, merge, list, tallies.skipped, tallies.points, error))
        return false;
    for (const UVTTPortalData& portal : list) {
        if (!beginObject(xml, tallies.nextObjectId, makeUVTTObjectName("Portal", tallies.portals + 1), "ZK7Portal",
                         portal.points[0].x, portal.points[0].y))
            return fail(error, "UVTT portal XML could not be created.");
        const bool written =
            writeProperties(xml, {{"zk7te_portal_closed", "bool", boolText(portal.closed)},
                                  {"zk7te_portal_freestanding", "bool", boolText(portal.freestanding)},
                                  {"zk7te_light_occluder", "bool", boolText(portal.closed)},
                                  {"zk7te_movement_blocker", "bool", boolText(blockMovement && portal.closed)}}) &&
            writeShape(xml, "polyline", portal.points);
        closeTo(xml, 1);
        if (!written)
            return fail(error, "UVTT portal XML could not be created.");
        ++tallies.portals;
    }
    return true;
}

bool addUVTTLights(XML& xml, const UVTTDocument& document, UVTTTallies& tallies, String& error)
{
    dom::array entries;
    if (!document.lights || document.lights->get_array().get(entries))
        return true;
    for (dom::element entry : entries) {
        if (!entry.is_object())
            return fail(error, "UVTT light must be an object.");
        dom::element position;
        double x = 0.0, y = 0.0, range = 0.0, intensity = 1.0;
        const bool hasPosition = !entry.get_object().at_key("position").get(position);
        if (!hasPosition || !getUVTTNumber(position, "x", x) || !getUVTTNumber(position, "y", y) ||
            !getUVTTNumber(entry, "range", range) || range < 0.0)
            return fail(error, "UVTT light contains an invalid position or range.");
        dom::element given;
        if (!entry.get_object().at_key("intensity").get(given) && !getUVTTNumber(entry, "intensity", intensity))
            return fail(error, "UVTT light contains an invalid intensity.");
        const UVTTPoint p = toPixels(document, x, y);
        const double rangePx = range * document.pixelsPerGrid;
        if (!insideMargin(document, p.x, p.y) || !std::isfinite(rangePx) ||
            rangePx > 2.0 * std::max(document.pixelWidth, document.pixelHeight) ||
            std::fabs(intensity) > kMaxIntensity)
            return fail(error, "UVTT light converts to an unsupported pixel value.");

        if (!beginObject(xml, tallies.nextObjectId, makeUVTTObjectName("Light", tallies.lights + 1), "ZK7Light",
                         p.x, p.y))
            return fail(error, "UVTT light XML could not be created.");
        bool written = writeProperties(xml, {{"zk7te_light_range_px", "float", formatUVTTFloat(rangePx)},
                                             {"zk7te_light_intensity", "float", formatUVTTFloat(intensity)},
                                             {"zk7te_light_color", "", makeUVTTLightColor(entry)},
                                             {"zk7te_light_shadows", "bool",
                                              boolText(getUVTTBool(entry, "shadows", true))}});
        if (written && (written = xml.nodeCreate("point")))
            xml.nodeParent();
        closeTo(xml, 1);
        if (!written)
            return fail(error, "UVTT light XML could not be created.");
        ++tallies.lights;
    }
    return true;
}
