#include "app/ReadableBlocks.h"

#include <Zelkoran/Archive.h>

using namespace Zelkoran;

int readableBlockCount(const Archive& archive)
{
    if (!archive.isEncrypted())
        return 0;
    int count = 0;
    for (int i = 0; i < archive.getIndexCount(); ++i) {
        Archive::Block entry;
        if (archive.blockAt(i, entry) == 0 && !entry.deleted && !Archive::isEncryptedStorage(entry.storage))
            ++count;
    }
    return count;
}

std::string readableBlocksNotice(int count)
{
    if (count <= 0)
        return std::string();
    return count == 1 ? "1 block stays readable without the key until it is saved again."
                      : std::to_string(count) + " blocks stay readable without the key until they are saved again.";
}
