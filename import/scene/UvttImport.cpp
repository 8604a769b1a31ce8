// The import runs in steps: read and check the file and plan the slots, open
// the TMX text, write the object groups, load it back as a scene with its
// map picture, then replace the old scene and word the summary. The objects
// never pass through a scene interface of their own: they go in through the
// engine's XML cursor.
#include "import/scene/UvttImport.h"
#include "import/scene/UvttDocument.h"
#include "import/scene/UvttMapImage.h"
#include "import/scene/UvttMessages.h"
#include "import/scene/UvttObjects.h"

#include <Zelkoran/Log.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/XML.h>

#include <algorithm>
#include <cstdio>

using namespace Zelkoran;

namespace {

using uvtt::counted;
using uvtt::fail;

int g_uvttImportCounter = 0;

constexpr int32_t kMaxObjectId = 2147483647;

bool freeSlot(Scene* scene, int slot)
{
    return slot > scene->getLayerCount(0) || scene->getLayerType(slot) == SLT_EMPTY;
}

int firstFreeSlot(Scene* scene, int from)
{
    while (!freeSlot(scene, from))
        ++from;
    return from;
}

bool nonEmpty(const UVTTValue& array) { return uvttArraySize(array) > 0; }

// The lowest object id not yet taken by the objects of the map's groups.
int64_t nextFreeObjectId(XML& xml)
{
    int64_t next = std::max(1, xml.getAttributeInt("nextobjectid", 1));
    String name;
    if (!xml.nodeChild())
        return next;
    do {
        if (!xml.nodeGetName(name) || name != "objectgroup" || !xml.nodeChild())
            continue;
        do {
            if (xml.nodeGetName(name) && name == "object" && xml.hasAttribute("id"))
                next = std::max(next, int64_t(xml.getAttributeInt("id", 0)) + 1);
        } while (xml.nodeNext());
        xml.nodeParent();
    } while (xml.nodeNext());
    xml.nodeParent();
    return next;
}

// The slots of one import: T for the map, then the first free ones.
struct UVTTSlots {
    int map = 0;
    int occluders = 0; // 0: no occluder layer
    int lights = 0;    // 0: no light layer
    int highest() const { return lights ? lights : occluders ? occluders : map; }
};

// One import's request, its document and what it writes where.
struct UVTTImport {
    UVTTImport(const SceneLayerImportOptions& request, bool asNewScene) : options(request), newScene(asNewScene) {}
    const SceneLayerImportOptions& options;
    bool newScene;
    UVTTDocument document;
    String base; // layer name prefix with its space; none for a new scene
    UVTTSlots slots;
    // A new map's text has no engine marker, so its layers fill slots in
    // document order: the placeholder keeps slot T for the map (or empty,
    // without one) and the groups after it in theirs.
    bool bootstrap() const { return newScene; }
};

// Reads the file and plans the slots of its layers in scene.
int readForImport(Scene* scene, UVTTImport& job, String& error)
{
    const SceneLayerImportOptions& options = job.options;
    if (!loadUVTTDocument(options.sourcePath.c_str(), job.document, error))
        return UIR_FILE;
    const UVTTDocument& document = job.document;
    job.base = job.newScene ? String() : getUVTTLayerPrefix(options, job.newScene) + " ";
    const bool wantOccluders = (options.uvttImportWalls && nonEmpty(document.lineOfSight)) ||
                               (options.uvttImportObjects && nonEmpty(document.objectsLineOfSight)) ||
                               (options.uvttImportPortals && nonEmpty(document.portals));
    const bool wantLights = options.uvttImportLights && nonEmpty(document.lights);
    job.slots.map = options.targetLayer;
    if (wantOccluders)
        job.slots.occluders = firstFreeSlot(scene, job.slots.map + 1);
    if (wantLights)
        job.slots.lights = firstFreeSlot(scene, (job.slots.occluders ? job.slots.occluders : job.slots.map) + 1);

    if (document.newerFormat)
        Main::instance()->logMgr()->get(0)->msg(3,
                                                "[Skarden] Warning: UVTT format %s is newer than the supported "
                                                "0.x/1.x formats; compatible fields will be imported.\n",
                                                formatUVTTFloat(document.formatVersion).c_str());
    return 0;
}

// A new map's TMX document, or the scene's own text as one. Its id in xmlId.
int openTmx(Scene* scene, const UVTTImport& job, const String& archivePath, int n, int& xmlId, String& error)
{
    XMLMgr* xmls = Main::instance()->xmlMgr();
    const SceneLayerImportOptions& options = job.options;
    const UVTTDocument& document = job.document;
    if (job.newScene) {
        xmlId = xmls->create("map", 0);
        XML* xml = xmlId < 0 ? nullptr : xmls->get(xmlId);
        if (!xml) {
            if (xmlId >= 0)
                xmls->close(xmlId);
            return fail(error, UIR_NEW_TMX, "TMX could not be initialized for the new UVTT Scene.");
        }
        xml->setComment("Hollet Systems - Skarden Universal VTT import");
        xml->setAttributeString("version", "1.10");
        xml->setAttributeString("orientation", "orthogonal");
        xml->setAttributeString("renderorder", "right-down");
        // A map picture cut into tiles of another size than a grid cell
        // sets the map's grid: its tiles must lie on it.
        const bool tiled = options.uvttMapMode == 0 && options.tileWidth > 0 && options.tileHeight > 0;
        const int tileWidth = tiled ? options.tileWidth : document.pixelsPerGrid;
        const int tileHeight = tiled ? options.tileHeight : document.pixelsPerGrid;
        xml->setAttributeInt("width", tiled ? int((document.pixelWidth + tileWidth - 1) / tileWidth)
                                            : document.gridWidth);
        xml->setAttributeInt("height", tiled ? int((document.pixelHeight + tileHeight - 1) / tileHeight)
                                             : document.gridHeight);
        xml->setAttributeInt("tilewidth", tileWidth);
        xml->setAttributeInt("tileheight", tileHeight);
        return 0;
    }
    const String keptName = scene->getName();
    char* text = nullptr;
    size_t size = 0;
    if (scene->saveToBuffer(text, size, keptName.c_str(), keptName.c_str(), archivePath.c_str(), true) != 0 || !text)
        return fail(error, UIR_SERIALIZE, "Scene could not be serialized before UVTT geometry was added.");
    xmlId = xmls->loadFromBuffer(text, size, counted("__uvtt_xml_", n).c_str());
    CMem::free(text);
    if (xmlId < 0)
        return fail(error, xmlId, "Serialized Scene XML could not be opened for UVTT import.");
    XML* xml = xmls->get(xmlId);
    if (!xml || !xml->nodeFirst()) {
        xmls->close(xmlId);
        return fail(error, UIR_XML, "Serialized Scene XML could not be opened for UVTT import.");
    }
    return 0;
}

// The occluder and light groups (and a new map's placeholder) in xml, with
// the map's next layer and object ids.
int addObjectGroups(XML& xml, const UVTTImport& job, UVTTTallies& tallies, String& error)
{
    const SceneLayerImportOptions& options = job.options;
    const UVTTDocument& document = job.document;
    const UVTTSlots& slots = job.slots;
    const int64_t total = (options.uvttImportWalls ? uvttArraySize(document.lineOfSight) : 0) +
                          (options.uvttImportObjects ? uvttArraySize(document.objectsLineOfSight) : 0) +
                          (options.uvttImportPortals ? uvttArraySize(document.portals) : 0) +
                          (options.uvttImportLights ? uvttArraySize(document.lights) : 0);
    int64_t next = nextFreeObjectId(xml);
    if (total == 0)
        next = std::min<int64_t>(next, kMaxObjectId);
    else if (next > kMaxObjectId || kMaxObjectId - next < total)
        return fail(error, UIR_OBJECT_IDS, "UVTT objects exceed the available TMX object ID range.");
    tallies.nextObjectId = int32_t(next);
    const int nextLayerId = std::max(xml.getAttributeInt("nextlayerid", 1), slots.highest() + 1);

    if (job.bootstrap()) {
        if (!createUVTTObjectGroup(xml, slots.map, "Map Bootstrap"))
            return fail(error, UIR_BOOTSTRAP, "A temporary layer could not be created for the UVTT map.");
        xml.nodeParent();
    }
    if (slots.occluders) {
        if (!createUVTTObjectGroup(xml, slots.occluders, job.base + "Occluders"))
            return fail(error, UIR_OBJECTS, "UVTT Occluders layer XML could not be created.");
        if ((options.uvttImportWalls &&
             !addUVTTPathCollection(xml, document, document.lineOfSight, options.uvttBlockMovement, tallies,
                                    error)) ||
            (options.uvttImportObjects &&
             !addUVTTPathCollection(xml, document, document.objectsLineOfSight, options.uvttBlockMovement, tallies,
                                    error)) ||
            (options.uvttImportPortals && !addUVTTPortals(xml, document, options.uvttBlockMovement,
                                                          options.uvttMergePortals, tallies, error)))
            return UIR_OBJECTS;
        xml.nodeParent();
    }
    if (slots.lights) {
        if (!createUVTTObjectGroup(xml, slots.lights, job.base + "Lights"))
            return fail(error, UIR_OBJECTS, "UVTT Lights layer XML could not be created.");
        if (!addUVTTLights(xml, document, tallies, error))
            return UIR_OBJECTS;
        xml.nodeParent();
    }
    xml.nodeFirst();
    xml.setAttributeInt("nextlayerid", nextLayerId);
    xml.setAttributeInt("nextobjectid", tallies.nextObjectId);
    return 0;
}

// The TMX text of the open document with its object groups; the document closes.
int writeTmxText(Scene* scene, const UVTTImport& job, const String& archivePath, int n, UVTTTallies& tallies,
                 char*& tmx, size_t& tmxSize, String& error)
{
    XMLMgr* xmls = Main::instance()->xmlMgr();
    int xmlId = 0;
    if (const int result = openTmx(scene, job, archivePath, n, xmlId, error))
        return result;
    XML* xml = xmls->get(xmlId);
    if (const int result = addObjectGroups(*xml, job, tallies, error)) {
        xmls->close(xmlId);
        return result;
    }
    const int saved = xml->saveToBuffer(tmx, tmxSize);
    xmls->close(xmlId);
    if (saved != 0 || !tmx) {
        CMem::free(tmx);
        tmx = nullptr;
        return fail(error, UIR_TMX_TEXT, "UVTT-generated TMX could not be serialized.");
    }
    return 0;
}

// The object layers' spatial grid and size, then the map picture layer.
int finishLayers(Scene* built, const UVTTImport& job, String& error)
{
    const UVTTDocument& document = job.document;
    const int64_t extent = std::max(int64_t(document.pixelWidth), int64_t(document.pixelHeight)) +
                           2 * int64_t(document.pixelsPerGrid);
    const int cellSize = int(std::max<int64_t>(64, (extent + 14) / 15));
    auto configure = [&](int slot) {
        SceneLayerObject* layer = built->accessLayerObject(slot);
        return layer && layer->setSpatialGridCellSize(cellSize) &&
               layer->setSize(float(document.pixelWidth), float(document.pixelHeight));
    };
    if (job.slots.occluders && !configure(job.slots.occluders))
        return fail(error, UIR_OCCLUDER_LAYER, "UVTT Occluders layer could not be configured.");
    if (job.slots.lights && !configure(job.slots.lights))
        return fail(error, UIR_LIGHT_LAYER, "UVTT Lights layer could not be configured.");
    if (job.options.uvttMapMode == 0 || job.options.uvttMapMode == 1)
        return importUVTTMapImage(built, job.options, document, job.base + "Map", error);
    return 0;
}

String summaryText(const SceneLayerImportOptions& options, const SceneSourceProbe& found, const UVTTTallies& tallies)
{
    char portals[96];
    if (options.uvttMergePortals && found.uvttPortalSegmentCount > tallies.portals)
        std::snprintf(portals, sizeof portals, "%d portals from %d source segments", tallies.portals,
                      found.uvttPortalSegmentCount);
    else
        std::snprintf(portals, sizeof portals, "%d portals", tallies.portals);
    const char* map = options.uvttMapMode == 0   ? "tile layer"
                      : options.uvttMapMode == 1 ? "image layer"
                                                 : "not imported";
    char text[512];
    std::snprintf(text, sizeof text, "UVTT imported: map %s, %d occluders, %s and %d lights.%s", map,
                  tallies.occluders, portals, tallies.lights,
                  tallies.skipped > 0 ? " Degenerate paths were skipped." : "");
    return text;
}

} // namespace

int importUVTTScene(Scene*& scene, const SceneLayerImportOptions& options, const SceneSourceProbe& found,
                    bool newScene, const String& archivePath, String& summary, String& error)
{
    summary.clear();
    error.clear();
    if (!scene)
        return fail(error, UIR_NO_SCENE, "Scene is not available for UVTT import.");
    UVTTImport job(options, newScene);
    if (const int result = readForImport(scene, job, error))
        return result;

    const String keptName = scene->getName();
    const int n = g_uvttImportCounter++;
    UVTTTallies tallies;
    char* tmx = nullptr;
    size_t tmxSize = 0;
    if (const int result = writeTmxText(scene, job, archivePath, n, tallies, tmx, tmxSize, error))
        return result;

    SceneMgr* scenes = Main::instance()->sceneMgr();
    const int oldId = scene->getID();
    const String sceneName = newScene && !keptName.empty() ? keptName : counted("__uvtt_scene_", n, ".tmx");
    if (newScene && oldId > 0) {
        scenes->close(oldId);
        scene = nullptr;
    }
    const int newId = scenes->loadFromBuffer(tmx, tmxSize, sceneName.c_str(), archivePath.c_str(), nullptr);
    CMem::free(tmx);
    Scene* built = newId > 0 ? scenes->get(newId) : nullptr;
    if (!built) {
        if (newId > 0)
            scenes->close(newId);
        return fail(error, UIR_TMX_LOAD,
                    ("UVTT-generated TMX could not be loaded as a Scene.\n\n" + String(scenes->getLastError())).c_str());
    }
    if (job.bootstrap())
        built->closeLayer(job.slots.map);
    if (const int result = finishLayers(built, job, error)) {
        scenes->close(newId);
        return result;
    }

    if (!newScene && oldId > 0 && oldId != newId)
        scenes->close(oldId);
    if (!keptName.empty())
        scenes->setName(newId, keptName.c_str());
    scene = scenes->get(newId);
    if (!scene)
        return fail(error, UIR_SELECT, "Imported UVTT Scene could not be selected.");
    summary = summaryText(options, found, tallies);
    return 0;
}
