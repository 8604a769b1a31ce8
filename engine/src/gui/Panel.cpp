#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Result.h>

#include "gfx/Painter.h"
#include "gui/PanelLayout.h"
#include "gui/Placement.h"

#include <algorithm>
#include <cmath>

namespace Zelkoran {

namespace {

// The base widget's id: the panel id with a high bit, so it never equals a
// child's id.
constexpr int kBaseIdBit = 1 << 24;

} // namespace

Panel::Panel(int id, const char* name)
    : m_id(id), m_name(name ? name : ""), m_base(std::make_unique<WidgetPanelBase>(this, kBaseIdBit | id, name))
{
}

Panel::~Panel()
{
    for (Widget* w : m_order)
        delete w;
    m_order.clear();
}

template <class W, class... Extra>
W* Panel::add(const char* name, int id, Extra... extra)
{
    if (id <= 0 || getWidgetByID(id))
        return nullptr;
    W* w = new W(this, m_base.get(), id, name, extra...);
    m_order.push_back(w);
    if (GUIMgr* g = Main::instance()->guiMgr())
        g->invalidate();
    return w;
}

WidgetButton* Panel::createButton(const char* name, int id) { return add<WidgetButton>(name, id); }
WidgetLabel* Panel::createLabel(const char* name, int id) { return add<WidgetLabel>(name, id); }
WidgetCheckBox* Panel::createCheckBox(const char* name, int id) { return add<WidgetCheckBox>(name, id); }
WidgetList* Panel::createList(const char* name, int id) { return add<WidgetList>(name, id); }
WidgetComboBox* Panel::createComboBox(const char* name, int id) { return add<WidgetComboBox>(name, id); }
WidgetSlider* Panel::createSlider(const char* name, int id, int axis) { return add<WidgetSlider>(name, id, axis); }
WidgetTextEdit* Panel::createTextEdit(const char* name, int id) { return add<WidgetTextEdit>(name, id); }
WidgetNumberEdit* Panel::createNumberEdit(const char* name, int id) { return add<WidgetNumberEdit>(name, id); }
WidgetImage* Panel::createImage(const char* name, int id) { return add<WidgetImage>(name, id); }
WidgetFrame* Panel::createFrame(const char* name, int id) { return add<WidgetFrame>(name, id); }
WidgetProgress* Panel::createProgress(const char* name, int id) { return add<WidgetProgress>(name, id); }

Widget* Panel::createWidgetByType(const char* name, eWidgetType type, int id)
{
    switch (type) {
    case WT_LABEL: return createLabel(name, id);
    case WT_IMAGE: return createImage(name, id);
    case WT_FRAME: return createFrame(name, id);
    case WT_BUTTON: return createButton(name, id);
    case WT_CHECKBOX: return createCheckBox(name, id);
    case WT_PROGRESS: return createProgress(name, id);
    case WT_SLIDER: return createSlider(name, id, 0);
    case WT_TEXTEDIT: return createTextEdit(name, id);
    case WT_NUMBEREDIT: return createNumberEdit(name, id);
    case WT_LIST: return createList(name, id);
    case WT_COMBOBOX: return createComboBox(name, id);
    default: return nullptr;
    }
}

Widget* Panel::getWidgetByID(int id)
{
    for (Widget* w : m_order)
        if (w->getID() == id)
            return w;
    return nullptr;
}

template <class W>
W* Panel::find(int id, eWidgetType type)
{
    Widget* w = getWidgetByID(id);
    return w && w->getType() == type ? static_cast<W*>(w) : nullptr;
}

WidgetButton* Panel::getButton(int id) { return find<WidgetButton>(id, WT_BUTTON); }
WidgetLabel* Panel::getLabel(int id) { return find<WidgetLabel>(id, WT_LABEL); }
WidgetCheckBox* Panel::getCheckBox(int id) { return find<WidgetCheckBox>(id, WT_CHECKBOX); }
WidgetList* Panel::getList(int id) { return find<WidgetList>(id, WT_LIST); }
WidgetComboBox* Panel::getComboBox(int id) { return find<WidgetComboBox>(id, WT_COMBOBOX); }
WidgetSlider* Panel::getSlider(int id) { return find<WidgetSlider>(id, WT_SLIDER); }
WidgetNumberEdit* Panel::getNumberEdit(int id) { return find<WidgetNumberEdit>(id, WT_NUMBEREDIT); }
WidgetImage* Panel::getImage(int id) { return find<WidgetImage>(id, WT_IMAGE); }
WidgetFrame* Panel::getFrame(int id) { return find<WidgetFrame>(id, WT_FRAME); }
WidgetProgress* Panel::getProgress(int id) { return find<WidgetProgress>(id, WT_PROGRESS); }

WidgetTextEdit* Panel::getTextEdit(int id)
{
    Widget* w = getWidgetByID(id);
    return w && (w->getType() == WT_TEXTEDIT || w->getType() == WT_NUMBEREDIT) ? static_cast<WidgetTextEdit*>(w)
                                                                                : nullptr;
}

void Panel::getWidgetInfoList(Vector<WidgetInfo>& out) const
{
    out.clear();
    for (const Widget* w : m_order)
        out.push_back(WidgetInfo{w->getID(), String(w->getName()), w->getType()});
}

int Panel::closeWidget(int id)
{
    auto it = std::find_if(m_order.begin(), m_order.end(), [id](const Widget* w) { return w->getID() == id; });
    if (it == m_order.end())
        return RC_ERR_NOT_FOUND;
    Widget* w = *it;
    m_order.erase(it);
    if (GUIMgr* g = Main::instance()->guiMgr())
        g->discardWidget(w);
    else
        delete w;
    return RC_OK;
}

void Panel::setTitle(const char* text, Position x, Position y)
{
    m_title = text ? text : "";
    m_titleX = x;
    m_titleY = y;
    if (GUIMgr* g = Main::instance()->guiMgr())
        g->invalidate();
}

void Panel::setPanelType(int type, int ttlMs)
{
    m_type = type;
    m_ttl = ttlMs;
}

void Panel::draw(Painter& painter)
{
    if (!m_base->isShown())
        return;
    const SDL_Rect rect = m_base->getRect();
    if (!painter.visible(rect))
        return;
    const uint8_t alpha = static_cast<uint8_t>(m_base->getAlphaMod());
    painter.setOpacity(alpha);
    m_base->paint(painter, rect);
    if (!m_title.empty()) {
        painter.pushClip(rect);
        const int fontId = m_base->getFont(WS_NORMAL);
        if (const Font* f = Main::instance()->fontMgr()->get(fontId)) {
            uint8_t r = 0, g = 0, b = 0;
            f->getColor(r, g, b);
            const int w = f->getWidth(m_title.c_str());
            painter.text(f, m_title.c_str(), -1, placeInExtent(m_titleX, rect.x, rect.w, w),
                         placeInExtent(m_titleY, rect.y, rect.h, f->getHeight()), Color{r, g, b, 255});
        }
        painter.popClip();
    }
    // Children are clipped to the panel, but for a widget that is enclosed
    // in the window instead (WF_ENCLOSE with WF_UNNAMED): it may sit beside
    // it. A disabled widget exactly under a shown, enabled one is not drawn (the
    // enabled one is the one seen).
    const auto coveredByEnabled = [this](const SDL_Rect& r) {
        return std::any_of(m_order.begin(), m_order.end(), [&](const Widget* e) {
            if (!e->isShown() || !e->isEnabled())
                return false;
            const SDL_Rect er = e->getRect();
            return SDL_RectEquals(&er, &r) == SDL_TRUE;
        });
    };
    constexpr uint32_t kBeside = WF_ENCLOSE | WF_UNNAMED;
    for (Widget* w : m_order) {
        if (!w->isShown())
            continue;
        const SDL_Rect r = w->getRect();
        const bool clipped = (w->getFeatures() & kBeside) != kBeside;
        if (clipped)
            painter.pushClip(rect);
        if (painter.visible(r) && (w->isEnabled() || !coveredByEnabled(r))) {
            painter.setOpacity(static_cast<uint8_t>(alpha * w->getAlphaMod() / 255));
            w->paint(painter, r);
        }
        if (clipped)
            painter.popClip();
    }
    painter.setOpacity(255);
}

} // namespace Zelkoran
