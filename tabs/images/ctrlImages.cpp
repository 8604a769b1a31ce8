#include "tabs/images/ctrlImages.h"

CtrlImages::CtrlImages(ResourceManager* rm, GlobalStatus* gs) : CtrlImages("Images", 220, rm, gs) {}

CtrlImages::CtrlImages(const string& name, int checkBoxID, ResourceManager* rm, GlobalStatus* gs)
    : CtrlBlockList(name, checkBoxID, "ZK7_IMAGE", rm, gs)
{
}
