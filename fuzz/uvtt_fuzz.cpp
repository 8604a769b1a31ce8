// Feeds arbitrary bytes to the Universal VTT reader as a map file: reading
// and checks, the walls, portals and lights written as TMX objects, and the
// embedded map picture decoded into a tile layer of a scene.
#include "import/scene/SceneLayerImportOptions.h"
#include "import/scene/UvttDocument.h"
#include "import/scene/UvttMapImage.h"
#include "import/scene/UvttObjects.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/XML.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Zelkoran;
    UVTTDocument document;
    String error;
    if (!parseUVTTDocument(reinterpret_cast<const char*>(data), size, document, error)) {
        if (error.empty()) // every refusal says why
            std::abort();
        return 0;
    }

    XMLMgr* xmls = Main::instance()->xmlMgr();
    const int xmlId = xmls->create("map", 0);
    XML* xml = xmls->get(xmlId);
    UVTTTallies tallies;
    if (createUVTTObjectGroup(*xml, 1, "Occluders"))
        (void)(addUVTTPathCollection(*xml, document, document.lineOfSight, true, tallies, error) &&
               addUVTTPathCollection(*xml, document, document.objectsLineOfSight, false, tallies, error) &&
               addUVTTPortals(*xml, document, true, true, tallies, error) &&
               addUVTTLights(*xml, document, tallies, error));
    if (tallies.points > kUVTTMaxPoints)
        std::abort();
    xmls->close(xmlId);

    SceneMgr* scenes = Main::instance()->sceneMgr();
    const int sceneId = scenes->create("", 0);
    SceneLayerImportOptions options;
    options.tileWidth = options.tileHeight = 64;
    options.padToTile = true;
    importUVTTMapImage(scenes->get(sceneId), options, document, "Map", error);
    scenes->close(sceneId);
    return 0;
}
