// The generic-file tab: files of any kind stored in the archive.
#pragma once

#include "tabs/data/ctrlTextFile.h"

class CtrlFiles : public CtrlTextFile {
public:
    enum eWidget : int {
        FL_IMPORT = 1300,
        FL_EXPORT = 1301,
        FL_TYPE = 1302,
        FL_SIZE = 1303,
        FL_BLOCKSIZE = 1304,
        FL_RAW = 1305,
        FL_COMPRESSED = 1306,
        FL_CRYPTED = 1307,
        FL_TEXT = 1308,
    };

    CtrlFiles(ResourceManager* rm, GlobalStatus* gs);
};
