// What the window and the log say when a change cannot reach the open
// archive's file (a refusal of Archive::checkWritable), or a rewrite of it
// (defrag, resize) cannot be made.
#pragma once

#include <Zelkoran/CMem.h>

// The window's text: the file at path and the cause; "" for a code that
// is no such refusal. For a rewrite, RC_ERR_ACCESS is its folder's: the
// new file is made beside the old one.
Zelkoran::String archiveRefusalText(int code, const char* path, bool rewrite = false);
// The window's text when a new archive cannot be made at path: the cause
// on a line of its own where the system gave one.
Zelkoran::String newArchiveFailureText(int code);
// Logs that action was not done on the file at path, and why.
void logArchiveRefusal(const char* action, int code, const char* path, bool rewrite = false);
