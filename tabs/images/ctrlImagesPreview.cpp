// The image tab's preview area: placement from zoom and pan, background and
// image drawing clipped to the area, and the mouse's pan, reset and zoom.
#include "tabs/images/ctrlImages.h"

#include "services/GlobalStatus.h"

#include <Zelkoran/Cursor.h>
#include <Zelkoran/GFX.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Widget.h>

#include <SDL_events.h>

using namespace Zelkoran;

int CtrlImages::calcImg()
{
    const GlobalStatus& status = tabServices().status();
    const Image* img = image();
    if (!img)
        return 0;
    const float w = static_cast<float>(img->getWidth()) * fZoom;
    const float h = static_cast<float>(img->getHeight()) * fZoom;
    const float areaW = static_cast<float>(status.iWidth - kPreviewLeft);
    const float areaH = static_cast<float>(status.iHeight - kPreviewTop);
    rImg = SDL_FRect{(areaW - w) * 0.5f + kPreviewLeft + fPanX, (areaH - h) * 0.5f + kPreviewTop + fPanY, w, h};
    return 0;
}

bool CtrlImages::insidePreview(int x, int y) const
{
    const GlobalStatus& status = tabServices().status();
    return x >= kPreviewLeft && x < status.iWidth && y >= kPreviewTop && y < status.iHeight;
}

int CtrlImages::render(int)
{
    Screen& display = tabServices().screen();
    const GlobalStatus& status = tabServices().status();
    const int width = status.iWidth;
    const int height = status.iHeight;
    display.clear(128, 128, 128, 255);
    SDL_Rect previous{};
    const bool wasClipped = display.getClipRect(previous);
    const SDL_Rect area{kPreviewLeft, kPreviewTop, width - kPreviewLeft, height - kPreviewTop};
    display.setClipRect(&area);

    const auto ticked = [this](int id) {
        const WidgetCheckBox* box = tabServices().panel().getCheckBox(id);
        return box && box->isChecked();
    };
    if (ticked(IW_BG_BLACK)) {
        GFX::rectFilled(kPreviewLeft, kPreviewTop, width, height, 0x000000FF, 0);
    } else if (ticked(IW_BG_WHITE)) {
        GFX::rectFilled(kPreviewLeft, kPreviewTop, width, height, 0xFFFFFFFF, 0);
    } else if (Image* blocky = Main::instance()->imageMgr()->get(iBgBlockyID)) {
        const int tileW = blocky->getWidth();
        const int tileH = blocky->getHeight();
        for (int y = kPreviewTop; tileW > 0 && tileH > 0 && y < height; y += tileH)
            for (int x = kPreviewLeft; x < width; x += tileW) {
                const SDL_FRect dst{static_cast<float>(x), static_cast<float>(y), static_cast<float>(tileW),
                                    static_cast<float>(tileH)};
                blocky->render(0, nullptr, &dst);
            }
    }
    if (Image* img = image())
        img->render(0, nullptr, &rImg);

    display.setClipRect(wasClipped ? &previous : nullptr);
    return 0;
}

int CtrlImages::handleMouseEvent(SDL_Event* event)
{
    if (!event)
        return 0;
    switch (event->type) {
    case SDL_MOUSEBUTTONDOWN:
        if (iImageID <= 0 || !insidePreview(event->button.x, event->button.y))
            break;
        if (event->button.button == SDL_BUTTON_LEFT) {
            bDragging = true;
            iDragX = event->button.x;
            iDragY = event->button.y;
        } else if (event->button.button == SDL_BUTTON_MIDDLE) {
            fPanX = fPanY = 0;
            setZoom(1.0f);
        }
        break;
    case SDL_MOUSEBUTTONUP:
        if (event->button.button == SDL_BUTTON_LEFT)
            bDragging = false;
        break;
    case SDL_MOUSEMOTION:
        if (!bDragging)
            break;
        fPanX += static_cast<float>(event->motion.x - iDragX);
        fPanY += static_cast<float>(event->motion.y - iDragY);
        iDragX = event->motion.x;
        iDragY = event->motion.y;
        if (iImageID != 0)
            calcImg();
        break;
    case SDL_MOUSEWHEEL: {
        const CursorMgr* cursor = Main::instance()->cursorMgr();
        if (!bAllowZoom || iImageID <= 0 || !insidePreview(cursor->getX(), cursor->getY()))
            break;
        if (event->wheel.y > 0)
            setZoom(fZoom < kMaxZoom ? fZoom + kZoomStep : fZoom);
        else if (event->wheel.y < 0)
            setZoom(fZoom > kMinZoom ? fZoom - kZoomStep : fZoom);
        break;
    }
    default: break;
    }
    return 0;
}
