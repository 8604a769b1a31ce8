#include "tabs/images/ctrlFonts.h"

#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/base/TabControls.h"

#include <Zelkoran/Cursor.h>
#include <Zelkoran/Font.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <SDL_events.h>

using namespace Zelkoran;

namespace {

constexpr int kMaxKerning = 256;

const char* const kSamples[] = {
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
    "abcdefghijklmnopqrstuvwxyz",
    "1234567890",
    "~!@#$%^&()_*-+=[]{}\\|:;'\",.<>?",
    "The quick brown fox jumps over the lazy dog.",
};

const CtrlImageResource::Kind kFontKind{"Font", "font", "defaultFont", ""};

} // namespace

CtrlFonts::CtrlFonts(ResourceManager* rm, GlobalStatus* gs)
    : CtrlImageResourceOf("Fonts", TAB_FONTS, "ZK7_FONT", kFontKind, rm, gs)
{
    Panel& tabPanel = tabServices().panel();
    const int font = tabServices().resources().get(SR_FONT);
    addNumberRow({FW_KERNING_LABEL, "KerningFont", "Kerning:", 5, FW_KERNING, "KerningValueFont", 62, 32, -kMaxKerning,
                  kMaxKerning, "Font kerning adjustment", 394});
    ui::addLabel(tabPanel, {.name = "CharsetFont", .id = FW_CHARSET_LABEL, .x = ui::left(5), .y = ui::top(424),
                            .text = "Charset:", .font = font});
    if (WidgetTextEdit* charset = ui::addTextEdit(tabPanel, {.name = "CharsetValueFont", .id = FW_CHARSET,
                                                             .x = ui::left(62), .y = ui::top(421), .w = 124,
                                                             .h = kRowHeight, .font = font,
                                                             .tooltip = "Supported character set"})) {
        charset->setText(charsetText().c_str());
        charset->setReadOnly(true);
    }
    ui::addLabel(tabPanel, {.name = "CharsetCopy1Font", .id = FW_COPY_LABEL_1, .x = ui::left(62), .y = ui::top(445),
                            .text = "CTRL+A and CTRL+C", .font = font});
    ui::addLabel(tabPanel, {.name = "CharsetCopy2Font", .id = FW_COPY_LABEL_2, .x = ui::left(62), .y = ui::top(459),
                            .text = "for copying the charset", .font = font});
    CtrlFonts::onNew();
    bAllowColorKey = false;
    bAllowZoom = true;
}

CtrlFonts::~CtrlFonts() { CtrlFonts::closeResources(); }

CtrlBase::string CtrlFonts::charsetText()
{
    string text;
    for (char c = '!'; c <= '~'; ++c) {
        text += ' ';
        text += c;
    }
    return text;
}

void CtrlFonts::reportAssignFailure(int rc)
{
    String found;
    Main::instance()->tool()->intToStrDec(-rc, found);
    tabServices().messageBox("Font: import image",
            "The image could not be converted to a font.\nImage needs to contain 189 characters.\n"
            "Number of characters found: " +
                found + "\nYou can check 'FontWithErrors.bmp' file.",
            MBB_OK, MBT_WARNING, 0);
}

int CtrlFonts::processEvent(int widgetId, int data)
{
    int r = 0;
    if (!handleImageEvent(widgetId, data, r))
        return r;
    tabServices().setUsable(FW_KERNING, r == 0);
    const int kerning = widgetInt(tabServices().panel(), FW_KERNING, 0, kMaxKerning, -kMaxKerning);
    if (Font* f = current()) {
        f->setKerning(kerning);
        if (widgetId == FW_KERNING)
            setDirty(true);
    }
    return r;
}

int CtrlFonts::render(int value)
{
    // The background only: the glyph sheet is not the preview here.
    const int shown = iImageID;
    iImageID = 0;
    CtrlImages::render(value);
    iImageID = shown;
    Font* f = current();
    if (!f)
        return 0;
    const float step = static_cast<float>(f->getHeight()) + kSampleGap;
    float y = kSampleTop;
    for (const char* line : kSamples) {
        f->setPosition(Position(kSampleLeft), Position(y));
        f->renderEx(line, false, -1, fZoom, fZoom, 0.0, nullptr, 0, 0);
        y += step * fZoom;
    }
    return 0;
}

int CtrlFonts::handleMouseEvent(SDL_Event* event)
{
    if (!event)
        return 0;
    if (event->type == SDL_MOUSEBUTTONDOWN && event->button.button == SDL_BUTTON_MIDDLE && getItemHandle() > 0 &&
        insidePreview(event->button.x, event->button.y)) {
        setZoom(1.0f);
    } else if (event->type == SDL_MOUSEWHEEL) {
        const CursorMgr* cursor = Main::instance()->cursorMgr();
        if (!bAllowZoom || getItemHandle() <= 0 || !insidePreview(cursor->getX(), cursor->getY()))
            return 0;
        float zoom = fZoom;
        if (event->wheel.y > 0 && fZoom < kMaxZoom)
            zoom += kZoomStep;
        else if (event->wheel.y < 0 && fZoom > kMinZoom)
            zoom -= kZoomStep;
        setZoom(zoom);
    }
    return 0;
}

int CtrlFonts::onActivate()
{
    if (sSavedItem.empty())
        return 0;
    const string selected = tabServices().selectedListName();
    if (selected != sSavedItem || reloadImageResource(sSavedItem) != 0 || checkImage() != 0) {
        sSavedItem.clear();
        return 0;
    }
    setZoom(fSavedZoom);
    updateData();
    sSavedItem.clear();
    return 0;
}

int CtrlFonts::updateData()
{
    CtrlImages::updateData();
    if (const Font* f = current())
        setNumber(FW_KERNING, static_cast<float>(f->getKerning()));
    return 0;
}

int CtrlFonts::onNew()
{
    closeResources();
    if (CtrlImages::onNew() != 0)
        return -1;
    setNumber(FW_KERNING, 0);
    return 0;
}
