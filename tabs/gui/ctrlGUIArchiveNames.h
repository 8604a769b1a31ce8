// The names the skin editor and the tooltip dialog offer: the archive's
// listed blocks, and the font id behind a font name.
#pragma once

#include <Zelkoran/CMem.h>

#include <functional>

namespace CtrlGUIInternal {

// Calls take for each listed block of the archive (not deleted, name not
// starting with "#"), in index order.
void listArchiveBlocks(int archiveId, const std::function<void(const char* name, const char* type)>& take);
// Font id of a name of the font lists: "@zk7/font/..." built-ins, any other
// name from the archive; -1 for "" or without an archive, else the engine's
// answer (0 or less: no such font).
int resolveFontName(int archiveId, const Zelkoran::String& name);

} // namespace CtrlGUIInternal
