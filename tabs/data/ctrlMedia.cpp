#include "tabs/data/ctrlMedia.h"

#include "services/EditorLog.h"
#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"
#include "tabs/data/MediaControls.h"

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
    : CtrlBase(name, tabCheckBoxId, rm, gs), kind(config)
{
}

void CtrlMedia::addTagBoxes(float top, const char* const (&tooltips)[4]) const
{
    const int font = tabServices().resources().get(SR_FONT);
    const struct {
        int id;
        const char* name;
    } tags[] = {{kind.musicId, "Music"}, {kind.sfxId, "SFX"}, {kind.voiceId, "Voice"}, {kind.customId, "Custom"}};
    for (int i = 0; i < 4; ++i)
        ui::addCheckBox(tabServices().panel(), {.name = tags[i].name, .id = tags[i].id, .x = ui::centred(),
                                                .y = ui::top(top + static_cast<float>(27 * i)), .w = 80, .h = 22,
                                                .text = tags[i].name, .font = font, .tooltip = tooltips[i]});
}

void CtrlMedia::addPlayControls(const char* playTooltip) const
{
    Panel& tabPanel = tabServices().panel();
    ResourceManager& art = tabServices().resources();
    const Position above = ui::bottom(-10);
    ui::addSpriteButton(tabPanel, {.name = "Play", .id = kind.playId, .x = ui::left(30), .y = above,
                                   .tooltip = playTooltip}, art.getClone(SS_PLAY_AUDIO));
    ui::addSpriteCheckBox(tabPanel, {.name = "Pause", .id = kind.pauseId, .x = ui::centred(), .y = above,
                                     .tooltip = "Pause or resume playback"}, art.getClone(SS_PAUSE_AUDIO));
    ui::addSpriteButton(tabPanel, {.name = "Stop", .id = kind.stopId, .x = ui::right(-30), .y = above,
                                   .tooltip = "Stop playback"}, art.getClone(SS_STOP_AUDIO));
}

int CtrlMedia::processEvent(int widgetId, int data)
{
    // A refused event (a failed load among them) skips the tab's own
    // actions, yet the controls below still follow.
    const int result = CtrlBase::processEvent(widgetId, data) == -1 ? -1 : handleOwnEvent(widgetId);
    // An import may have named the item: Save follows the name field now.
    refreshWidgets();
    const bool open = getItemHandle() > 0;
    if (!open)
        tabServices().setUsable(BW_SAVE, false);
    for (int id : {kind.exportId, kind.playId, kind.pauseId, kind.stopId})
        tabServices().setUsable(id, open);
    enableOwnWidgets(open);
    if (result != 0)
        return result;
    return open ? 0 : 4;
}

int CtrlMedia::handleOwnEvent(int widgetId)
{
    if (widgetId == kind.importId) {
        if (onImport() == 0)
            setDirty(true);
    } else if (widgetId == kind.exportId) {
        onExport(tabServices().status().sArchivePath);
    } else if (widgetId == kind.playId) {
        return onPlay();
    } else if (widgetId == kind.pauseId) {
        onPause();
    } else if (widgetId == kind.stopId) {
        onStop();
    } else if (widgetId == kind.musicId || widgetId == kind.sfxId || widgetId == kind.voiceId ||
               widgetId == kind.customId) {
        onTag(widgetId);
    }
    return 0;
}

int CtrlMedia::onListBox()
{
    string text;
    if (const int switched = selectionSwitch.toSelected(text); switched <= 0)
        return switched;
    setItemHandle(loadBlock(text));
    if (getItemHandle() <= 0) {
        editorLog().msg(LOG_ERROR, "\n[%s] Error: could not load '%s' (error %d).\n", getName().c_str(), text.c_str(),
                        getItemHandle());
        setItemHandle(0);
        setCurrentItemName("");
        showNothing();
        tabServices().messageBox("Loading resource", kind.loadFailed, MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    updateData();
    return 0;
}

int CtrlMedia::onNew()
{
    closeResources();
    if (CtrlBase::onNew() != 0)
        return -1;
    showNothing();
    media::setChecked(&tabServices().panel(), kind.pauseId, false);
    applyTagToWidgets(kind.defaultTag);
    return 0;
}

int CtrlMedia::onPlay()
{
    const int result = playItem();
    if (result == 1)
        return 0;
    media::setChecked(&tabServices().panel(), kind.pauseId, false);
    playState = result == 0 ? PS_PLAYING : PS_STOPPED;
    if (result == 0)
        return 0;
    tabServices().messageBox(kind.playTitle, kind.playFailed, MBB_OK, MBT_ERROR, 0);
    return -1;
}

void CtrlMedia::onPause()
{
    // A click on the box while stopped must not leave it ticked.
    if (playState != PS_STOPPED) {
        holdItem(playState == PS_PLAYING);
        playState = playState == PS_PLAYING ? PS_PAUSED : PS_PLAYING;
    }
    media::setChecked(&tabServices().panel(), kind.pauseId, playState == PS_PAUSED);
}

void CtrlMedia::onStop()
{
    stopItem();
    media::setChecked(&tabServices().panel(), kind.pauseId, false);
    playState = PS_STOPPED;
}

void CtrlMedia::onTag(int widgetId)
{
    const eAudioTrackTag tag = media::audioTagFromWidgetID(widgetId, kind.musicId, kind.sfxId, kind.voiceId,
                                                           kind.customId, kind.defaultTag);
    if (!tagItem(tag)) {
        // The click toggled a box of a group the item cannot take: show its tag again.
        applyTagToWidgets(itemTag());
        return;
    }
    applyTagToWidgets(tag);
    setDirty(true);
}

void CtrlMedia::dropItem()
{
    setItemHandle(0);
    playState = PS_STOPPED;
    media::setChecked(&tabServices().panel(), kind.pauseId, false);
}

int CtrlMedia::onImport()
{
    string path;
    if (!tool()->fileOpenDialog(kind.importTitle, importFilter().c_str(), path))
        return -1;
    const int id = loadFile(path, getSelectedTag());
    if (id <= 0) {
        tabServices().messageBox(kind.importTitle, kind.importFailed, MBB_OK, MBT_ERROR, 0);
        return -1;
    }
    // The old item goes as every release does, its playback with it.
    closeResources();
    setItemHandle(id);
    setCurrentItemName("");
    if (WidgetTextEdit* name = tabServices().panel().getTextEdit(BW_NAME);
        kind.nameFromFile && name && name->getText().empty())
        name->setText(tool()->fileGetName(path.c_str()).c_str());
    updateData();
    return 0;
}

int CtrlMedia::onExport(const string& archivePath) const
{
    string name = tabServices().exportName();
    if (name.empty()) {
        tabServices().messageBox(kind.exportTitle, kind.exportWithoutName, MBB_NONE, MBT_WARNING, kNoticeMs);
        return -1;
    }
    const string folder = tool()->fileGetDir(archivePath.c_str());
    if (getItemHandle() <= 0) {
        if (kind.exportWithoutItem)
            tabServices().messageBox(kind.exportTitle, kind.exportWithoutItem, MBB_NONE, MBT_WARNING, kNoticeMs);
        else
            reportExport(-1, folder);
        return -1;
    }
    const string extension = exportExtension();
    if (tool()->fileCheckExtension(name.c_str(), extension.c_str()))
        name.resize(name.size() - extension.size() - 1);
    // The base tab's rule: a file of the archive's folder, whatever the name holds.
    const string stem =
        archivePath == tabServices().status().sArchivePath ? tabServices().exportFilePath(name, "") : string();
    if (stem.empty()) {
        reportExport(-1, folder);
        return -1;
    }
    const string path = stem + "." + extension;
    if (tabServices().checkOverwrite(path) != 0)
        return -1;
    const int result = writeExport(stem, path);
    reportExport(result, path);
    return result == 0 ? 0 : -1;
}

eAudioTrackTag CtrlMedia::getSelectedTag() const
{
    return media::selectedAudioTagFromWidgets(&tabServices().panel(), kind.musicId, kind.sfxId, kind.voiceId,
                                              kind.customId, kind.defaultTag);
}

void CtrlMedia::applyTagToWidgets(eAudioTrackTag tag) const
{
    media::applyAudioTagToWidgets(&tabServices().panel(), tag, kind.musicId, kind.sfxId, kind.voiceId, kind.customId,
                                  kind.defaultTag);
}
