#include "tabs/images/ctrlFonts.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

CtrlFonts::CtrlFonts(ResourceManager* rm, GlobalStatus* gs) : CtrlImages("Fonts", 224, rm, gs)
{
    Zelkoran::Main::instance()->tool()->szCopy(blockType, "ZK7_FONT", sizeof(blockType));
}
