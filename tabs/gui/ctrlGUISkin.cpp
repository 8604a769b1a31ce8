// The skin editor: one widget state at a time, drawn from the theme, from
// colours and border values of its own, or from an archive image or sprite,
// with an optional font. Fields go straight into the live widget.
#include "tabs/gui/ctrlGUISkin.h"

#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "services/TextFit.h"
#include "services/WidgetBuilders.h"
#include "tabs/base/TabControls.h"
#include "tabs/base/TabServices.h"
#include "tabs/gui/ctrlGUIArchiveNames.h"
#include "tabs/gui/ctrlGUIIds.h"
#include "tabs/gui/ctrlGUIRows.h"
#include "tabs/gui/ctrlGUITables.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Font.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Log.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Widget.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>

using namespace Zelkoran;
using namespace CtrlGUIInternal;

namespace {

using string = Zelkoran::String;

bool showsSelection(eWidgetType t)
{
    return t == WT_TEXTEDIT || t == WT_NUMBEREDIT || t == WT_LIST || t == WT_COMBOBOX;
}

// The name in rows 2.. of a list backed by names, or "" for row 1 and rows
// outside it.
string nameForRow(const Vector<string>& names, int row)
{
    return row > 1 && row - 1 <= static_cast<int>(names.size()) ? names[row - 2] : string();
}

// The row of name in a list backed by names; 1 when it is not there.
int rowForName(const Vector<string>& names, const char* name)
{
    for (size_t k = 0; name && k < names.size(); ++k)
        if (names[k] == name)
            return static_cast<int>(k) + 2;
    return 1;
}

const char* fontName(int id)
{
    const Font* f = id > 0 ? Main::instance()->fontMgr()->get(id) : nullptr;
    return f ? f->getName() : nullptr;
}

const char* imageName(int id)
{
    const Image* i = id > 0 ? Main::instance()->imageMgr()->get(id) : nullptr;
    return i ? i->getName() : nullptr;
}

const char* spriteName(int id)
{
    const Sprite* s = id > 0 ? Main::instance()->spriteMgr()->get(id) : nullptr;
    return s ? s->getName() : nullptr;
}

bool sameSkin(const WidgetSkin& a, const WidgetSkin& b)
{
    return a.font == b.font && std::memcmp(a.background, b.background, 4) == 0 &&
           std::memcmp(a.border, b.border, 4) == 0 && std::memcmp(a.selection, b.selection, 4) == 0 &&
           a.borderWidth == b.borderWidth && a.borderCorner == b.borderCorner && a.image == b.image &&
           a.sprite == b.sprite && a.spriteAnimation == b.spriteAnimation && a.overrides == b.overrides;
}

} // namespace

bool GUISkinEditor::widgetSupportsFont(eWidgetType type)
{
    switch (type) {
    case WT_LABEL:
    case WT_BUTTON:
    case WT_CHECKBOX:
    case WT_TEXTEDIT:
    case WT_NUMBEREDIT:
    case WT_LIST:
    case WT_COMBOBOX: return true;
    default: return false;
    }
}

int GUISkinEditor::skinStateToIndex(int state)
{
    if (state >= WS_NORMAL && state < WS_COUNT)
        return state;
    if (Log* log = LogMgr::current())
        log->msg(3, " [CtrlGUI] Warning: unexpected widget state %d for skin editor, defaulting to WS_NORMAL.\n",
                 state);
    return WS_NORMAL;
}

int GUISkinEditor::getSkinEditorMode(const Widget* widget, int state)
{
    if (!widget)
        return 0;
    if (widget->getBackgroundImage(state) > 0 || widget->getBackgroundSprite(state) > 0)
        return 2;
    return widget->getSkinOverrideMask(state) != 0 ? 1 : 0;
}

void GUISkinEditor::populateSkinResourceLists()
{
    listsStale = false;
    skinFontNames.clear();
    skinImageNames.clear();
    skinSpriteNames.clear();
    WidgetComboBox* fonts = fields.panel.getComboBox(GW_SKIN_FONT);
    WidgetComboBox* images = fields.panel.getComboBox(GW_SKIN_IMAGE);
    WidgetComboBox* sprites = fields.panel.getComboBox(GW_SKIN_SPRITE);
    const auto reset = [](WidgetComboBox* c, const char* first) {
        if (c) {
            c->clearItems();
            c->addItem(first);
            c->setSelectedIndex(1);
        }
    };
    reset(fonts, "Theme");
    reset(images, "None");
    reset(sprites, "None");
    // A long name shows its start and end: the row stands for the whole
    // name kept in names.
    const auto add = [](Vector<string>& names, WidgetComboBox* c, const string& name, const string& shown) {
        names.push_back(name);
        if (c)
            c->addItem(ui::shortenToWidth(*c, shown, ui::comboRowRoom(*c)).c_str());
    };
    for (const char* name : kBuiltinSkinFonts)
        add(skinFontNames, fonts, name, fontDisplayName(name));
    listArchiveBlocks(services.status().iArchiveID, [&](const char* name, const char* type) {
        if (std::strncmp(type, "ZK7_FONT", 16) == 0)
            add(skinFontNames, fonts, name, name);
        else if (std::strncmp(type, "ZK7_IMAGE", 16) == 0)
            add(skinImageNames, images, name, name);
        else if (std::strncmp(type, "ZK7_SPRITE", 16) == 0)
            add(skinSpriteNames, sprites, name, name);
    });
}

void GUISkinEditor::populateSkinAnimationList(const string& sprite, int selected)
{
    skinAnimationIds.clear();
    WidgetComboBox* anims = fields.panel.getComboBox(GW_SKIN_ANIM);
    if (anims)
        anims->clearItems();
    const auto add = [&](int anim) {
        skinAnimationIds.push_back(anim);
        if (anims)
            anims->addItem(std::to_string(anim).c_str());
    };
    const int archiveId = services.status().iArchiveID;
    if (!sprite.empty() && archiveId > 0) {
        SpriteMgr* mgr = Main::instance()->spriteMgr();
        const int id = mgr->load(archiveId, sprite.c_str());
        if (const Sprite* s = id > 0 ? mgr->get(id) : nullptr)
            for (int i = 0; i < s->getAnimCount(); ++i)
                add(i);
        if (id > 0)
            mgr->close(id);
    }
    if (skinAnimationIds.empty())
        add(0);
    if (anims)
        anims->setSelectedIndex(
            selected >= 0 && selected < static_cast<int>(skinAnimationIds.size()) ? selected + 1 : 1);
}

void GUISkinEditor::updateSwatch(int frameId, int r, int g, int b) const
{
    if (Widget* f = fields.panel.getWidgetByID(frameId))
        f->setBackgroundColor(r, g, b, WS_ALL);
}

void GUISkinEditor::updateSkinEditor()
{
    const Widget* w = state.getSelectedWidget();
    if (!w)
        return;
    const int s = skinStateToIndex(state.selectedSkinState);
    if (state.skinEditorMode[s] == -1)
        state.skinEditorMode[s] = getSkinEditorMode(w, s);
    const auto select = [this](int id, int row) {
        if (WidgetComboBox* c = fields.panel.getComboBox(id))
            c->setSelectedIndex(row);
    };
    // Only a font of the state's own: the theme's shows as "Theme".
    const bool ownFont = w->getSkinOverrideMask(s) & WidgetSkin::SO_FONT;
    select(GW_SKIN_FONT, rowForName(skinFontNames, ownFont ? fontName(w->getFont(s)) : nullptr));
    // A picture the lists leave out (a hidden block, such as an imported
    // panel's state pictures) is offered as the widget holds it, so that the
    // next apply keeps it instead of clearing it.
    const auto held = [this](Vector<string>& names, int comboId, const char* name) {
        if (name && name[0] && rowForName(names, name) == 1) {
            names.push_back(name);
            if (WidgetComboBox* c = fields.panel.getComboBox(comboId))
                c->addItem(ui::shortenToWidth(*c, name, ui::comboRowRoom(*c)).c_str());
        }
        return rowForName(names, name);
    };
    select(GW_SKIN_IMAGE, held(skinImageNames, GW_SKIN_IMAGE, imageName(w->getBackgroundImage(s))));
    int animation = 0;
    const char* sprite = spriteName(w->getBackgroundSprite(s, &animation));
    select(GW_SKIN_SPRITE, held(skinSpriteNames, GW_SKIN_SPRITE, sprite));
    const string spriteShown = sprite ? sprite : "";
    if (spriteShown != skinAnimationSprite) {
        populateSkinAnimationList(spriteShown, animation);
        skinAnimationSprite = spriteShown;
    } else if (!skinAnimationIds.empty()) {
        select(GW_SKIN_ANIM,
               animation >= 0 && animation < static_cast<int>(skinAnimationIds.size()) ? animation + 1 : 1);
    }
    uint8_t sel[4], bg[3], border[4];
    w->getSelectionColor(&sel[0], &sel[1], &sel[2], &sel[3], s);
    w->getBackgroundColor(&bg[0], &bg[1], &bg[2], s);
    w->getBorderColor(&border[0], &border[1], &border[2], &border[3], s);
    const auto text = [this](int id, const string& t) {
        if (WidgetTextEdit* e = fields.panel.getTextEdit(id))
            e->setText(t.c_str());
    };
    text(GW_SKIN_SELECT, hexColorRGBA(sel[0], sel[1], sel[2], sel[3]));
    text(GW_SKIN_BG, hexColorRGB(bg[0], bg[1], bg[2]));
    text(GW_SKIN_BORDER, hexColorRGBA(border[0], border[1], border[2], border[3]));
    if (WidgetNumberEdit* n = fields.panel.getNumberEdit(GW_SKIN_WIDTH))
        n->setValue(static_cast<float>(w->getBorderWidth(s)));
    if (WidgetNumberEdit* n = fields.panel.getNumberEdit(GW_SKIN_CORNER))
        n->setValue(static_cast<float>(w->getBorderCorner(s)));
    const int mode = state.skinEditorMode[s];
    for (const auto& [id, m] : {std::pair{GW_SKIN_THEME, 0}, {GW_SKIN_COLORS, 1}, {GW_SKIN_ASSET, 2}})
        if (WidgetCheckBox* c = fields.panel.getCheckBox(id))
            c->setChecked(mode == m);
    updateSwatch(GW_SKIN_SELECT_SWATCH, sel[0], sel[1], sel[2]);
    updateSwatch(GW_SKIN_BG_SWATCH, bg[0], bg[1], bg[2]);
    updateSwatch(GW_SKIN_BORDER_SWATCH, border[0], border[1], border[2]);
}

void GUISkinEditor::applySkinFont(Widget& w, int s)
{
    if (!widgetSupportsFont(w.getType()))
        return;
    const int row = fields.row(GW_SKIN_FONT);
    const bool own = w.getSkinOverrideMask(s) & WidgetSkin::SO_FONT;
    if (row == 1) {
        // "Theme" takes the state's own font away.
        if (own)
            w.setFont(0, s);
        return;
    }
    const string name = nameForRow(skinFontNames, row);
    const char* current = own ? fontName(w.getFont(s)) : nullptr;
    if (name.empty() || (current && name == current))
        return; // an archive font is not loaded again for the same name
    if (const int id = resolveFontName(services.status().iArchiveID, name); id > 0)
        w.setFont(id, s);
}

void GUISkinEditor::applySkinAsset(Widget& w, int s)
{
    const int archiveId = services.status().iArchiveID;
    const string sprite = nameForRow(skinSpriteNames, fields.row(GW_SKIN_SPRITE));
    if (!sprite.empty()) {
        const int q = fields.row(GW_SKIN_ANIM);
        const int a = q >= 1 && q <= static_cast<int>(skinAnimationIds.size()) ? skinAnimationIds[q - 1] : 0;
        // The same sprite keeps its loaded copy: only the animation changes.
        const int held = w.getBackgroundSprite(s);
        if (const char* current = spriteName(held); current && sprite == current)
            w.setBackgroundSprite(held, s, a);
        else
            w.setBackgroundSprite(archiveId, sprite.c_str(), s, a);
        return;
    }
    const string image = nameForRow(skinImageNames, fields.row(GW_SKIN_IMAGE));
    if (image.empty()) {
        w.clearBackground(s);
        return;
    }
    const char* current = imageName(w.getBackgroundImage(s));
    if (!current || image != current)
        w.setBackgroundImage(archiveId, image.c_str(), s);
}

void GUISkinEditor::applySkinColors(Widget& w, int s)
{
    const auto text = [this](int id) {
        const WidgetTextEdit* e = fields.panel.getTextEdit(id);
        return e ? string(e->getText().c_str()) : string();
    };
    uint8_t r, g, b, a;
    if (parseHexColorRGBA(text(GW_SKIN_SELECT), r, g, b, a) && showsSelection(w.getType())) {
        w.setSelectionColor(r, g, b, a, s);
        updateSwatch(GW_SKIN_SELECT_SWATCH, r, g, b);
    }
    if (parseHexColorRGB(text(GW_SKIN_BG), r, g, b)) {
        w.setBackgroundColor(r, g, b, s);
        updateSwatch(GW_SKIN_BG_SWATCH, r, g, b);
    }
    if (parseHexColorRGBA(text(GW_SKIN_BORDER), r, g, b, a)) {
        w.setBorderColor(r, g, b, a, s);
        updateSwatch(GW_SKIN_BORDER_SWATCH, r, g, b);
    }
    w.setBorderWidth(fields.integer(GW_SKIN_WIDTH, 1, 32, 0), s);
    w.setBorderCorner(fields.integer(GW_SKIN_CORNER, 0, 64, 0), s);
}

void GUISkinEditor::applySkinEditor()
{
    // The stored mode, not the boxes: a field's focus-lost event arrives
    // after the click on another mode box has already ticked it.
    Widget* w = state.getSelectedWidget();
    const int s = skinStateToIndex(state.selectedSkinState);
    if (!w || state.skinEditorMode[s] <= 0)
        return;
    applySkinFont(*w, s);
    if (state.skinEditorMode[s] == 2)
        applySkinAsset(*w, s);
    else
        applySkinColors(*w, s);
}

void GUISkinEditor::validateSkinColorEdit(int id)
{
    const Widget* w = state.getSelectedWidget();
    WidgetTextEdit* edit = fields.panel.getTextEdit(id);
    if (!w || !edit)
        return;
    const int s = skinStateToIndex(state.selectedSkinState);
    const string text = edit->getText().c_str();
    uint8_t c[4] = {0, 0, 0, 255};
    int swatch = 0;
    if (id == GW_SKIN_BG) {
        if (!parseHexColorRGB(text, c[0], c[1], c[2]))
            w->getBackgroundColor(&c[0], &c[1], &c[2], s);
        edit->setText(hexColorRGB(c[0], c[1], c[2]).c_str());
        swatch = GW_SKIN_BG_SWATCH;
    } else if (id == GW_SKIN_BORDER || id == GW_SKIN_SELECT) {
        if (!parseHexColorRGBA(text, c[0], c[1], c[2], c[3])) {
            if (id == GW_SKIN_BORDER)
                w->getBorderColor(&c[0], &c[1], &c[2], &c[3], s);
            else
                w->getSelectionColor(&c[0], &c[1], &c[2], &c[3], s);
        }
        edit->setText(hexColorRGBA(c[0], c[1], c[2], c[3]).c_str());
        swatch = id == GW_SKIN_BORDER ? GW_SKIN_BORDER_SWATCH : GW_SKIN_SELECT_SWATCH;
    } else {
        return;
    }
    updateSwatch(swatch, c[0], c[1], c[2]);
}

bool GUISkinEditor::onSkinEvent(int widgetId, bool set)
{
    Widget* w = state.getSelectedWidget();
    const int s = skinStateToIndex(state.selectedSkinState);
    const auto uncheck = [this](int id) {
        if (WidgetCheckBox* c = fields.panel.getCheckBox(id))
            c->setChecked(false);
    };
    const auto valuesChange = [&] {
        if (!w)
            return false;
        const WidgetSkin before = w->getSkin(s);
        applySkinEditor();
        return !sameSkin(before, w->getSkin(s));
    };
    bool changed = false;
    switch (widgetId) {
    case GW_SKIN_NORMAL:
    case GW_SKIN_HOVERED:
    case GW_SKIN_PRESSED:
    case GW_SKIN_ACTION:
    case GW_SKIN_DEACT:
        if (set)
            state.selectedSkinState = widgetId - GW_SKIN_NORMAL;
        break;
    case GW_SKIN_THEME:
        if (set) {
            const bool custom = getSkinEditorMode(w, s) != 0;
            if (custom && services.messageBox("Reset custom skin",
                                              "All custom settings for this state will be reset and the theme "
                                              "values will be used again. Continue?",
                                              12, 3, 0) != 4)
                break;
            if (custom) {
                w->resetSkin(s);
                changed = true;
            }
            state.skinEditorMode[s] = 0;
            uncheck(GW_SKIN_COLORS);
            uncheck(GW_SKIN_ASSET);
        }
        break;
    case GW_SKIN_COLORS:
    case GW_SKIN_ASSET:
        if (set) {
            state.skinEditorMode[s] = widgetId == GW_SKIN_COLORS ? 1 : 2;
            uncheck(GW_SKIN_THEME);
            uncheck(widgetId == GW_SKIN_COLORS ? GW_SKIN_ASSET : GW_SKIN_COLORS);
        }
        break;
    case GW_SKIN_IMAGE:
        if (fields.row(GW_SKIN_IMAGE) > 1) {
            if (WidgetComboBox* sprites = fields.panel.getComboBox(GW_SKIN_SPRITE))
                sprites->setSelectedIndex(1);
            populateSkinAnimationList("", 0);
            skinAnimationSprite.clear();
        }
        changed = valuesChange();
        break;
    case GW_SKIN_SPRITE: changed = onSkinSprite(w, s); break;
    case GW_SKIN_BG:
    case GW_SKIN_BORDER:
    case GW_SKIN_SELECT:
        validateSkinColorEdit(widgetId);
        // The colour the widget shows, typed again or put back over a text
        // that does not read, is no edit.
        changed = !showsFieldColour(w, s, widgetId) && valuesChange();
        break;
    case GW_SKIN_FONT:
    case GW_SKIN_ANIM:
    case GW_SKIN_WIDTH:
    case GW_SKIN_CORNER: changed = valuesChange(); break;
    default: break;
    }
    updateSkinEditor();
    return changed;
}

bool GUISkinEditor::showsFieldColour(const Widget* w, int s, int id) const
{
    const WidgetTextEdit* edit = fields.panel.getTextEdit(id);
    uint8_t typed[4] = {0, 0, 0, 255}, shown[4] = {0, 0, 0, 255};
    if (!w || !edit)
        return false;
    if (id == GW_SKIN_BG) {
        if (!parseHexColorRGB(edit->getText(), typed[0], typed[1], typed[2]))
            return false;
        w->getBackgroundColor(&shown[0], &shown[1], &shown[2], s);
    } else {
        if (!parseHexColorRGBA(edit->getText(), typed[0], typed[1], typed[2], typed[3]))
            return false;
        if (id == GW_SKIN_BORDER)
            w->getBorderColor(&shown[0], &shown[1], &shown[2], &shown[3], s);
        else
            w->getSelectionColor(&shown[0], &shown[1], &shown[2], &shown[3], s);
    }
    return std::equal(std::begin(typed), std::end(typed), std::begin(shown));
}

bool GUISkinEditor::onSkinSprite(Widget* w, int s)
{
    const string name = nameForRow(skinSpriteNames, fields.row(GW_SKIN_SPRITE));
    if (!name.empty())
        if (WidgetComboBox* images = fields.panel.getComboBox(GW_SKIN_IMAGE))
            images->setSelectedIndex(1);
    populateSkinAnimationList(name, 0);
    skinAnimationSprite = name;
    if (!w)
        return false;
    if (name.empty()) {
        const WidgetSkin before = w->getSkin(s);
        applySkinEditor();
        return !sameSkin(before, w->getSkin(s));
    }
    const int archiveId = services.status().iArchiveID;
    int states = s;
    SpriteMgr* mgr = Main::instance()->spriteMgr();
    if (const int counted = archiveId > 0 ? mgr->load(archiveId, name.c_str()) : 0; counted > 0) {
        const Sprite* sprite = mgr->get(counted);
        if (sprite && sprite->getAnimCount() > 4 &&
            services.messageBox("Apply sprite", "Apply this sprite to all widget states?", 12, 3, 0) == 4)
            states = WS_ALL;
        mgr->close(counted);
    }
    return w->setBackgroundSprite(archiveId, name.c_str(), states, 0) == 0;
}

void GUISkinEditor::setSkinAssetMode(bool on) const
{
    for (int id : {GW_SKIN_IMAGE_LABEL, GW_SKIN_SPRITE_LABEL, GW_SKIN_ANIM_LABEL, GW_SKIN_IMAGE, GW_SKIN_SPRITE,
                   GW_SKIN_ANIM})
        if (Widget* w = fields.panel.getWidgetByID(id)) {
            if (on)
                w->show();
            else
                w->hide();
        }
    for (int id : {GW_SKIN_IMAGE, GW_SKIN_SPRITE})
        if (Widget* w = fields.panel.getWidgetByID(id)) {
            if (on)
                w->enable();
            else
                w->disable();
        }
}

void GUISkinEditor::setSkinColorsMode(bool show, bool enable) const
{
    for (int id : {GW_SKIN_BG_ICON, GW_SKIN_BG, GW_SKIN_BG_SWATCH, GW_SKIN_BORDER_ICON, GW_SKIN_BORDER,
                   GW_SKIN_BORDER_SWATCH, GW_SKIN_WIDTH_LABEL, GW_SKIN_WIDTH, GW_SKIN_CORNER_LABEL, GW_SKIN_CORNER})
        if (Widget* w = fields.panel.getWidgetByID(id)) {
            if (show)
                w->show();
            else
                w->hide();
            if (id == GW_SKIN_WIDTH_LABEL || id == GW_SKIN_CORNER_LABEL)
                continue;
            if (show && enable)
                w->enable();
            else
                w->disable();
        }
}


GUISkinEditor::GUISkinEditor(GUIEditState& shared, const TabServices& tabServices)
    : fields(tabServices.panel()), state(shared), services(tabServices)
{
}

bool GUISkinEditor::takeColourEdit()
{
    const bool was = colourEdited;
    colourEdited = false;
    return was;
}

void GUISkinEditor::createRows()
{
    const int font = services.resources().get(SR_FONT);
    Panel& panel = fields.panel;
    ui::addOutline(panel, {.name = "SkinFrame", .id = GW_SKIN_FRAME, .x = ui::left(5), .y = ui::top(696), .w = 190,
                           .h = 144});
    addCaptions(panel, font, {{GW_SKIN_LABEL, "SkinLabel", "Skin:", 5, 702}});
    const CheckRow radios[] = {
        {GW_SKIN_NORMAL, "SkinNormal", "N", 19, 4, 721, "Normal skin state"},
        {GW_SKIN_HOVERED, "SkinHovered", "H", 19, 4, 744, "Hovered skin state"},
        {GW_SKIN_PRESSED, "SkinPressed", "P", 19, 4, 767, "Pressed skin state"},
        {GW_SKIN_ACTION, "SkinAction", "A", 19, 4, 790, "Action skin state"},
        {GW_SKIN_DEACT, "SkinDeact", "D", 19, 4, 813, "Deactivated skin state"},
    };
    for (const CheckRow& r : radios) {
        addChecks(panel, {r});
        if (WidgetCheckBox* c = panel.getCheckBox(r.id)) {
            c->setGroup(9001);
            // The letter ends before the column of fields at x 36.
            c->setSize(c->getContentWidth(), 19);
        }
    }
    addChecks(panel, {{GW_SKIN_THEME, "SkinTheme", "Theme", 52, 42, 701, "Use the panel theme for this skin state"},
                      {GW_SKIN_COLORS, "SkinColors", "Color", 46, 96, 701,
                       "Use custom colors and border values for the selected skin state"},
                      {GW_SKIN_ASSET, "SkinAsset", "Asset", 46, 146, 701,
                       "Use image or sprite resources for the selected skin state"}});
    // The mode boxes follow the caption, each as wide as its box and text,
    // with what room the frame leaves shared out between them.
    if (const Widget* caption = panel.getWidgetByID(GW_SKIN_LABEL)) {
        const int modes[] = {GW_SKIN_THEME, GW_SKIN_COLORS, GW_SKIN_ASSET};
        // 3 pixels clear of the caption's text, which ends 4 pixels inside it.
        int x = caption->getRect().x - panel.baseWidget()->getRect().x + caption->getContentWidth() - 4 + 3;
        int widths = 0;
        for (int id : modes)
            if (const Widget* box = panel.getWidgetByID(id))
                widths += box->getContentWidth();
        const int frameRight = 5 + 190 - 4; // 3 pixels inside the outline
        const int gap = std::max(-2, (frameRight - x - widths) / 2);
        for (int id : modes)
            if (Widget* box = panel.getWidgetByID(id)) {
                box->setSize(box->getContentWidth(), 19);
                box->setPosition(ui::left(static_cast<float>(x)), ui::top(701));
                x += box->getContentWidth() + gap;
            }
    }
    addCaptions(panel, font, {{GW_SKIN_FONT_LABEL, "SkinFontLabel", "Font:", 36, 727}});
    addCombos(panel, font, {{GW_SKIN_FONT, "SkinFont", {"Theme"}, 121, 68, 724, "Font used by the selected skin state"}});
    // A colour reaches the widget when its text is committed or left, and
    // after the picker's OK; not per keystroke, when the text is half typed.
    const auto picked = [this](Widget& edit) {
        if (onSkinEvent(edit.getID()) && state.livePanel())
            colourEdited = true;
    };
    createColorField(services, &panel,
                     {.name = "SkinSelectColor", .iconId = GW_SKIN_SELECT_ICON, .editId = GW_SKIN_SELECT,
                      .swatchId = GW_SKIN_SELECT_SWATCH, .x = 36, .y = 747,
                      .tooltip = "Selection color in #RRGGBBAA hex", .initHex = "#000000A0", .textWidth = 80},
                     picked);
    addCaptions(panel, font,
                  {{GW_SKIN_IMAGE_LABEL, "SkinImageLabel", "Image:", 36, 773},
                   {GW_SKIN_SPRITE_LABEL, "SkinSpriteLabel", "Sprite:", 36, 796},
                   {GW_SKIN_ANIM_LABEL, "SkinAnimLabel", "Anim:", 75, 819}});
    addCombos(panel, font,
              {{GW_SKIN_IMAGE, "SkinImage", {"None"}, 111, 76, 770, "Background image for the selected skin state"},
               {GW_SKIN_SPRITE, "SkinSprite", {"None"}, 111, 76, 793, "Background sprite for the selected skin state"},
               {GW_SKIN_ANIM, "SkinAnim", {"0"}, 44, 111, 816, "Sprite animation used by the selected skin state"}});
    createColorField(services, &panel,
                     {.name = "SkinBgColor", .iconId = GW_SKIN_BG_ICON, .editId = GW_SKIN_BG,
                      .swatchId = GW_SKIN_BG_SWATCH, .x = 36, .y = 770,
                      .tooltip = "Background color in #RRGGBB hex", .initHex = "#000000", .textWidth = 80},
                     picked);
    createColorField(services, &panel,
                     {.name = "SkinBorderColor", .iconId = GW_SKIN_BORDER_ICON, .editId = GW_SKIN_BORDER,
                      .swatchId = GW_SKIN_BORDER_SWATCH, .x = 36, .y = 793,
                      .tooltip = "Border color in #RRGGBBAA hex", .initHex = "#000000FF", .textWidth = 80},
                     picked);
    // These replace the field's own handlers: a text that does not parse
    // takes the widget's colour back, not the field's last text.
    for (int id : {GW_SKIN_SELECT, GW_SKIN_BG, GW_SKIN_BORDER})
        if (Widget* edit = panel.getWidgetByID(id)) {
            edit->setOnValueCommitted(picked);
            edit->setOnFocusLost(picked);
        }
    addCaptions(panel, font,
                  {{GW_SKIN_WIDTH_LABEL, "SkinBorderWidthLabel", "Width:", 36, 819},
                   {GW_SKIN_CORNER_LABEL, "SkinBorderCornerLabel", "Corner:", 115, 819}});
    addNumbers(panel, font,
               {{GW_SKIN_WIDTH, "SkinBorderWidth", 28, 76, 816, 0, 32, 1, "Border width of the selected skin state"},
                {GW_SKIN_CORNER, "SkinBorderCorner", 28, 159, 816, 0, 64, 0,
                 "Border corner radius of the selected skin state"}});
}

void GUISkinEditor::resetFields() const
{
    fields.setCheck(GW_SKIN_NORMAL, true);
    fields.setCheck(GW_SKIN_THEME, true);
    fields.setCheck(GW_SKIN_COLORS, false);
    fields.setCheck(GW_SKIN_ASSET, false);
    fields.setText(GW_SKIN_SELECT, "#000000A0");
    fields.setText(GW_SKIN_BG, "#000000");
    fields.setText(GW_SKIN_BORDER, "#000000FF");
    // The swatches show these texts, not the last widget's colours.
    for (int swatch : {GW_SKIN_SELECT_SWATCH, GW_SKIN_BG_SWATCH, GW_SKIN_BORDER_SWATCH})
        updateSwatch(swatch, 0, 0, 0);
    fields.setNumber(GW_SKIN_WIDTH, 1);
    fields.setNumber(GW_SKIN_CORNER, 0);
}

void GUISkinEditor::updateStates(const Widget* selected, bool isWidget) const
{
    const eWidgetType type = isWidget ? selected->getType() : WT_PANEL;
    fields.enable({GW_SKIN_NORMAL, GW_SKIN_HOVERED, GW_SKIN_PRESSED, GW_SKIN_ACTION, GW_SKIN_DEACT, GW_SKIN_THEME,
                   GW_SKIN_COLORS, GW_SKIN_ASSET},
                  selected != nullptr);
    const bool t = fields.checked(GW_SKIN_THEME), c = fields.checked(GW_SKIN_COLORS),
               a = fields.checked(GW_SKIN_ASSET);
    fields.enable({GW_SKIN_FONT}, selected && !t && widgetSupportsFont(type));
    fields.enable({GW_SKIN_ANIM}, a && fields.panel.getComboBox(GW_SKIN_SPRITE) && fields.row(GW_SKIN_SPRITE) > 1);
    setSkinAssetMode(a);
    setSkinColorsMode(t || c, c);
    const bool selection = isWidget && showsSelection(type);
    fields.show({GW_SKIN_SELECT_ICON, GW_SKIN_SELECT, GW_SKIN_SELECT_SWATCH}, selection);
    fields.enable({GW_SKIN_SELECT_ICON, GW_SKIN_SELECT, GW_SKIN_SELECT_SWATCH}, selection && c);
}
