// Universal VTT maps as scenes: the dialog's probe, the checks, and the
// import. The objects never pass through a scene interface of their own: the
// scene's TMX text (or a new map) gets object groups through the engine's XML
// cursor and is loaded back as a fresh scene, which then takes the map
// picture as a tile or image layer and replaces the old scene.
#include "tabs/scenes/ctrlScenes.h"
#include "import/scene/SceneImportChecks.h"
#include "import/scene/UvttDocument.h"
#include "import/scene/UvttMapImage.h"
#include "import/scene/UvttMessages.h"
#include "import/scene/UvttObjects.h"

#include "services/GlobalStatus.h"

#include <Zelkoran/Log.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/XML.h>

#include <algorithm>
#include <cstdio>

using namespace Zelkoran;

namespace {

using uvtt::counted;
using uvtt::fail;
using uvtt::kMaxMapPixels;
using uvtt::kMaxMapSide;

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

} // namespace

bool CtrlScenes::getUVTTMetadata(const string& path, SceneLayerImportOptions& options, string& error)
{
    options.uvttMetadataValid = false;
    options.uvttMergedPortalCount = 0;
    options.uvttProbeError.clear();
    UVTTDocument document;
    if (!loadUVTTDocument(path.c_str(), document, error)) {
        options.uvttProbeError = error;
        return false;
    }
    options.uvttProbePath = path;
    options.uvttCreator = document.creator;
    options.uvttGridWidth = document.gridWidth;
    options.uvttGridHeight = document.gridHeight;
    options.uvttPixelsPerGrid = document.pixelsPerGrid;
    options.uvttPixelWidth = document.pixelWidth;
    options.uvttPixelHeight = document.pixelHeight;
    options.uvttWallCount = int32_t(uvttArraySize(document.lineOfSight));
    options.uvttObjectCount = int32_t(uvttArraySize(document.objectsLineOfSight));
    options.uvttPortalSegmentCount = int32_t(uvttArraySize(document.portals));
    UVTTPortalList portals;
    int32_t skipped = 0;
    uint64_t points = 0;
    if (!collectUVTTPortals(document, true, portals, skipped, points, error)) {
        options.uvttProbeError = error;
        return false;
    }
    std::string_view image;
    options.uvttMergedPortalCount = int32_t(portals.size());
    options.uvttLightCount = int32_t(uvttArraySize(document.lights));
    options.uvttBakedLighting = document.bakedLighting;
    options.uvttHasImage = document.image && !document.image->get_string().get(image) && !image.empty();
    options.uvttMetadataValid = true;
    return true;
}

bool CtrlScenes::validateUVTTImport(Scene* scene, const SceneLayerImportOptions& options, bool newScene,
                                    string& error) const
{
    error.clear();
    auto refuse = [&](const char* message) {
        error = message;
        return false;
    };
    if (!options.uvttMetadataValid || options.uvttProbePath != options.sourcePath) {
        error = options.uvttProbeError.empty() ? string("UVTT metadata is not valid.") : options.uvttProbeError;
        return false;
    }
    if (!Main::instance()->tool()->fileExists(options.sourcePath.c_str()))
        return refuse("UVTT source file does not exist.");
    const int t = options.targetLayer;
    if (t < 1 || (scene && t <= scene->getLayerCount(0) && scene->getLayerType(t) != SLT_EMPTY))
        return refuse("UVTT start layer must be an empty slot or a new layer.");
    if (!newScene && !validateSceneImportSaveContext(scene, error))
        return false;
    const int mode = options.uvttMapMode;
    if (mode < 0 || mode > 2)
        return refuse("UVTT map import mode is invalid.");
    const int64_t w = options.uvttPixelWidth, h = options.uvttPixelHeight;
    if (mode != 2 && !options.uvttHasImage)
        return refuse("UVTT has no embedded image. Select Do not import for the map.");
    if (mode != 2 && (w > kMaxMapSide || h > kMaxMapSide || w * h > kMaxMapPixels))
        return refuse("UVTT map image exceeds the supported 16384-pixel dimension or 16-megapixel limit. Select Do "
                      "not import for the map.");
    if (mode == 0) {
        if (options.tileWidth <= 0 || options.tileHeight <= 0)
            return refuse("UVTT tile layer requires a tile width and height greater than zero.");
        if (!validateSceneTileSize(scene, options.tileWidth, options.tileHeight, error))
            return false;
        if (!isUVTTTileGridSupported(w, h, options.tileWidth, options.tileHeight))
            return refuse("UVTT tile conversion exceeds the supported 262144-cell limit.");
        if (!options.padToTile && (w % options.tileWidth || h % options.tileHeight))
            return refuse("UVTT map pixels are not divisible by the override tile size. Enable padding or change "
                          "the tile size.");
    }
    const bool wantMap = mode != 2;
    const bool wantOccluders = (options.uvttImportWalls && options.uvttWallCount > 0) ||
                               (options.uvttImportObjects && options.uvttObjectCount > 0) ||
                               (options.uvttImportPortals && options.uvttPortalSegmentCount > 0);
    const bool wantLights = options.uvttImportLights && options.uvttLightCount > 0;
    if (!wantMap && !wantOccluders && !wantLights)
        return refuse("Select at least one UVTT map, occluder, portal, or light category to import.");
    const string prefix = getUVTTLayerPrefix(options, newScene);
    if (prefix.empty())
        return refuse("UVTT layer prefix cannot be empty.");
    const string base = newScene ? string() : prefix + " ";
    if (wantMap && sceneHasLayerNamed(scene, base + "Map"))
        return refuse("UVTT Map layer name is already in use.");
    if (wantOccluders && sceneHasLayerNamed(scene, base + "Occluders"))
        return refuse("UVTT Occluders layer name is already in use.");
    if (wantLights && sceneHasLayerNamed(scene, base + "Lights"))
        return refuse("UVTT Lights layer name is already in use.");
    return true;
}

int CtrlScenes::importUVTT(Scene*& scene, const SceneLayerImportOptions& options, bool newScene, string& summary,
                           string& error)
{
    summary.clear();
    error.clear();
    if (!scene)
        return fail(error, UIR_NO_SCENE, "Scene is not available for UVTT import.");
    UVTTDocument document;
    if (!loadUVTTDocument(options.sourcePath.c_str(), document, error))
        return UIR_FILE;

    const string prefix = getUVTTLayerPrefix(options, newScene);
    const string base = newScene ? string() : prefix + " ";
    const bool wantOccluders = (options.uvttImportWalls && nonEmpty(document.lineOfSight)) ||
                               (options.uvttImportObjects && nonEmpty(document.objectsLineOfSight)) ||
                               (options.uvttImportPortals && nonEmpty(document.portals));
    const bool wantLights = options.uvttImportLights && nonEmpty(document.lights);
    // A new map's text has no engine marker, so its layers fill slots in
    // document order: the placeholder keeps slot T for the map (or empty,
    // without one) and the groups after it in theirs.
    const bool bootstrap = newScene;

    UVTTSlots slots;
    slots.map = options.targetLayer;
    if (wantOccluders)
        slots.occluders = firstFreeSlot(scene, slots.map + 1);
    if (wantLights)
        slots.lights = firstFreeSlot(scene, (slots.occluders ? slots.occluders : slots.map) + 1);

    if (document.newerFormat)
        Main::instance()->logMgr()->get(0)->msg(3,
                                                "[Skarden] Warning: UVTT format %s is newer than the supported "
                                                "0.x/1.x formats; compatible fields will be imported.\n",
                                                formatUVTTFloat(document.formatVersion).c_str());

    const string keptName = scene->getName();
    const int n = g_uvttImportCounter++;
    XMLMgr* xmls = Main::instance()->xmlMgr();
    SceneMgr* scenes = Main::instance()->sceneMgr();
    const char* archivePath = globalStatus->sArchivePath.c_str();

    int xmlId = 0;
    XML* xml = nullptr;
    if (newScene) {
        xmlId = xmls->create("map", 0);
        xml = xmlId < 0 ? nullptr : xmls->get(xmlId);
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
    } else {
        char* text = nullptr;
        size_t size = 0;
        if (scene->saveToBuffer(text, size, keptName.c_str(), keptName.c_str(), archivePath, true) != 0 || !text)
            return fail(error, UIR_SERIALIZE, "Scene could not be serialized before UVTT geometry was added.");
        xmlId = xmls->loadFromBuffer(text, size, counted("__uvtt_xml_", n).c_str());
        CMem::free(text);
        if (xmlId < 0)
            return fail(error, xmlId, "Serialized Scene XML could not be opened for UVTT import.");
        xml = xmls->get(xmlId);
        if (!xml || !xml->nodeFirst()) {
            xmls->close(xmlId);
            return fail(error, UIR_XML, "Serialized Scene XML could not be opened for UVTT import.");
        }
    }
    auto abandon = [&](int code, const char* message) {
        xmls->close(xmlId);
        if (message)
            error = message;
        return code;
    };

    const int64_t total = (options.uvttImportWalls ? uvttArraySize(document.lineOfSight) : 0) +
                          (options.uvttImportObjects ? uvttArraySize(document.objectsLineOfSight) : 0) +
                          (options.uvttImportPortals ? uvttArraySize(document.portals) : 0) +
                          (options.uvttImportLights ? uvttArraySize(document.lights) : 0);
    int64_t next = nextFreeObjectId(*xml);
    if (total == 0)
        next = std::min<int64_t>(next, kMaxObjectId);
    else if (next > kMaxObjectId || kMaxObjectId - next < total)
        return abandon(UIR_OBJECT_IDS, "UVTT objects exceed the available TMX object ID range.");
    UVTTTallies tallies;
    tallies.nextObjectId = int32_t(next);
    const int nextLayerId = std::max(xml->getAttributeInt("nextlayerid", 1), slots.highest() + 1);

    if (bootstrap) {
        if (!createUVTTObjectGroup(*xml, slots.map, "Map Bootstrap"))
            return abandon(UIR_BOOTSTRAP, "A temporary layer could not be created for the UVTT map.");
        xml->nodeParent();
    }
    if (slots.occluders) {
        if (!createUVTTObjectGroup(*xml, slots.occluders, base + "Occluders"))
            return abandon(UIR_OBJECTS, "UVTT Occluders layer XML could not be created.");
        if ((options.uvttImportWalls &&
             !addUVTTPathCollection(*xml, document, document.lineOfSight, options.uvttBlockMovement, tallies,
                                    error)) ||
            (options.uvttImportObjects &&
             !addUVTTPathCollection(*xml, document, document.objectsLineOfSight, options.uvttBlockMovement, tallies,
                                    error)) ||
            (options.uvttImportPortals && !addUVTTPortals(*xml, document, options.uvttBlockMovement,
                                                          options.uvttMergePortals, tallies, error)))
            return abandon(UIR_OBJECTS, nullptr);
        xml->nodeParent();
    }
    if (slots.lights) {
        if (!createUVTTObjectGroup(*xml, slots.lights, base + "Lights"))
            return abandon(UIR_OBJECTS, "UVTT Lights layer XML could not be created.");
        if (!addUVTTLights(*xml, document, tallies, error))
            return abandon(UIR_OBJECTS, nullptr);
        xml->nodeParent();
    }
    xml->nodeFirst();
    xml->setAttributeInt("nextlayerid", nextLayerId);
    xml->setAttributeInt("nextobjectid", tallies.nextObjectId);

    char* tmx = nullptr;
    size_t tmxSize = 0;
    const int saved = xml->saveToBuffer(tmx, tmxSize);
    xmls->close(xmlId);
    if (saved != 0 || !tmx) {
        CMem::free(tmx);
        return fail(error, UIR_TMX_TEXT, "UVTT-generated TMX could not be serialized.");
    }

    const int oldId = scene->getID();
    const string sceneName = newScene && !keptName.empty() ? keptName : counted("__uvtt_scene_", n, ".tmx");
    if (newScene && oldId > 0) {
        scenes->close(oldId);
        scene = nullptr;
        // The handle must not outlive the scene: a later failure would close the id again.
        if (sceneHandle == oldId)
            sceneHandle = 0;
    }
    const int newId = scenes->loadFromBuffer(tmx, tmxSize, sceneName.c_str(), archivePath, nullptr);
    CMem::free(tmx);
    Scene* built = newId > 0 ? scenes->get(newId) : nullptr;
    if (!built) {
        if (newId > 0)
            scenes->close(newId);
        return fail(error, UIR_TMX_LOAD,
                    ("UVTT-generated TMX could not be loaded as a Scene.\n\n" + string(scenes->getLastError())).c_str());
    }
    if (bootstrap)
        built->closeLayer(slots.map);

    const int64_t extent = std::max(int64_t(document.pixelWidth), int64_t(document.pixelHeight)) +
                           2 * int64_t(document.pixelsPerGrid);
    const int cellSize = int(std::max<int64_t>(64, (extent + 14) / 15));
    auto configure = [&](int slot) {
        SceneLayerObject* layer = built->accessLayerObject(slot);
        return layer && layer->setSpatialGridCellSize(cellSize) &&
               layer->setSize(float(document.pixelWidth), float(document.pixelHeight));
    };
    if (slots.occluders && !configure(slots.occluders)) {
        scenes->close(newId);
        return fail(error, UIR_OCCLUDER_LAYER, "UVTT Occluders layer could not be configured.");
    }
    if (slots.lights && !configure(slots.lights)) {
        scenes->close(newId);
        return fail(error, UIR_LIGHT_LAYER, "UVTT Lights layer could not be configured.");
    }
    if (options.uvttMapMode == 0 || options.uvttMapMode == 1) {
        if (const int result = importUVTTMapImage(built, options, document, base + "Map", error)) {
            scenes->close(newId);
            return result;
        }
    }
    if (!newScene && oldId > 0 && oldId != newId) {
        scenes->close(oldId);
        if (sceneHandle == oldId)
            sceneHandle = 0;
    }
    sceneHandle = newId;
    if (!keptName.empty())
        scenes->setName(newId, keptName.c_str());
    scene = scenes->get(newId);
    if (!scene)
        return fail(error, UIR_SELECT, "Imported UVTT Scene could not be selected.");

    char portals[96];
    if (options.uvttMergePortals && options.uvttPortalSegmentCount > tallies.portals)
        std::snprintf(portals, sizeof portals, "%d portals from %d source segments", tallies.portals,
                      options.uvttPortalSegmentCount);
    else
        std::snprintf(portals, sizeof portals, "%d portals", tallies.portals);
    const char* map = options.uvttMapMode == 0   ? "tile layer"
                      : options.uvttMapMode == 1 ? "image layer"
                                                 : "not imported";
    char text[512];
    std::snprintf(text, sizeof text, "UVTT imported: map %s, %d occluders, %s and %d lights.%s", map,
                  tallies.occluders, portals, tallies.lights,
                  tallies.skipped > 0 ? " Degenerate paths were skipped." : "");
    summary = text;
    return 0;
}
