// What every part of a tab may use: the tab's base panel and what its
// block list and name field say, the editor's resources and global status,
// the message boxes, notices, overwrite question and block-name check every
// tab shows, and what a block write needs from the open archive. The tab
// owns it and lends it by reference to its parts. Main thread only.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstdint>

class GlobalStatus;
class ResourceManager;

namespace Zelkoran {
class Archive;
class Panel;
class Screen;
} // namespace Zelkoran

class TabServices {
public:
    using string = Zelkoran::String;

    // How long a save's warnings and errors stay up.
    static constexpr int kSaveNoticeMs = 2000;

    TabServices(Zelkoran::Panel& panel, Zelkoran::Screen& screen, ResourceManager& resources, GlobalStatus& status)
        : basePanel(&panel), mainScreen(&screen), resourceManager(&resources), globalStatus(&status)
    {
    }

    Zelkoran::Panel& panel() const { return *basePanel; }
    Zelkoran::Screen& screen() const { return *mainScreen; }
    ResourceManager& resources() const { return *resourceManager; }
    GlobalStatus& status() const { return *globalStatus; }

    // Tool::messageBox without a panel; its answer.
    int messageBox(const string& title, const string& text, int buttons, int type, int timeoutMs) const;
    // Timed notices titled prefix + ": save to QEL".
    void notifySaveWarning(const string& prefix, const string& text, int timeoutMs) const;
    void notifySaveError(const string& prefix, const string& text, int timeoutMs) const;
    // The error notice of a save the engine failed with code: failure and
    // the code's cause (saveFailureText). The open archive's refusal is
    // told here, so the menu does not tell it again.
    void notifySaveFailure(const string& prefix, const string& failure, int code) const;
    // A name that a block record holds whole; else false after a warning
    // titled prefix + ": save to QEL".
    bool acceptBlockName(const string& name, const string& prefix) const;
    // 0 when path is free or the user agrees to overwrite it, else -1.
    int checkOverwrite(const string& path) const;
    // Enables or disables a widget of the panel when it exists.
    void setUsable(int widgetId, bool usable) const;
    // The block list's selected name; "" when no row is selected.
    string selectedListName() const;
    // The name an export is written under: the name field's text, else the
    // selected row's; "" when neither has one.
    string exportName() const;
    // fileName + "." + extension in the folder of the open archive file;
    // fileName as Tool::fileNameFor makes it, so that an export never
    // leaves that folder nor is hidden. "" without an archive path or a
    // file name.
    string exportFilePath(const string& fileName, const string& extension) const;

    // The storage a new block starts with: plain, or encrypted while the
    // open archive's index or blocks are (Zelkoran::blockStorage).
    uint32_t newBlockStorage(uint32_t plain) const;
    // Gives the archive the remembered key before an encrypted block is
    // written; false after a box titled title (no key, or a refused one).
    bool setArchiveKeyForEncryptedSave(Zelkoran::Archive* archive, const string& title) const;

private:
    Zelkoran::Panel* basePanel;
    Zelkoran::Screen* mainScreen;
    ResourceManager* resourceManager;
    GlobalStatus* globalStatus;
};
