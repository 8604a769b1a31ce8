// Feeds arbitrary bytes to the Universal VTT reader as a map file: reading
// and checks, the walls, portals and lights written as TMX objects, and the
// embedded map picture decoded into a tile layer of a scene.
//
// Inputs are small, the files readers meet are not: an input holding two
// marks "@@" stands for the document with the text between them repeated
// until it passes 1 MiB, or N + 1 MiB where a digit N follows the second
// mark (a wall of 500 001 points, a large map picture).
#include "import/scene/SceneLayerImportOptions.h"
#include "import/scene/UvttDocument.h"
#include "import/scene/UvttMapImage.h"
#include "import/scene/UvttObjects.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/XML.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// The document an input stands for: itself, or expanded as said above.
std::string_view documentOf(const uint8_t* data, size_t size, Zelkoran::String& expanded)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t open = input.find("@@");
    const size_t close = open == input.npos ? open : input.find("@@", open + 2);
    if (close == input.npos || close == open + 2)
        return input;
    const std::string_view piece = input.substr(open + 2, close - open - 2);
    std::string_view rest = input.substr(close + 2);
    size_t mebibytes = 1;
    if (!rest.empty() && rest[0] >= '0' && rest[0] <= '9') {
        mebibytes += size_t(rest[0] - '0');
        rest.remove_prefix(1);
    }
    expanded.assign(input.substr(0, open));
    while (expanded.size() + rest.size() <= mebibytes << 20)
        expanded.append(piece);
    expanded.append(rest);
    return expanded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Zelkoran;
    String text;
    const std::string_view input = documentOf(data, size, text);
    UVTTDocument document;
    String error;
    if (!parseUVTTDocument(input.data(), input.size(), document, error)) {
        if (error.empty()) // every refusal says why
            std::abort();
        return 0;
    }

    XMLMgr* xmls = Main::instance()->xmlMgr();
    const int xmlId = xmls->create("map", 0);
    XML* xml = xmls->get(xmlId);
    UVTTTallies tallies;
    const bool written = createUVTTObjectGroup(*xml, 1, "Occluders") &&
                         addUVTTPathCollection(*xml, document, document.lineOfSight, true, tallies, error) &&
                         addUVTTPathCollection(*xml, document, document.objectsLineOfSight, false, tallies, error) &&
                         addUVTTPortals(*xml, document, true, true, tallies, error) &&
                         addUVTTLights(*xml, document, tallies, error);
    // A refusal may have counted past the limit on its way; what was
    // written stays within it.
    if (written && tallies.points > kUVTTMaxPoints)
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
