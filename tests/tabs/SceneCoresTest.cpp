// The scene tab's pure rules: viewport placement, layer rows and slots,
// block kinds and the widgets each state of the tab allows.
#include "tabs/scenes/SceneBlockKind.h"
#include "tabs/scenes/SceneLayerRows.h"
#include "tabs/scenes/SceneTabWidgets.h"
#include "tabs/scenes/SceneViewport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(SceneViewportTest, CentresTheSceneOrTheCustomSizeInThePreviewArea)
{
    const struct {
        int windowW, windowH, sceneW, sceneH;
        bool custom;
        int width, height;
        SDL_Rect expected;
        bool corrected;
    } cases[] = {
        {1400, 1000, 640, 480, false, 0, 0, {480, 280, 640, 480}, false},
        {1400, 1000, 3000, 2000, false, 0, 0, {200, 40, 1200, 960}, false},
        {1400, 1000, 3000, 200, false, 0, 0, {200, 420, 1200, 200}, false},
        {1400, 1000, 641, 481, false, 0, 0, {479, 279, 641, 481}, false}, // halves truncate
        {1400, 1000, 640, 480, true, 800, 600, {480, 280, 640, 480}, true},
        {1400, 1000, 640, 480, true, 320, 200, {640, 420, 320, 200}, false},
        {1400, 1000, 640, 480, true, 640, 700, {480, 280, 640, 480}, true},
        {1400, 1000, 5000, 5000, true, 8192, 8192, {200, 40, 1200, 960}, true},
        {1400, 1000, 0, 0, true, 100, 100, {799, 519, 1, 1}, true}, // an empty scene keeps a pixel
        {1600, 1200, 640, 480, false, 0, 0, {580, 380, 640, 480}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.sceneW) + "x" + std::to_string(c.sceneH) + (c.custom ? " custom" : ""));
        const SceneViewportFit fit =
            SceneViewport::fit(c.windowW, c.windowH, c.sceneW, c.sceneH, c.custom, c.width, c.height);
        EXPECT_EQ(fit.rect.x, c.expected.x);
        EXPECT_EQ(fit.rect.y, c.expected.y);
        EXPECT_EQ(fit.rect.w, c.expected.w);
        EXPECT_EQ(fit.rect.h, c.expected.h);
        EXPECT_EQ(fit.corrected, c.corrected);
    }
}

TEST(SceneLayerRowsTest, RowsNameEverySlotWholeAndKeepTheRememberedRow)
{
    const std::string longName = "\xc3\xa9" + std::string(40, 'w') + " \xe6\xbc\xa2\xe5\xad\x97 layer";
    const struct {
        int slot, type;
        std::string name, row;
    } rows[] = {
        {1, 1, "", "Layer 1"},
        {2, 0, "", "[empty] Layer 2"},
        {3, 2, "Sky", "Sky"},
        {12, 3, longName, longName}, // no cut however long, multi-byte characters whole
        {4, 0, "ignored", "[empty] Layer 4"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(SceneLayerRows::rowText(r.slot, r.type, r.name.c_str()).c_str(), r.row) << r.slot;

    const struct {
        int remembered, count, selected, rememberedAfter;
    } fills[] = {
        {0, 3, 1, 0}, {2, 3, 2, 0}, {3, 3, 3, 0}, {4, 3, 1, 4}, {-1, 3, 1, -1}, {1, 0, 0, 1}, {0, 0, 0, 0},
    };
    for (const auto& f : fills) {
        int remembered = f.remembered;
        EXPECT_EQ(SceneLayerRows::selectionAfterFill(remembered, f.count), f.selected) << f.remembered;
        EXPECT_EQ(remembered, f.rememberedAfter);
    }
}

TEST(SceneBlockKindTest, MarkerAnywhereAndLabelsByExtension)
{
    const std::string marker(SceneBlockKind::kSceneMarker);
    const struct {
        std::string text;
        bool found;
    } texts[] = {
        {marker, true},
        {marker.substr(0, 24), false},
        {"<map>" + marker.substr(0, 24), false},
        {marker + "<map/>", true},
        {"<map>" + marker, true},
        {std::string("<\0map>", 6) + marker + std::string("\0", 1), true}, // NUL bytes before it
        {"<map><!-- zelkoran gdk scene format --></map>", false},
        {"", false},
    };
    for (const auto& t : texts)
        EXPECT_EQ(SceneBlockKind::hasSceneMarker(t.text.data(), t.text.size()), t.found) << t.text;
    EXPECT_FALSE(SceneBlockKind::hasSceneMarker(nullptr, 100));

    const struct {
        const char* extension;
        bool marker;
        const char* label;
        bool listed;
    } kinds[] = {
        {"tmx", true, "ZK7SCENE", true},          {"tmx", false, "Tiled Map", true},
        {"tsx", true, "Tiled TileSet", true},     {"tx", false, "Tiled Template", true},
        {"xml", true, "Unknown type", false},     {"", false, "Unknown type", false},
        {"tmxx", false, "Unknown type", false},   {"TMX", false, "Unknown type", false}, // callers lower-case
    };
    for (const auto& k : kinds) {
        EXPECT_STREQ(SceneBlockKind::label(k.extension, k.marker), k.label) << k.extension;
        EXPECT_EQ(SceneBlockKind::isTiledExtension(k.extension), k.listed) << k.extension;
    }
}

TEST(SceneTabWidgetsTest, EachStateAllowsItsWidgets)
{
    // Columns in the order of kDecided: Save, Export, Raw, Compressed,
    // Crypted, text, Render, layers, add, remove, show, black, white,
    // blocky, width, height, set viewport. L = left to the base tab.
    const struct {
        const char* state;
        SceneTabFacts facts;
        const char* expected;
    } states[] = {
        {"nothing held", {}, "00000000000000000"},
        {"binary tile set", {true, false, false, false, false, false}, "L1111000000000000"},
        {"text tile set", {true, true, false, false, false, false}, "L1111100000000000"},
        {"map without scene", {true, true, true, false, false, false}, "L1111110000000000"},
        {"map, empty slot chosen", {true, true, true, true, false, false}, "L1111111100000000"},
        {"map, layer chosen", {true, true, true, true, true, false}, "L1111111111000000"},
        {"preview on", {true, true, true, true, true, true}, "L1111111111111111"},
        {"preview, empty slot", {true, true, true, true, false, true}, "L1111111100111111"},
        {"preview without scene", {true, true, true, false, true, true}, "L1111110000000000"},
        {"encrypted index", {true, true, false, false, false, false, false}, "L1011100000000000"},
    };
    for (const auto& s : states) {
        std::string got;
        for (int id : SceneTabWidgets::kDecided) {
            const SceneTabWidgets::eUsable usable = SceneTabWidgets::usable(s.facts, id);
            got += usable == SceneTabWidgets::U_LEAVE ? 'L' : usable == SceneTabWidgets::U_ON ? '1' : '0';
        }
        EXPECT_EQ(got, s.expected) << s.state;
    }
    EXPECT_EQ(SceneTabWidgets::usable({}, SW_IMPORT), SceneTabWidgets::U_LEAVE);
}

} // namespace
