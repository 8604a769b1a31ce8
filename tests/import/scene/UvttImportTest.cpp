// Universal VTT imports without a tab: every refusal of a new scene's
// import, newer formats, and object ids beyond the range.
#include "import/scene/UvttFixture.h"

#include "import/scene/UvttImport.h"
#include "import/scene/UvttProbe.h"
#include "support/LogCapture.h"
#include "support/TestFolder.h"

#include <Zelkoran/Scene.h>

#include <cstdio>
#include <cstring>
#include <fstream>

using namespace Zelkoran;
namespace {
// A request with what probing its file found.
struct Options : SceneLayerImportOptions, SceneSourceProbe {};
} // namespace
using uvtttest::kCave;
using uvtttest::map;
using uvtttest::wallsAndLight;

namespace {

class UvttImport : public ::testing::Test {
protected:
    void TearDown() override { Main::terminate(); }

    // json written as name in the scratch folder, probed into options.
    Options optionsFor(const std::string& json, const char* file = "map.uvtt", bool newScene = true)
    {
        const std::string path = folder.path(file);
        std::ofstream(path, std::ios::binary) << json;
        Options o;
        o.fileKind = newScene ? 0 : 1;
        o.sourceType = 4;
        o.sourcePath = path.c_str();
        String probeError;
        getUVTTMetadata(o.sourcePath, o, probeError);
        return o;
    }
    int import(Scene*& scene, const Options& o, bool newScene)
    {
        return importUVTTScene(scene, o, o, newScene, "", summary, error);
    }
    // A new scene from options; scene: what the import left (null after it closed it).
    int importNew(const Options& o, Scene*& scene)
    {
        const int id = Main::instance()->sceneMgr()->create("", 0);
        scene = Main::instance()->sceneMgr()->get(id);
        const int result = import(scene, o, true);
        EXPECT_EQ(result == 0, error.empty()) << error;
        EXPECT_EQ(result == 0, !summary.empty());
        return result;
    }
    void closeScene(Scene* scene)
    {
        if (scene)
            Main::instance()->sceneMgr()->close(scene->getID());
    }

    TestFolder folder;
    String summary, error;
};

TEST_F(UvttImport, Refusals)
{
    const std::string png = uvtttest::pngBase64(1000, 700);
    std::string shortPng(4 * 7, '\0');
    {
        const std::string bytes = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(12, 'A');
        shortPng.resize(size_t(EVP_EncodeBlock(reinterpret_cast<unsigned char*>(shortPng.data()),
                                               reinterpret_cast<const unsigned char*>(bytes.data()), 20)));
    }
    struct Case {
        std::string extra;
        int w, h, ppg, mode, tile, code;
        const char* message;
    };
    const Case cases[] = {
        {"", 10, 7, 100, 0, 64, UIR_XML, "UVTT does not contain an embedded map image."},
        {"\"image\": \"!!!\",", 10, 7, 100, 0, 64, UIR_FILE,
         "UVTT embedded image base64 data could not be decoded."},
        {"\"image\": \"x data:," + png + "\",", 10, 7, 100, 0, 64, UIR_FILE,
         "UVTT embedded image base64 data could not be decoded."},
        {"\"image\": \"" + shortPng + "\",", 10, 7, 100, 0, 64, UIR_NOT_PNG,
         "UVTT embedded image is not PNG. WebP support is deferred."},
        {"\"image\": \"" + png + "\",", 10, 10, 100, 0, 100, UIR_PNG_SIZE,
         "UVTT embedded PNG dimensions do not match its resolution metadata."},
        {"\"image\": \"" + png + "\",", 20000, 1, 1, 1, 64, UIR_IMAGE_SIZE,
         "UVTT embedded image exceeds the supported import size."},
        {"\"image\": \"" + png + "\",", 10, 7, 100, 0, 1, UIR_TILE_GRID,
         "UVTT tile conversion exceeds the supported 262144-cell limit."},
        {"\"lights\": [{\"range\": 1}],", 10, 7, 100, 2, 64, UIR_OBJECTS,
         "UVTT light contains an invalid position or range."},
        {"\"image\": \"" + png + "\",", 10, 7, 100, 1, 64, 0, ""},
    };
    for (const Case& c : cases) {
        Options o = optionsFor(map(c.extra, c.w, c.h, c.ppg));
        o.uvttMapMode = c.mode;
        o.tileWidth = o.tileHeight = c.tile;
        Scene* scene = nullptr;
        EXPECT_EQ(importNew(o, scene), c.code) << c.extra.substr(0, 40);
        EXPECT_EQ(error, c.message);
        EXPECT_EQ(scene != nullptr, c.code == 0 || c.code == UIR_OBJECTS) << c.message;
        closeScene(scene);
    }
    Scene* none = nullptr;
    EXPECT_EQ(import(none, optionsFor(map("")), true), UIR_NO_SCENE);
    EXPECT_EQ(error, "Scene is not available for UVTT import.");
    Options gone = optionsFor(map(""));
    gone.sourcePath = folder.path("gone.uvtt").c_str();
    Scene* scene = nullptr;
    EXPECT_EQ(importNew(gone, scene), UIR_FILE);
    EXPECT_EQ(error, "UVTT file could not be opened.");
    closeScene(scene);
}

TEST_F(UvttImport, NewerFormatsAreImportedWithAWarning)
{
    for (const char* format : {"1.5", "2.25"}) {
        LogCapture log(folder.path("import.log"));
        Options o = optionsFor(map(std::string("\"format\": ") + format + "," + wallsAndLight()));
        o.uvttMapMode = 2;
        Scene* scene = nullptr;
        EXPECT_EQ(importNew(o, scene), 0);
        const bool warned = log.text().find("[Skarden] Warning: UVTT format 2.25 is newer than the supported 0.x/1.x "
                                            "formats; compatible fields will be imported.\n") != std::string::npos;
        EXPECT_EQ(warned, std::string(format) == "2.25") << format;
        closeScene(scene);
    }
}

TEST_F(UvttImport, ObjectIdsBeyondTheRangeAreRefused)
{
    std::string full = kCave;
    full.replace(full.find("id=\"41\""), 7, "id=\"2147483646\"");
    const int id = Main::instance()->sceneMgr()->loadFromBuffer(full.data(), full.size(), "cave.tmx", "");
    Scene* scene = Main::instance()->sceneMgr()->get(id);
    Options o = optionsFor(map(wallsAndLight()), "map.uvtt", false);
    o.uvttMapMode = 2;
    o.targetLayer = 3;
    EXPECT_EQ(import(scene, o, false), UIR_OBJECT_IDS);
    EXPECT_EQ(error, "UVTT objects exceed the available TMX object ID range.");
    EXPECT_EQ(Main::instance()->sceneMgr()->get(id), scene) << "a failure leaves the old scene";
    closeScene(scene);
}

} // namespace
