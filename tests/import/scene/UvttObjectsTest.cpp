// Universal VTT walls, portals and lights as TMX objects, compared element
// by element with the attributes in the order they are written.
#include "import/scene/UvttFixture.h"

#include <Zelkoran/Main.h>

using uvtttest::map;
using uvtttest::parse;
using uvtttest::points;
using Zelkoran::String;
using Zelkoran::XML;

namespace {

class UvttObjectsTest : public ::testing::Test {
protected:
    void TearDown() override { Zelkoran::Main::terminate(); }

    // The occluder group written from the walls of json; error: the message.
    std::string walls(const std::string& lineOfSight, std::string& error, bool block = false)
    {
        document = std::make_unique<UVTTDocument>();
        EXPECT_EQ(parse(map("\"line_of_sight\": " + lineOfSight + ",", 10, 10, 50), *document), "");
        tallies = {};
        return uvtttest::group(
            [&](XML& xml, String& message) {
                return addUVTTPathCollection(xml, *document, document->lineOfSight, block, tallies, message);
            },
            error);
    }
    std::string portals(const std::string& json, bool merge, bool block, std::string& error)
    {
        document = std::make_unique<UVTTDocument>();
        EXPECT_EQ(parse(map("\"portals\": " + json + ",", 10, 10, 100), *document), "");
        tallies = {};
        return uvtttest::group(
            [&](XML& xml, String& message) {
                return addUVTTPortals(xml, *document, block, merge, tallies, message);
            },
            error);
    }
    std::string lights(const std::string& json, std::string& error)
    {
        document = std::make_unique<UVTTDocument>();
        EXPECT_EQ(parse(map("\"lights\": " + json + ",", 20, 10, 100), *document), "");
        tallies = {};
        return uvtttest::group(
            [&](XML& xml, String& message) { return addUVTTLights(xml, *document, tallies, message); }, error);
    }

    std::unique_ptr<UVTTDocument> document;
    UVTTTallies tallies;
};

std::string bounds(std::initializer_list<std::pair<double, double>> list, const std::string& flags = "")
{
    return "{\"bounds\": " + points(list) + flags + "}";
}

} // namespace

TEST_F(UvttObjectsTest, WallsBecomeOccluders)
{
    std::string error;
    const std::string ring = walls("[" + points({{0, 0}, {1, 0}, {1, 1}, {0, 0}}) + "," +
                                       points({{0, 0}, {1, 0}, {0, 0}}) + "]",
                                   error, true);
    EXPECT_EQ(error, "");
    EXPECT_NE(ring.find("<objectgroup id=\"2\" name=\"Occluders\" draworder=\"topdown\">"), std::string::npos);
    const char* const expected[] = {
        "<object id=\"1\" name=\"Occluder 1\" type=\"ZK7Occluder\" x=\"0\" y=\"0\">",
        "<property name=\"zk7te_light_occluder\" type=\"bool\" value=\"true\"/>",
        "<property name=\"zk7te_movement_blocker\" type=\"bool\" value=\"true\"/>",
        "<polygon points=\"0,0 50,0 50,50\"/>",
        "<object id=\"2\" name=\"Occluder 2\" type=\"ZK7Occluder\" x=\"0\" y=\"0\">",
        "<polyline points=\"0,0 50,0 0,0\"/>",
    };
    size_t at = 0;
    for (const char* element : expected) {
        at = ring.find(element, at);
        EXPECT_NE(at, std::string::npos) << element << "\n" << ring;
    }
    EXPECT_EQ(std::tuple(tallies.occluders, tallies.nextObjectId, tallies.skipped, tallies.points),
              std::tuple(2, 3, 0, uint64_t(7)));
}

TEST_F(UvttObjectsTest, PathRulesAndMessages)
{
    struct Case {
        std::string paths;
        const char* error;
        int occluders, skipped;
    };
    const Case cases[] = {
        {"[[]]", "", 0, 1},
        {"[" + points({{1, 1}, {1, 1}}) + "]", "", 0, 1},
        {"[{}]", "UVTT line-of-sight path must be an array.", 0, 0},
        {"[[{\"x\": 1}]]", "UVTT geometry contains an invalid or non-finite point.", 0, 0},
        {"[[5]]", "UVTT geometry contains an invalid or non-finite point.", 0, 0},
        // One cell (50 px) of margin: -1 and 11 cells pass, -1.01 does not.
        {"[" + points({{-1, 0}, {11, 11}}) + "]", "", 1, 0},
        {"[" + points({{-1.01, 0}, {1, 1}}) + "]", "UVTT geometry lies outside the supported map bounds.", 0, 0},
    };
    for (const Case& c : cases) {
        std::string error;
        walls(c.paths, error);
        EXPECT_EQ(error, c.error) << c.paths;
        EXPECT_EQ(std::pair(tallies.occluders, tallies.skipped), std::pair(c.occluders, c.skipped)) << c.paths;
    }
}

TEST_F(UvttObjectsTest, RepeatedPointsCountTowardTheLimit)
{
    for (const uint64_t count : {kUVTTMaxPoints, kUVTTMaxPoints + 1}) {
        std::string path = "[[";
        for (uint64_t i = 0; i < count; ++i)
            path += i ? ",{\"x\":1,\"y\":1}" : "{\"x\":0,\"y\":0}";
        std::string error;
        walls(path + "]]", error);
        EXPECT_EQ(error, count > kUVTTMaxPoints ? "UVTT contains too many geometry points." : "") << count;
    }
}

TEST_F(UvttObjectsTest, PortalsMergeAndBlock)
{
    const std::string chain = "[" + bounds({{0, 0}, {1, 0}}) + "," + bounds({{1, 0}, {2, 0}}) + "," +
                              bounds({{3, 0}, {2, 0}}) + "]";
    std::string error;
    std::string tmx = portals(chain, true, true, error);
    EXPECT_EQ(tallies.portals, 1);
    EXPECT_NE(tmx.find("<polyline points=\"0,0 100,0 200,0 300,0\"/>"), std::string::npos) << tmx;
    EXPECT_EQ(tallies.points, 6u);

    portals(chain, false, true, error);
    EXPECT_EQ(tallies.portals, 3) << "merge off";

    // Different flags, or touching an earlier portal only, start new portals.
    const std::string apart = "[" + bounds({{0, 0}, {1, 0}}) + "," + bounds({{1, 0}, {2, 0}}, ",\"closed\":false") +
                              "," + bounds({{0, 5}, {0, 6}}) + "," + bounds({{1, 0}, {1, 1}}) + "]";
    tmx = portals(apart, true, true, error);
    EXPECT_EQ(tallies.portals, 4);
    const char* const expected[] = {
        "<object id=\"1\" name=\"Portal 1\" type=\"ZK7Portal\" x=\"0\" y=\"0\">",
        "<property name=\"zk7te_portal_closed\" type=\"bool\" value=\"true\"/>",
        "<property name=\"zk7te_portal_freestanding\" type=\"bool\" value=\"false\"/>",
        "<property name=\"zk7te_light_occluder\" type=\"bool\" value=\"true\"/>",
        "<property name=\"zk7te_movement_blocker\" type=\"bool\" value=\"true\"/>",
        "<object id=\"2\" name=\"Portal 2\" type=\"ZK7Portal\" x=\"100\" y=\"0\">",
        "<property name=\"zk7te_portal_closed\" type=\"bool\" value=\"false\"/>",
        "<property name=\"zk7te_light_occluder\" type=\"bool\" value=\"false\"/>",
        "<property name=\"zk7te_movement_blocker\" type=\"bool\" value=\"false\"/>",
    };
    size_t at = 0;
    for (const char* element : expected) {
        at = tmx.find(element, at);
        EXPECT_NE(at, std::string::npos) << element << "\n" << tmx;
    }
    tmx = portals(apart, true, false, error);
    EXPECT_EQ(tmx.find("zk7te_movement_blocker\" type=\"bool\" value=\"true\""), std::string::npos);
}

TEST_F(UvttObjectsTest, ClosedPortalOutlineKeepsItsClosingEdge)
{
    std::string error;
    const std::string tmx = portals("[" + bounds({{0, 0}, {1, 0}, {1, 1}, {0, 0}}) + "]", false, false, error);
    EXPECT_NE(tmx.find("<polyline points=\"0,0 100,0 100,100 0,0\"/>"), std::string::npos) << tmx;
}

TEST_F(UvttObjectsTest, PortalMessages)
{
    const std::pair<std::string, const char*> cases[] = {
        {"[5]", "UVTT portal must be an object."},
        {"[{}]", "UVTT line-of-sight path must be an array."},
        {"[{\"bounds\": {}}]", "UVTT line-of-sight path must be an array."},
        {"[{\"bounds\": [{\"x\": \"1\", \"y\": 0}]}]", "UVTT geometry contains an invalid or non-finite point."},
        {"[{\"bounds\": []}, " + bounds({{2, 2}}, ",\"closed\":\"yes\"") + "]", ""},
    };
    for (const auto& [json, message] : cases) {
        std::string error;
        portals(json, true, true, error);
        EXPECT_EQ(error, message) << json;
    }
    EXPECT_EQ(tallies.skipped, 2);
}

TEST_F(UvttObjectsTest, Lights)
{
    struct Case {
        std::string light;
        const char* error;
        const char* element; // expected in the TMX
    };
    const Case cases[] = {
        {"{\"position\": {\"x\": 1, \"y\": 2}, \"range\": 3}", "",
         "<object id=\"1\" name=\"Light 1\" type=\"ZK7Light\" x=\"100\" y=\"200\">\n"
         "   <properties>\n"
         "    <property name=\"zk7te_light_range_px\" type=\"float\" value=\"300\"/>\n"
         "    <property name=\"zk7te_light_intensity\" type=\"float\" value=\"1\"/>\n"
         "    <property name=\"zk7te_light_color\" value=\"#FFFFFFFF\"/>\n"
         "    <property name=\"zk7te_light_shadows\" type=\"bool\" value=\"true\"/>\n"
         "   </properties>\n"
         "   <point/>"},
        {"{\"position\": {\"x\": 0, \"y\": 0}, \"range\": 0, \"intensity\": 0.5, \"shadows\": false, "
         "\"color\": \"#ff8800\"}",
         "", "value=\"0\"/>"},
        {"{\"position\": {\"x\": 0, \"y\": 0}, \"range\": 40}", "", "value=\"4000\"/>"},
        {"{\"position\": {\"x\": 0, \"y\": 0}, \"range\": 40.01}", "UVTT light converts to an unsupported pixel value.",
         ""},
        {"{\"position\": {\"x\": 0, \"y\": 0}, \"range\": 1, \"intensity\": 1e38}",
         "UVTT light converts to an unsupported pixel value.", ""},
        {"{\"position\": {\"x\": 22, \"y\": 0}, \"range\": 1}", "UVTT light converts to an unsupported pixel value.",
         ""},
        {"{\"position\": {\"x\": 0, \"y\": 0}, \"range\": -1}", "UVTT light contains an invalid position or range.",
         ""},
        {"{\"range\": 1}", "UVTT light contains an invalid position or range.", ""},
        {"{\"position\": {\"x\": 0, \"y\": 0}, \"range\": 1, \"intensity\": \"x\"}",
         "UVTT light contains an invalid intensity.", ""},
        {"7", "UVTT light must be an object.", ""},
    };
    for (const Case& c : cases) {
        std::string error;
        const std::string tmx = lights("[" + c.light + "]", error);
        EXPECT_EQ(error, c.error) << c.light;
        EXPECT_NE(tmx.find(c.element), std::string::npos) << c.light << "\n" << tmx;
    }
}
