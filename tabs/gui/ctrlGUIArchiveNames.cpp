#include "tabs/gui/ctrlGUIArchiveNames.h"

#include <Zelkoran/Font.h>
#include <Zelkoran/Main.h>

#include <string_view>

using namespace Zelkoran;

namespace CtrlGUIInternal {

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
