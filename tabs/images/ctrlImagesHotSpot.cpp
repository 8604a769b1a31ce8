// Hot spot values of cursors and sprite animations, one per axis.
//
//   bits 31..25  bit 24  bits 23..0
//   0110000      1       offset (two's complement)  Center: width / 2 + offset
//   0110000      0       offset (two's complement)  Size:   width - 1 + offset
//   anything else                                   Manual: the whole value is the pixel
#include "tabs/images/ctrlImages.h"

#include <Zelkoran/Panel.h>
#include <Zelkoran/Widget.h>

#include <algorithm>
#include <climits>

using namespace Zelkoran;

namespace {

constexpr uint32_t kFormMask = 0xFE000000u;
constexpr uint32_t kOffsetMask = 0x00FFFFFFu;
constexpr int kMinOffset = -8388608;
constexpr int kMaxOffset = 8388607;

// Combo box rows of one axis.
enum eHotSpotRow : int { HR_MANUAL = 1, HR_CENTER = 2, HR_SIZE = 3 };

// Toward zero; a float beyond the int range (or NaN) becomes INT_MIN.
int truncate(float value)
{
    if (!(value >= -2147483648.0f && value < 2147483648.0f))
        return INT_MIN;
    return static_cast<int>(value);
}

int encode(uint32_t anchor, int offset)
{
    const uint32_t low = static_cast<uint32_t>(std::clamp(offset, kMinOffset, kMaxOffset)) & kOffsetMask;
    return static_cast<int>(anchor | low);
}

} // namespace

int CtrlImages::hotSpotHelper(int value)
{
    const uint32_t bits = static_cast<uint32_t>(value);
    if ((bits & kFormMask) != static_cast<uint32_t>(PH_SIZE))
        return 0;
    return static_cast<int>(bits & 0xFF000000u);
}

int CtrlImages::hotSpotOffset(int value)
{
    const uint32_t low = static_cast<uint32_t>(value) & kOffsetMask;
    return static_cast<int>((low & 0x00800000u) != 0 ? low | 0xFF000000u : low);
}

int CtrlImages::encodeHotSpot(ePositionHelper anchor, float offset)
{
    return encode(static_cast<uint32_t>(anchor), truncate(offset));
}

int CtrlImages::hotSpotWidgetsToValue(Panel* owner, int comboId, int editId)
{
    const WidgetComboBox* combo = owner ? owner->getComboBox(comboId) : nullptr;
    const WidgetNumberEdit* edit = owner ? owner->getNumberEdit(editId) : nullptr;
    const int row = combo ? combo->getSelectedIndex() : 0;
    const int value = edit ? truncate(edit->getValue()) : 0;
    switch (row) {
    case HR_CENTER: return encode(PH_CENTER_CODE, value);
    case HR_SIZE: return encode(PH_SIZE, value);
    default: return value;
    }
}

void CtrlImages::updateHotSpotAxisWidgets(Panel* owner, int value, int comboId, int editId)
{
    if (!owner)
        return;
    const int helper = hotSpotHelper(value);
    const int row = helper == static_cast<int>(PH_CENTER_CODE) ? HR_CENTER : helper == PH_SIZE ? HR_SIZE : HR_MANUAL;
    if (WidgetComboBox* combo = owner->getComboBox(comboId))
        combo->setSelectedIndex(row);
    if (WidgetNumberEdit* edit = owner->getNumberEdit(editId))
        edit->setValue(static_cast<float>(row == HR_MANUAL ? value : hotSpotOffset(value)));
}

Position CtrlImages::hotSpotValueToPosition(int value)
{
    const int helper = hotSpotHelper(value);
    if (helper == 0)
        return Position(static_cast<float>(value), PH_ABSOLUTE);
    return Position(static_cast<float>(hotSpotOffset(value)), static_cast<ePositionHelper>(helper));
}

float CtrlImages::hotSpotScreen(int value, float start, float extent, float zoom)
{
    const float offset = static_cast<float>(hotSpotOffset(value)) * zoom;
    switch (hotSpotHelper(value)) {
    case PH_CENTER_CODE: return start + extent * 0.5f + offset;
    case PH_SIZE: return start + (extent - zoom) + offset;
    default: return start + static_cast<float>(value) * zoom;
    }
}
