// Small maps made here, each holding a way of placing or cutting tiles that
// the engine once drew otherwise than Tiled's renderer (tmxrasterizer): read
// from their files and after a full export, they draw as Tiled draws the
// original. Skipped where the renderer is absent.
#include "engine/scene/SceneTestSupport.h"
#include "engine/scene/TiledReference.h"

namespace scenetest {
namespace {

namespace fs = std::filesystem;

struct MadeMap {
    const char* file; // in tests/engine/scene/tiled
    // Where the map's area lies in Tiled's picture, which also covers
    // layers moved off the map (the engine draws the map's area), and
    // frames infinite maps otherwise (what lies beyond it counts as
    // transparent).
    SDL_Point frame{0, 0};
    // A map Tiled 1.8's renderer draws as the engine should draw this one,
    // where it falls short (it draws a tile set's embedded picture as
    // missing tiles); null: this map itself.
    const char* tiledDraws = nullptr;
};

const MadeMap kMadeMaps[] = {
    // Tiles are cut from the margin on, as many as fit: none kept at the far side.
    {"margin.tmx"},
    // A set declaring fewer tiles than its picture holds; those beyond yield
    // to the next set's ids.
    {"tilecount.tmx"},
    // Pictures embedded in the text: an image layer's and a single tile's,
    {"embedded.tmx"},
    // and those of tile sets in the map and in a TSX (with a colour key).
    {"embedded-set.tmx", {0, 0}, "embedded-set-named.tmx"},
    // Layer offsets with fractions, added through nested groups before a
    // place is rounded (halves up): tile, image and object layers,
    {"offsets.tmx"},
    // on an isometric map of odd tile sides (half pixels across and down)
    // and a hexagonal one, moved off the map's top-left corner.
    {"offsets-isometric.tmx", {37, 9}},
    {"offsets-hexagonal.tmx", {7, 9}},
    // Tiled moves its painter by each layer's offset and back: the last bit
    // those sums leave behind moves the layers after, here mirrored cells
    // on half pixels.
    {"isometric-painter-residue.tmx", {10, 19}},
    // Cells neither mirrored nor turned take that residue too, and those
    // flipped across their diagonal alone.
    {"isometric-painter-plain.tmx", {10, 19}},
    {"isometric-painter-transposed.tmx", {10, 240}},
    // It does not move it for a group itself: a group moved by that offset
    // around only a hidden layer leaves nothing.
    {"isometric-painter-groups.tmx", {10, 19}},
    // Offsets a last bit off whole pixels that its sums round away, far
    // down its picture: a cell on a half pixel rounds as from whole ones.
    {"isometric-offsets-dropped-bits.tmx", {0, 240}},
    // Tile objects turned by quarters at fractional places, flipped or not.
    {"turned.tmx"},
    // Tile objects turned freely whose box reaches above the picture, as
    // it is and mirrored, stretched unevenly.
    {"turned-above-top.tmx"},
    {"turned-stretched-above-top.tmx", {24, 0}},
    // Turned freely about a pixel's centre, their boxes reaching above and
    // left of the picture: the rows an edge spans and where it begins.
    {"turned-corner-on-centre.tmx"},
    // Their boxes cut at the picture's left edge, a corner on a pixel's
    // centre: a side's place in a row is found half a pixel inside it
    // before it is cut to 16.16 (toward zero, left of the picture too).
    {"turned-cut-at-left.tmx"},
    // A tile flipped across its diagonal, stretched unevenly and turned
    // freely, an edge's first row ending on a pixel's centre.
    {"turned-stretched-tie.tmx"},
    // Tile objects turned by quarters about their point, their set's offset
    // turning with them.
    {"turned-offset.tmx"},
    // Tile objects turned by quarters whose sides differ by an odd count.
    {"turned-odd.tmx"},
    // Tile objects of an isometric map whose edge lands on a half pixel
    // only when the tile's corner is found before the offsets are added.
    {"objects-isometric.tmx"},
    // Infinite maps whose chunks begin above and left of cell (0, 0): image
    // layers and tile objects lie where they lie from its tiles.
    {"infinite-orthogonal.tmx"},
    {"infinite-isometric.tmx", {160, 0}},
    {"infinite-staggered.tmx"},
    {"infinite-hexagonal.tmx"},
    // Chunks far right of and below cell (0, 0), image layers repeating from
    // half a pixel right of the map's corner: their repeats begin left of
    // Tiled's picture on a negative half pixel, which rounds up.
    {"infinite-repeated-half-left.tmx"},
    // An animation showing a tile the picture holds beyond the declared count.
    {"framecount.tmx"},
    // One showing a tile beyond the set: a map that never uses the tile is
    // drawn whole; a used one draws nothing while that frame shows, where
    // Tiled draws its missing-tile mark.
    {"animation-frame-beyond.tmx"},
    {"animation-frame-beyond-used.tmx", {0, 0}, "animation-frame-beyond-used-drawn.tmx"},
    // Tiles flipped across the diagonal whose sides differ by an odd count,
    // as cells and as objects.
    {"diagonal.tmx"},
    // Tints, nested in a group, over half-clear pixels.
    {"tint.tmx"},
    // Image layers moved down only, and one without offsetx, which its x
    // and y place.
    {"imagelayer-offsets.tmx"},
    // Image layers on half pixels: one a last bit left of a half (its
    // repeats begin a pixel left of its box), one whose box Qt's sums make
    // a column wider (showing its other side there).
    {"image-half-pixels.tmx", {15, 6}},
    // Repeated ones a last bit either side of a half: their repeats begin
    // where those sums round.
    {"image-half-pixels-repeated.tmx", {9, 9}},
    // Tints with alphas of their own, nested: over tiles without clear
    // pixels as cells of every flip (at full and at part opacity, over an
    // image layer and the map's background), objects turned, scaled and at
    // a half pixel, and an image layer; and a white one over half-clear
    // pixels.
    {"tint-alpha.tmx"},
    // Such objects at fractional places wholly outside the picture, on
    // every side: nothing beneath them is cleared.
    {"tint-alpha-outside.tmx"},
    // Hexagonal columns half a pixel off whole (an odd side), lowered and
    // raised, and moved right by a pixel for each pair of columns that
    // tiles of the cell's size or wider reach back across.
    {"hexagonal-odd-side.tmx"},
    {"hexagonal-odd-side-even.tmx"},
    // How far back the tiles reach is the largest side of any of the
    // layer's sets plus the largest offset of any, not of one set.
    {"hexagonal-odd-side-two-sets.tmx"},
    // Tiles reaching back exactly to the corner where a raised column meets
    // the lowered one left of the layer's first: laid out from the column
    // whose centre lies nearer, the lowered one for tall cells, the raised
    // one for flat cells.
    {"hexagonal-odd-side-corner.tmx"},
    {"hexagonal-odd-side-corner-flat.tmx"},
    // The same corner reached from above the layer, by tiles whose set
    // moves them down: another column lies nearer there.
    {"hexagonal-odd-side-reaching-down.tmx"},
    // The same on an infinite map: each layer laid out from its own first
    // column, none drawn past its right edge though its offset brings it in.
    {"infinite-hexagonal-odd-side.tmx", {30, 0}},
    // A lowered first column reached a pixel sooner; a finite map's column
    // placed past its right edge drawn where the layer offset brings it in;
    // an infinite map's edge widened by the sets' offsets left.
    {"hexagonal-odd-side-even-wide.tmx"},
    {"hexagonal-odd-side-past-edge.tmx", {6, 0}},
    {"infinite-hexagonal-odd-side-offset.tmx"},
    // An infinite map's layer laid out from the 16-cell block of its first
    // tile: a chunk of 8 begun mid-block, an empty chunk before it.
    {"infinite-hexagonal-odd-side-blocks.tmx"},
    // Tile objects of another size than their tile, flipped every way and
    // turned by quarters at fractional places: the pixels Qt picks.
    {"scaled.tmx"},
    // Mirrored ones reaching left of the map step along their rows from the
    // map's edge.
    {"scaled-cut.tmx"},
    // Stretched ones cut there whose right edge the cut leaves a last bit
    // below a half pixel: Qt rounds it exactly, down.
    {"stretched-edge-last-bit.tmx"},
    // Their set's offset scales with them.
    {"scaled-offset.tmx"},
    // A box turned about a point that no double holds exactly, with an edge
    // on a half pixel.
    {"turned-exact.tmx"},
    // Isometric cells of an odd width holding tiles of other sizes: their
    // half pixels fall by how far the layer's largest tile (and its set's
    // offset) reaches beyond whole cell widths.
    {"isometric-odd-width.tmx"},
    // And by how far a set moves them down, on a map of an odd height: Tiled
    // walks the screen from there, so whole and half rows change places.
    {"isometric-odd-moved-down.tmx"},
    // Where that walk begins exactly on a cell's corner: Tiled's doubles,
    // counted from the 16-cell block of the layer's first tile, put it in
    // the cell beyond, or (a last bit short) the one before.
    {"isometric-exact-corner.tmx"},
    {"isometric-edge-doubles.tmx"},
    // Cells and objects copied as they are show nothing when less than a
    // pixel of them lies within the picture's right or bottom edge (mirrored
    // ones, half-clear layers and tiles with a clear pixel do); a layer moved
    // right or down widens the picture, which brings them in.
    {"far-edges.tmx", {1, 1}},
    {"far-edges-widened.tmx", {1, 1}},
    {"far-edges-clear.tmx", {1, 1}},
    // So do those of hexagonal maps (here an infinite one, a layer moved
    // up by a fraction and its set's offset down).
    {"hexagonal-far-edge.tmx", {21, 3}},
    // An infinite isometric map's picture is cut where its cells begin: its
    // right edge moves with the cut.
    {"far-edges-infinite-isometric.tmx", {71, 0}},
    // Tile objects turned by quarters on an isometric map, whose places
    // land a last bit off a half pixel: Qt draws them as any turned tile,
    // its rasterizer snapping their edges.
    {"isometric-turned-float-edges.tmx"},
    // Turned by -180 degrees (a sine just off nothing, which Qt takes for
    // nothing) with edges on half pixels: mirrored, as by 180.
    {"turned-half-negative.tmx"},
    // Flipped across their diagonal and cut by the picture's edge, an edge
    // on a half pixel: Qt cuts the line it fills them along, and widens
    // what is left by a width that lands a last bit off.
    {"flipped-diagonal-cut.tmx"},
    // Flipped across their diagonal and turned by -180 degrees, edges on
    // half pixels: Qt takes the half turn for a mirror, its sine for
    // nothing, when it turns the diagonal's quarter after it.
    {"flipped-diagonal-half-turn.tmx"},
    // Turned by quarters on isometric maps, edges on half pixels: Tiled
    // moves its painter from the point to the tile's middle in one step,
    // and Qt maps the corner through that turned painter (a last bit off a
    // half either way); a tile it only moves, turned back by its flips, it
    // copies from the rounded corner.
    {"isometric-turned-one-move.tmx"},
    {"isometric-turned-sums.tmx"},
    {"isometric-turned-back.tmx"},
    // Turned and flipped into a mirror both ways: Qt maps the box from its
    // first corner and back by its size, which puts an edge on a half.
    {"isometric-turned-mirrored.tmx"},
    // Without a clear pixel and turned by exactly a quarter, Qt copies a
    // tile object as it is: a box on a half pixel loses a row.
    {"flipped-diagonal-opaque-half.tmx"},
    // Tile objects turned by other angles: whole and half places, scaled,
    // flipped every way, a set's offset, and centred on their point.
    {"turned-free.tmx"},
    // Their edges cross a row exactly on a pixel's centre, and only a last
    // bit past it in a floating point product: Qt finds the crossing exactly.
    {"turned-free-ties.tmx"},
    // Turned to within a few tenths of a degree of the axes: Qt fills those
    // within 1/64 pixel of level or upright as boxes of whole pixels.
    {"turned-near-axes.tmx"},
    // Animations of a collection whose frames are pictures of other sizes:
    // each is stretched into its tile's size, as cells of every flip and as
    // objects with and without sizes of their own, turned and not.
    {"collection-animation.tmx"},
    // A frame stretched into a cell and into an object, an edge exactly on a
    // half pixel: Qt fills such a box as a thick line turned upright, whose
    // sums take the half pixel in for the cell but not for the object.
    {"stretched-half-edges.tmx", {2, 4}},
    // Qt cuts that line to the picture first and keeps it as thick as the
    // whole: an edge exactly on a half pixel after the whole line's sums
    // lands a last bit off it.
    {"isometric-stretched-cut.tmx"},
    // Their set's offset stretched far, which brings cells of a layer moved
    // down into the picture; frames mirrored across a layer moved left of
    // the map step along their rows from the widened picture's edge.
    {"collection-animation-edges.tmx", {12, 0}},
    // A frame stretched to exactly two pixels a screen pixel, flipped every
    // way as cells and as objects turned by quarters: across its diagonal
    // Qt samples it as any turned tile, its step a last bit off the exact
    // one, so each pixel's tie goes the other way.
    {"collection-animation-turned.tmx"},
    // Frames stretched by thirds and quarters, mirrored across the picture
    // (widened left by another layer): each row's step, truncated, lands
    // its third pixel exactly on a tile pixel's edge, where Qt's rounding
    // of its matrix decides.
    {"collection-animation-ties.tmx", {25, 0}},
    // Tiles mirrored with an edge on a half pixel (a layer moved half a
    // pixel; every other row of an isometric map of an odd cell height):
    // Qt samples them a pixel shifted within their box, the far edge
    // doubled, where unmirrored ones round to the pixel.
    {"flips-half-pixel.tmx"},
    {"isometric-odd-height-flips.tmx"},
    // Turned a quarter and mirrored at half a pixel: a tile with a clear
    // pixel shifted along its mirrored axis, as above; one without (which
    // Qt copies by another path unless translucent) along the axis the
    // other mirror crosses, its far edge left empty where its own is not
    // mirrored.
    {"turned-flips-half-pixel.tmx"},
    // A frame stretched into its tile's box, whose top edge lands on a half
    // pixel only in Tiled's own sum of the painter and the cell's middle:
    // Qt rounds the edges it finds there.
    {"stretched-edge-sum.tmx", {4, 10}},
    // A frame stretched and turned across its diagonal, in a layer moved by
    // a fraction on an infinite map far from its first cell: Tiled adds the
    // layer's offset to its painter before the cell's place, and the last
    // bit of that sum decides a tie.
    {"infinite-turned-offset.tmx", {0, 11}},
    // The same for a frame stretched and mirrored: Tiled draws it about its
    // middle, summed from the cell's place apart from the layer's offset.
    {"infinite-mirrored-offset.tmx", {22, 16}},
    // Tinted with an alpha: a palette with a clear entry no pixel uses, and
    // grey levels with a clear one, count as clear in every tile, but not
    // under a colour key of the map's.
    {"clear-palette.tmx"},
    // The same with its unused entry half clear.
    {"half-clear-palette.tmx"},
};

class SceneMadeMapsTest : public SceneTest {
protected:
    // The pixels of the map's area in Tiled's picture (at tiledPng) that
    // the engine's picture of tmx lacks (-1: no picture), and what to look
    // at.
    std::pair<long, std::string> engineDiffers(const std::string& tiledPng, const MadeMap& row,
                                               const std::string& tmx, const scene::Map& map)
    {
        const std::string ours = dir.file("engine-" + std::to_string(m_n++) + ".png");
        if (const std::string out = run(std::string(SKARDEN_SCENE_RENDER) + " '" + tmx + "' '" + ours + "'");
            !out.empty())
            return {-1, out};
        SDL_Surface* tiled = loadArgb(tiledPng);
        SDL_Surface* engine = loadArgb(ours);
        long different = -1;
        if (tiled && engine) {
            SDL_Surface* area = cut(tiled, SDL_Rect{row.frame.x, row.frame.y, engine->w, engine->h});
            different = long(differentPixels(area, engine, map, 0, {0, 0}));
            SDL_FreeSurface(area);
        }
        SDL_FreeSurface(tiled);
        SDL_FreeSurface(engine);
        return {different, "compare " + tiledPng + " with " + ours};
    }

    std::string tiled(const std::string& tmx, const std::string& png)
    {
        return run("QT_QPA_PLATFORM=offscreen tmxrasterizer --no-smoothing '" + tmx + "' '" + png + "'");
    }

    int m_n = 0;
};

TEST_F(SceneMadeMapsTest, DrawLikeTiledsRendererAlsoAfterAFullExport)
{
    if (!onPath("tmxrasterizer") || !fs::exists(SKARDEN_SCENE_RENDER))
        GTEST_SKIP() << "needs tmxrasterizer and tools/scene_render";
    for (const MadeMap& row : kMadeMaps) {
        SCOPED_TRACE(row.file);
        const std::string original = std::string(SKARDEN_MADE_MAPS) + "/" + row.file;
        const std::string asRead = dir.file(std::string(row.file) + "-tiled.png");
        ASSERT_EQ(tiled(original, asRead).rfind("failed", 0), std::string::npos);
        std::string ref = asRead;
        if (row.tiledDraws) {
            ref = dir.file(std::string(row.tiledDraws) + "-tiled.png");
            ASSERT_EQ(tiled(std::string(SKARDEN_MADE_MAPS) + "/" + row.tiledDraws, ref).rfind("failed", 0),
                      std::string::npos);
        }
        const int id = track(scenes().loadFromFile(original.c_str()));
        ASSERT_GT(id, 0) << scenes().getLastError();
        const scene::Map& map = SceneAccess::map(*scenes().get(id));
        const auto [drawn, look] = engineDiffers(ref, row, original, map);
        EXPECT_EQ(drawn, 0) << look;

        const fs::path out = dir.path() / fs::path(row.file).stem();
        fs::create_directories(out);
        const std::string exported = (out / row.file).string();
        ASSERT_EQ(scenes().get(id)->save(exported.c_str(), "", "", true), 0);
        const std::string again = dir.file(std::string(row.file) + "-exported.png");
        ASSERT_EQ(tiled(exported, again).rfind("failed", 0), std::string::npos);
        SDL_Surface* before = loadArgb(asRead);
        SDL_Surface* after = loadArgb(again);
        ASSERT_TRUE(before && after);
        EXPECT_EQ(std::pair(after->w, after->h), std::pair(before->w, before->h));
        // Both Tiled's, so neither holds the background.
        EXPECT_EQ(differentPixels(before, after, nullptr, 0, {0, 0}), 0u) << "compare " << asRead << " with " << again;
        SDL_FreeSurface(before);
        SDL_FreeSurface(after);
        const auto [redrawn, relook] = engineDiffers(ref, row, exported, map);
        EXPECT_EQ(redrawn, 0) << "exported: " << relook;
    }
}

} // namespace
} // namespace scenetest
