#include "import/scene/UvttProbe.h"
#include "import/scene/UvttDocument.h"
#include "import/scene/UvttObjects.h"

using namespace Zelkoran;

bool getUVTTMetadata(const String& path, SceneSourceProbe& found, String& error)
{
    found.uvttMetadataValid = false;
    found.uvttMergedPortalCount = 0;
    found.uvttProbeError.clear();
    UVTTDocument document;
    if (!loadUVTTDocument(path.c_str(), document, error)) {
        found.uvttProbeError = error;
        return false;
    }
    found.uvttProbePath = path;
    found.uvttCreator = document.creator;
    found.uvttGridWidth = document.gridWidth;
    found.uvttGridHeight = document.gridHeight;
    found.uvttPixelsPerGrid = document.pixelsPerGrid;
    found.uvttPixelWidth = document.pixelWidth;
    found.uvttPixelHeight = document.pixelHeight;
    found.uvttWallCount = int32_t(uvttArraySize(document.lineOfSight));
    found.uvttObjectCount = int32_t(uvttArraySize(document.objectsLineOfSight));
    found.uvttPortalSegmentCount = int32_t(uvttArraySize(document.portals));
    UVTTPortalList portals;
    int32_t skipped = 0;
    uint64_t points = 0;
    if (!collectUVTTPortals(document, true, portals, skipped, points, error)) {
        found.uvttProbeError = error;
        return false;
    }
    std::string_view image;
    found.uvttMergedPortalCount = int32_t(portals.size());
    found.uvttLightCount = int32_t(uvttArraySize(document.lights));
    found.uvttBakedLighting = document.bakedLighting;
    found.uvttHasImage = document.image && !document.image->get_string().get(image) && !image.empty();
    found.uvttMetadataValid = true;
    return true;
}
