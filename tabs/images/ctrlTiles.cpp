#include "tabs/images/ctrlTiles.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

CtrlTiles::CtrlTiles(ResourceManager* rm, GlobalStatus* gs) : CtrlImages("Tiles", 222, rm, gs)
{
    Zelkoran::Main::instance()->tool()->szCopy(blockType, "ZK7_TILE", sizeof(blockType));
}
