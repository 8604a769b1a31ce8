#include "core/FileReplace.h"

#include "archive/ArchiveIO.h"

#include <Zelkoran/CMem.h>
#include <Zelkoran/Result.h>

#include <cstdio>
#include <random>

namespace Zelkoran {

int writeFileReplacing(const char* path, const uint8_t* data, size_t size)
{
    std::random_device random;
    char suffix[32];
    std::snprintf(suffix, sizeof(suffix), ".part-%08x", static_cast<unsigned>(random()));
    const String temp = String(path) + suffix;
    archive::FileHandle file;
    int rc = file.createNew(temp.c_str());
    if (rc != RC_OK)
        return RC_ERR_IO;
    rc = file.writeAt(0, data, size);
    if (rc == RC_OK)
        rc = file.sync();
    file.close();
    if (rc == RC_OK && std::rename(temp.c_str(), path) != 0)
        rc = RC_ERR_IO;
    if (rc != RC_OK) {
        std::remove(temp.c_str());
        return RC_ERR_IO;
    }
    archive::syncParentDir(path);
    return RC_OK;
}

} // namespace Zelkoran
