// The VUQv1 "guipanel" element: a GUI panel with its "widget" children and
// their per-state "image" pictures, saved as one panel block. The pictures
// are saved as image blocks beside it, as a stored panel finds its skin
// images in its archive by name: hidden names of the panel's own, never one
// the archive already holds, and removed again when the panel fails. The
// hidden pictures of a panel it replaces go when no panel names them.
#include "import/interchange/XMLImportContext.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Widget.h>

#include <xxhash.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <set>
#include <vector>

using namespace Zelkoran;

namespace xmlimport {

namespace {

constexpr uint32_t kNoBackground = 0x200000;
constexpr const char* kImageType = "ZK7_IMAGE";
// Longest readable picture name: room is left for a "~<n>" suffix within
// the 63 characters of a block name.
constexpr size_t kMaxReadableName = 55;

struct WidgetKind {
    const char* text;
    eWidgetType type;
    int axis; // sliders only
};

constexpr WidgetKind kWidgetKinds[] = {
    {"label", WT_LABEL, 0},     {"image", WT_IMAGE, 0},    {"button", WT_BUTTON, 0},
    {"checkbox", WT_CHECKBOX, 0}, {"progressbar", WT_PROGRESS, 0}, {"hslider", WT_SLIDER, 0},
    {"vslider", WT_SLIDER, 1},  {"inputbox", WT_TEXTEDIT, 0}, {"listbox", WT_LIST, 0},
};

constexpr const char* kStates[] = {"normal", "hovered", "pressed", "action", "deactivated"};

const WidgetKind* widgetKind(const String& text)
{
    for (const WidgetKind& kind : kWidgetKinds)
        if (text == kind.text)
            return &kind;
    return nullptr;
}

int stateNumber(const String& text)
{
    for (int state = 0; state < WS_COUNT; ++state)
        if (text == kStates[state])
            return state;
    return -1;
}

// One panel element being built; the panel is closed when it goes.
class PanelBuild {
public:
    explicit PanelBuild(ImportContext& ctx) : m_ctx(ctx) {}
    ~PanelBuild()
    {
        if (m_panelId > 0)
            Main::instance()->guiMgr()->close(m_panelId);
    }
    PanelBuild(const PanelBuild&) = delete;
    PanelBuild& operator=(const PanelBuild&) = delete;

    bool run()
    {
        if (build())
            return true;
        discardPictures();
        return false;
    }

    // The name last read from a "widget" element, "" when none was.
    const String& widgetName() const { return m_widgetName; }

private:
    bool build()
    {
        if (!m_ctx.readName())
            return false;
        GUIMgr* gui = Main::instance()->guiMgr();
        m_panelId = gui->create(m_ctx.name.c_str(), 0x42000000);
        m_panel = m_panelId > 0 ? gui->getPanel(m_panelId) : nullptr;
        if (!m_panel || !placeBase())
            return false;
        {
            ChildScope children(m_ctx.xml);
            for (bool more = children.entered(); more; more = m_ctx.xml.nodeNext())
                if (!readWidget())
                    return false;
        }
        for (int pictureId : m_pictures) {
            Image* picture = Main::instance()->imageMgr()->get(pictureId);
            if (picture->save(m_ctx.archiveId, "") != 0)
                return false;
            m_written.emplace_back(picture->getName());
        }
        // A panel stored under the name is replaced: its hidden pictures
        // that no panel names any more would be left where no tab reaches.
        Vector<String> replaced;
        gui->skinImages(m_ctx.archiveId, m_ctx.name.c_str(), replaced);
        if (m_panel->save(m_ctx.archiveId) != 0)
            return false;
        gui->removeUnusedSkinImages(m_ctx.archiveId, replaced);
        return true;
    }

    // A hidden picture name of this panel's own: "#<panel>/<widget>_<state>",
    // or a digest of it when that is too long, with "~<n>" added while the
    // archive already holds an image of the name or this panel took it.
    String pictureName(const String& stateText)
    {
        String base = "#" + m_ctx.name + "/" + m_widgetName + "_" + stateText;
        if (base.size() > kMaxReadableName) {
            char digest[24];
            std::snprintf(digest, sizeof digest, "#%016" PRIx64,
                          static_cast<uint64_t>(XXH64(base.data(), base.size(), 0)));
            base = digest;
        }
        const Archive* archive = Main::instance()->archiveMgr()->get(m_ctx.archiveId);
        for (int n = 1;; ++n) {
            const String candidate = n == 1 ? base : base + "~" + std::to_string(n).c_str();
            const bool held = archive && archive->blockSearch(Archive::Block(candidate.c_str(), kImageType)) >= 0;
            if (!held && m_taken.insert(candidate).second)
                return candidate;
        }
    }

    // A failed panel leaves none of the pictures it wrote.
    void discardPictures()
    {
        Archive* archive = Main::instance()->archiveMgr()->get(m_ctx.archiveId);
        for (const String& name : m_written)
            if (archive)
                archive->blockDelete(Archive::Block(name.c_str(), kImageType));
        m_written.clear();
    }

    bool placeBase()
    {
        int x = 0, y = 0, width = 0, height = 0, alpha = 0;
        if (!m_ctx.integer("xposition", x) || !m_ctx.integer("yposition", y))
            return false;
        Widget* base = m_panel->baseWidget();
        base->setPosition(Position(static_cast<float>(x)), Position(static_cast<float>(y)));
        if (!m_ctx.integer("width", width) || !m_ctx.integer("height", height) || !m_ctx.integer("alphamod", alpha))
            return false;
        base->setSize(width, height);
        if (alpha == 0) {
            base->setFeatures(kNoBackground, true);
            base->setBorderColor(0, 0, 0, 0, -1);
            alpha = 255;
        }
        // Past 255 the low 8 bits would make the panel invisible.
        base->setAlphaMod(std::clamp(alpha, 0, 255));
        return true;
    }

    bool readWidget()
    {
        ++m_ctx.counts.widgets;
        String element, type;
        m_ctx.xml.nodeGetName(element);
        if (element != "widget") {
            m_ctx.warn("  [XML2QEL] Warning: no 'widget' tag found.\n");
            return false;
        }
        int id = 0;
        if (!m_ctx.text("name", m_widgetName) || !m_ctx.text("type", type) || !m_ctx.integer("id", id))
            return false;
        const WidgetKind* kind = widgetKind(type);
        Widget* widget = kind ? m_panel->createWidgetByType(m_widgetName.c_str(), kind->type, id) : nullptr;
        return widget && setUp(*kind, *widget, id) && readStateImages(*kind, *widget);
    }

    // Steps after creation: text, axis, position, key, border, value, range.
    bool setUp(const WidgetKind& kind, Widget& widget, int id)
    {
        const Position centre(0, PH_CENTER);
        switch (kind.type) {
        case WT_LABEL:
            if (WidgetLabel* label = m_panel->getLabel(id))
                label->setText("", centre, centre);
            break;
        case WT_BUTTON:
            if (WidgetButton* button = m_panel->getButton(id))
                button->setText("", centre, centre);
            break;
        case WT_CHECKBOX:
            if (WidgetCheckBox* box = m_panel->getCheckBox(id))
                box->setText("", centre, centre);
            break;
        case WT_SLIDER:
            if (WidgetSlider* slider = m_panel->getSlider(id))
                slider->setAxis(kind.axis);
            else
                return false;
            break;
        case WT_TEXTEDIT:
            if (WidgetTextEdit* edit = m_panel->getTextEdit(id))
                edit->setText("");
            break;
        case WT_LIST:
            if (WidgetList* list = m_panel->getList(id))
                list->clearItems();
            break;
        default:
            break;
        }

        int x = 0, y = 0, key = 0, border = 0, value = 0, range = 0;
        if (!m_ctx.integer("xposition", x) || !m_ctx.integer("yposition", y))
            return false;
        widget.setPosition(Position(static_cast<float>(x)), Position(static_cast<float>(y)));
        if (!m_ctx.integer("key", key) || !setKey(kind, id, key))
            return false;
        if (!m_ctx.integer("selectboxRGB", border))
            return false;
        if (border != 0)
            widget.setBorderColor((border >> 16) & 0xFF, (border >> 8) & 0xFF, border & 0xFF, 255, WS_HOVERED);
        return m_ctx.integer("value", value) && m_ctx.integer("range", range) && setValue(kind, id, value, range);
    }

    bool setKey(const WidgetKind& kind, int id, int key)
    {
        if (kind.type == WT_BUTTON) {
            WidgetButton* button = m_panel->getButton(id);
            return button && (button->setKey(key), true);
        }
        if (kind.type == WT_CHECKBOX) {
            WidgetCheckBox* box = m_panel->getCheckBox(id);
            return box && (box->setKey(key), true);
        }
        return true;
    }

    bool setValue(const WidgetKind& kind, int id, int value, int range)
    {
        switch (kind.type) {
        case WT_CHECKBOX: {
            WidgetCheckBox* box = m_panel->getCheckBox(id);
            return box && (box->setChecked(value != 0), true);
        }
        case WT_PROGRESS: {
            WidgetProgress* progress = m_panel->getProgress(id);
            if (!progress)
                return false;
            progress->setValue(value);
            progress->setRange(0, range + 1);
            return true;
        }
        case WT_SLIDER: {
            WidgetSlider* slider = m_panel->getSlider(id);
            if (!slider)
                return false;
            slider->setValue(value);
            slider->setRange(0, std::max(range, 0));
            return true;
        }
        case WT_LIST: {
            WidgetList* list = m_panel->getList(id);
            return list && (list->setSelectedIndex(value), true);
        }
        default:
            return true;
        }
    }

    bool readStateImages(const WidgetKind& kind, Widget& widget)
    {
        ChildScope children(m_ctx.xml);
        int assigned = 0;
        bool ok = true;
        for (bool more = children.entered(); ok && more; more = m_ctx.xml.nodeNext()) {
            ok = readStateImage(kind, widget);
            assigned += ok ? 1 : 0;
        }
        m_ctx.counts.total += assigned;
        return ok;
    }

    bool readStateImage(const WidgetKind& kind, Widget& widget)
    {
        String element, stateText;
        m_ctx.xml.nodeGetName(element);
        if (element == "sprite") {
            m_ctx.warn("  [XML2QEL] Warning: 'sprite' tag is not supported yet.\n");
            return false;
        }
        if (element != "image") {
            m_ctx.warn("  [XML2QEL] Warning: neither 'image' nor 'sprite' tags found.\n");
            return false;
        }
        if (!m_ctx.text("state", stateText)) {
            m_ctx.warn("  [XML2QEL] Warning: no 'state' attribute found.\n");
            return false;
        }
        // A horizontal slider shows its "pressed" picture while dragged
        // (action) and its normal one as pressed too.
        const bool hslider = kind.type == WT_SLIDER && kind.axis == 0;
        if (hslider && stateText == "pressed")
            stateText = "action";
        const int state = stateNumber(stateText);
        if (state < 0) {
            m_ctx.warn("  [XML2QEL] Warning: 'state' attribute value is not supported('%s').\n", stateText.c_str());
            return false;
        }
        Picture picture;
        if (!picture.load(m_ctx, pictureName(stateText).c_str()))
            return false;
        if (widget.setBackgroundImage(picture.id(), state) < 0) {
            m_ctx.warn("  [XML2QEL] Warning: could not assign the image '%s' to the widget state.\n",
                       m_ctx.xml.getAttributeString("source", ""));
            return false;
        }
        if (hslider && state == WS_NORMAL)
            widget.setBackgroundImage(picture.id(), WS_PRESSED);
        m_pictures.push_back(picture.id());
        picture.release();
        return true;
    }

    ImportContext& m_ctx;
    int m_panelId = 0;
    Panel* m_panel = nullptr;
    String m_widgetName;
    std::vector<int> m_pictures; // pictures the widgets own, saved with the panel
    std::set<String> m_taken;    // picture names this panel chose
    std::vector<String> m_written; // picture blocks this panel saved
};

} // namespace

void importPanel(ImportContext& ctx)
{
    PanelBuild build(ctx);
    if (build.run()) {
        ++ctx.counts.total;
        return;
    }
    ctx.warn("  [XML2QEL] Warning: could not import '%s/%s' panel/widget.\n", ctx.name.c_str(),
             build.widgetName().c_str());
}

} // namespace xmlimport
