#include "tabs/base/RawBlockSave.h"

#include "services/GlobalStatus.h"

#include <Zelkoran/Main.h>

using namespace Zelkoran;

int RawBlockSave::save(const Archive::Block& block, const string& noun, const string& listedName,
                       const std::function<void()>& refreshOwn) const
{
    const TabServices& services = tab.tabServices();
    GlobalStatus& status = services.status();
    Archive* archive = Main::instance()->archiveMgr()->get(status.iArchiveID);
    if (Archive::isEncryptedStorage(block.storage) && !services.setArchiveKeyForEncryptedSave(archive, noun))
        return -1;
    const string fallback = noun + " could not be saved.";
    if (!archive) {
        services.notifySaveError(noun, fallback, TabServices::kSaveNoticeMs);
        return -1;
    }
    if (const int rc = archive->blockAdd(block); rc != 0) {
        services.notifySaveFailure(noun, fallback, rc);
        return -1;
    }
    status.bSecured = isSecured(*archive);
    status.bReparseAll = 1;
    tab.refreshBlockListAndSelect(listedName);
    if (refreshOwn)
        refreshOwn();
    tab.notifySaveSuccess(noun);
    return 0;
}
