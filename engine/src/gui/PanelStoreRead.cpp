// Reads the "ZK7_GUIPANEL" block (docs/panel-format.md): GUIMgr::load
// builds a panel from it, refusing damaged blocks whole; GUIMgr::skinImages,
// GUIMgr::removeUnusedSkinImages; GUIMgr::remove.
#include <Zelkoran/Font.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Log.h>
#include <Zelkoran/Archive.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Sprite.h>

#include "core/ByteOrder.h"
#include "gui/PanelStore.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <string_view>

namespace Zelkoran::panelstore {

namespace {

constexpr int kMaxScreen = 16;
constexpr int kMaxSide = 65535;
constexpr int kMaxBorder = 1024;
constexpr float kMaxOffset = 1.0e6f;
constexpr uint32_t kKnownOverrides = 127;

bool knownHelper(uint32_t h)
{
    switch (h) {
    case PH_ABSOLUTE:
    case PH_CENTER:
    case PH_TOP:
    case PH_BOTTOM:
    case PH_LEFT:
    case PH_RIGHT:
    case PH_SIZE:
    case PH_CENTER_CODE: return true;
    default: return false;
    }
}

// Reads with bounds checks; the first bad value spoils the whole read.
class Reader : public bytes::ByteReader {
public:
    using ByteReader::ByteReader;
    using ByteReader::i32;
    // An int in lo..hi.
    int i32(int lo, int hi)
    {
        const int v = i32();
        if (v < lo || v > hi)
            fail();
        return v;
    }
    float f32()
    {
        const float v = ByteReader::f32();
        if (!std::isfinite(v))
            fail();
        return v;
    }
    bool flag()
    {
        const uint8_t v = u8();
        if (v > 1)
            fail();
        return v == 1;
    }
    String text(uint32_t max)
    {
        const std::string_view s = ByteReader::text(max);
        return String(s.data(), s.size());
    }
    void rgba(uint8_t out[4])
    {
        for (int i = 0; i < 4; ++i)
            out[i] = u8();
    }
    Position pos()
    {
        const float offset = f32();
        const uint32_t helper = u32();
        if (!knownHelper(helper) || std::fabs(offset) > kMaxOffset)
            fail();
        return Position(offset, static_cast<ePositionHelper>(helper));
    }
};

// Resolves the names a block refers to: built-in fonts, and archive fonts
// and skin images loaded once per name from the archive. Archive fonts stay
// loaded: widgets use a font without holding it.
// With imageNames given it loads nothing and notes the skin image names
// instead, each once, in record order.
class Resolver {
public:
    Resolver(int archiveId, Vector<String>* leftOut, Vector<String>* imageNames)
        : m_archive(archiveId), m_leftOut(leftOut), m_imageNames(imageNames)
    {
    }
    ~Resolver()
    {
        // Widgets hold the images they use; drop the loader's own hold.
        for (auto& [name, id] : m_images)
            if (id > 0)
                Main::instance()->imageMgr()->close(id);
    }
    Resolver(const Resolver&) = delete;
    Resolver& operator=(const Resolver&) = delete;

    int font(const String& name)
    {
        if (name.empty() || m_imageNames)
            return 0;
        auto [it, fresh] = m_fonts.emplace(name, 0);
        if (fresh) {
            FontMgr* fonts = Main::instance()->fontMgr();
            it->second = name.compare(0, kBuiltinPrefix.size(), kBuiltinPrefix) == 0
                             ? fonts->getBuiltin(name.c_str())
                             : fonts->load(m_archive, name.c_str());
            if (it->second <= 0)
                warn("font", name);
        }
        return it->second;
    }
    // A sprite of its own for each widget: the widget closes the sprites it
    // holds when it goes.
    int sprite(const String& name)
    {
        if (m_imageNames)
            return 0;
        const int id = Main::instance()->spriteMgr()->load(m_archive, name.c_str());
        if (id <= 0)
            warn("sprite", name);
        return id;
    }
    int image(const String& name)
    {
        auto [it, fresh] = m_images.emplace(name, 0);
        if (fresh && m_imageNames) {
            m_imageNames->push_back(name);
        } else if (fresh) {
            it->second = Main::instance()->imageMgr()->load(m_archive, name.c_str());
            if (it->second <= 0)
                warn("image", name);
        }
        return it->second;
    }
    void warn(const char* kind, const String& name)
    {
        if (Log* log = LogMgr::current())
            log->msg(3, " [GUIMgr] Warning: stored panel refers to the %s \"%s\", which cannot be had; left out.\n",
                     kind, name.c_str());
        const String named = String(kind) + " \"" + name + "\"";
        if (m_leftOut && std::find(m_leftOut->begin(), m_leftOut->end(), named) == m_leftOut->end())
            m_leftOut->push_back(named);
    }

private:
    static constexpr std::string_view kBuiltinPrefix = "@zk7/font/";
    int m_archive;
    Vector<String>* m_leftOut;
    Vector<String>* m_imageNames;
    std::map<String, int> m_images;
    std::map<String, int> m_fonts;
};

void applySkins(Reader& r, Resolver& res, Widget& wd)
{
    std::map<String, int> sprites; // one load per name for this widget
    for (int s = 0; s < WS_COUNT; ++s) {
        const uint32_t overrides = r.u32();
        const String font = r.text(kMaxText);
        uint8_t bg[4], border[4], sel[4];
        r.rgba(bg);
        r.rgba(border);
        r.rgba(sel);
        const int width = r.i32(0, kMaxBorder);
        const int corner = r.i32(0, kMaxBorder);
        const String image = r.text(kMaxText);
        const String sprite = r.text(kMaxText);
        const int animation = r.i32(0, kMaxBorder);
        const bool noBackground = overrides & WidgetSkin::SO_NO_BACKGROUND;
        if (overrides > kKnownOverrides || (noBackground && (overrides & WidgetSkin::SO_BACKGROUND)) ||
            (noBackground && (!image.empty() || !sprite.empty())) || (!image.empty() && !sprite.empty()) ||
            ((overrides & WidgetSkin::SO_FONT) != 0) != !font.empty())
            r.fail();
        if (!r.ok())
            return;
        wd.resetSkin(s);
        if (noBackground)
            wd.clearBackground(s);
        if (overrides & WidgetSkin::SO_FONT)
            if (const int id = res.font(font); id > 0)
                wd.setFont(id, s);
        if (overrides & WidgetSkin::SO_BACKGROUND)
            wd.setBackgroundColor(bg[0], bg[1], bg[2], s);
        if (overrides & WidgetSkin::SO_BORDER)
            wd.setBorderColor(border[0], border[1], border[2], border[3], s);
        if (overrides & WidgetSkin::SO_BORDER_WIDTH)
            wd.setBorderWidth(width, s);
        if (overrides & WidgetSkin::SO_CORNER)
            wd.setBorderCorner(corner, s);
        if (overrides & WidgetSkin::SO_SELECTION)
            wd.setSelectionColor(sel[0], sel[1], sel[2], sel[3], s);
        if (!image.empty()) {
            const int id = res.image(image);
            // The widget holds an image once, however many states show it.
            bool held = false;
            for (int before = 0; before < s; ++before)
                held = held || wd.getBackgroundImage(before) == id;
            if (id > 0 && wd.setBackgroundImage(id, s) == RC_OK && !held)
                Main::instance()->imageMgr()->retain(id);
        }
        if (!sprite.empty()) {
            auto [it, fresh] = sprites.emplace(sprite, 0);
            if (fresh)
                it->second = res.sprite(sprite);
            if (it->second > 0)
                wd.setBackgroundSprite(it->second, s, animation);
        }
    }
}

void readWidget(Reader& r, Resolver& res, Widget& wd)
{
    const uint8_t flags = r.u8();
    const int alpha = r.u8();
    const int w = r.i32(0, kMaxSide), h = r.i32(0, kMaxSide);
    const Position x = r.pos(), y = r.pos();
    int m[4];
    for (int& v : m)
        v = r.i32(0, kMaxSide);
    const uint32_t features = r.u32();
    const String tooltip = r.text(kMaxText);
    const String tipFont = r.text(kMaxText);
    const bool tipBg = r.flag();
    uint8_t bg[4];
    r.rgba(bg);
    const bool tipBorder = r.flag();
    uint8_t border[4];
    r.rgba(border);
    if (flags > (kShown | kEnabled | kOwnSize))
        r.fail();
    if (!r.ok())
        return;
    if (flags & kOwnSize)
        wd.setSize(w, h);
    wd.setPosition(x, y);
    wd.setMargin(m[0], m[1], m[2], m[3]);
    wd.setAlphaMod(alpha);
    wd.setFeatures(~0u, false);
    wd.setFeatures(features, true);
    wd.setTooltip(tooltip.c_str());
    wd.resetTooltipStyle();
    if (const int id = res.font(tipFont); id > 0)
        wd.setTooltipFont(id);
    if (tipBg)
        wd.setTooltipBackgroundColor(bg[0], bg[1], bg[2], bg[3]);
    if (tipBorder)
        wd.setTooltipBorderColor(border[0], border[1], border[2], border[3]);
    applySkins(r, res, wd);
    if (flags & kShown)
        wd.show();
    else
        wd.hide();
    if (flags & kEnabled)
        wd.enable();
    else
        wd.disable();
}

void readItems(Reader& r, WidgetItems& items, int& selected)
{
    const bool autoSort = r.flag();
    const uint32_t n = r.u32();
    // Every row takes at least its 4-byte length.
    if (n > kMaxRows || n > r.left() / 4) {
        r.fail();
        return;
    }
    items.setAutoSort(false);
    for (uint32_t i = 0; i < n && r.ok(); ++i)
        items.addItem(r.text(kMaxText).c_str());
    selected = r.i32(0, static_cast<int>(n));
    items.setAutoSort(autoSort);
}

void readTyped(Reader& r, Widget& wd)
{
    switch (wd.getType()) {
    case WT_LABEL:
    case WT_BUTTON:
    case WT_CHECKBOX: {
        const String text = r.text(kMaxText);
        const Position tx = r.pos(), ty = r.pos();
        if (!r.ok())
            return;
        static_cast<WidgetText&>(wd).setText(text.c_str(), tx, ty);
        if (wd.getType() == WT_BUTTON)
            static_cast<WidgetButton&>(wd).setKey(static_cast<int>(r.u32()));
        if (wd.getType() == WT_CHECKBOX) {
            auto& c = static_cast<WidgetCheckBox&>(wd);
            c.setChecked(r.flag());
            c.setGroup(r.i32(0, 0x7FFFFFFF));
            c.setKey(static_cast<int>(r.u32()));
        }
        break;
    }
    case WT_PROGRESS:
    case WT_SLIDER: {
        auto& rg = static_cast<WidgetRanged&>(wd);
        const int lo = static_cast<int>(r.u32()), hi = static_cast<int>(r.u32()), value = static_cast<int>(r.u32());
        if (hi < lo || value < lo || value > hi)
            r.fail();
        int axis = 0, thumb = 0;
        if (wd.getType() == WT_SLIDER) {
            axis = r.u8();
            thumb = r.i32(0, kMaxSide);
            if (axis > 1)
                r.fail();
        }
        if (!r.ok())
            return;
        rg.setRange(lo, hi);
        rg.setValue(value);
        if (wd.getType() == WT_SLIDER) {
            static_cast<WidgetSlider&>(wd).setAxis(axis);
            static_cast<WidgetSlider&>(wd).setThumbSize(thumb);
        }
        break;
    }
    case WT_TEXTEDIT: {
        auto& t = static_cast<WidgetTextEdit&>(wd);
        const bool multiline = r.flag(), readOnly = r.flag();
        const String text = r.text(kMaxText);
        if (!r.ok())
            return;
        t.setMultiline(multiline);
        t.setReadOnly(readOnly);
        t.setText(text.c_str());
        break;
    }
    case WT_NUMBEREDIT: {
        auto& n = static_cast<WidgetNumberEdit&>(wd);
        const bool readOnly = r.flag(), allowFloat = r.flag();
        const float lo = r.f32(), hi = r.f32(), step = r.f32(), value = r.f32();
        if (hi < lo || step < 0.0f)
            r.fail();
        if (!r.ok())
            return;
        n.setReadOnly(readOnly);
        n.allowFloat(allowFloat);
        n.setRange(lo, hi);
        n.setStep(step);
        n.setValue(value);
        break;
    }
    case WT_LIST: {
        auto& l = static_cast<WidgetList&>(wd);
        int selected = 0;
        readItems(r, l, selected);
        const bool multi = r.flag();
        if (!r.ok())
            return;
        l.setMultiSelect(multi);
        if (!multi) {
            l.setSelectedIndex(selected);
            break;
        }
        l.setSelectedIndex(0);
        bool currentMarked = false;
        for (int i = 1; i <= l.getItemCount() && r.ok(); ++i) {
            const bool marked = r.flag();
            if (i == selected)
                currentMarked = marked;
            else if (marked)
                l.setItemSelected(i, true);
        }
        // The row chosen last is toggled last, so it is the current one again
        // (marked or not).
        if (selected > 0) {
            l.setItemSelected(selected, true);
            l.setItemSelected(selected, currentMarked);
        }
        break;
    }
    case WT_COMBOBOX: {
        int selected = 0;
        readItems(r, static_cast<WidgetItems&>(wd), selected);
        if (r.ok())
            static_cast<WidgetComboBox&>(wd).setSelectedIndex(selected);
        break;
    }
    case WT_FRAME: static_cast<WidgetFrame&>(wd).setFilled(r.flag()); break;
    default: break;
    }
}

bool knownType(int type)
{
    switch (type) {
    case WT_LABEL:
    case WT_IMAGE:
    case WT_FRAME:
    case WT_BUTTON:
    case WT_CHECKBOX:
    case WT_PROGRESS:
    case WT_SLIDER:
    case WT_TEXTEDIT:
    case WT_NUMBEREDIT:
    case WT_LIST:
    case WT_COMBOBOX: return true;
    default: return false;
    }
}

} // namespace

int decodePanel(const uint8_t* data, size_t size, int archiveId, Panel& panel, Vector<String>* leftOut,
                Vector<String>* imageNames)
{
    Reader r(data, size);
    if (size < 4 || std::memcmp(data, kMagic, 3) != 0 || data[3] != kVersion)
        return RC_ERR_CORRUPT;
    r.u32();
    const uint32_t count = r.u32();
    const int type = r.i32(PT_MODELESS, PT_EPHEMERAL);
    const int ttl = r.i32(0, 0x7FFFFFFF);
    const int screen = r.i32(0, kMaxScreen);
    const int desired = r.i32(0, kMaxScreen);
    const int sizeMode = r.i32(0, 1);
    const int theme = r.i32(0, GUITheme::kFlat);
    const int layout = r.i32(PL_STANDARD, PL_VERTICAL);
    const int align = r.i32(LA_START, LA_STRETCH);
    const int justify = r.i32(LJ_START, LJ_SPACE);
    const String title = r.text(kMaxText);
    const Position tx = r.pos(), ty = r.pos();
    if (count > kMaxWidgets || !r.ok())
        return RC_ERR_CORRUPT;
    panel.setPanelType(type, ttl);
    panel.attachTo(screen);
    panel.setScreenDesired(desired);
    panel.setSizeMode(sizeMode);
    panel.setTheme(theme);
    panel.setLayout(layout);
    panel.setLayoutAlign(align);
    panel.setLayoutJustify(justify);
    panel.setTitle(title.c_str(), tx, ty);
    Resolver res(archiveId, leftOut, imageNames);
    readWidget(r, res, *panel.baseWidget());
    for (uint32_t i = 0; i < count && r.ok(); ++i) {
        const int wtype = static_cast<int>(r.u32());
        const int id = r.i32(1, 0x7FFFFFFF);
        const String name = r.text(kMaxWidgetName);
        if (!r.ok() || !knownType(wtype))
            return RC_ERR_CORRUPT;
        Widget* wd = panel.createWidgetByType(name.c_str(), static_cast<eWidgetType>(wtype), id);
        if (!wd) // a second widget with the id
            return RC_ERR_CORRUPT;
        readWidget(r, res, *wd);
        readTyped(r, *wd);
    }
    return r.ok() && r.atEnd() ? RC_OK : RC_ERR_CORRUPT;
}

} // namespace Zelkoran::panelstore

namespace Zelkoran {

int GUIMgr::load(int archiveId, const char* name, Vector<String>* leftOut)
{
    return loadStored(archiveId, name, leftOut, nullptr);
}

int GUIMgr::skinImages(int archiveId, const char* name, Vector<String>& names)
{
    names.clear();
    const int id = loadStored(archiveId, name, nullptr, &names);
    if (id <= 0)
        return id;
    close(id);
    return RC_OK;
}

int GUIMgr::removeUnusedSkinImages(int archiveId, const Vector<String>& names)
{
    const Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive)
        return 0;
    std::set<String> used;
    bool usedRead = false;
    int removed = 0;
    for (const String& name : names) {
        if (name.empty() || name[0] != '#')
            continue; // a listed picture stays for its own tab to remove
        if (!usedRead) {
            const int count = archive->getIndexCount();
            for (int i = 0; i < count; ++i) {
                Archive::Block entry;
                Vector<String> named;
                if (archive->blockAt(i, entry) == RC_OK && !entry.deleted &&
                    std::strncmp(entry.type, panelstore::kPanelBlockType, sizeof(entry.type)) == 0 &&
                    skinImages(archiveId, entry.name, named) == RC_OK)
                    used.insert(named.begin(), named.end());
            }
            usedRead = true;
        }
        if (used.insert(name).second && Main::instance()->imageMgr()->remove(archiveId, name.c_str()) == RC_OK)
            ++removed;
    }
    return removed;
}

int GUIMgr::loadStored(int archiveId, const char* name, Vector<String>* leftOut, Vector<String>* imageNames)
{
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive || !name || !name[0] || std::strlen(name) > kMaxBlockName)
        return RC_ERR_NOT_FOUND;
    Archive::Block block(name, panelstore::kPanelBlockType);
    if (const int rc = archive->blockLoad(block); rc != RC_OK)
        return rc;
    const int id = createPanel(name);
    const int rc = panelstore::decodePanel(static_cast<const uint8_t*>(block.data), block.size, archiveId,
                                           *getPanel(id), leftOut, imageNames);
    archive->blockFree(block);
    if (rc != RC_OK) {
        close(id);
        if (Log* log = LogMgr::current())
            log->msg(2, " [GUIMgr] Error: the panel block \"%s\" is damaged.\n", name);
        return rc;
    }
    return id;
}

int GUIMgr::remove(int archiveId, const char* name)
{
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive || !name || !name[0] || std::strlen(name) > kMaxBlockName)
        return RC_ERR_NOT_FOUND;
    return archive->blockDelete(Archive::Block(name, panelstore::kPanelBlockType));
}

} // namespace Zelkoran
