#include "tabs/base/TabServices.h"

#include "services/ArchiveFailureText.h"
#include "services/GlobalStatus.h"
#include "tabs/base/BasePanel.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

using namespace Zelkoran;

namespace {

const char* const kSaveTitleSuffix = ": save to QEL";

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

void TabServices::notifySaveFailure(const string& prefix, const string& failure, int code) const
{
    if (Archive* archive = Main::instance()->archiveMgr()->get(globalStatus->iArchiveID))
        archive->takeRefusal();
    notifySaveError(prefix, saveFailureText(code, failure, globalStatus->sArchivePath.c_str()), kSaveNoticeMs);
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

void TabServices::setUsable(int widgetId, bool usable) const
{
    Widget* widget = basePanel->getWidgetByID(widgetId);
    if (!widget)
        return;
    // Enabled or disabled only when its state says the other.
    const bool enabled = widget->status() != 0;
    if (usable && !enabled)
        widget->enable();
    else if (!usable && enabled)
        widget->disable();
}

TabServices::string TabServices::selectedListName() const
{
    const WidgetList* list = basePanel->getList(BW_LIST);
    return list ? list->getSelectedText() : "";
}

TabServices::string TabServices::exportName() const
{
    const WidgetTextEdit* field = basePanel->getTextEdit(BW_NAME);
    string name = field ? field->getText() : string();
    if (const WidgetList* list = basePanel->getList(BW_LIST); name.empty() && list && list->getSelectedIndex() != 0)
        name = list->getSelectedText();
    return name;
}

TabServices::string TabServices::exportFilePath(const string& fileName, const string& extension) const
{
    const string& archivePath = globalStatus->sArchivePath;
    if (archivePath.empty() || fileName.empty())
        return string();
    string file = Main::instance()->tool()->fileNameFor(fileName.c_str());
    if (!extension.empty())
        file += "." + extension;
    return Main::instance()->tool()->fileGetDir(archivePath.c_str()) + "/" + file;
}

uint32_t TabServices::newBlockStorage(uint32_t plain) const
{
    const Archive* archive = Main::instance()->archiveMgr()->get(globalStatus->iArchiveID);
    return archive ? blockStorage(*archive, plain) : plain;
}

bool TabServices::setArchiveKeyForEncryptedSave(Archive* archive, const string& title) const
{
    if (!archive || !globalStatus->bKeyRemembered) {
        messageBox(title, saveFailureCause(RC_ERR_KEY), MBB_OK, MBT_WARNING, 0);
        return false;
    }
    if (archive->setKey(globalStatus->szKey, static_cast<int>(globalStatus->iKeyLength)) == 0)
        return true;
    messageBox(title, saveFailureCause(RC_ERR_KEY_REFUSED), MBB_OK, MBT_ERROR, 0);
    return false;
}
