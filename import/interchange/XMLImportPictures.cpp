// VUQv1 elements built on a picture file: "image", "tile", "font" and
// "sprite" (with its "animation" and "frame" children).
#include "import/interchange/XMLImportContext.h"

#include <Zelkoran/Font.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Tile.h>

#include <algorithm>

using namespace Zelkoran;

namespace xmlimport {

Picture::~Picture()
{
    if (m_id > 0)
        Main::instance()->imageMgr()->close(m_id);
}

bool Picture::load(const ImportContext& ctx, const char* pictureName)
{
    String source, blending;
    if (!ctx.text("source", source))
        return false;
    ImageMgr* images = Main::instance()->imageMgr();
    const int id = images->loadFromFile(source.c_str(), pictureName);
    if (id <= 0)
        return false;
    m_id = id;
    Image* image = images->get(id);
    if (!image || !ctx.text("alphablending", blending))
        return false;
    if (blending != "per-surface")
        return true;
    int colorKey = 0, alpha = 0;
    if (!ctx.integer("colorkey", colorKey) || !ctx.integer("alphamod", alpha))
        return false;
    if (colorKey != -1)
        image->setColorKey((colorKey >> 16) & 0xFF, (colorKey >> 8) & 0xFF, colorKey & 0xFF);
    // The engine keeps 8 bits: 256 would wrap to an invisible picture.
    image->setAlphaMod(static_cast<uint8_t>(std::clamp(alpha, 0, 255)));
    return true;
}

namespace {

// An engine object id closed by its manager when the handler ends.
template <class Mgr>
class Held {
public:
    Held(Mgr* mgr, int id) : m_mgr(mgr), m_id(id) {}
    ~Held()
    {
        if (m_id > 0)
            m_mgr->close(m_id);
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    auto* get() const { return m_id > 0 ? m_mgr->get(m_id) : nullptr; }

private:
    Mgr* m_mgr;
    int m_id;
};

// The element's name and picture; false when either is missing.
bool namedPicture(ImportContext& ctx, Picture& picture)
{
    return ctx.readName() && picture.load(ctx, ctx.name.c_str());
}

bool buildTile(ImportContext& ctx)
{
    Picture picture;
    if (!namedPicture(ctx, picture))
        return false;
    Image* image = Main::instance()->imageMgr()->get(picture.id());
    TileMgr* tiles = Main::instance()->tileMgr();
    Held<TileMgr> tile(tiles, tiles->create(ctx.name.c_str(), 10));
    if (!tile.get() || tile.get()->assignImage(picture.id(), 0) != 0)
        return false;
    const int width = ctx.xml.getAttributeInt("xoffset", image->getWidth());
    const int height = ctx.xml.getAttributeInt("yoffset", image->getHeight());
    return tile.get()->setOffset(1, width, height) == 0 && tile.get()->save(ctx.archiveId, "") == 0;
}

bool buildFont(ImportContext& ctx)
{
    Picture picture;
    if (!namedPicture(ctx, picture))
        return false;
    FontMgr* fonts = Main::instance()->fontMgr();
    Held<FontMgr> font(fonts, fonts->create(ctx.name.c_str(), 10));
    int kerning = 0;
    if (!font.get() || font.get()->assignImage(picture.id(), 0) != 0 || !ctx.integer("kerning", kerning))
        return false;
    if (font.get()->setKerning(kerning) != 0) {
        ctx.warn("  [XML2QEL] Warning: kerning %d is out of range (-256..256).\n", kerning);
        return false;
    }
    return font.get()->save(ctx.archiveId, "") == 0;
}

// The "frame" children of the current animation; false after its warning.
bool readFrames(ImportContext& ctx, Sprite& sprite, int anim, int frames)
{
    ChildScope children(ctx.xml);
    if (!children.entered())
        return true;
    String element;
    int parsed = 0;
    for (bool more = true; more && parsed < frames; more = ctx.xml.nodeNext(), ++parsed) {
        ctx.xml.nodeGetName(element);
        int id = 0, ms = 0;
        if (element != "frame") {
            ctx.warn("  [XML2QEL] Warning: no 'frame' tag found.\n");
            return false;
        }
        if (!ctx.integer("id", id)) {
            ctx.warn("  [XML2QEL] Warning: idAnim '%d': no 'id' frame attribute found.\n", anim);
            return false;
        }
        if (!ctx.integer("ms", ms)) {
            ctx.warn("  [XML2QEL] Warning: idAnim '%d': no 'ms' frame attribute found.\n", anim);
            return false;
        }
        if (id < 0 || id >= frames) {
            ctx.warn("  [XML2QEL] Warning: idAnim '%d': idFrame '%d' is out of range [0,%d].", anim, id, frames - 1);
            return false;
        }
        if (sprite.setFrameTimeIndex(anim, id, static_cast<uint16_t>(ms)) != 0)
            return false;
    }
    if (parsed != frames) {
        ctx.warn("  [XML2QEL] Warning: idAnim '%d': parsed '%d' frames from a total of '%d'.", anim, parsed, frames);
        return false;
    }
    return true;
}

// The current "animation" element; false after its warning.
bool readAnimation(ImportContext& ctx, Sprite& sprite, int animCount)
{
    String element;
    ctx.xml.nodeGetName(element);
    if (element != "animation") {
        ctx.warn("  [XML2QEL] Warning: no 'animation' tag found.\n");
        return false;
    }
    static constexpr const char* kAttributes[] = {"id", "type", "status", "frames",
                                                  "hotx", "hoty", "starframe", "endframe"};
    int v[8] = {};
    for (int i = 0; i < 8; ++i)
        if (!ctx.integer(kAttributes[i], v[i]))
            return false;
    const int id = v[0], kind = v[1] >> 1;
    if (id < 0 || id >= animCount) {
        ctx.warn("  [XML2QEL] Warning: idAnim '%d' is out of range [0,%d].\n", id, animCount - 1);
        return false;
    }
    if (kind != SPR_LOOP && kind != SPR_PINGPONG && kind != SPR_ONESHOT) {
        ctx.warn("  [XML2QEL] Warning: type '%d' is unknown.\n", kind);
        return false;
    }
    return sprite.setAnimTypeIndex(id, kind) == 0 && sprite.setAnimStateIndex(id, static_cast<uint16_t>(v[2])) == 0
        && sprite.setAnimHotSpotIndex(id, v[4], v[5]) == 0 && sprite.setAnimRangeIndex(id, v[6], v[7]) == 0
        && readFrames(ctx, sprite, id, v[3]);
}

bool buildSprite(ImportContext& ctx)
{
    Picture picture;
    if (!namedPicture(ctx, picture))
        return false;
    const int sheetHeight = Main::instance()->imageMgr()->get(picture.id())->getHeight();
    SpriteMgr* sprites = Main::instance()->spriteMgr();
    Held<SpriteMgr> held(sprites, sprites->create(ctx.name.c_str(), 10));
    Sprite* sprite = held.get();
    int cellWidth = 0, cellHeight = 0;
    if (!sprite || sprite->assignImage(picture.id(), 0) != 0 || !ctx.integer("xoffset", cellWidth)
        || !ctx.integer("yoffset", cellHeight) || cellHeight <= 0 || sprite->setOffset(cellWidth, cellHeight) != 0)
        return false;
    const int animCount = sheetHeight / cellHeight;
    int parsed = 0;
    {
        ChildScope children(ctx.xml);
        for (bool more = children.entered(); more; more = ctx.xml.nodeNext(), ++parsed)
            if (!readAnimation(ctx, *sprite, animCount))
                return false;
    }
    if (parsed != animCount) {
        ctx.warn("  [XML2QEL] Warning: parsed '%d' animations from a total of '%d'.", parsed, animCount);
        return false;
    }
    return sprite->save(ctx.archiveId, "") == 0;
}

} // namespace

void importImage(ImportContext& ctx)
{
    Picture picture;
    bool ok = namedPicture(ctx, picture);
    if (ok)
        ok = Main::instance()->imageMgr()->get(picture.id())->save(ctx.archiveId, "") == 0;
    ctx.tally(IK_IMAGE, ok, "image");
}

void importTile(ImportContext& ctx) { ctx.tally(IK_TILE, buildTile(ctx), "tile"); }
void importFont(ImportContext& ctx) { ctx.tally(IK_FONT, buildFont(ctx), "font"); }
void importSprite(ImportContext& ctx) { ctx.tally(IK_SPRITE, buildSprite(ctx), "sprite"); }

} // namespace xmlimport
