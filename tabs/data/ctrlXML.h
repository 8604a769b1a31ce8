// The XML tab: the archive's XML documents as text. Scenes, tile sets and
// templates are XML blocks too; the scene tab lists those.
#pragma once

#include "tabs/data/ctrlTextFile.h"

class CtrlXML : public CtrlTextFile {
public:
    CtrlXML(ResourceManager* rm, GlobalStatus* gs);
};
