#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Widget.h>

#include "gfx/Painter.h"
#include "gui/Theme.h"

#include <algorithm>
#include <cmath>

namespace Zelkoran {

namespace {

enum class Anchor { Start, Center, End };

Anchor anchorOf(ePositionHelper h)
{
    switch (static_cast<uint32_t>(h)) {
    case PH_CENTER:
    case PH_CENTER_CODE: return Anchor::Center;
    case PH_RIGHT:
    case PH_BOTTOM:
    case PH_SIZE:
    case 0x63000000u:
    case 0x66000000u: return Anchor::End;
    default: return Anchor::Start;
    }
}

int place(Position p, int start, int extent, int size)
{
    const int off = static_cast<int>(std::lround(p.offset));
    switch (anchorOf(p.helper)) {
    case Anchor::Center: return start + (extent - size) / 2 + off;
    case Anchor::End: return start + extent - size + off;
    default: return start + off;
    }
}

using theme::copy4;

// The theme skin a widget follows: its panel's theme, else the global one.
const GUIThemeSkin& themed(const Widget& w, int state)
{
    int id = w.getPanel() ? w.getPanel()->getTheme() : 0;
    if (id <= 0)
        if (const GUIMgr* g = Main::instance()->guiMgr())
            id = g->getGlobalTheme();
    return theme::skin(id, w.getType(), state);
}

void copy4(uint8_t dst[4], const uint8_t src[4]) { std::copy(src, src + 4, dst); }

uint8_t clampByte(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

SDL_Rect screenRect()
{
    const Screen* s = Main::instance()->configMgr()->get(0);
    return SDL_Rect{0, 0, s ? s->getWidth() : 0, s ? s->getHeight() : 0};
}

} // namespace

Widget::Widget(Panel* panel, Widget* parent, int id, const char* name, eWidgetType type)
    : m_panel(panel), m_parent(parent), m_id(id), m_name(name ? name : ""), m_type(type)
{
}

Widget::~Widget()
{
    Main* main = Main::instance();
    if (GUIMgr* g = main->guiMgr())
        g->forget(this);
    for (int id : m_ownedImages)
        main->imageMgr()->close(id);
    for (int id : m_ownedSprites)
        main->spriteMgr()->close(id);
}

GUIMgr* Widget::gui() const { return Main::instance()->guiMgr(); }

void Widget::invalidate() const
{
    if (GUIMgr* g = gui())
        g->invalidate();
}

// --- placement ---

void Widget::setSize(int width, int height)
{
    m_w = std::max(0, width);
    m_h = std::max(0, height);
    m_sizeSet = true;
    invalidate();
}

int Widget::getWidth() const
{
    if (m_type == WT_PANEL && m_panel->getSizeMode() == 1)
        return screenRect().w;
    if (m_sizeSet)
        return m_w;
    if (const Sprite* s = Main::instance()->spriteMgr()->get(m_skin[0].sprite)) {
        int w = 0;
        s->getOffset(&w, nullptr);
        return w;
    }
    return defaultWidth();
}

int Widget::getHeight() const
{
    if (m_type == WT_PANEL && m_panel->getSizeMode() == 1)
        return screenRect().h;
    if (m_sizeSet)
        return m_h;
    if (const Sprite* s = Main::instance()->spriteMgr()->get(m_skin[0].sprite)) {
        int h = 0;
        s->getOffset(nullptr, &h);
        return h;
    }
    return defaultHeight();
}

void Widget::setPosition(Position x, Position y)
{
    m_posX = x;
    m_posY = y;
    invalidate();
}

SDL_Rect Widget::getRect() const
{
    // A flow layout places the panel's children itself.
    if (SDL_Rect flow; m_type != WT_PANEL && m_panel && m_panel->flowRect(this, flow))
        return flow;
    const SDL_Rect parent = m_parent ? m_parent->getRect() : screenRect();
    const int w = getWidth();
    const int h = getHeight();
    if (m_type == WT_PANEL && m_panel->getSizeMode() == 1)
        return SDL_Rect{0, 0, w, h};
    SDL_Rect r{place(m_posX, parent.x, parent.w, w), place(m_posY, parent.y, parent.h, h), w, h};
    if (m_features & WF_ENCLOSE) {
        // Unnamed and enclosed: the widget works beside its panel (the big
        // text boxes of the tabs) and is kept inside the window instead.
        const SDL_Rect bounds = (m_features & WF_UNNAMED) ? screenRect() : parent;
        r.x = std::clamp(r.x, bounds.x, std::max(bounds.x, bounds.x + bounds.w - w));
        r.y = std::clamp(r.y, bounds.y, std::max(bounds.y, bounds.y + bounds.h - h));
    }
    return r;
}

void Widget::setMargin(int top, int right, int bottom, int left)
{
    m_margin[0] = std::max(0, top);
    m_margin[1] = std::max(0, right);
    m_margin[2] = std::max(0, bottom);
    m_margin[3] = std::max(0, left);
    invalidate();
}

void Widget::getMargin(int& top, int& right, int& bottom, int& left) const
{
    top = m_margin[0];
    right = m_margin[1];
    bottom = m_margin[2];
    left = m_margin[3];
}

SDL_Rect Widget::innerRect(const SDL_Rect& r) const
{
    const int b = effectiveBorderWidth(getState());
    return SDL_Rect{r.x + b + m_margin[3], r.y + b + m_margin[0], r.w - 2 * b - m_margin[1] - m_margin[3],
                    r.h - 2 * b - m_margin[0] - m_margin[2]};
}

// --- visibility and state ---

void Widget::show()
{
    const bool was = m_shown;
    m_shown = true;
    if (m_type == WT_PANEL && !was)
        if (GUIMgr* g = gui())
            g->setPanelFocus(m_panel->getID());
    invalidate();
}

void Widget::hide()
{
    m_shown = false;
    if (GUIMgr* g = gui())
        g->released(this);
    invalidate();
}

void Widget::enable()
{
    m_enabled = true;
    invalidate();
}

void Widget::disable()
{
    m_enabled = false;
    if (GUIMgr* g = gui())
        g->released(this);
    invalidate();
}

int Widget::status() const
{
    if (!m_enabled)
        return 0;
    return m_shown ? 9 : 5;
}

bool Widget::isVisible() const { return m_shown && (!m_parent || m_parent->isVisible()); }

int Widget::getState() const
{
    if (!m_enabled)
        return WS_DEACTIVATED;
    if (m_pressed && m_hovered)
        return WS_PRESSED;
    if (inActionState())
        return WS_ACTION;
    if (m_hovered || m_pressed)
        return WS_HOVERED;
    return WS_NORMAL;
}

void Widget::setFeatures(uint32_t bits, bool on)
{
    m_features = on ? (m_features | bits) : (m_features & ~bits);
    invalidate();
}

void Widget::setAlphaMod(int alpha)
{
    m_alpha = std::clamp(alpha, 0, 255);
    invalidate();
}

// --- skin ---

void Widget::forEachState(int state, const std::function<void(WidgetSkin&)>& fn)
{
    if (state == WS_ALL) {
        for (WidgetSkin& s : m_skin)
            fn(s);
    } else if (state >= 0 && state < WS_COUNT) {
        fn(m_skin[state]);
    }
    invalidate();
}

const WidgetSkin& Widget::getSkin(int state) const { return skin(state); }

void Widget::setFont(int fontId, int state)
{
    forEachState(state, [&](WidgetSkin& s) {
        s.font = fontId;
        s.overrides = fontId > 0 ? (s.overrides | WidgetSkin::SO_FONT) : (s.overrides & ~WidgetSkin::SO_FONT);
    });
}

int Widget::getFont(int state) const
{
    const WidgetSkin& s = skin(state);
    if ((s.overrides & WidgetSkin::SO_FONT) && Main::instance()->fontMgr()->get(s.font))
        return s.font;
    if (m_type != WT_PANEL && m_panel)
        return m_panel->baseWidget()->getFont(state);
    return Main::instance()->fontMgr()->getBuiltin(theme::kDefaultFont);
}

Font* Widget::font(int state) const { return Main::instance()->fontMgr()->get(getFont(state)); }

void Widget::setBackgroundColor(int r, int g, int b, int state)
{
    forEachState(state, [&](WidgetSkin& s) {
        s.background[0] = clampByte(r);
        s.background[1] = clampByte(g);
        s.background[2] = clampByte(b);
        s.background[3] = 255;
        s.overrides = (s.overrides | WidgetSkin::SO_BACKGROUND) & ~WidgetSkin::SO_NO_BACKGROUND;
    });
}

void Widget::effectiveBackground(int state, uint8_t out[4]) const
{
    const WidgetSkin& s = skin(state);
    if (s.overrides & WidgetSkin::SO_NO_BACKGROUND)
        copy4(out, Color{0, 0, 0, 0});
    else if (s.overrides & WidgetSkin::SO_BACKGROUND)
        copy4(out, s.background);
    else
        copy4(out, themed(*this, state).background);
}

void Widget::getBackgroundColor(uint8_t* r, uint8_t* g, uint8_t* b, int state) const
{
    uint8_t c[4];
    effectiveBackground(state, c);
    if (r)
        *r = c[0];
    if (g)
        *g = c[1];
    if (b)
        *b = c[2];
}

void Widget::setBorderColor(int r, int g, int b, int a, int state)
{
    forEachState(state, [&](WidgetSkin& s) {
        s.border[0] = clampByte(r);
        s.border[1] = clampByte(g);
        s.border[2] = clampByte(b);
        s.border[3] = clampByte(a);
        s.overrides |= WidgetSkin::SO_BORDER;
    });
}

void Widget::effectiveBorder(int state, uint8_t out[4]) const
{
    const WidgetSkin& s = skin(state);
    if (s.overrides & WidgetSkin::SO_BORDER)
        copy4(out, s.border);
    else
        copy4(out, themed(*this, state).border);
}

void Widget::getBorderColor(uint8_t* r, uint8_t* g, uint8_t* b, uint8_t* a, int state) const
{
    uint8_t c[4];
    effectiveBorder(state, c);
    if (r)
        *r = c[0];
    if (g)
        *g = c[1];
    if (b)
        *b = c[2];
    if (a)
        *a = c[3];
}

void Widget::setBorderWidth(int width, int state)
{
    forEachState(state, [&](WidgetSkin& s) {
        s.borderWidth = std::max(0, width);
        s.overrides |= WidgetSkin::SO_BORDER_WIDTH;
    });
}

int Widget::effectiveBorderWidth(int state) const
{
    const WidgetSkin& s = skin(state);
    return (s.overrides & WidgetSkin::SO_BORDER_WIDTH) ? s.borderWidth : themed(*this, state).borderWidth;
}

int Widget::getBorderWidth(int state) const { return effectiveBorderWidth(state); }

void Widget::setBorderCorner(int radius, int state)
{
    forEachState(state, [&](WidgetSkin& s) {
        s.borderCorner = std::max(0, radius);
        s.overrides |= WidgetSkin::SO_CORNER;
    });
}

int Widget::effectiveCorner(int state) const
{
    const WidgetSkin& s = skin(state);
    return (s.overrides & WidgetSkin::SO_CORNER) ? s.borderCorner : themed(*this, state).borderCorner;
}

int Widget::getBorderCorner(int state) const { return effectiveCorner(state); }

void Widget::setSelectionColor(int r, int g, int b, int a, int state)
{
    forEachState(state, [&](WidgetSkin& s) {
        s.selection[0] = clampByte(r);
        s.selection[1] = clampByte(g);
        s.selection[2] = clampByte(b);
        s.selection[3] = clampByte(a);
        s.overrides |= WidgetSkin::SO_SELECTION;
    });
}

void Widget::effectiveSelection(int state, uint8_t out[4]) const
{
    const WidgetSkin& s = skin(state);
    if (s.overrides & WidgetSkin::SO_SELECTION)
        copy4(out, s.selection);
    else
        copy4(out, themed(*this, state).selection);
}

void Widget::getSelectionColor(uint8_t* r, uint8_t* g, uint8_t* b, uint8_t* a, int state) const
{
    uint8_t c[4];
    effectiveSelection(state, c);
    if (r)
        *r = c[0];
    if (g)
        *g = c[1];
    if (b)
        *b = c[2];
    if (a)
        *a = c[3];
}

void Widget::adopt(int imageId, int spriteId)
{
    if (imageId > 0 && std::find(m_ownedImages.begin(), m_ownedImages.end(), imageId) == m_ownedImages.end())
        m_ownedImages.push_back(imageId);
    if (spriteId > 0 && std::find(m_ownedSprites.begin(), m_ownedSprites.end(), spriteId) == m_ownedSprites.end())
        m_ownedSprites.push_back(spriteId);
}

int Widget::setBackgroundImage(int imageId, int state)
{
    if (!Main::instance()->imageMgr()->get(imageId))
        return RC_ERR_NOT_FOUND;
    if (state != WS_ALL && (state < 0 || state >= WS_COUNT))
        return RC_ERR_INVALID;
    adopt(imageId, 0);
    forEachState(state, [&](WidgetSkin& s) {
        s.image = imageId;
        s.sprite = 0;
        s.overrides &= ~WidgetSkin::SO_NO_BACKGROUND;
    });
    return RC_OK;
}

int Widget::setBackgroundSprite(int spriteId, int state, int animation)
{
    const Sprite* sprite = Main::instance()->spriteMgr()->get(spriteId);
    if (!sprite)
        return RC_ERR_NOT_FOUND;
    if (state != WS_ALL && (state < 0 || state >= WS_COUNT))
        return RC_ERR_INVALID;
    adopt(0, spriteId);
    const bool strip = state == WS_ALL && sprite->getAnimCount() >= WS_COUNT;
    for (int s = 0; s < WS_COUNT; ++s) {
        if (state != WS_ALL && s != state)
            continue;
        m_skin[s].sprite = spriteId;
        m_skin[s].image = 0;
        m_skin[s].spriteAnimation = strip ? s : animation;
        m_skin[s].overrides &= ~WidgetSkin::SO_NO_BACKGROUND;
    }
    invalidate();
    return RC_OK;
}

int Widget::setBackgroundImage(int archiveId, const char* name, int state)
{
    if (state != WS_ALL && (state < 0 || state >= WS_COUNT))
        return RC_ERR_INVALID;
    ImageMgr* images = Main::instance()->imageMgr();
    const int id = images->load(archiveId, name);
    if (id <= 0)
        return id;
    const int rc = setBackgroundImage(id, state);
    if (rc != RC_OK)
        images->close(id);
    return rc;
}

int Widget::setBackgroundSprite(int archiveId, const char* name, int state, int animation)
{
    if (state != WS_ALL && (state < 0 || state >= WS_COUNT))
        return RC_ERR_INVALID;
    SpriteMgr* sprites = Main::instance()->spriteMgr();
    const int id = sprites->load(archiveId, name);
    if (id <= 0)
        return id;
    const int rc = setBackgroundSprite(id, state, animation);
    if (rc != RC_OK)
        sprites->close(id);
    return rc;
}

int Widget::getBackgroundImage(int state) const { return skin(state).image; }

int Widget::getBackgroundSprite(int state, int* animation) const
{
    if (animation)
        *animation = skin(state).spriteAnimation;
    return skin(state).sprite;
}

void Widget::clearBackground(int state)
{
    forEachState(state, [&](WidgetSkin& s) {
        s.image = 0;
        s.sprite = 0;
        s.overrides = (s.overrides & ~WidgetSkin::SO_BACKGROUND) | WidgetSkin::SO_NO_BACKGROUND;
    });
}

void Widget::resetSkin(int state)
{
    forEachState(state, [&](WidgetSkin& s) { s.overrides = 0; });
}

uint32_t Widget::getSkinOverrideMask(int state) const { return skin(state).overrides; }

// --- tooltip ---

void Widget::setTooltip(const char* text) { m_tooltip = text ? text : ""; }
void Widget::setTooltipFont(int fontId) { m_tipFont = fontId; }

void Widget::setTooltipBackgroundColor(int r, int g, int b, int a)
{
    m_tipBg[0] = clampByte(r);
    m_tipBg[1] = clampByte(g);
    m_tipBg[2] = clampByte(b);
    m_tipBg[3] = clampByte(a);
    m_tipBgSet = true;
}

bool Widget::getTooltipBackgroundColor(uint8_t& r, uint8_t& g, uint8_t& b, uint8_t& a) const
{
    if (!m_tipBgSet)
        return false;
    r = m_tipBg[0], g = m_tipBg[1], b = m_tipBg[2], a = m_tipBg[3];
    return true;
}

void Widget::setTooltipBorderColor(int r, int g, int b, int a)
{
    m_tipBorder[0] = clampByte(r);
    m_tipBorder[1] = clampByte(g);
    m_tipBorder[2] = clampByte(b);
    m_tipBorder[3] = clampByte(a);
    m_tipBorderSet = true;
}

bool Widget::getTooltipBorderColor(uint8_t& r, uint8_t& g, uint8_t& b, uint8_t& a) const
{
    if (!m_tipBorderSet)
        return false;
    r = m_tipBorder[0], g = m_tipBorder[1], b = m_tipBorder[2], a = m_tipBorder[3];
    return true;
}

void Widget::resetTooltipStyle()
{
    m_tipFont = 0;
    m_tipBgSet = m_tipBorderSet = false;
}

// --- drawing ---

void Widget::textColor(int state, uint8_t out[4]) const
{
    if (state == WS_DEACTIVATED) {
        copy4(out, theme::kDisabledText);
        return;
    }
    // A theme with a text colour of its own colours text in fonts the
    // widget did not choose itself.
    const GUIThemeSkin& t = themed(*this, state);
    if (t.text[3] != 0 && !(skin(state).overrides & WidgetSkin::SO_FONT)) {
        copy4(out, t.text);
        return;
    }
    const Font* f = font(state);
    out[3] = 255;
    if (f)
        f->getColor(out[0], out[1], out[2]);
    else
        out[0] = out[1] = out[2] = 0;
}

void Widget::paintBackground(Painter& painter, const SDL_Rect& r, int state)
{
    if (m_features & WF_NO_BG)
        return;
    const WidgetSkin& s = skin(state);
    int image = s.image, sprite = s.sprite, anim = s.spriteAnimation;
    if (!image && !sprite && !(s.overrides & WidgetSkin::SO_NO_BACKGROUND) && state != WS_NORMAL) {
        image = m_skin[0].image;
        sprite = m_skin[0].sprite;
        anim = m_skin[0].spriteAnimation;
        if (const Sprite* sp = Main::instance()->spriteMgr()->get(sprite))
            if (sp->getAnimCount() >= WS_COUNT)
                anim = state;
    }
    if (const Sprite* sp = Main::instance()->spriteMgr()->get(sprite)) {
        int fw = 0, fh = 0;
        sp->getOffset(&fw, &fh);
        painter.sprite(sprite, anim, (m_features & WF_BG_FIT) ? r : SDL_Rect{r.x, r.y, fw, fh});
        return;
    }
    if (const Image* img = Main::instance()->imageMgr()->get(image)) {
        painter.image(image, nullptr,
                      (m_features & WF_BG_FIT) ? r : SDL_Rect{r.x, r.y, img->getWidth(), img->getHeight()});
        return;
    }
    uint8_t c[4];
    effectiveBackground(state, c);
    painter.fillRounded(r, effectiveCorner(state), rgba(c));
}

bool Widget::plainBackground(const SDL_Rect& r, const SDL_Rect& inside, int state, uint8_t out[4]) const
{
    const WidgetSkin& s = skin(state);
    if ((m_features & WF_NO_BG) || s.image || s.sprite || m_skin[0].image || m_skin[0].sprite)
        return false;
    effectiveBackground(state, out);
    // Rounded corners and the border stay within this distance of r's edges.
    const SDL_Rect solid = shrink(r, std::max(effectiveCorner(state), effectiveBorderWidth(state)));
    SDL_Rect common;
    return out[3] == 255 && SDL_IntersectRect(&inside, &solid, &common) && SDL_RectEquals(&common, &inside);
}

void Widget::paintBorder(Painter& painter, const SDL_Rect& r, int state)
{
    const WidgetSkin& s = skin(state);
    const bool pictured = s.image || s.sprite || m_skin[0].image || m_skin[0].sprite;
    if (pictured && !(s.overrides & (WidgetSkin::SO_BORDER | WidgetSkin::SO_BORDER_WIDTH)))
        return;
    const int width = effectiveBorderWidth(state);
    if (width <= 0)
        return;
    uint8_t c[4];
    effectiveBorder(state, c);
    painter.frameRounded(r, effectiveCorner(state), rgba(c), width);
}

void Widget::paint(Painter& painter, const SDL_Rect& r)
{
    const int state = getState();
    paintBackground(painter, r, state);
    paintBorder(painter, r, state);
}

bool Widget::takesClicks() const { return true; }

void Widget::mouseUp(const Mouse&, bool inside)
{
    if (inside && (m_features & WF_EVENTS))
        fire(m_onPressed, GE_ACTION, 0);
}

void Widget::focusChanged(bool gained)
{
    if (gained) {
        if (m_onFocusGained)
            fire(m_onFocusGained, -1, 0);
        return;
    }
    if (m_features & WF_FOCUS_LOST)
        fire(m_onFocusLost, GE_FOCUS_LOST, 0);
    else if (m_onFocusLost)
        fire(m_onFocusLost, -1, 0);
}

void Widget::fire(const WidgetReaction& reaction, int code, int value)
{
    GUIMgr* g = gui();
    const int id = m_id;
    const int panelId = m_panel ? m_panel->getID() : 0;
    if (g)
        g->beginDispatch();
    if (reaction) {
        const WidgetReaction call = reaction; // the reaction may replace itself
        call(*this);
    }
    if (g) {
        if (code >= 0)
            g->pushEvent(code, id, value, panelId);
        g->invalidate();
        g->endDispatch();
    }
}

void Widget::raise(int code, int value)
{
    if (GUIMgr* g = gui())
        g->pushEvent(code, m_id, value, m_panel ? m_panel->getID() : 0);
}

// --- panel base ---

WidgetPanelBase::WidgetPanelBase(Panel* panel, int id, const char* name) : Widget(panel, nullptr, id, name, WT_PANEL)
{
    hide();
}

void WidgetPanelBase::paint(Painter& painter, const SDL_Rect& r)
{
    const int state = isEnabled() ? WS_NORMAL : WS_DEACTIVATED;
    paintBackground(painter, r, state);
    paintBorder(painter, r, state);
}

} // namespace Zelkoran
