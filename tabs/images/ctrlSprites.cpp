#include "tabs/images/ctrlSprites.h"

CtrlSprites::CtrlSprites(ResourceManager* rm, GlobalStatus* gs) : CtrlBlockList("Sprites", 223, "ZK7_SPRITE", rm, gs)
{
}
