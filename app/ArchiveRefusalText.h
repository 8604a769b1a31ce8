// What the window and the log say when a change cannot reach the open
// archive's file (a refusal of Archive::checkWritable).
#pragma once

#include <Zelkoran/CMem.h>

// The window's text: the file at path and the cause; "" for a code that
// is no such refusal.
Zelkoran::String archiveRefusalText(int code, const char* path);
// Logs that action was not done on the file at path, and why.
void logArchiveRefusal(const char* action, int code, const char* path);
