// The XML tab: the archive's XML documents as text. Scenes, tile sets and
// templates are XML blocks too; the scene tab lists those.
#pragma once

#include "tabs/data/ctrlTextFile.h"

class CtrlXML : public CtrlTextFile {
public:
    enum eWidget : int {
        XW_IMPORT = 1200,
        XW_EXPORT = 1201,
        XW_TYPE = 1202,
        XW_SIZE = 1203,
        XW_BLOCKSIZE = 1204,
        XW_RAW = 1205,
        XW_COMPRESSED = 1206,
        XW_CRYPTED = 1207,
        XW_TEXT = 1208,
    };

    CtrlXML(ResourceManager* rm, GlobalStatus* gs);
};
