// What the window and the log say when a write to the open archive fails:
// a tab's save, a change refused by Archive::checkWritable, a rewrite of
// the file (defrag, resize) or a new archive that cannot be made. Every
// engine code that has words of its own is one row of the table in the
// .cpp; a new cause is a new row there.
#pragma once

#include <Zelkoran/CMem.h>

// A failed save's text: failure (the tab's own line), then the cause of
// code on the lines below it, naming the file at path. The codes whose text
// says all (no free slot, no key) stand alone; a code without a row leaves
// failure as it is.
Zelkoran::String saveFailureText(int code, const Zelkoran::String& failure, const char* path);
// The cause alone for a code whose text stands alone, else "".
Zelkoran::String saveFailureCause(int code);
// The window's text: the file at path and the cause; "" for a code that
// is no such refusal. For a rewrite, RC_ERR_ACCESS is its folder's: the
// new file is made beside the old one.
Zelkoran::String archiveRefusalText(int code, const char* path, bool rewrite = false);
// The window's text when a new archive cannot be made at path: the cause
// on a line of its own where the system gave one.
Zelkoran::String newArchiveFailureText(int code);
// Logs that action was not done on the file at path, and why.
void logArchiveRefusal(const char* action, int code, const char* path, bool rewrite = false);
