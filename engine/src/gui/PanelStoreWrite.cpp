// Writes the "ZK7_GUIPANEL" block (docs/panel-format.md): Panel::save.
#include <Zelkoran/Font.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Archive.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Result.h>

#include "core/ByteOrder.h"
#include "gui/PanelStore.h"

#include <cstring>
#include <new>

namespace Zelkoran::panelstore {

namespace {

const char* fontName(int fontId)
{
    const Font* f = Main::instance()->fontMgr()->get(fontId);
    return f ? f->getName() : "";
}

class Writer : public bytes::ByteWriter<Vector<uint8_t>> {
public:
    using ByteWriter::ByteWriter;
    void text(const char* s) { ByteWriter::text(s, kMaxText); }
    void rgba(const uint8_t c[4]) { bytes(c, 4); }
    void pos(Position p)
    {
        f32(p.offset);
        u32(static_cast<uint32_t>(p.helper));
    }
};

void writeWidget(Writer& w, const Widget& wd)
{
    w.u8(static_cast<uint8_t>((wd.isShown() ? kShown : 0) | (wd.isEnabled() ? kEnabled : 0) |
                              (wd.hasOwnSize() ? kOwnSize : 0)));
    w.u8(static_cast<uint8_t>(wd.getAlphaMod()));
    w.i32(wd.hasOwnSize() ? wd.getOwnWidth() : 0);
    w.i32(wd.hasOwnSize() ? wd.getOwnHeight() : 0);
    w.pos(wd.getPositionX());
    w.pos(wd.getPositionY());
    int m[4];
    wd.getMargin(m[0], m[1], m[2], m[3]);
    for (int v : m)
        w.i32(v);
    w.u32(wd.getFeatures());
    w.text(wd.getTooltip());
    w.text(wd.getTooltipFont() > 0 ? fontName(wd.getTooltipFont()) : "");
    uint8_t c[4] = {};
    const bool bg = wd.getTooltipBackgroundColor(c[0], c[1], c[2], c[3]);
    w.u8(bg);
    w.rgba(c);
    uint8_t b[4] = {};
    const bool border = wd.getTooltipBorderColor(b[0], b[1], b[2], b[3]);
    w.u8(border);
    w.rgba(b);
    for (int s = 0; s < WS_COUNT; ++s) {
        const WidgetSkin& sk = wd.getSkin(s);
        // A font that can no longer be named is dropped: the reader takes
        // bit 1 exactly with a name.
        const char* font = (sk.overrides & WidgetSkin::SO_FONT) ? fontName(sk.font) : "";
        w.u32(font[0] ? sk.overrides : sk.overrides & ~static_cast<uint32_t>(WidgetSkin::SO_FONT));
        w.text(font);
        w.rgba(sk.background);
        w.rgba(sk.border);
        w.rgba(sk.selection);
        w.i32(sk.borderWidth);
        w.i32(sk.borderCorner);
        const Image* img = Main::instance()->imageMgr()->get(sk.image);
        w.text(img ? img->getName() : "");
        const Sprite* spr = Main::instance()->spriteMgr()->get(sk.sprite);
        w.text(spr ? spr->getName() : "");
        w.i32(spr ? sk.spriteAnimation : 0);
    }
}

void writeItems(Writer& w, const WidgetItems& items)
{
    w.u8(items.getAutoSort());
    const int n = items.getItemCount();
    w.u32(static_cast<uint32_t>(n));
    for (int i = 1; i <= n; ++i)
        w.text(items.getItemText(i));
    w.i32(items.getSelectedIndex());
}

void writeTyped(Writer& w, const Widget& wd)
{
    switch (wd.getType()) {
    case WT_LABEL:
    case WT_BUTTON:
    case WT_CHECKBOX: {
        const auto& t = static_cast<const WidgetText&>(wd);
        w.text(t.getText());
        w.pos(t.getTextX());
        w.pos(t.getTextY());
        if (wd.getType() == WT_BUTTON)
            w.i32(static_cast<const WidgetButton&>(wd).getKey());
        if (wd.getType() == WT_CHECKBOX) {
            const auto& c = static_cast<const WidgetCheckBox&>(wd);
            w.u8(c.isChecked());
            w.i32(c.getGroup());
            w.i32(c.getKey());
        }
        break;
    }
    case WT_PROGRESS:
    case WT_SLIDER: {
        const auto& r = static_cast<const WidgetRanged&>(wd);
        w.i32(r.getMin());
        w.i32(r.getMax());
        w.i32(r.getValue());
        if (wd.getType() == WT_SLIDER) {
            w.u8(static_cast<uint8_t>(static_cast<const WidgetSlider&>(wd).getAxis()));
            w.i32(static_cast<const WidgetSlider&>(wd).getThumbSize());
        }
        break;
    }
    case WT_TEXTEDIT: {
        const auto& t = static_cast<const WidgetTextEdit&>(wd);
        w.u8(t.getMultiline());
        w.u8(t.getReadOnly());
        w.text(t.getText().c_str());
        break;
    }
    case WT_NUMBEREDIT: {
        const auto& n = static_cast<const WidgetNumberEdit&>(wd);
        w.u8(n.getReadOnly());
        w.u8(n.isFloatAllowed());
        w.f32(n.getMin());
        w.f32(n.getMax());
        w.f32(n.getStep());
        w.f32(n.getValue());
        break;
    }
    case WT_LIST: {
        const auto& l = static_cast<const WidgetList&>(wd);
        writeItems(w, l);
        w.u8(l.getMultiSelect());
        if (l.getMultiSelect())
            for (int i = 1; i <= l.getItemCount(); ++i)
                w.u8(l.isSelected(i));
        break;
    }
    case WT_COMBOBOX: writeItems(w, static_cast<const WidgetItems&>(wd)); break;
    case WT_FRAME: w.u8(static_cast<const WidgetFrame&>(wd).isFilled()); break;
    default: break;
    }
}

} // namespace

int encodePanel(const Panel& panel, Vector<uint8_t>& out)
{
    try {
        out.clear();
        Writer w(out);
        out.insert(out.end(), kMagic, kMagic + 3);
        w.u8(kVersion);
        w.u32(static_cast<uint32_t>(panel.children().size()));
        w.i32(panel.getPanelType());
        w.i32(panel.getPanelTTL());
        w.i32(panel.getScreen());
        w.i32(panel.getScreenDesired());
        w.i32(panel.getSizeMode());
        w.i32(panel.getTheme());
        w.i32(panel.getLayout());
        w.i32(panel.getLayoutAlign());
        w.i32(panel.getLayoutJustify());
        w.text(panel.getTitle());
        w.pos(panel.getTitleX());
        w.pos(panel.getTitleY());
        writeWidget(w, *panel.baseWidget());
        for (const Widget* wd : panel.children()) {
            w.i32(wd->getType());
            w.i32(wd->getID());
            w.text(wd->getName());
            writeWidget(w, *wd);
            writeTyped(w, *wd);
        }
    } catch (const std::bad_alloc&) {
        return RC_ERR_NO_MEMORY;
    }
    return RC_OK;
}

} // namespace Zelkoran::panelstore

namespace Zelkoran {

int Panel::save(int archiveId)
{
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive)
        return RC_ERR_NOT_FOUND;
    if (m_name.empty() || m_name.size() > kMaxBlockName)
        return RC_ERR_INVALID;
    Vector<uint8_t> data;
    if (const int rc = panelstore::encodePanel(*this, data); rc != RC_OK)
        return rc;
    Archive::Block block(m_name.c_str(), panelstore::kPanelBlockType);
    block.storage = blockStorage(*archive, Archive::ST_COMPRESSED); // small and repetitive
    block.data = data.data();
    block.size = data.size();
    return archive->blockAdd(block);
}

} // namespace Zelkoran
