#include "tabs/base/TabServices.h"

#include "services/GlobalStatus.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

#include <algorithm>

using namespace Zelkoran;

namespace {

const char* const kSaveTitleSuffix = ": save to QEL";
constexpr int kSaveNoticeMs = 2000;

} // namespace

int TabServices::messageBox(const string& title, const string& text, int buttons, int type, int timeoutMs) const
{
    return Main::instance()->tool()->messageBox(title.c_str(), text.c_str(), buttons, type, timeoutMs, -1, -1);
}

void TabServices::notifySaveWarning(const string& prefix, const string& text, int timeoutMs) const
{
    messageBox(prefix + kSaveTitleSuffix, text, MBB_NONE, MBT_WARNING, timeoutMs);
}

void TabServices::notifySaveError(const string& prefix, const string& text, int timeoutMs) const
{
    messageBox(prefix + kSaveTitleSuffix, text, MBB_NONE, MBT_ERROR, timeoutMs);
}

bool TabServices::acceptBlockName(const string& name, const string& prefix) const
{
    // A cut name could be another block's: such a name is refused, never cut.
    if (name.size() <= Zelkoran::kMaxBlockName)
        return true;
    notifySaveWarning(prefix, "The name is longer than 63 bytes.\nQEL block names hold at most 63 bytes: shorten it.",
                      kSaveNoticeMs);
    return false;
}

int TabServices::checkOverwrite(const string& path) const
{
    Tool* tool = Main::instance()->tool();
    if (!tool->fileExists(path.c_str()))
        return 0;
    string shown = tool->fileGetName(path.c_str());
    if (const string extension = tool->fileGetExtension(path.c_str()); !extension.empty())
        shown += "." + extension;
    const string question = "The file \"" + shown + "\" already exists.\nDo you want to overwrite it?";
    return messageBox("Export file", question, MBB_YESNO, MBT_QUESTION, 0) == MBB_YES ? 0 : -1;
}

TabServices::string TabServices::exportFilePath(const string& fileName, const string& extension) const
{
    const string& archivePath = globalStatus->sArchivePath;
    if (archivePath.empty() || fileName.empty())
        return string();
    string file = fileName;
    std::replace(file.begin(), file.end(), '/', '_');
    std::replace(file.begin(), file.end(), '\\', '_');
    if (!extension.empty())
        file += "." + extension;
    return Main::instance()->tool()->fileGetDir(archivePath.c_str()) + "/" + file;
}

