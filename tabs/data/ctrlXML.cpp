#include "tabs/data/ctrlXML.h"

CtrlXML::CtrlXML(ResourceManager* rm, GlobalStatus* gs) : CtrlBlockList("XML", 227, "ZK7_XML", rm, gs) {}
