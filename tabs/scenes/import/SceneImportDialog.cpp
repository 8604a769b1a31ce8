// The scene import dialog's panel: its sections, the source probe and the
// widgets stored back on OK.
#include "tabs/scenes/import/SceneImportDialog.h"
#include "tabs/scenes/import/SceneImportDialogIds.h"
#include "tabs/base/TabControls.h"
#include "tabs/base/TabServices.h"
#include "tabs/scenes/import/SceneImportKinds.h"
#include "tabs/scenes/import/SceneImportProbe.h"
#include "tabs/scenes/import/SceneImportProgress.h"

#include "services/ResourceManager.h"
#include "services/TextFit.h"
#include "services/WidgetBuilders.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

using namespace Zelkoran;

using namespace sceneImportDialog;

namespace {

constexpr uint8_t kBack[3] = {225, 225, 225};
constexpr int kTileGroup[] = {ID_TILE_LABEL, ID_TILE_W_ICON, ID_TILE_H_ICON, ID_MATCH_LABEL,
                              ID_TILE_X,     ID_TILE_Y,      ID_MATCH};
constexpr int kImageSection[] = {ID_IMAGE_TITLE, ID_IMAGE_LAYER, ID_KEY_LABEL, ID_USE_KEY,
                                 ID_IMAGE_HELP,  ID_KEY,         ID_KEY_ICON,  ID_KEY_SWATCH};
constexpr int kVideoSection[] = {ID_VIDEO_TITLE,  ID_START_LABEL, ID_DURATION_LABEL, ID_FRAMES_LABEL, ID_MODE_LABEL,
                                 ID_START,        ID_DURATION,    ID_FRAMES,         ID_MODE,         ID_VIDEO_HELP};
// Room for a line of the Universal VTT section: its labels start at x 24,
// its frame ends at x 438.
constexpr int kUVTTTextRoom = 406;
constexpr int kUVTTSection[] = {ID_UVTT_TITLE,     ID_UVTT_META,        ID_UVTT_DETAILS,    ID_UVTT_MAP_LABEL,
                                ID_UVTT_MAP,       ID_UVTT_OCC_LABEL,   ID_UVTT_LOS,        ID_UVTT_OBJECTS,
                                ID_UVTT_PORTAL_LABEL, ID_UVTT_PORTALS,  ID_UVTT_MERGE,      ID_UVTT_MOVE_LABEL,
                                ID_UVTT_MOVEMENT,  ID_UVTT_LIGHT_LABEL, ID_UVTT_LIGHTS};

// Check boxes that mirror one switch of the record each.
struct UVTTSwitch {
    int id;
    bool SceneUvttOptions::*field;
};
constexpr UVTTSwitch kUVTTSwitches[] = {
    {ID_UVTT_LOS, &SceneUvttOptions::uvttImportWalls},
    {ID_UVTT_OBJECTS, &SceneUvttOptions::uvttImportObjects},
    {ID_UVTT_PORTALS, &SceneUvttOptions::uvttImportPortals},
    {ID_UVTT_MERGE, &SceneUvttOptions::uvttMergePortals},
    {ID_UVTT_LIGHTS, &SceneUvttOptions::uvttImportLights},
    {ID_UVTT_MOVEMENT, &SceneUvttOptions::uvttBlockMovement},
};

const char kImageTips[] =
    "Enable Image layer to import the source as a single image layer without tiles.\n\n"
    "Disable Image layer to convert the source into a tile layer.\n\nRecommended tile settings:\n"
    "- Tile size: same as your target map grid\n- Match: 98% to 100%\n- use 100% to merge only identical tiles\n"
    "- lower Match slightly to merge visually similar tiles\n\nEnable ColorKey to make one RGB color transparent.\n\n"
    "Enable Pad if the image size is not divisible by the tile size.";

int g_dialogCounter = 0;

void syncPadFillChecks(Panel* dialog, int id)
{
    if (!dialog)
        return;
    for (int box : {ID_PAD_CLEAR, ID_PAD_WHITE, ID_PAD_BLACK})
        if (WidgetCheckBox* check = dialog->getCheckBox(box))
            check->setChecked(box == id);
}

// One opening of the dialog: builds the panel, runs it, stores the widgets.
class ImportDialogRun {
public:
    ImportDialogRun(const TabServices& tabServices, SceneLayerImportOptions& options, SceneSourceProbe& probed,
                    Scene* scene, bool forNewScene)
        : services(tabServices), resources(&tabServices.resources()), o(options), found(probed), newScene(forNewScene)
    {
        slots.push_back(scene && !newScene ? scene->getLayerCount(0) + 1 : -1);
        if (scene && !newScene)
            for (int slot = 1; slot <= scene->getLayerCount(0); ++slot)
                if (scene->getLayerType(slot) == SLT_EMPTY)
                    slots.push_back(slot);
    }

    // The id of the button that ended the run; 0 when the panel could not be made.
    int run()
    {
        const std::string name = (newScene ? "NewSceneImport" : "AddLayer") + std::to_string(g_dialogCounter++);
        int panelId = 0;
        p = ui::addPanel(name.c_str(), panelId);
        if (!p)
            return 0;
        font = resources ? resources->get(SR_FONT) : 0;
        build();
        load();
        const int result = Main::instance()->tool()->messageBox(newScene ? "New Scene" : "Add Scene Layer", "", 0, 0,
                                                                0, panelId, 0);
        if (result == ID_OK || result == ID_VIDEO_HELP || result == ID_IMAGE_HELP)
            store();
        Main::instance()->guiMgr()->close(panelId);
        return result;
    }

private:
    // A widget of the dialog at x, y (from its top left), in the dialog font.
    ui::WidgetSpec at(int id, const char* name, int x, int y, int width = 0, int height = 0,
                      const char* tip = nullptr) const
    {
        return {.name = name,
                .id = id,
                .x = ui::left(float(x)),
                .y = ui::top(float(y)),
                .w = width,
                .h = height,
                .font = font,
                .tooltip = tip};
    }
    // Captions read from their left edge.
    WidgetLabel* label(int id, const char* name, const char* text, int x, int y, int width = 0, int height = 0)
    {
        WidgetLabel* l = ui::addLabel(*p, at(id, name, x, y, width, height));
        if (l)
            l->setText(text, Position(0, PH_LEFT), Position(0, PH_CENTER));
        return l;
    }
    void frame(int id, const char* name, int y, int height, int titleId, const char* titleName, const char* title,
               int titleWidth)
    {
        // The theme's frame colour, which an outline of the builders would replace.
        if (WidgetFrame* f = p->createFrame(name, id)) {
            f->setFont(font, WS_ALL);
            f->setPosition(ui::left(12), ui::top(float(y)));
            f->setSize(426, height);
            f->setFilled(false);
            f->setBorderWidth(1, WS_ALL);
            f->setFeatures(WF_EVENTS, false);
        }
        if (WidgetLabel* l = label(titleId, titleName, title, 24, y - 6, titleWidth, 16)) {
            l->setFeatures(WF_NO_BG, false);
            l->setText(title, Position(0, PH_CENTER), Position(0, PH_CENTER));
        }
    }
    WidgetCheckBox* check(int id, const char* name, const char* text, int x, int y, int width, int height,
                          const char* tip)
    {
        ui::WidgetSpec spec = at(id, name, x, y, width, height, tip);
        spec.text = text;
        return ui::addCheckBox(*p, spec);
    }
    WidgetNumberEdit* number(int id, const char* name, float min, float max, int x, int y, int width,
                             const char* tip)
    {
        WidgetNumberEdit* n = ui::addNumberEdit(*p, at(id, name, x, y, width, 19, tip), min, max, min);
        // The dialog reads its fields when it closes: no focus-lost events.
        if (n)
            n->setFeatures(WF_FOCUS_LOST, false);
        return n;
    }
    void sprite(Widget* w, int spriteId)
    {
        if (w && resources)
            w->setBackgroundSprite(resources->getClone(spriteId), WS_ALL, 0);
    }
    // An image widget, shown as spriteId, that takes events for its tooltip.
    void icon(int id, const char* name, int x, int y, const char* tip, int spriteId)
    {
        Widget* w = p->createImage(name, id);
        if (!w)
            return;
        w->setFont(font, WS_ALL);
        w->setPosition(ui::left(float(x)), ui::top(float(y)));
        w->setTooltip(tip);
        sprite(w, spriteId);
        w->setFeatures(WF_EVENTS, true);
    }
    WidgetButton* helpButton(int id, const char* name, int x, int y, const char* tip)
    {
        return resources ? ui::addSpriteButton(*p, at(id, name, x, y, 24, 24, tip), resources->getClone(SS_INFO_QEL))
                         : nullptr;
    }
    WidgetComboBox* combo(int id, const char* name, std::initializer_list<const char*> rows, int x, int y, int width,
                          const char* tip)
    {
        WidgetComboBox* c = ui::addComboBox(*p, at(id, name, x, y, width, 19, tip));
        for (const char* row : rows)
            if (c)
                c->addItem(row);
        return c;
    }

    void build()
    {
        Widget* base = p->baseWidget();
        base->setSize(450, 525);
        base->setPosition(Position(0, PH_CENTER), Position(0, PH_CENTER));
        base->setBackgroundColor(kBack[0], kBack[1], kBack[2], WS_ALL);
        base->setBorderColor(116, 126, 140, 255, WS_ALL);
        base->setBorderCorner(4, WS_ALL);
        base->setFeatures(WF_DRAG, true);
        p->setPanelType(PT_MODAL, 0);

        frame(ID_GENERAL_FRAME, "GeneralFrame", 34, 160, ID_GENERAL_TITLE, "GeneralSection", "General", 62);
        frame(ID_IMAGE_FRAME, "ImageFrame", 203, 62, ID_IMAGE_TITLE, "ImageSection", "Image", 52);
        frame(ID_VIDEO_FRAME, "VideoFrame", 203, 88, ID_VIDEO_TITLE, "VideoSection", "Video", 50);
        frame(ID_UVTT_FRAME, "UVTTFrame", 203, 270, ID_UVTT_TITLE, "UVTTSection", "Universal VTT", 92);

        ui::WidgetSpec loadSpec = at(ID_LOAD, "LoadSource", 24, 55, 70, 25,
                                     newScene ? "Select a TMX, UVTT, image, or video file"
                                              : "Select a UVTT, image, or video source to import as layers");
        loadSpec.text = "Load";
        if (WidgetButton* load = ui::addButton(*p, loadSpec))
            load->setOnPressed([this](Widget&) { browse(); });
        if (WidgetTextEdit* file =
                ui::addTextEdit(*p, at(ID_FILE, "LayerFile", 104, 58, 325, 19, "Selected source file")))
            file->setReadOnly(true);
        label(ID_TYPE_LABEL, "TypeLabel", "Type:", 24, 92);
        label(ID_SOURCE_TYPE, "SourceType", "none", 62, 92);
        label(ID_RESOLUTION_LABEL, "ResolutionLabel", "Resolution:", 130, 92);
        label(ID_RESOLUTION, "Resolution", "-", 200, 92);
        label(ID_DURATION_CAPTION, "DurationLabelValue", "Duration:", 288, 92);
        label(ID_DURATION_VALUE, "DurationValue", "0 ms", 350, 92);
        label(ID_NAME_LABEL, "LayerNameLabel", newScene ? "Scene:" : "Layer:", 24, 124);
        ui::addTextEdit(*p, at(ID_NAME, "LayerName", 84, 121, newScene ? 206 : 150, 19,
                               newScene ? "New TMX resource name" : "Optional layer name"));
        label(ID_TARGET_LABEL, "TargetLabel", "Target:", 252, 124);
        combo(ID_TARGET, "TargetLayer", {}, 304, 121, 126, nullptr);
        label(ID_TILE_LABEL, "TileSizeLabel", "Tile size:", 24, 160);
        icon(ID_TILE_W_ICON, "TileWidthIcon", 84, 157, "Tile width", SS_WIDTH_ICON);
        number(ID_TILE_X, "TileSizeX", 0, 8192, 108, 157, 32, "Tile width used for image tiles or video tiles");
        icon(ID_TILE_H_ICON, "TileHeightIcon", 145, 157, "Tile height", SS_HEIGHT_ICON);
        number(ID_TILE_Y, "TileSizeY", 0, 8192, 169, 157, 32, "Tile height used for image tiles or video tiles");
        label(ID_MATCH_LABEL, "MatchLabel", "Match%:", 209, 160);
        if (WidgetNumberEdit* match = number(ID_MATCH, "Match", 1, 100, 258, 157, 36,
                                             "Percentage of pixels that must match; 100 reuses only identical tiles")) {
            match->allowFloat(true);
            match->setStep(0.1f);
        }
        // Wide enough for "Pad" whole, and clear of the padding colours after it.
        check(ID_PAD, "PadToTile", "Pad", 299, 155, 42, 22, "Pad edge pixels to the next full tile");
        const struct {
            int id;
            const char* name;
            int sprite;
            int x;
            const char* tip;
        } fills[] = {{ID_PAD_CLEAR, "PadTransparent", SS_BLOCKY, 347, "Transparent padding"},
                     {ID_PAD_WHITE, "PadWhite", SS_WHITEY, 375, "White padding"},
                     {ID_PAD_BLACK, "PadBlack", SS_BLACKY, 403, "Black padding"}};
        for (const auto& f : fills) {
            WidgetCheckBox* box = check(f.id, f.name, "", f.x, 153, 0, 0, f.tip);
            sprite(box, f.sprite);
            if (box)
                box->setOnToggled([this, id = f.id](Widget&) { syncPadFillChecks(p, id); });
        }
        if (newScene)
            for (int id : {ID_TARGET_LABEL, ID_TARGET})
                if (Widget* w = p->getWidgetByID(id))
                    w->hide(), w->disable();

        check(ID_IMAGE_LAYER, "ImageLayer", "Image layer", 24, 223, 105, 22,
              "Import the image as one image layer and ignore tile size");
        label(ID_KEY_LABEL, "ColorKeyLabel", "ColorKey:", 150, 226);
        createColorField(services, p,
                         {.name = "ColorKey", .iconId = ID_KEY_ICON, .editId = ID_KEY, .swatchId = ID_KEY_SWATCH,
                          .x = 207, .y = 224, .tooltip = "Transparent RGB color in #RRGGBB hex",
                          .initHex = "#000000", .textWidth = 60},
                         {});
        check(ID_USE_KEY, "UseColorKey", "On", 315, 223, 40, 19,
              "Use RGB color as transparent color for images without alpha");
        helpButton(ID_IMAGE_HELP, "ImageHelp", 400, 218, "Image import tips");

        label(ID_UVTT_META, "UVTTMetadata", "Select a .dd2vtt, .df2vtt, or .uvtt file", 24, 220);
        label(ID_UVTT_DETAILS, "UVTTDetails", "", 24, 238);
        label(ID_UVTT_MAP_LABEL, "UVTTMapLabel", "Map layer:", 24, 263);
        combo(ID_UVTT_MAP, "UVTTMapMode", {"Tile layer", "Image layer", "Do not import"}, 84, 260, 142,
              "Reserve the start layer for the map, even when it is not imported");
        label(ID_UVTT_OCC_LABEL, "UVTTOccludersLabel", "Occluders", 24, 290);
        check(ID_UVTT_LOS, "UVTTLOS", "Line-of-sight walls", 24, 303, 160, 22,
              "Import the main UVTT line_of_sight paths as light occluders");
        check(ID_UVTT_OBJECTS, "UVTTObjectLOS", "Object occluders", 202, 303, 160, 22,
              "Import object line-of-sight paths");
        label(ID_UVTT_PORTAL_LABEL, "UVTTPortalsLabel", "Portals", 24, 337);
        check(ID_UVTT_PORTALS, "UVTTPortals", "Doors and windows", 24, 350, 160, 22,
              "Import door and window bounds as typed portal objects");
        check(ID_UVTT_MERGE, "UVTTMergePortals", "Merge portals", 202, 350, 160, 22, "Join connected portal segments");
        label(ID_UVTT_MOVE_LABEL, "UVTTMovementLabel", "Movement", 24, 385);
        check(ID_UVTT_MOVEMENT, "UVTTMovement", "Block movement", 24, 398, 160, 22,
              "Block movement through walls and closed doors");
        label(ID_UVTT_LIGHT_LABEL, "UVTTLightsLabel", "Lights", 24, 433);
        check(ID_UVTT_LIGHTS, "UVTTLights", "Point lights", 24, 446, 160, 22,
              "Import point lights; disabled by default when lighting is baked into the map");

        label(ID_START_LABEL, "StartLabel", "Start:", 24, 231);
        number(ID_START, "StartMS", 0, 3600000, 84, 228, 65, "Start time in milliseconds");
        label(ID_DURATION_LABEL, "DurationLabel", "Duration:", 164, 231);
        number(ID_DURATION, "DurationMS", 1, 3600000, 236, 228, 65, "Duration in milliseconds");
        label(ID_FRAMES_LABEL, "FramesLabel", "Frames:", 316, 231);
        number(ID_FRAMES, "MaxFrames", 1, 256, 374, 228, 45, "Maximum sampled frames");
        label(ID_MODE_LABEL, "MatchModeLabel", "Mode:", 24, 260);
        combo(ID_MODE, "MatchMode", {"Pixel deviation", "Average color"}, 70, 257, 160,
              "Video tile matching algorithm");
        helpButton(ID_VIDEO_HELP, "VideoHelp", 236, 252, "Video import tips");

        const struct {
            int id;
            const char* name;
            const char* caption;
            int key, width, x;
        } closers[] = {{ID_OK, "OK", "OK", 'o', 54, -15}, {ID_CANCEL, "Cancel", "Cancel", 'c', 60, -78}};
        for (const auto& c : closers)
            if (WidgetButton* b = ui::addButton(*p, {.name = c.name,
                                                     .id = c.id,
                                                     .x = ui::right(float(c.x)),
                                                     .y = ui::bottom(-15),
                                                     .w = c.width,
                                                     .h = 21,
                                                     .text = c.caption,
                                                     .font = font}))
                b->setKey(c.key);
        p->setDialogButtons(ID_OK, ID_CANCEL);

        if (WidgetComboBox* target = p->getComboBox(ID_TARGET)) {
            target->addItem("New layer");
            for (size_t k = 1; k < slots.size(); ++k)
                target->addItem(("Empty layer " + std::to_string(slots[k])).c_str());
            int entry = 1;
            for (size_t k = 0; !newScene && k < slots.size(); ++k)
                if (slots[k] == o.targetLayer) {
                    entry = int(k) + 1;
                    break;
                }
            target->setSelectedIndex(entry);
        }
        const auto relayout = [this](Widget&) { refreshLayout(o.sourceType != SST_NONE); };
        for (int id : {ID_IMAGE_LAYER, ID_USE_KEY, ID_PAD, ID_UVTT_PORTALS})
            if (Widget* w = p->getWidgetByID(id))
                w->setOnToggled(relayout);
        if (Widget* w = p->getWidgetByID(ID_UVTT_MAP))
            w->setOnSelectionChanged(relayout);
        for (int id : {ID_TILE_X, ID_TILE_Y})
            if (Widget* w = p->getWidgetByID(id)) {
                w->setFeatures(WF_FOCUS_LOST, true);
                const auto info = [this](Widget&) { updateUVTTInfoLabels(); };
                w->setOnValueChanged(info);
                w->setOnValueCommitted(info);
                w->setOnFocusLost(info);
            }
    }

    void setText(int id, const std::string& text)
    {
        if (WidgetTextEdit* edit = p->getTextEdit(id))
            edit->setText(text.c_str());
    }
    void setLabel(int id, const std::string& text)
    {
        if (WidgetLabel* l = p->getLabel(id))
            l->setText(text.c_str(), l->getTextX(), l->getTextY());
    }
    void setNumber(int id, float value)
    {
        if (WidgetNumberEdit* n = p->getNumberEdit(id))
            n->setValue(value);
    }
    void setCheck(int id, bool on)
    {
        if (WidgetCheckBox* c = p->getCheckBox(id))
            c->setChecked(on);
    }
    void setEntry(int id, int entry)
    {
        if (WidgetComboBox* c = p->getComboBox(id))
            c->setSelectedIndex(entry);
    }
    bool checked(int id) const
    {
        const WidgetCheckBox* c = p->getCheckBox(id);
        return c && c->isChecked();
    }
    // Each part of the dialog shows and stores its own options: the tile
    // size and padding every tiling kind shares, then the Image, Video and
    // Universal VTT sections.
    void loadTileSize(const SceneTileCutOptions& tiles)
    {
        setNumber(ID_TILE_X, float(tiles.tileWidth));
        setNumber(ID_TILE_Y, float(tiles.tileHeight));
        setNumber(ID_MATCH, tiles.matchPercent);
    }
    void loadPadding(const SceneTileCutOptions& tiles)
    {
        setCheck(ID_PAD, tiles.padToTile);
        syncPadFillChecks(p, tiles.padTransparent          ? ID_PAD_CLEAR
                             : tiles.padColor == 0xFFFFFFu ? ID_PAD_WHITE
                             : tiles.padColor == 0        ? ID_PAD_BLACK
                                                          : ID_PAD_CLEAR);
    }
    void loadImage(const SceneImageOptions& image)
    {
        setCheck(ID_IMAGE_LAYER, image.imageLayer);
        setCheck(ID_USE_KEY, image.useColorKey);
        setText(ID_KEY, image.colorKey < 0 ? std::string("#000000")
                                           : hexColorRGB(uint8_t(image.colorKey >> 16),
                                                         uint8_t(image.colorKey >> 8), uint8_t(image.colorKey))
                                                 .c_str());
        SceneImportDialog::updateImportColorSwatch(p, false);
    }
    void loadFrames(const SceneFrameOptions& frames)
    {
        setNumber(ID_START, float(frames.startMs));
        setNumber(ID_DURATION, float(frames.durationMs));
        setNumber(ID_FRAMES, float(frames.frameCount));
        setEntry(ID_MODE, frames.matchMode == 0 ? 1 : 2);
    }
    void loadUvtt(const SceneUvttOptions& uvtt)
    {
        setEntry(ID_UVTT_MAP, uvtt.uvttMapMode + 1);
        for (const UVTTSwitch& s : kUVTTSwitches)
            setCheck(s.id, uvtt.*s.field);
    }

    void load()
    {
        setText(ID_FILE, o.sourcePath.c_str());
        setText(ID_NAME, o.layerName.c_str());
        loadTileSize(o);
        loadPadding(o);
        loadImage(o);
        loadFrames(o);
        loadUvtt(o);
        if (!o.sourcePath.empty())
            probe(o.sourcePath);
        else
            refreshLayout(false);
    }

    void browse()
    {
        SceneLayerImportOptions::string path;
        const std::string filter = sceneImportFilter(newScene);
        if (Main::instance()->tool()->fileOpenDialog(newScene ? "Select Scene source" : "Select layer source",
                                                     filter.c_str(), path))
            probe(path);
    }

    void probe(const SceneLayerImportOptions::string& path)
    {
        const SceneSourceFacts facts = SceneImportProbe::probe(o, found, path, newScene);
        if (o.sourceType == SST_FRAMES && o.fileKind == SFK_GIF) {
            setNumber(ID_DURATION, float(o.durationMs));
            setNumber(ID_FRAMES, float(o.frameCount));
        }
        setText(ID_FILE, path.c_str());
        setLabel(ID_RESOLUTION, facts.width > 0 && facts.height > 0
                                    ? std::to_string(facts.width) + "x" + std::to_string(facts.height)
                                    : std::string("-"));
        setLabel(ID_DURATION_VALUE, std::to_string(facts.durationMs) + " ms");
        setLabel(ID_SOURCE_TYPE, facts.kindText);
        // The probe presets a Universal VTT file's tile size and parts.
        if (section() == SIS_UVTT) {
            loadTileSize(o);
            loadUvtt(o);
        }
        updateUVTTInfoLabels();
        WidgetTextEdit* name = p->getTextEdit(ID_NAME);
        if (name && o.sourceType != SST_NONE && name->getText().empty())
            name->setText(SceneImportProbe::proposedName(o, newScene).c_str());
        refreshLayout(o.sourceType != SST_NONE);
    }

    // The tile size the info label counts cells with: the edits' while they exist.
    void uvttTileSize(int& width, int& height) const
    {
        width = o.tileWidth, height = o.tileHeight;
        if (const WidgetNumberEdit* x = p->getNumberEdit(ID_TILE_X))
            width = int(x->getValue());
        if (const WidgetNumberEdit* y = p->getNumberEdit(ID_TILE_Y))
            height = int(y->getValue());
    }

    void updateUVTTInfoLabels()
    {
        WidgetLabel* meta = p->getLabel(ID_UVTT_META);
        if (!meta || section() != SIS_UVTT)
            return;
        if (!found.uvttMetadataValid) {
            // The reason goes over both lines of the section, inside its frame.
            const String error =
                found.uvttProbeError.empty() ? String("UVTT metadata is invalid") : found.uvttProbeError;
            const Vector<String> lines = ui::wrapToWidth(*meta, error, kUVTTTextRoom);
            String rest;
            for (size_t k = 1; k < lines.size(); ++k)
                rest += lines[k];
            setLabel(ID_UVTT_META, lines.empty() ? "" : lines[0].c_str());
            setLabel(ID_UVTT_DETAILS, ui::shortenToWidth(*meta, rest, kUVTTTextRoom).c_str());
            meta->setTooltip(error.c_str());
            return;
        }
        int width = 0, height = 0;
        uvttTileSize(width, height);
        char text[192];
        if (width < 1 || height < 1)
            std::snprintf(text, sizeof(text), "Grid: invalid tile size | Occluders: %d walls / %d objects",
                          found.uvttWallCount, found.uvttObjectCount);
        else
            std::snprintf(text, sizeof(text), "Grid: %d x %d cells | Occluders: %d walls / %d objects",
                          (found.uvttPixelWidth + width - 1) / width, (found.uvttPixelHeight + height - 1) / height,
                          found.uvttWallCount, found.uvttObjectCount);
        setLabel(ID_UVTT_META, text);
        meta->setTooltip(
            ("Source: " + found.uvttCreator + (found.uvttBakedLighting ? " | baked lighting" : "")).c_str());
        std::snprintf(text, sizeof(text), "Portals: %d segments (%d if merged) | Lights: %d",
                      found.uvttPortalSegmentCount, found.uvttMergedPortalCount, found.uvttLightCount);
        setLabel(ID_UVTT_DETAILS, text);
        if (Widget* details = p->getWidgetByID(ID_UVTT_DETAILS))
            details->setTooltip("Connected portal segments can be merged into one portal object");
    }

    void usable(int id, bool on)
    {
        if (Widget* w = p->getWidgetByID(id))
            on ? w->enable() : w->disable();
    }
    void shown(int id, bool on)
    {
        if (Widget* w = p->getWidgetByID(id))
            on ? w->show() : w->hide();
    }

    // The section of the chosen source's kind.
    SceneImportSection section() const
    {
        const SceneImportKind* kind = sceneImportKind(o.sourceType, o.fileKind);
        return kind ? kind->section : SIS_NONE;
    }

    void refreshLayout(bool hasSource)
    {
        const SceneImportSection shownSection = hasSource ? section() : SIS_NONE;
        const bool isImage = shownSection == SIS_IMAGE;
        const bool isAnim = shownSection == SIS_FRAMES;
        const bool isUVTT = shownSection == SIS_UVTT;
        const WidgetCheckBox* imageLayer = p->getCheckBox(ID_IMAGE_LAYER);
        const WidgetComboBox* mapMode = p->getComboBox(ID_UVTT_MAP);
        const bool useTiles = isImage  ? !imageLayer || !imageLayer->isChecked()
                              : isUVTT ? mapMode && mapMode->getSelectedIndex() == 1
                                       : isAnim;
        setLabel(ID_NAME_LABEL, newScene ? "Scene:" : isUVTT ? "Prefix:" : "Layer:");
        setLabel(ID_TARGET_LABEL, isUVTT ? "Start:" : "Target:");
        usable(ID_NAME_LABEL, newScene || hasSource);
        usable(ID_NAME, newScene || hasSource);
        usable(ID_TARGET_LABEL, !newScene && hasSource);
        usable(ID_TARGET, !newScene && hasSource);
        // An empty scene takes its tile size from here.
        const bool emptyScene = newScene && !hasSource;
        for (int id : kTileGroup)
            usable(id, useTiles || (emptyScene && id != ID_MATCH && id != ID_MATCH_LABEL));
        usable(ID_PAD, useTiles);
        for (int id : {ID_PAD_CLEAR, ID_PAD_WHITE, ID_PAD_BLACK})
            usable(id, useTiles && checked(ID_PAD));
        for (int id : kImageSection)
            usable(id, isImage);
        for (int id : {ID_KEY, ID_KEY_ICON, ID_KEY_SWATCH})
            usable(id, isImage && checked(ID_USE_KEY));
        for (int id : kVideoSection)
            usable(id, isAnim);
        shown(ID_IMAGE_FRAME, isImage);
        shown(ID_VIDEO_FRAME, isAnim);
        shown(ID_UVTT_FRAME, isUVTT);
        for (int id : kImageSection)
            shown(id, isImage);
        for (int id : kVideoSection)
            shown(id, isAnim);
        for (int id : kUVTTSection)
            shown(id, isUVTT);

        const bool valid = found.uvttMetadataValid;
        const bool anyOccluder =
            found.uvttWallCount > 0 || found.uvttObjectCount > 0 || found.uvttPortalSegmentCount > 0;
        usable(ID_UVTT_MAP, isUVTT && valid && found.uvttHasImage);
        usable(ID_UVTT_LOS, isUVTT && valid && found.uvttWallCount > 0);
        usable(ID_UVTT_OBJECTS, isUVTT && valid && found.uvttObjectCount > 0);
        usable(ID_UVTT_PORTALS, isUVTT && valid && found.uvttMergedPortalCount > 0);
        usable(ID_UVTT_MERGE, isUVTT && valid && found.uvttMergedPortalCount > 0 &&
                                  found.uvttMergedPortalCount < found.uvttPortalSegmentCount &&
                                  checked(ID_UVTT_PORTALS));
        usable(ID_UVTT_LIGHTS, isUVTT && valid && found.uvttLightCount > 0);
        usable(ID_UVTT_MOVEMENT, isUVTT && valid && anyOccluder);
        usable(ID_OK, newScene || hasSource);
    }

    void store()
    {
        if (const WidgetTextEdit* file = p->getTextEdit(ID_FILE))
            o.sourcePath = file->getText();
        if (const WidgetTextEdit* name = p->getTextEdit(ID_NAME))
            o.layerName = name->getText();
        if (newScene)
            o.targetLayer = 1;
        else if (const WidgetComboBox* target = p->getComboBox(ID_TARGET)) {
            const int k = target->getSelectedIndex();
            o.targetLayer = k >= 1 && size_t(k) <= slots.size() ? slots[size_t(k) - 1] : -1;
        }
        storeTileCut(o);
        storeImage(o);
        storeFrames(o);
        if (section() == SIS_UVTT)
            storeUvtt(o, o);
    }

    void storeTileCut(SceneTileCutOptions& tiles)
    {
        if (const WidgetNumberEdit* n = p->getNumberEdit(ID_TILE_X))
            tiles.tileWidth = int(n->getValue());
        if (const WidgetNumberEdit* n = p->getNumberEdit(ID_TILE_Y))
            tiles.tileHeight = int(n->getValue());
        if (const WidgetNumberEdit* n = p->getNumberEdit(ID_MATCH))
            tiles.matchPercent = n->getValue();
        if (p->getCheckBox(ID_PAD))
            tiles.padToTile = checked(ID_PAD);
        if (p->getCheckBox(ID_PAD_CLEAR))
            tiles.padTransparent = checked(ID_PAD_CLEAR);
        if (p->getCheckBox(ID_PAD_WHITE))
            tiles.padColor = checked(ID_PAD_WHITE) ? 0xFFFFFFu : 0u;
    }
    // The colour key counts for a still picture only.
    void storeImage(SceneImageOptions& image)
    {
        if (p->getCheckBox(ID_IMAGE_LAYER))
            image.imageLayer = checked(ID_IMAGE_LAYER);
        image.useColorKey = false;
        image.colorKey = -1;
        uint8_t r = 0, g = 0, b = 0;
        if (section() == SIS_IMAGE && checked(ID_USE_KEY)) {
            image.useColorKey = true;
            const WidgetTextEdit* key = p->getTextEdit(ID_KEY);
            if (key && parseHexColorRGB(key->getText().c_str(), r, g, b)) {
                image.colorKey = (r << 16) | (g << 8) | b;
                setText(ID_KEY, hexColorRGB(r, g, b).c_str());
            }
        }
    }
    void storeFrames(SceneFrameOptions& frames)
    {
        if (const WidgetNumberEdit* n = p->getNumberEdit(ID_START))
            frames.startMs = int(n->getValue());
        if (const WidgetNumberEdit* n = p->getNumberEdit(ID_DURATION))
            frames.durationMs = int(n->getValue());
        if (const WidgetNumberEdit* n = p->getNumberEdit(ID_FRAMES))
            frames.frameCount = int(n->getValue());
        if (const WidgetComboBox* mode = p->getComboBox(ID_MODE))
            frames.matchMode = mode->getSelectedIndex() == 1 ? 0 : 1;
    }
    // The map's mode decides whether the picture is one image layer.
    void storeUvtt(SceneUvttOptions& uvtt, SceneImageOptions& image)
    {
        if (const WidgetComboBox* map = p->getComboBox(ID_UVTT_MAP))
            uvtt.uvttMapMode = map->getSelectedIndex() - 1;
        for (const UVTTSwitch& s : kUVTTSwitches)
            if (p->getCheckBox(s.id))
                uvtt.*s.field = checked(s.id);
        image.imageLayer = uvtt.uvttMapMode == 1;
    }

    const TabServices& services;
    ResourceManager* resources;
    SceneLayerImportOptions& o;
    SceneSourceProbe& found;
    const bool newScene;
    std::vector<int> slots; // slot number of each target entry, entry 1 first
    Panel* p = nullptr;
    int font = 0;
};

} // namespace

void SceneImportDialog::updateImportColorSwatch(Panel* dialog, bool rewrite)
{
    WidgetTextEdit* edit = dialog ? dialog->getTextEdit(ID_KEY) : nullptr;
    Widget* swatch = dialog ? dialog->getWidgetByID(ID_KEY_SWATCH) : nullptr;
    uint8_t r = 0, g = 0, b = 0;
    if (!edit || !swatch || !parseHexColorRGB(edit->getText().c_str(), r, g, b))
        return;
    swatch->setBackgroundColor(r, g, b, WS_ALL);
    if (rewrite)
        edit->setText(hexColorRGB(r, g, b).c_str());
}

bool SceneImportDialog::showSceneImportDialog(SceneLayerImportOptions& options, SceneSourceProbe& found, Scene* scene,
                                              bool newScene) const
{
    for (;;) {
        ImportDialogRun run(m_services, options, found, scene, newScene);
        switch (run.run()) {
        case ID_OK: return true;
        case ID_VIDEO_HELP: showVideoImportHelp(); break;
        case ID_IMAGE_HELP: m_services.messageBox("Image Import Tips", kImageTips, MBB_OK, MBT_INFORMATION, 0); break;
        default: return false;
        }
    }
}
