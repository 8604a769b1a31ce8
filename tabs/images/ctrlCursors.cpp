#include "tabs/images/ctrlCursors.h"

CtrlCursors::CtrlCursors(ResourceManager* rm, GlobalStatus* gs) : CtrlBlockList("Cursors", 221, "ZK7_CURSOR", rm, gs)
{
}
