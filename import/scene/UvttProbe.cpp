#include "import/scene/UvttProbe.h"
#include "import/scene/UvttDocument.h"
#include "import/scene/UvttObjects.h"

using namespace Zelkoran;

bool getUVTTMetadata(const String& path, SceneLayerImportOptions& options, String& error)
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
