#include "tabs/gui/ctrlGUI.h"

CtrlGUI::CtrlGUI(ResourceManager* rm, GlobalStatus* gs) : CtrlBlockList("GUI", 230, "ZK7_GUIPANEL", rm, gs) {}
