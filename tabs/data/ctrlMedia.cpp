#include "tabs/data/ctrlMedia.h"

#include "app/GlobalStatus.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

using namespace Zelkoran;

namespace {

constexpr int kNoticeMs = 2000;

Tool* tool() { return Main::instance()->tool(); }

} // namespace

CtrlMedia::CtrlMedia(const MediaTabConfig& config, const string& name, int tabCheckBoxId, ResourceManager* rm,
                     GlobalStatus* gs)
    : CtrlBase(name, tabCheckBoxId, rm, gs), media(config)
{
}

int CtrlMedia::processEvent(int widgetId, int data)
{
    const bool refused = CtrlBase::processEvent(widgetId, data) == -1;
    int result = refused ? -1 : 0;
    if (refused) {
        // The tab's own actions are skipped; the controls below still follow.
    } else if (widgetId == media.importId) {
        if (onImport() == 0)
            setDirty(true);
    } else if (widgetId == media.exportId) {
        onExport(globalStatus->sArchivePath);
    } else if (widgetId == media.playId) {
        result = onPlay();
    } else if (widgetId == media.pauseId) {
        onPause();
    } else if (widgetId == media.stopId) {
        onStop();
    } else if (widgetId == media.musicId || widgetId == media.sfxId || widgetId == media.voiceId ||
               widgetId == media.customId) {
        onTag(widgetId);
    }
    // An import may have named the item: Save follows the name field now.
    refreshWidgets();
    const bool open = itemHandle > 0;
    if (!open)
        setUsable(BW_SAVE, false);
    for (int id : {media.exportId, media.playId, media.pauseId, media.stopId})
        setUsable(id, open);
    enableOwnWidgets(open);
    if (result != 0)
        return result;
    return open ? 0 : 4;
}

int CtrlMedia::onListBox()
{
    if (CtrlBase::onListBox() != 0)
        return -1;
    const WidgetList* list = panel->getList(BW_LIST);
    const string text = list ? list->getSelectedText() : "";
    if (text == currentItemName)
        return 0;
    currentItemName = text;
    closeResources();
    itemHandle = loadBlock(text);
    if (itemHandle <= 0) {
        itemHandle = 0;
        currentItemName.clear();
        showNothing();
        showBox("Loading resource", media.loadFailed, MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    updateData();
    return 0;
}

int CtrlMedia::onImport()
{
    string path;
    if (!tool()->fileOpenDialog(media.importTitle, importFilter().c_str(), path))
        return -1;
    const int id = loadFile(path, getSelectedTag());
    if (id <= 0) {
        showBox(media.importTitle, media.importFailed, MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    // The old item goes as every release does, its playback with it.
    closeResources();
    itemHandle = id;
    currentItemName.clear();
    if (WidgetTextEdit* name = panel->getTextEdit(BW_NAME); media.nameFromFile && name && name->getText().empty())
        name->setText(tool()->fileGetName(path.c_str()).c_str());
    updateData();
    return 0;
}

int CtrlMedia::onExport(const string& archivePath) const
{
    string name = exportName();
    if (name.empty()) {
        showBox(media.exportTitle, media.exportWithoutName, MBB_NONE, MBT_WARNING, kNoticeMs);
        return -1;
    }
    const string folder = tool()->fileGetDir(archivePath.c_str());
    if (!hasItem()) {
        if (media.exportWithoutItem)
            showBox(media.exportTitle, media.exportWithoutItem, MBB_NONE, MBT_WARNING, kNoticeMs);
        else
            reportExport(-1, folder);
        return -1;
    }
    const string extension = exportExtension();
    if (tool()->fileCheckExtension(name.c_str(), extension.c_str()))
        name.resize(name.size() - extension.size() - 1);
    // The base tab's rule: a file of the archive's folder, whatever the name holds.
    const string stem = archivePath == globalStatus->sArchivePath ? exportFilePath(name, "") : string();
    if (stem.empty()) {
        reportExport(-1, folder);
        return -1;
    }
    const string path = stem + "." + extension;
    if (checkOverwrite(path) != 0)
        return -1;
    const int result = writeExport(stem, path);
    reportExport(result, path);
    return result == 0 ? 0 : -1;
}

eAudioTrackTag CtrlMedia::getSelectedTag() const
{
    return selectedAudioTagFromWidgets(panel, media.musicId, media.sfxId, media.voiceId, media.customId,
                                       media.defaultTag);
}

void CtrlMedia::applyTagToWidgets(eAudioTrackTag tag) const
{
    applyAudioTagToWidgets(panel, tag, media.musicId, media.sfxId, media.voiceId, media.customId, media.defaultTag);
}
