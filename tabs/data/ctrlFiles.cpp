#include "tabs/data/ctrlFiles.h"

namespace {

const TextFileCtrlConfig& getFilesConfig()
{
    static const TextFileCtrlConfig config = {
        "Files", 228, "ZK7_FILE", "File", 1300, 1301, 1302, 1303, 1304, 1305, 1306, 1307, 1308,
        // The literal's own terminator is the filter's final NUL.
        "All Files\0*.*\0",
        "File import", "Import a file", "File export", "Import a file into the QEL", "Export the selected file",
        false,
    };
    return config;
}

} // namespace

CtrlFiles::CtrlFiles(ResourceManager* rm, GlobalStatus* gs) : CtrlTextFile(getFilesConfig(), rm, gs) {}
