#include "tabs/images/ctrlSprites.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

CtrlSprites::CtrlSprites(ResourceManager* rm, GlobalStatus* gs) : CtrlImages("Sprites", 223, rm, gs)
{
    Zelkoran::Main::instance()->tool()->szCopy(blockType, "ZK7_SPRITE", sizeof(blockType));
}
