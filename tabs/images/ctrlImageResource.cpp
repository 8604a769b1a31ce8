#include "tabs/images/ctrlImageResource.h"

#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"

#include <Zelkoran/GFX.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <algorithm>
#include <cmath>
#include <string>

using namespace Zelkoran;

namespace {

// The picture is the hidden image block of a three-character prefix
// ("#S_") and the name, which must fit a block name too.
constexpr size_t kMaxName = kMaxBlockName - 3;

} // namespace

CtrlImageResource::CtrlImageResource(const string& name, int checkBoxID, const char* type, const Kind& k,
                                     ResourceManager* rm, GlobalStatus* gs)
    : CtrlImages(name, checkBoxID, rm, gs), kind(k)
{
    setBlockType(type);
}

int CtrlImageResource::closeResources()
{
    const bool imageOwned = getItemHandle() > 0 && resourceExists() && resourceImage() == iImageID;
    if (getItemHandle() > 0)
        closeResource();
    if (!imageOwned && iImageID > 0)
        Main::instance()->imageMgr()->close(iImageID);
    iImageID = 0;
    setItemHandle(0);
    return CtrlImages::closeResources();
}

int CtrlImageResource::reloadImageResource(const string& name)
{
    setItemHandle(loadResource(name.c_str()));
    if (getItemHandle() > 0 && resourceExists()) {
        iImageID = resourceImage();
        return 0;
    }
    iImageID = 0;
    setItemHandle(0);
    return -1;
}

int CtrlImageResource::onListBox()
{
    if (CtrlBase::onListBox() != 0)
        return -1;
    const string selected = tabServices().selectedListName();
    if (selected.empty() || selected == getCurrentItemName())
        return 0;
    setCurrentItemName(selected);
    closeResources();
    reloadImageResource(selected);
    if (checkImage() != 0) {
        // Choosing the row again tries again.
        setCurrentItemName("");
        return -1;
    }
    updateData();
    return 0;
}

int CtrlImageResource::onSave()
{
    const string noun = kind.noun, lower = kind.lower;
    return resourceSave.save(noun, noun + " name cannot be empty.", [&](const string& name) {
        // Refused with the limit before anything is written: the rename's
        // refusal would not say why.
        if (name.size() > kMaxName) {
            const string limit = std::to_string(kMaxName).c_str();
            tabServices().notifySaveWarning(noun,
                                            "The name is longer than " + limit + " bytes.\nA " + lower +
                                                "'s picture is stored under its name and 3 bytes more, and QEL "
                                                "block names hold at most 63 bytes: shorten it.",
                                            kNoticeMs);
            return -1;
        }
        if (!resourceExists()) {
            tabServices().notifySaveError(noun, "Could not get the " + lower + ".", kNoticeMs);
            return -1;
        }
        // Another open resource holding the name (a panel's or an effect's
        // copy of the block) keeps it; the block is written all the same.
        if (const int rc = renameResource(name.c_str()); rc != 0 && rc != RC_ERR_EXISTS) {
            tabServices().notifySaveWarning(noun, "Could not rename the " + lower + ".", kNoticeMs);
            return -1;
        }
        if (beforeResourceSave() != 0)
            return -1;
        if (const int rc = saveResourceBlock(name.c_str()); rc != 0) {
            tabServices().notifySaveFailure(noun, "Could not save the " + lower + ".", rc);
            return -1;
        }
        return 0;
    });
}

int CtrlImageResource::onDelete()
{
    return resourceSave.deleteSelected(kind.noun, [this](const string& name) { return removeResource(name.c_str()); });
}

void CtrlImageResource::reportAssignFailure(int)
{
    tabServices().messageBox(string(kind.noun) + ": import image", kind.assignFailed, MBB_NONE, MBT_WARNING, kNoticeMs);
}

bool CtrlImageResource::handleImageEvent(int widgetId, int data, int& result)
{
    result = CtrlImages::processEvent(widgetId, data);
    if (result < 0) {
        result = -1;
        return false;
    }
    int failed = 0;
    if (widgetId == IW_IMPORT && !convertImportedImage(failed)) {
        result = failed;
        return false;
    }
    return true;
}

bool CtrlImageResource::convertImportedImage(int& result)
{
    const WidgetTextEdit* field = tabServices().panel().getTextEdit(BW_NAME);
    string name = field ? field->getText() : string();
    if (name.empty())
        name = kind.defaultName;
    if (getItemHandle() == 0)
        setItemHandle(createResource(name.c_str()));
    if (getItemHandle() <= 0 || !resourceExists()) {
        tabServices().messageBox(string(kind.noun) + ": import image", "Could not create the " + string(kind.lower) + ".", MBB_NONE,
                MBT_WARNING, kNoticeMs);
    } else if (const int rc = assignResourceImage(); rc != 0) {
        reportAssignFailure(rc);
    } else {
        setDirty(true);
        return true;
    }
    if (getItemHandle() < 0)
        setItemHandle(0);
    // closeResources (through onNew) releases the image the resource did not take.
    onNew();
    result = processEvent(0, 0);
    return false;
}

CtrlImageResource::PreviewClip::PreviewClip(const TabServices& services) : m_screen(services.screen())
{
    m_hadClip = m_screen.getClipRect(m_previous);
    const GlobalStatus& status = services.status();
    const SDL_Rect area{kPreviewLeft, kPreviewTop, status.iWidth - kPreviewLeft, status.iHeight - kPreviewTop};
    m_screen.setClipRect(&area);
}

CtrlImageResource::PreviewClip::~PreviewClip() { m_screen.setClipRect(m_hadClip ? &m_previous : nullptr); }

void CtrlImageResource::drawCellGrid(float cw, float ch, uint32_t rgba) const
{
    const GlobalStatus& status = tabServices().status();
    if (!(cw > 0) || !(ch > 0))
        return;
    const float x0 = rImg.x, y0 = rImg.y;
    const int nx = static_cast<int>(rImg.w / cw), ny = static_cast<int>(rImg.h / ch);
    const float x1 = x0 + static_cast<float>(nx) * cw, y1 = y0 + static_cast<float>(ny) * ch;
    // Only the cells that meet the preview area: a large sheet at a high
    // zoom has far more cells than the window shows.
    const auto visible = [](float start, float size, float low, float high, int count, int& from, int& to) {
        from = std::clamp(static_cast<int>(std::floor((low - start) / size)), 0, count);
        to = std::clamp(static_cast<int>(std::ceil((high - start) / size)), 0, count);
    };
    int kFrom, kTo, jFrom, jTo;
    visible(x0, cw, kPreviewLeft, static_cast<float>(status.iWidth), nx, kFrom, kTo);
    visible(y0, ch, kPreviewTop, static_cast<float>(status.iHeight), ny, jFrom, jTo);
    if (ny > 0)
        for (int k = kFrom; k < kTo; ++k) {
            const float left = x0 + static_cast<float>(k) * cw;
            GFX::lineV(left, y0, y1 - 1, rgba, 0);
            GFX::lineV(left + cw - 1, y0, y1 - 1, rgba, 0);
        }
    if (nx > 0)
        for (int j = jFrom; j < jTo; ++j) {
            const float top = y0 + static_cast<float>(j) * ch;
            GFX::lineH(x0, x1 - 1, top, rgba, 0);
            GFX::lineH(x0, x1 - 1, top + ch - 1, rgba, 0);
        }
}

void CtrlImageResource::addNumberRow(const NumberRow& row) const
{
    Panel& tabPanel = tabServices().panel();
    const int font = tabServices().resources().get(SR_FONT);
    ui::addLabel(tabPanel, {.name = row.captionName, .id = row.captionId, .x = ui::left(row.captionX),
                            .y = ui::top(row.top + 3), .text = row.caption, .font = font});
    if (row.modeName)
        if (WidgetComboBox* mode = ui::addComboBox(tabPanel, {.name = row.modeName, .id = row.modeId, .x = ui::left(68),
                                                              .y = ui::top(row.top), .w = 70, .h = kRowHeight,
                                                              .font = font}))
            for (const char* item : {"Manual", "Center", "Size"})
                mode->addItem(item);
    ui::addNumberEdit(tabPanel, {.name = row.fieldName, .id = row.fieldId, .x = ui::left(row.fieldX),
                                 .y = ui::top(row.top), .w = row.fieldWidth, .h = kRowHeight, .font = font,
                                 .tooltip = row.tooltip},
                      static_cast<float>(row.minimum), static_cast<float>(row.maximum), 0);
}

bool CtrlImageResource::isTicked(int id) const
{
    const WidgetCheckBox* box = tabServices().panel().getCheckBox(id);
    return box && box->isChecked();
}

void CtrlImageResource::setNumber(int id, float value) const
{
    if (WidgetNumberEdit* edit = tabServices().panel().getNumberEdit(id))
        edit->setValue(value);
}

void CtrlImageResource::selectRow(int id, int row) const
{
    Panel& tabPanel = tabServices().panel();
    if (WidgetComboBox* combo = tabPanel.getComboBox(id))
        combo->setSelectedIndex(row);
    else if (WidgetList* list = tabPanel.getList(id))
        list->setSelectedIndex(row);
}
