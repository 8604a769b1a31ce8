// Hot spot values: their three forms, the widget pair of one axis and the
// screen point on the preview.
#include "tabs/TabFixture.h"

#include "tabs/images/ctrlImages.h"

#include <Zelkoran/Widget.h>

namespace {

using namespace Zelkoran;

TEST(HotSpotTest, FormsAndOffsets)
{
    EXPECT_EQ(CtrlImages::hotSpotHelper(0x61000000), 0x61000000);
    EXPECT_EQ(CtrlImages::hotSpotHelper(0x60FFFFFF), 0x60000000);
    EXPECT_EQ(CtrlImages::hotSpotHelper(0x62000000), 0);
    EXPECT_EQ(CtrlImages::hotSpotHelper(-5), 0);
    EXPECT_EQ(CtrlImages::hotSpotOffset(0x60800000), -8388608);
    EXPECT_EQ(CtrlImages::hotSpotOffset(0x617FFFFF), 8388607);
    EXPECT_EQ(CtrlImages::hotSpotOffset(0x61FFFFFD), -3);
    EXPECT_EQ(CtrlImages::encodeHotSpot(PH_CENTER_CODE, 1.0e9f), 0x617FFFFF);
    EXPECT_EQ(CtrlImages::encodeHotSpot(PH_CENTER_CODE, -1.0e12f), 0x61800000);
    EXPECT_EQ(CtrlImages::encodeHotSpot(PH_SIZE, -1.9f), 0x60FFFFFF);

    const Position centre = CtrlImages::hotSpotValueToPosition(0x61FFFFFD);
    EXPECT_EQ(centre.offset, -3.0f);
    EXPECT_EQ(centre.helper, PH_CENTER_CODE);
    const Position manual = CtrlImages::hotSpotValueToPosition(12);
    EXPECT_EQ(manual.offset, 12.0f);
    EXPECT_EQ(manual.helper, PH_ABSOLUTE);

    // A 10-pixel extent at 100, zoom 2: centre, one before the last pixel, pixel 3.
    EXPECT_EQ(CtrlImages::hotSpotScreen(0x61000000, 100, 20, 2), 110.0f);
    EXPECT_EQ(CtrlImages::hotSpotScreen(0x60FFFFFF, 100, 20, 2), 116.0f);
    EXPECT_EQ(CtrlImages::hotSpotScreen(3, 100, 20, 2), 106.0f);
}

class HotSpotWidgetTest : public TabTest {};

TEST_F(HotSpotWidgetTest, AxisWidgetsRoundTrip)
{
    Panel* p = makeProbe().basePanel();
    WidgetComboBox* combo = p->createComboBox("Axis", 900);
    for (const char* item : {"Manual", "Center", "Size"})
        combo->addItem(item);
    WidgetNumberEdit* edit = p->createNumberEdit("Offset", 901);
    edit->setRange(-256, 256);
    edit->allowFloat(true);

    combo->setSelectedIndex(2);
    edit->setValue(3.9f);
    EXPECT_EQ(CtrlImages::hotSpotWidgetsToValue(p, 900, 901), 0x61000003);
    edit->setValue(-3.9f);
    EXPECT_EQ(CtrlImages::hotSpotWidgetsToValue(p, 900, 901), 0x61FFFFFD);
    combo->setSelectedIndex(1);
    edit->setValue(3.9f);
    EXPECT_EQ(CtrlImages::hotSpotWidgetsToValue(p, 900, 901), 3);
    combo->setSelectedIndex(0);
    EXPECT_EQ(CtrlImages::hotSpotWidgetsToValue(p, 900, 901), 3);

    for (int value : {0x61000000, 0x61FFFF00, 0x60000100, 0x60FFFFFF, 12, -5, 256}) {
        CtrlImages::updateHotSpotAxisWidgets(p, value, 900, 901);
        EXPECT_EQ(CtrlImages::hotSpotWidgetsToValue(p, 900, 901), value) << value;
    }
    CtrlImages::updateHotSpotAxisWidgets(p, 0x60FFFFFF, 900, 901);
    EXPECT_EQ(combo->getSelectedIndex(), 3);
    EXPECT_EQ(edit->getValue(), -1.0f);
}

} // namespace
