// The names the skin editor and the tooltip dialog offer: the archive's
// listed blocks, and the font id behind a font name.
#pragma once

#include <Zelkoran/Archive.h>
#include <Zelkoran/CMem.h>
#include <Zelkoran/Main.h>

namespace CtrlGUIInternal {

// Calls take(name, type) for each listed block of the archive (not
// deleted, name not starting with "#"), in index order.
template <typename Take>
void listArchiveBlocks(int archiveId, Take&& take)
{
    using Zelkoran::Archive;
    const Archive* archive = archiveId > 0 ? Zelkoran::Main::instance()->archiveMgr()->get(archiveId) : nullptr;
    if (!archive)
        return;
    for (int i = 0; i < archive->getIndexCount(); ++i) {
        Archive::Block block;
        if (archive->blockAt(i, block) == 0 && !block.deleted && block.name[0] != '#')
            take(block.name, block.type);
    }
}

// Font id of a name of the font lists: "@zk7/font/..." built-ins, any other
// name from the archive; -1 for "" or without an archive, else the engine's
// answer (0 or less: no such font).
int resolveFontName(int archiveId, const Zelkoran::String& name);

} // namespace CtrlGUIInternal
