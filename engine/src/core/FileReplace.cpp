#include "core/FileReplace.h"

#include "core/RandomBytes.h"

#include <Zelkoran/Result.h>

#include <cstdio>
#include <string>

namespace Zelkoran {

int replaceFile(const char* path, const char* tag, const std::function<int(FileHandle&)>& fill,
                FileHandle* keep)
{
    uint32_t r = 0;
    randomBytes(&r, sizeof(r));
    char suffix[32];
    std::snprintf(suffix, sizeof(suffix), ".%s-%08x", tag, r);
    const std::string temp = std::string(path) + suffix;
    FileHandle file;
    int rc = file.createNew(temp.c_str());
    if (rc != RC_OK)
        return rc;
    rc = fill(file);
    if (rc == RC_OK)
        rc = file.sync();
    if (!keep)
        file.close();
    if (rc == RC_OK)
        rc = renameFile(temp.c_str(), path);
    if (rc != RC_OK) {
        std::remove(temp.c_str());
        return rc;
    }
    syncParentDir(path);
    if (keep)
        keep->take(file);
    return RC_OK;
}

int writeFileReplacing(const char* path, const uint8_t* data, size_t size)
{
    const int rc = replaceFile(path, "part", [&](FileHandle& file) { return file.writeAt(0, data, size); });
    return rc == RC_OK ? RC_OK : RC_ERR_IO;
}

} // namespace Zelkoran
