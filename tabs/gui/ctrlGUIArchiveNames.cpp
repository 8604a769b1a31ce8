#include "tabs/gui/ctrlGUIArchiveNames.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Font.h>
#include <Zelkoran/Main.h>

#include <string_view>

using namespace Zelkoran;

namespace CtrlGUIInternal {

void listArchiveBlocks(int archiveId, const std::function<void(const char* name, const char* type)>& take)
{
    const Archive* archive = archiveId > 0 ? Main::instance()->archiveMgr()->get(archiveId) : nullptr;
    if (!archive)
        return;
    for (int i = 0; i < archive->getIndexCount(); ++i) {
        Archive::Block block;
        if (archive->blockAt(i, block) == 0 && !block.deleted && block.name[0] != '#')
            take(block.name, block.type);
    }
}

int resolveFontName(int archiveId, const String& name)
{
    static constexpr std::string_view kPrefix = "@zk7/font/";
    if (name.empty())
        return -1;
    if (name.size() > 9 && name.compare(0, kPrefix.size(), kPrefix) == 0)
        return Main::instance()->fontMgr()->getBuiltin(name.c_str() + kPrefix.size());
    if (archiveId < 1)
        return -1;
    return Main::instance()->fontMgr()->load(archiveId, name.c_str());
}

} // namespace CtrlGUIInternal
