#include "tabs/images/ctrlTiles.h"

CtrlTiles::CtrlTiles(ResourceManager* rm, GlobalStatus* gs) : CtrlBlockList("Tiles", 222, "ZK7_TILE", rm, gs)
{
}
