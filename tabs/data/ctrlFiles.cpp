#include "tabs/data/ctrlFiles.h"

#include "tabs/base/TabCheckBoxIds.h"

namespace {

const TextFileCtrlConfig& getFilesConfig()
{
    static const TextFileCtrlConfig config = {
        "Files", TAB_FILES, "ZK7_FILE", "File",
        CtrlFiles::FL_IMPORT, CtrlFiles::FL_EXPORT, CtrlFiles::FL_TYPE, CtrlFiles::FL_SIZE, CtrlFiles::FL_BLOCKSIZE,
        CtrlFiles::FL_RAW, CtrlFiles::FL_COMPRESSED, CtrlFiles::FL_CRYPTED, CtrlFiles::FL_TEXT,
        // The literal's own terminator is the filter's final NUL.
        "All Files\0*.*\0",
        "File import", "Import a file", "File export", "Import a file into the QEL", "Export the selected file",
        false,
    };
    return config;
}

} // namespace

CtrlFiles::CtrlFiles(ResourceManager* rm, GlobalStatus* gs) : CtrlTextFile(getFilesConfig(), rm, gs) {}
