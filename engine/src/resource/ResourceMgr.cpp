#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>

#include "resource/ResourceName.h"
#include "resource/ResourceMgrImpl.h"

namespace Zelkoran {

Resource::Resource(int id, const char* name, bool builtin) : m_id(id), m_name(name ? name : ""), m_builtin(builtin) {}

Resource::~Resource() = default;

const char* Resource::saveName(const char* name) const { return name && name[0] ? name : m_name.c_str(); }

int resource::removeBlocks(const ResourceKind& kind, int archiveId, const char* name)
{
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive || !name || !name[0])
        return RC_ERR_NOT_FOUND;
    const int rc = archive->blockDelete(Archive::Block(name, kind.blockType));
    if (rc != RC_OK || !kind.imagePrefix)
        return rc;
    archive->blockDelete(Archive::Block(resource::hiddenImageName(kind.imagePrefix, name).c_str(), "ZK7_IMAGE"));
    return RC_OK;
}

} // namespace Zelkoran
