// The one editor-wide state record: built from the command line, read and
// written by the menu and every tab.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstdint>

class GlobalStatus {
public:
    static constexpr int kMinWidth = 1400;
    static constexpr int kMinHeight = 1000;
    static constexpr uint32_t kMaxKeyLength = 32;

    // Visits the arguments after the program name, in order, and stops once
    // two were accepted: "-resolution:WxH" (accepted with exactly two parts;
    // a value is taken only above 1399 / 999) or a file, made absolute into
    // sArchivePath (a later one replaces an earlier one).
    GlobalStatus(int argc, char** argv);
    ~GlobalStatus();
    GlobalStatus(const GlobalStatus&) = delete;
    GlobalStatus& operator=(const GlobalStatus&) = delete;

    // Forgets the archive: flags, key, path and id; the window size stays. 0.
    int clear();
    // Overwrites szKey with zero bytes; iKeyLength 0.
    void wipeKey();

    uint8_t bArchiveLoaded = 0;
    uint8_t bSecured = 0;       // encrypted index or blocks: Unlock instead of Lock
    uint8_t bKeyRemembered = 0; // szKey holds the key the user entered
    uint8_t szKey[kMaxKeyLength + 1] = {};
    uint32_t iKeyLength = 0;
    Zelkoran::String sArchivePath;
    int32_t iArchiveID = 0;
    uint8_t bReparseAll = 0; // every tab rebuilds its block list at the next menu update
    int32_t iWidth = kMinWidth;
    int32_t iHeight = kMinHeight;

private:
    // 1 when arg was taken.
    int acceptArgument(const char* arg);
};
