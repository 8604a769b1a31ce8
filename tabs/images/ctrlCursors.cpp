#include "tabs/images/ctrlCursors.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

CtrlCursors::CtrlCursors(ResourceManager* rm, GlobalStatus* gs) : CtrlImages("Cursors", 221, rm, gs)
{
    Zelkoran::Main::instance()->tool()->szCopy(blockType, "ZK7_CURSOR", sizeof(blockType));
}
