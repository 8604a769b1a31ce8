// File, path, string, number and random helpers, the modal message box and
// the file dialogs. Main thread unless stated otherwise.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstdint>
#include <string_view>

namespace Zelkoran {

enum eMsgBoxButton : int {
    MBB_NONE = 0,
    MBB_OK = 1,
    MBB_CANCEL = 2,
    MBB_YES = 4,
    MBB_NO = 8,
    MBB_YESNO = MBB_YES | MBB_NO,
};

enum eMsgBoxType : int {
    MBT_PANEL = 0,
    MBT_ERROR = 1,
    MBT_WARNING = 2,
    MBT_INFORMATION = 3,
    MBT_QUESTION = 4,
};

class Tool {
public:
    // Both generators start from fixed seeds.
    Tool();

    // --- files and paths (any thread) ---
    // The helpers that take paths apart also accept a backslash between
    // folders. A file name that starts with '.' and has no other dot
    // (".bashrc") has no extension; a path ending in a separator names a
    // folder and has no file name.

    // True when a file or folder exists at path (taken as the system does).
    bool fileExists(const char* path);
    // Folder part without the trailing '/' ("" when there is none; "/" for
    // a file in the root folder).
    String fileGetDir(const char* path);
    // File name without folder and extension ("" when there is none).
    String fileGetName(const char* path);
    // Same, as an out-parameter: false (and "") when the path has no file
    // name.
    bool fileGetName(const char* path, String& name);
    // Text after the last '.' of the file name, without the dot, case kept.
    String fileGetExtension(const char* path);
    // Same, as an out-parameter: false (and "") when there is none.
    bool fileGetExtension(const char* path, String& ext);
    // True when the file's extension is ext (a leading '.' of ext is
    // skipped; letter case ignored).
    bool fileCheckExtension(const char* path, const char* ext);
    // Absolute, normalised form of a relative or absolute path; false when
    // the current folder cannot be read or the path is empty.
    bool fileGetAbsolutePath(const char* path, String& absolute);
    // Folder of the running executable, without the trailing '/' (the
    // current folder when it cannot be found).
    String fileGetExePath();
    // Backslashes become '/', repeated '/' collapse, "." and ".." parts are
    // resolved where possible (symbolic links are not followed) and a
    // trailing '/' is dropped (except for "/"). "." when nothing is left,
    // "" for an empty path.
    String pathNormalize(const char* path);
    // A name (a block's, say) as the name of a file in one folder: its
    // folder parts joined with '_' ("a/b" gives "a_b"), "." and ".." parts
    // left out and a leading '.' written '_' ("../../.x" gives "_x"), so the
    // file stays in that folder and is not hidden; "_" when nothing is left.
    String fileNameFor(const char* name);

    // --- strings and numbers (any thread) ---
    // Copies at most size-1 characters of src and terminates dst (a null
    // src copies ""). Returns the number of characters copied.
    size_t szCopy(char* dst, const char* src, size_t size);
    // The length of the longest start of text of at most maxBytes bytes that
    // ends on a UTF-8 character boundary (all of text when it fits).
    size_t utf8Prefix(std::string_view text, size_t maxBytes);
    // The bytes of the UTF-8 character that starts at byte i of text: its
    // lead byte and up to three continuation bytes.
    size_t utf8CharLength(std::string_view text, size_t i);
    // Decimal text to int; leading blanks and a sign are accepted, reading
    // stops at the first non-digit; 0 for text without digits (or null);
    // saturates at INT_MIN / INT_MAX.
    int strDecToInt(const char* text);
    void intToStrDec(int value, String& out);
    void strToLowerCase(String& text);
    // Non-zero when the first n characters of a and b are equal (letter
    // case ignored when ignoreCase; a text shorter than n equals only the
    // same text); n < 0 compares whole texts. A null text equals only null.
    int strCompare(const char* a, const char* b, int n = -1, bool ignoreCase = true);
    // Replaces parts with the pieces of text between occurrences of
    // separator; empty pieces are kept ("" gives one empty part). An empty
    // separator gives the whole text; null text gives no part.
    void strTovStr(const char* text, const char* separator, Vector<String>& parts);
    // Standard base64 (with or without padding, whitespace skipped when
    // skipBlanks); false and no bytes on any other character, on '=' before
    // the end or on a length no encoder makes.
    bool decodeBase64(const char* text, Vector<uint8_t>& bytes, bool skipBlanks);

    // --- random numbers (not for cryptography) ---
    // Marsaglia multiply-with-carry; the same seed gives the same sequence.
    uint32_t randMWC();
    void randSeedMWC(uint32_t seed);
    // Seeds the WELL512 generator from seed, or from the 16 words of state
    // when state is not null (an all-zero state falls back to seed).
    void randSeedWELL(uint32_t seed, const uint32_t* state);
    uint32_t randWELL();

    // --- dialogs (main thread; implemented with the GUI toolkit) ---
    // Plain box (panelId -1): buttons MBB_NONE, MBB_OK or MBB_YESNO; type 1..4;
    // timeoutMs > 0 closes it by itself. Result: 1 OK, 4 Yes, 8 No, 0 timed
    // out, 2 cancelled or quit requested. Panel run (panelId > 0): shows the
    // panel modally and returns the id of the button that ended it, 2 on a
    // quit request (the quit is re-posted for the main loop).
    int messageBox(const char* title, const char* text, int buttons, int type, int timeoutMs,
                   int panelId, int last);
    // Modal file browser. filter: "description\0pattern;pattern\0...\0\0".
    // path gives the starting folder (and file name); true with the chosen
    // path, false when cancelled.
    bool fileOpenDialog(const char* title, const char* filter, String& path);
    bool fileSaveDialog(const char* title, const char* filter, String& path);

private:
    uint32_t m_mwcZ = 362436069u, m_mwcW = 521288629u;
    uint32_t m_well[16] = {};
    uint32_t m_wellIndex = 0;
};

} // namespace Zelkoran
