#include "tabs/images/ctrlFonts.h"

CtrlFonts::CtrlFonts(ResourceManager* rm, GlobalStatus* gs) : CtrlBlockList("Fonts", 224, "ZK7_FONT", rm, gs)
{
}
