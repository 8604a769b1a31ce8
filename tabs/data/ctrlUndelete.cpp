#include "tabs/data/ctrlUndelete.h"

CtrlUndelete::CtrlUndelete(ResourceManager* rm, GlobalStatus* gs) : CtrlBlockList("Undelete", 229, "", rm, gs) {}
