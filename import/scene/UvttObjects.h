// The scene objects of a Universal VTT map as TMX objects, written through
// the engine's XML cursor into the current object group: walls and object
// outlines as "ZK7Occluder" polygons or polylines, doors and windows as
// "ZK7Portal" polylines, lights as "ZK7Light" points, each with its
// "zk7te_" properties. Also the number and point-list texts of that TMX.
// Every writer that takes an error text sets one message when it returns
// false and leaves the cursor on the group it was called on.
#pragma once

#include "import/scene/UvttDocument.h"

#include <Zelkoran/CMem.h>
#include <Zelkoran/Types.h>

struct SceneLayerImportOptions;
namespace Zelkoran {
class XML;
}

struct UVTTPoint {
    double x = 0.0; // map pixels from the left edge
    double y = 0.0; // from the top edge
};
using UVTTPointList = Zelkoran::Vector<UVTTPoint>;

struct UVTTPortalData {
    UVTTPointList points; // at least 2
    bool closed = true;
    bool freestanding = false;
};
using UVTTPortalList = Zelkoran::Vector<UVTTPortalData>;

// Geometry points (walls, outlines and portals, repeats included) one import
// may read.
inline constexpr uint64_t kUVTTMaxPoints = 500000;

// What one import has written and skipped so far, shared by its writers.
struct UVTTTallies {
    int32_t nextObjectId = 1;
    int32_t occluders = 0; // walls and object outlines
    int32_t portals = 0;
    int32_t lights = 0;
    int32_t skipped = 0; // degenerate paths and portals
    uint64_t points = 0;
};

// "%.6f" with trailing zeros and point trimmed; magnitudes below 5e-7 are "0".
Zelkoran::String formatUVTTFloat(double value);
// "0,0 dx,dy ..." relative to the first point; "" for no points.
Zelkoran::String makeUVTTPointList(const UVTTPointList& points);
// "Occluder 7".
Zelkoran::String makeUVTTObjectName(const char* base, int32_t number);
// "#RRGGBBAA" of a light's "color" ("RRGGBB" or "AARRGGBB", '#' optional),
// "#FFFFFFFF" for anything else.
Zelkoran::String makeUVTTLightColor(const UVTTValue& light);
// Adding layers: the options' layer name; else the source's file name; else "UVTT".
Zelkoran::String getUVTTLayerPrefix(const SceneLayerImportOptions& options, bool newScene);

// An "objectgroup" under the current element, left current.
bool createUVTTObjectGroup(Zelkoran::XML& xml, int32_t id, const Zelkoran::String& name);
// A "property" under the current element; an empty type is left out.
bool addUVTTProperty(Zelkoran::XML& xml, const char* name, const char* type, const char* value);
// One occluder: a polygon for a ring of 3 or more points, else a polyline.
bool addUVTTOccluder(Zelkoran::XML& xml, const UVTTPointList& points, bool ring, int32_t number,
                     int32_t& nextObjectId, bool blockMovement);
// One occluder per usable path of paths (a "line_of_sight" array).
bool addUVTTPathCollection(Zelkoran::XML& xml, const UVTTDocument& document, const UVTTValue& paths,
                           bool blockMovement, UVTTTallies& tallies, Zelkoran::String& error);
// The document's portals read, checked and, with merge, joined where a
// segment continues the last portal with the same flags.
bool collectUVTTPortals(const UVTTDocument& document, bool merge, UVTTPortalList& list, int32_t& skipped,
                        uint64_t& points, Zelkoran::String& error);
bool addUVTTPortals(Zelkoran::XML& xml, const UVTTDocument& document, bool blockMovement, bool merge,
                    UVTTTallies& tallies, Zelkoran::String& error);
bool addUVTTLights(Zelkoran::XML& xml, const UVTTDocument& document, UVTTTallies& tallies,
                   Zelkoran::String& error);
