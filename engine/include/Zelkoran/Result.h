// Result codes shared by every engine call.
//
// Calls return an int: 0 on success, a positive id or count where one is
// produced, a negative code on failure. Callers pass codes on unchanged, so
// each one keeps a single meaning across the engine.
#pragma once

namespace Zelkoran {

enum eResult : int {
    RC_OK = 0,
    RC_ERR_GENERIC = -1,
    RC_ERR_NOT_FOUND = -2,        // no such id, block, file or item
    RC_ERR_IO = -5,               // the operating system refused a read or write
    RC_ERR_NO_MEMORY = -12,       // an allocation failed
    RC_ERR_ACCESS = -13,          // permission denied: the file or its folder is write-protected
    RC_ERR_BUSY = -16,            // the archive file is opened elsewhere
    RC_ERR_EXISTS = -17,          // a live block already answers to that name and type
    RC_ERR_INVALID = -22,         // an argument is out of range or malformed
    RC_ERR_READ_ONLY = -30,       // the archive was opened without write access
    RC_ERR_NO_SLOT = -72,         // the archive has no free block slot
    RC_ERR_NO_LIBRARY = -79,      // a shared library the call needs cannot be loaded
    RC_ERR_CORRUPT = -84,         // the file's contents are damaged
    RC_ERR_NOT_ARCHIVE = -85,     // the file is not a QELv2 archive
    RC_ERR_TOO_LARGE = -86,       // a size beyond what the format or memory allows
    RC_ERR_REPLACED = -116,       // the path no longer names the open file (replaced, moved or deleted)
    RC_ERR_CHANGED = -117,        // another program wrote over the open file in place
    RC_CANCELLED = -125,          // the caller's progress hook asked to stop
    RC_ERR_KEY = -477,            // a key is needed, or the key given is wrong
    RC_ERR_KEY_REFUSED = -478,    // another key is already in use for encrypted data
    RC_ERR_POISONED = -479,       // an earlier write failed and could not be rolled back
};

} // namespace Zelkoran
