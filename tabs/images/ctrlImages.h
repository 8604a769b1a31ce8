// The image tab: the archive's images, shown in the preview area with zoom,
// pan and a choice of backgrounds, imported from image files, exported as
// PNG, with colour key, colour and alpha modulation applied live. It is the
// base of the image-family tabs, which override reloadImageResource to load
// their own resource type. Main thread only.
#pragma once

#include "tabs/base/ResourceSave.h"
#include "tabs/base/ctrlBase.h"

#include <Zelkoran/Types.h>

#include <SDL_rect.h>

namespace Zelkoran {
class Image;
} // namespace Zelkoran

class CtrlImages : public CtrlBase {
public:
    enum eImageWidget : int {
        IW_IMPORT = 400,
        IW_EXPORT = 401,
        IW_ZOOM_IN = 402,
        IW_ZOOM_OUT = 403,
        IW_BG_BLOCKY = 404,
        IW_BG_WHITE = 405,
        IW_BG_BLACK = 406,
        IW_RESOLUTION = 407,
        IW_ZOOM_LABEL = 408,
        IW_KEY_LABEL = 409,
        IW_MOD_LABEL = 410,
        IW_ALPHA_LABEL = 411,
        IW_KEY_ICON = 412,
        IW_MOD_ICON = 413,
        IW_ALPHA = 424,
        IW_KEY_USE = 425,
        IW_KEY_EDIT = 426,
        IW_KEY_SWATCH = 427,
        IW_MOD_EDIT = 428,
        IW_MOD_SWATCH = 429,
    };

    // Left and top edge of the preview area; it reaches the window's right
    // and bottom edges.
    static constexpr int kPreviewLeft = 200;
    static constexpr int kPreviewTop = 40;
    static constexpr float kMinZoom = 0.25f;
    static constexpr float kMaxZoom = 4.0f;
    static constexpr float kZoomStep = 0.25f;

    CtrlImages(ResourceManager* rm, GlobalStatus* gs);
    ~CtrlImages() override;

    // -1 when the base panel's handling or an import failed; else 4 without
    // an image, 0 with one. Every event re-applies the colour key, colour
    // and alpha modulation from the widgets to the image.
    int processEvent(int widgetId, int data) override;
    // Colour key, colour and alpha modulation of the image into the widgets. 0.
    int updateData() override;
    int onListBox() override;
    // Loads the block name as the tab's resource and its shown image. 0 or -1.
    virtual int reloadImageResource(const string& name);
    int onNew() override;
    // Releases the loaded resource and the shown image; zoom back to 1. 0.
    int closeResources() override;
    int onSave() override;
    int onDelete() override;
    // Closes everything, remembering selection, zoom and pan. 0.
    int onDeactivate() override;
    // Reloads the selection left behind by onDeactivate, with its zoom and pan. 0.
    int onActivate() override;

    // 0 when the shown image can be used (and the labels describe it);
    // -1 after an error box.
    int checkImage();

    // --- preview (ctrlImagesPreview.cpp) ---
    // Background and image in the preview area, clipped to it. 0.
    int render(int value) override;
    // Pan drag (left), reset (middle) and wheel zoom in the preview area. 0.
    int handleMouseEvent(SDL_Event* event) override;
    // Places the shown image in the preview area from zoom and pan. 0.
    int calcImg();

    float zoom() const { return fZoom; }
    float panX() const { return fPanX; }
    float panY() const { return fPanY; }
    const SDL_FRect& imageRect() const { return rImg; }
    int imageID() const { return iImageID; }

    // --- hot spots: one signed 32-bit value per axis, a pixel coordinate
    // (Manual) or an offset from the centre (0x61 top byte) or the last pixel
    // (0x60 top byte) of the image's extent in its low 24 bits ---
    // PH_CENTER_CODE or PH_SIZE for those forms, else 0.
    static int hotSpotHelper(int value);
    // The low 24 bits sign-extended.
    static int hotSpotOffset(int value);
    // anchor OR the offset truncated and clamped to 24 bits.
    static int encodeHotSpot(Zelkoran::ePositionHelper anchor, float offset);
    // The value of one axis from its combo box ("Manual", "Center", "Size")
    // and number edit on owner; a missing widget reads as none selected or 0.
    static int hotSpotWidgetsToValue(Zelkoran::Panel* owner, int comboId, int editId);
    static void updateHotSpotAxisWidgets(Zelkoran::Panel* owner, int value, int comboId, int editId);
    static Zelkoran::Position hotSpotValueToPosition(int value);
    // Screen coordinate of the axis value on an image placed from start with
    // extent (both zoomed by zoom).
    static float hotSpotScreen(int value, float start, float extent, float zoom);

protected:
    // How long the tabs' save and import notices stay up.
    static constexpr int kNoticeMs = 2000;

    // For the tabs built on this one, which then write their own block type.
    CtrlImages(const string& name, int checkBoxID, ResourceManager* rm, GlobalStatus* gs);
    // The zoom and its label; the shown image placed for it.
    void setZoom(float zoom);
    bool insidePreview(int x, int y) const;

    // File dialog, then the file as the shown, unsaved image. 0 or -1.
    int onImport();
    // The shown image as a PNG named after the name field (else the
    // selection) in the open archive's folder. 0 or -1 (box shown).
    int onExport() const;

    int iImageID = 0;
    SDL_FRect rImg{0, 0, 0, 0};
    bool bAllowColorKey = true;
    bool bAllowColorMod = true;
    bool bAllowAlphaMod = true;
    bool bAllowZoom = true;
    float fZoom = 1.0f;
    string sZoomText = "Zoom: 1.00";
    int iBgBlockyID = 0;
    float fPanX = 0;
    float fPanY = 0;
    int iDragX = 0;
    int iDragY = 0;
    bool bDragging = false;
    string sSavedItem;
    float fSavedZoom = 1.0f;
    float fSavedPanX = 0;
    float fSavedPanY = 0;
    const ResourceSave resourceSave{*this};

private:
    void createWidgets();
    void showNoImage();
    void enableWidgets(bool hasImage);
    void applyImageSettings(int widgetId);
    Zelkoran::Image* image() const;
};
