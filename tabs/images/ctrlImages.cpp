#include "tabs/images/ctrlImages.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/TabCheckBoxIds.h"

#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"
#include "tabs/base/TabControls.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <SDL_surface.h>

#include <cstdio>

using namespace Zelkoran;

namespace {

constexpr int kResolutionTop = basePanelRows::kFirstLine;
constexpr int kZoomTop = basePanelRows::kSecondLine;
// Room for "#FFFFFF"; the colour key's "On" box then just fits beside the
// swatch within the 200-px panel.
constexpr int kColorTextWidth = 56;

const char* const kNoImage = "No image";
const char* const kLoadTitle = "Loading resource";
const char* const kLoadFailed = "Resource could not be loaded.";
// Pairs of description and pattern; the literal's own NUL ends the list.
const char kImportFilter[] = "All Files\0*.*\0"
                             "Windows or OS/2 Bitmap (*.bmp)\0*.bmp\0"
                             "Portable Network Graphics (*.png)\0*.png\0";

Tool* tool() { return Main::instance()->tool(); }
ImageMgr* images() { return Main::instance()->imageMgr(); }

void setSwatch(Panel& tabPanel, int swatchId, uint8_t r, uint8_t g, uint8_t b)
{
    if (WidgetFrame* swatch = tabPanel.getFrame(swatchId))
        swatch->setBackgroundColor(r, g, b, WS_ALL);
}

// A colour key needs an image without an alpha channel.
bool colorKeyAvailable(const Image* img, bool allowed)
{
    const SDL_Surface* surface = img ? img->getSurface() : nullptr;
    return allowed && surface && surface->format && surface->format->Amask == 0;
}

} // namespace

CtrlImages::CtrlImages(ResourceManager* rm, GlobalStatus* gs) : CtrlImages("Images", TAB_IMAGES, rm, gs) {}

CtrlImages::CtrlImages(const string& name, int checkBoxID, ResourceManager* rm, GlobalStatus* gs)
    : CtrlBase(name, checkBoxID, rm, gs)
{
    setBlockType("ZK7_IMAGE");
    createWidgets();
    CtrlImages::onNew();
    if (WidgetCheckBox* blocky = tabServices().panel().getCheckBox(IW_BG_BLOCKY))
        blocky->setChecked(true);
    iBgBlockyID = tabServices().resources().get(SR_BG_BLOCKY);
}

CtrlImages::~CtrlImages() { CtrlImages::closeResources(); }

void CtrlImages::createWidgets()
{
    Panel& tabPanel = tabServices().panel();
    ResourceManager& art = tabServices().resources();
    const int font = art.get(SR_FONT);
    const struct {
        ui::WidgetSpec spec;
        int sprite;
        bool checkBox;
    } spriteWidgets[] = {
        {{.name = "ImportImg", .id = IW_IMPORT, .x = ui::left(10), .y = ui::top(240),
          .tooltip = "Import an image file"},
         SS_IMPORT_IMG, false},
        {{.name = "ExportImg", .id = IW_EXPORT, .x = ui::right(-10), .y = ui::top(240),
          .tooltip = "Export the current image"},
         SS_EXPORT_IMG, false},
        {{.name = "ZoomOutImg", .id = IW_ZOOM_OUT, .x = ui::left(15), .y = ui::top(275), .tooltip = "Zoom out"},
         SS_ZOOM_OUT, false},
        {{.name = "ZoomInImg", .id = IW_ZOOM_IN, .x = ui::left(46), .y = ui::top(275), .tooltip = "Zoom in"},
         SS_ZOOM_IN, false},
        {{.name = "BlackyImg", .id = IW_BG_BLACK, .x = ui::right(-15), .y = ui::top(275),
          .tooltip = "Use a black background"},
         SS_BLACKY, true},
        {{.name = "WhiteyImg", .id = IW_BG_WHITE, .x = ui::right(-46), .y = ui::top(275),
          .tooltip = "Use a white background"},
         SS_WHITEY, true},
        {{.name = "BlockyImg", .id = IW_BG_BLOCKY, .x = ui::right(-77), .y = ui::top(275),
          .tooltip = "Use a checkerboard background"},
         SS_BLOCKY, true},
    };
    const ui::WidgetSpec labels[] = {
        {.name = "ResolutionImg", .id = IW_RESOLUTION, .x = ui::centred(), .y = ui::top(kResolutionTop),
         .text = kNoImage, .font = font},
        {.name = "ZoomImg", .id = IW_ZOOM_LABEL, .x = ui::centred(), .y = ui::top(kZoomTop), .text = sZoomText.c_str(),
         .font = font},
        {.name = "ColorKeyImg", .id = IW_KEY_LABEL, .x = ui::left(5), .y = ui::top(313), .text = "ColorKey:",
         .font = font},
        {.name = "ColorModImg", .id = IW_MOD_LABEL, .x = ui::left(5), .y = ui::top(340), .text = "ColorMod:",
         .font = font},
        {.name = "AlphaModImg", .id = IW_ALPHA_LABEL, .x = ui::left(5), .y = ui::top(367), .text = "AlphaMod:",
         .font = font},
    };
    // Creation order: import, export, the two top labels, zoom and
    // background buttons, then the colour rows.
    auto addSpriteWidget = [&](const auto& w) {
        const int sprite = art.getClone(w.sprite);
        if (w.checkBox)
            ui::addSpriteCheckBox(tabPanel, w.spec, sprite);
        else
            ui::addSpriteButton(tabPanel, w.spec, sprite);
    };
    addSpriteWidget(spriteWidgets[0]);
    addSpriteWidget(spriteWidgets[1]);
    ui::addLabel(tabPanel, labels[0]);
    ui::addLabel(tabPanel, labels[1]);
    for (int i = 2; i < 7; ++i)
        addSpriteWidget(spriteWidgets[i]);

    ui::addLabel(tabPanel, labels[2]);
    createColorField(tabServices(), &tabPanel,
                     {.name = "ColorKeyField", .iconId = IW_KEY_ICON, .editId = IW_KEY_EDIT, .swatchId = IW_KEY_SWATCH,
                      .x = 62, .y = 310, .tooltip = "Color key in #RRGGBB hex", .initHex = "#000000",
                      .textWidth = kColorTextWidth},
                     [this](Widget&) { processEvent(IW_KEY_EDIT, 0); });
    // Right of the swatch, wide enough for box and caption.
    if (WidgetCheckBox* use = ui::addCheckBox(tabPanel, {.name = "ColorKeyUseImg", .id = IW_KEY_USE, .x = ui::left(160),
                                                         .y = ui::top(310), .w = 37, .h = 19, .font = font,
                                                         .tooltip = "Enable color key when the image has no alpha "
                                                                  "channel"}))
        use->setText("On", ui::left(0), ui::centred());
    ui::addLabel(tabPanel, labels[3]);
    createColorField(tabServices(), &tabPanel,
                     {.name = "ColorModField", .iconId = IW_MOD_ICON, .editId = IW_MOD_EDIT, .swatchId = IW_MOD_SWATCH,
                      .x = 62, .y = 337, .tooltip = "Color modulation in #RRGGBB hex (#FFFFFF = no effect)",
                      .initHex = "#FFFFFF", .textWidth = kColorTextWidth},
                     [this](Widget&) { processEvent(IW_MOD_EDIT, 0); });
    ui::addLabel(tabPanel, labels[4]);
    ui::addNumberEdit(tabPanel, {.name = "Alpha_Box_Img", .id = IW_ALPHA, .x = ui::left(64), .y = ui::top(364), .w = 32,
                                 .h = 19, .font = font, .tooltip = "Alpha modulation"}, 0, 255, 255);
}

Image* CtrlImages::image() const { return iImageID > 0 ? images()->get(iImageID) : nullptr; }

int CtrlImages::processEvent(int widgetId, int data)
{
    if (CtrlBase::processEvent(widgetId, data) == -1)
        return -1;
    switch (widgetId) {
    case IW_IMPORT:
        if (onImport() != 0)
            return -1;
        setDirty(true);
        break;
    case IW_EXPORT: onExport(); break;
    case IW_ZOOM_IN: setZoom(fZoom < kMaxZoom ? fZoom + kZoomStep : fZoom); break;
    case IW_ZOOM_OUT: setZoom(fZoom > kMinZoom ? fZoom - kZoomStep : fZoom); break;
    case IW_BG_BLOCKY:
    case IW_BG_WHITE:
    case IW_BG_BLACK:
        // One radio group: the clicked box ends up the only ticked one.
        for (int id : {IW_BG_BLACK, IW_BG_BLOCKY, IW_BG_WHITE})
            if (WidgetCheckBox* box = tabServices().panel().getCheckBox(id))
                box->setChecked(id == widgetId);
        break;
    case IW_KEY_USE:
        if (iImageID > 0)
            setDirty(true);
        break;
    default: break;
    }
    const bool hasImage = iImageID > 0;
    enableWidgets(hasImage);
    if (image())
        applyImageSettings(widgetId);
    return hasImage ? 0 : 4;
}

void CtrlImages::enableWidgets(bool hasImage)
{
    if (!hasImage)
        tabServices().setUsable(BW_SAVE, false);
    tabServices().setUsable(IW_EXPORT, hasImage);

    WidgetCheckBox* keyUse = tabServices().panel().getCheckBox(IW_KEY_USE);
    const bool keyAvailable = colorKeyAvailable(image(), bAllowColorKey);
    if (!keyAvailable && keyUse)
        keyUse->setChecked(false);
    tabServices().setUsable(IW_KEY_USE, keyAvailable);
    const bool keyOn = keyAvailable && keyUse && keyUse->isChecked();
    for (int id : {IW_KEY_ICON, IW_KEY_EDIT, IW_KEY_SWATCH})
        tabServices().setUsable(id, keyOn);
    for (int id : {IW_MOD_ICON, IW_MOD_EDIT, IW_MOD_SWATCH})
        tabServices().setUsable(id, bAllowColorMod && hasImage);
    tabServices().setUsable(IW_ALPHA, bAllowAlphaMod && hasImage);
    for (int id : {IW_ZOOM_OUT, IW_ZOOM_IN})
        tabServices().setUsable(id, bAllowZoom && hasImage);
    for (int id : {IW_BG_BLACK, IW_BG_WHITE, IW_BG_BLOCKY})
        tabServices().setUsable(id, hasImage);
}

void CtrlImages::applyImageSettings(int widgetId)
{
    Panel& tabPanel = tabServices().panel();
    Image* img = image();
    uint8_t r = 0, g = 0, b = 0;
    const WidgetCheckBox* keyUse = tabPanel.getCheckBox(IW_KEY_USE);
    const bool keyAvailable = colorKeyAvailable(image(), bAllowColorKey);
    if (keyAvailable && keyUse && keyUse->isChecked()) {
        const WidgetTextEdit* edit = tabPanel.getTextEdit(IW_KEY_EDIT);
        if (edit && parseHexColorRGB(edit->getText().c_str(), r, g, b)) {
            int16_t kr = 0, kg = 0, kb = 0;
            img->getColorKey(kr, kg, kb);
            img->setColorKey(r, g, b);
            setSwatch(tabPanel, IW_KEY_SWATCH, r, g, b);
            // The key the image has, typed again or put back over a text
            // that does not read, is no edit.
            if (widgetId == IW_KEY_EDIT && (kr != r || kg != g || kb != b))
                setDirty(true);
        }
    } else if (keyAvailable) {
        img->setColorKey(-1, -1, -1);
    }
    // Not offered (an image with transparency): a key the image brought
    // along is not shown, so it is not the tab's to remove.
    if (const WidgetTextEdit* edit = tabPanel.getTextEdit(IW_MOD_EDIT);
        edit && parseHexColorRGB(edit->getText().c_str(), r, g, b)) {
        uint8_t mr = 0, mg = 0, mb = 0;
        img->getColorMod(mr, mg, mb);
        img->setColorMod(r, g, b);
        setSwatch(tabPanel, IW_MOD_SWATCH, r, g, b);
        if (widgetId == IW_MOD_EDIT && (mr != r || mg != g || mb != b))
            setDirty(true);
    }
    // A number edit reads an empty text as 0; left empty it means no change.
    const WidgetNumberEdit* alphaEdit = tabPanel.getNumberEdit(IW_ALPHA);
    const int alpha = alphaEdit && alphaEdit->getText().empty() ? 255 : widgetInt(tabPanel, IW_ALPHA, 255, 255, 0);
    img->setAlphaMod(static_cast<uint8_t>(alpha));
    if (widgetId == IW_ALPHA)
        setDirty(true);
}

void CtrlImages::setZoom(float zoom)
{
    fZoom = zoom;
    char text[32];
    std::snprintf(text, sizeof(text), "Zoom: %1.2f", static_cast<double>(fZoom));
    sZoomText = text;
    setLabel(tabServices().panel(), IW_ZOOM_LABEL, sZoomText, kZoomTop);
    if (iImageID != 0)
        calcImg();
}

int CtrlImages::onImport()
{
    string path;
    if (!tool()->fileOpenDialog("Image import", kImportFilter, path))
        return -1;
    const int id = images()->loadFromFile(path.c_str(), "");
    if (id <= 0) {
        tabServices().messageBox("Image import", "Image could not be imported.", MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    closeResources();
    iImageID = id;
    setItemHandle(0);
    setCurrentItemName("");
    fPanX = fPanY = 0;
    checkImage();
    return 0;
}

int CtrlImages::onExport() const
{
    const string name = tabServices().exportName();
    if (name.empty()) {
        tabServices().messageBox("Image export", "Could not export the image.\nAn image name is required.", MBB_NONE, MBT_WARNING,
                kNoticeMs);
        return -1;
    }
    // exportFilePath keeps the file in the archive's folder.
    const bool hasExtension = tool()->fileCheckExtension(name.c_str(), "png");
    const string path = tabServices().exportFilePath(name, hasExtension ? "" : "png");
    if (!path.empty() && tabServices().checkOverwrite(path) != 0)
        return -1;
    Image* img = image();
    const bool written = !path.empty() && img && img->saveToPNG(path.c_str());
    tabServices().messageBox("Image export", "Image exported to \"" + path + "\": " + (written ? "Ok" : "Failed"), MBB_OK,
            written ? MBT_INFORMATION : MBT_WARNING, 0);
    return written ? 0 : -1;
}

int CtrlImages::checkImage()
{
    Panel& tabPanel = tabServices().panel();
    const Image* img = images()->get(iImageID);
    const SDL_Surface* surface = img ? img->getSurface() : nullptr;
    const char* failure = !img              ? kLoadFailed
                          : !surface        ? "Image surface could not be loaded."
                          : !surface->format ? "Image pixel format is not supported."
                                             : nullptr;
    if (failure) {
        tabServices().messageBox(kLoadTitle, failure, MBB_OK, MBT_ERROR, 0);
        setLabel(tabPanel, IW_RESOLUTION, kNoImage, kResolutionTop);
        setLabel(tabPanel, IW_ZOOM_LABEL, sZoomText, kZoomTop);
        return -1;
    }
    if (iImageID != 0)
        calcImg();
    char text[64];
    std::snprintf(text, sizeof(text), "%dx%d %dbits", surface->w, surface->h, surface->format->BitsPerPixel);
    setLabel(tabPanel, IW_RESOLUTION, text, kResolutionTop);
    setLabel(tabPanel, IW_ZOOM_LABEL, sZoomText, kZoomTop);
    return 0;
}

int CtrlImages::updateData()
{
    Panel& tabPanel = tabServices().panel();
    const Image* img = image();
    if (!img)
        return 0;
    int16_t kr = 0, kg = 0, kb = 0;
    img->getColorKey(kr, kg, kb);
    const bool keyed = kr >= 0 && kg >= 0 && kb >= 0;
    const uint8_t r = keyed ? static_cast<uint8_t>(kr) : 0, g = keyed ? static_cast<uint8_t>(kg) : 0,
                  b = keyed ? static_cast<uint8_t>(kb) : 0;
    if (WidgetCheckBox* use = tabPanel.getCheckBox(IW_KEY_USE))
        use->setChecked(keyed);
    if (WidgetTextEdit* edit = tabPanel.getTextEdit(IW_KEY_EDIT))
        edit->setText(hexColorRGB(r, g, b).c_str());
    setSwatch(tabPanel, IW_KEY_SWATCH, r, g, b);

    uint8_t mr = 255, mg = 255, mb = 255;
    img->getColorMod(mr, mg, mb);
    if (WidgetTextEdit* edit = tabPanel.getTextEdit(IW_MOD_EDIT))
        edit->setText(hexColorRGB(mr, mg, mb).c_str());
    setSwatch(tabPanel, IW_MOD_SWATCH, mr, mg, mb);
    if (WidgetNumberEdit* alpha = tabPanel.getNumberEdit(IW_ALPHA))
        alpha->setValue(img->getAlphaMod());
    return 0;
}

int CtrlImages::onListBox()
{
    if (CtrlBase::onListBox() != 0)
        return -1;
    const WidgetList* list = tabServices().panel().getList(BW_LIST);
    if (!list || list->getSelectedIndex() == 0)
        return 0;
    const string selected = list->getSelectedText();
    if (selected == getCurrentItemName())
        return 0;
    const int id = images()->load(tabServices().status().iArchiveID, selected.c_str());
    if (id <= 0) {
        tabServices().messageBox(kLoadTitle, kLoadFailed, MBB_OK, MBT_ERROR, 0);
        // The name field now holds the unreadable block's name: keeping the
        // previous image would let Save write it over that block.
        showNoImage();
        setCurrentItemName("");
        return -1;
    }
    setCurrentItemName(selected);
    closeResources();
    fPanX = fPanY = 0;
    iImageID = id;
    setItemHandle(iImageID);
    if (checkImage() != 0) {
        closeResources();
        setCurrentItemName("");
        return -1;
    }
    updateData();
    return 0;
}

int CtrlImages::reloadImageResource(const string& name)
{
    iImageID = images()->load(tabServices().status().iArchiveID, name.c_str());
    setItemHandle(iImageID);
    if (iImageID > 0)
        return 0;
    iImageID = 0;
    setItemHandle(0);
    return -1;
}

int CtrlImages::onNew()
{
    if (CtrlBase::onNew() != 0)
        return -1;
    showNoImage();
    return 0;
}

void CtrlImages::showNoImage()
{
    Panel& tabPanel = tabServices().panel();
    closeResources();
    setLabel(tabPanel, IW_RESOLUTION, kNoImage, kResolutionTop);
    setLabel(tabPanel, IW_ZOOM_LABEL, sZoomText, kZoomTop);
    if (WidgetCheckBox* use = tabPanel.getCheckBox(IW_KEY_USE))
        use->setChecked(false);
    if (WidgetTextEdit* key = tabPanel.getTextEdit(IW_KEY_EDIT))
        key->setText("#000000");
    if (WidgetTextEdit* mod = tabPanel.getTextEdit(IW_MOD_EDIT))
        mod->setText("#FFFFFF");
    setSwatch(tabPanel, IW_KEY_SWATCH, 0, 0, 0);
    setSwatch(tabPanel, IW_MOD_SWATCH, 255, 255, 255);
    if (WidgetNumberEdit* alpha = tabPanel.getNumberEdit(IW_ALPHA))
        alpha->setValue(255);
    fPanX = fPanY = 0;
    rImg = SDL_FRect{0, 0, 0, 0};
}

int CtrlImages::closeResources()
{
    if (getItemHandle() > 0) {
        images()->close(getItemHandle());
        if (iImageID > 0 && iImageID != getItemHandle())
            images()->close(iImageID);
    } else if (iImageID > 0) {
        images()->close(iImageID);
    }
    iImageID = 0;
    setItemHandle(0);
    fZoom = 1.0f;
    sZoomText = "Zoom: 1.00";
    return 0;
}

int CtrlImages::onSave()
{
    return resourceSave.save("Image", "Image name cannot be empty.", [this](const string& name) {
        Image* img = image();
        if (!img) {
            tabServices().notifySaveError("Image", "Could not get the image.", kNoticeMs);
            return -1;
        }
        // Another open image holding the name (an effect's or a panel's copy
        // of the block) keeps it; the block is written all the same.
        const int renamed = name == img->getName() ? 0 : images()->setName(iImageID, name.c_str());
        if (renamed < 0 && renamed != RC_ERR_EXISTS) {
            tabServices().notifySaveWarning("Image", "Could not rename the image.", kNoticeMs);
            return -1;
        }
        if (const int rc = img->save(tabServices().status().iArchiveID, name.c_str()); rc != 0) {
            tabServices().notifySaveFailure("Image", "Could not save the image.", rc);
            return -1;
        }
        setItemHandle(iImageID);
        return 0;
    });
}

int CtrlImages::onDelete()
{
    return resourceSave.deleteSelected("Image", [this](const string& name) {
        return images()->remove(tabServices().status().iArchiveID, name.c_str());
    });
}

int CtrlImages::onDeactivate()
{
    const WidgetList* list = tabServices().panel().getList(BW_LIST);
    if (iImageID > 0 && list && list->getSelectedIndex() != 0) {
        sSavedItem = list->getSelectedText();
        fSavedZoom = fZoom;
        fSavedPanX = fPanX;
        fSavedPanY = fPanY;
    } else {
        sSavedItem.clear();
    }
    closeResources();
    setDirty(false);
    return 0;
}

int CtrlImages::onActivate()
{
    const string selected = tabServices().selectedListName();
    if (!selected.empty() && reloadImageResource(selected) == 0 && checkImage() == 0) {
        const bool same = selected == sSavedItem;
        fPanX = same ? fSavedPanX : 0;
        fPanY = same ? fSavedPanY : 0;
        setZoom(same ? fSavedZoom : 1.0f);
        updateData();
    }
    sSavedItem.clear();
    return 0;
}
