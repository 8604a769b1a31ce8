// What the media tabs (audio tracks, videos) do alike, in one place so that
// they cannot drift apart: opening a block and its failure, the import, the
// export beside the archive, Play, Pause and Stop with the Pause box, the tag
// boxes, and which controls a user can reach. Each tab gives its engine
// calls and its texts. Main thread only.
#pragma once

#include "tabs/base/ResourceSave.h"
#include "tabs/base/SelectionSwitch.h"
#include "tabs/base/ctrlBase.h"

#include <Zelkoran/AudioTrack.h>

// What sets one media tab apart: its widget ids, its default tag and the
// texts of its boxes.
struct MediaTabConfig {
    int importId, exportId, playId, pauseId, stopId;
    int musicId, sfxId, voiceId, customId;
    Zelkoran::eAudioTrackTag defaultTag;
    const char* importTitle;
    const char* importFailed;
    const char* loadFailed;
    const char* exportTitle;
    const char* exportWithoutName;
    // Export without an open item: null reports it as a failed export.
    const char* exportWithoutItem;
    const char* playTitle;
    const char* playFailed;
    // The import names an unnamed item after its file.
    bool nameFromFile;
};

class CtrlMedia : public CtrlBase {
public:
    enum ePlayState : int { PS_STOPPED = 0, PS_PLAYING = 1, PS_PAUSED = 2 };

    // The base's handling, then the tab's own widgets; 4 while nothing is
    // open, -1 after a failed Play or a refused event, else 0. The
    // controls follow whether an item is open after every event.
    int processEvent(int widgetId, int data) override;
    // Opens the selected block unless it is the current one: 0; else -1
    // after an error box, with nothing open and nothing of the last item
    // shown (choosing the block again retries).
    int onListBox() override;
    // Nothing open: the facts of no item, Pause unticked, the default tag
    // ticked. 0, or -1.
    int onNew() override;

    // 0 after an import; -1 when cancelled or the file cannot be loaded.
    int onImport();
    // The file is the name field's (else the selected row's) name in the
    // archive's folder, by the base tab's export rule, with the item's
    // extension (not doubled). 0 when written, else -1.
    int onExport(const string& archivePath) const;

    Zelkoran::eAudioTrackTag getSelectedTag() const;
    void applyTagToWidgets(Zelkoran::eAudioTrackTag tag) const;
    int getPlayState() const { return playState; }

protected:
    CtrlMedia(const MediaTabConfig& config, const string& name, int tabCheckBoxId, ResourceManager* rm,
              GlobalStatus* gs);

    // The engine's id of the block or file opened, or a negative code.
    virtual int loadBlock(const string& name) = 0;
    virtual int loadFile(const string& path, Zelkoran::eAudioTrackTag tag) = 0;
    virtual string importFilter() const = 0;
    // The open item's file extension, and its export: stem is path without
    // that extension.
    virtual string exportExtension() const = 0;
    virtual int writeExport(const string& stem, const string& path) const = 0;
    // The closing box of an export (result 0 = written).
    virtual void reportExport(int result, const string& path) const = 0;
    // Starts the open item from its beginning: 0 playing, 1 nothing open,
    // else an engine code.
    virtual int playItem() = 0;
    // Pauses (hold) or resumes the playing item.
    virtual void holdItem(bool hold) = 0;
    virtual void stopItem() = 0;
    // Gives the open item that tag: false when there is none or it cannot
    // take one.
    virtual bool tagItem(Zelkoran::eAudioTrackTag tag) = 0;
    // The open item's tag, else the tab's default.
    virtual Zelkoran::eAudioTrackTag itemTag() const = 0;
    // The facts of no item.
    virtual void showNothing() = 0;
    // The tab's own widgets beyond the shared controls, for open or not.
    virtual void enableOwnWidgets(bool open) = 0;

    // The shared controls a tab places among its own: the four tag boxes,
    // 27 px apart from top down, and Play, Pause and Stop along the bottom.
    void addTagBoxes(float top, const char* const (&tooltips)[4]) const;
    void addPlayControls(const char* playTooltip) const;
    // What follows the tab's close of its item: no handle, stopped, Pause
    // unticked.
    void dropItem();

    int32_t playState = PS_STOPPED;
    const ResourceSave resourceSave{*this};

private:
    // The shared widgets' actions: onPlay's result, else 0.
    int handleOwnEvent(int widgetId);
    // Play, Pause and Stop keep playState and the Pause box in step with
    // the item. Play: 0, or -1 after its failure box.
    int onPlay();
    void onPause();
    void onStop();
    void onTag(int widgetId);

    const SelectionSwitch selectionSwitch{*this};
    const MediaTabConfig& kind;
};
