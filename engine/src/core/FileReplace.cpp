#include "core/FileReplace.h"

#include "archive/ArchiveCrypto.h"

#include <Zelkoran/Result.h>

#include <cstdio>
#include <string>

namespace Zelkoran {

int replaceFile(const char* path, const char* tag, const std::function<int(archive::FileHandle&)>& fill,
                archive::FileHandle* keep)
{
    uint32_t r = 0;
    archive::randomBytes(&r, sizeof(r));
    char suffix[32];
    std::snprintf(suffix, sizeof(suffix), ".%s-%08x", tag, r);
    const std::string temp = std::string(path) + suffix;
    archive::FileHandle file;
    int rc = file.createNew(temp.c_str());
    if (rc != RC_OK)
        return rc;
    rc = fill(file);
    if (rc == RC_OK)
        rc = file.sync();
    if (!keep)
        file.close();
    if (rc == RC_OK)
        rc = archive::renameFile(temp.c_str(), path);
    if (rc != RC_OK) {
        std::remove(temp.c_str());
        return rc;
    }
    archive::syncParentDir(path);
    if (keep)
        keep->take(file);
    return RC_OK;
}

int writeFileReplacing(const char* path, const uint8_t* data, size_t size)
{
    const int rc = replaceFile(path, "part", [&](archive::FileHandle& file) { return file.writeAt(0, data, size); });
    return rc == RC_OK ? RC_OK : RC_ERR_IO;
}

} // namespace Zelkoran
