// The archive side shared by sound tracks and videos: their names, and the
// blocks that hold an encoded source to copy out or delete.
#pragma once

#include <Zelkoran/Archive.h>
#include <Zelkoran/CMem.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>

#include <climits>
#include <cstring>
#include <new>

namespace Zelkoran::audio {

inline bool isMediaName(const char* name) { return name && std::strlen(name) <= kMaxBlockName; }

// A name an archive block may have.
inline bool isMediaBlockName(const char* name) { return name && name[0] && isMediaName(name); }

// Decodes the block name of type with decode and copies its source into
// bytes, for the facts in parsed to outlive the block. 0 or a negative code.
template <class Parsed>
int loadMediaSourceBlock(int archiveId, const char* name, const char* type,
                         int (*decode)(const uint8_t*, size_t, Parsed&), Parsed& parsed, Vector<uint8_t>& bytes)
{
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive || !isMediaBlockName(name))
        return RC_ERR_NOT_FOUND;
    Archive::Block block(name, type);
    int rc = archive->blockLoad(block);
    if (rc < 0)
        return rc;
    rc = decode(static_cast<const uint8_t*>(block.data), block.size, parsed);
    if (rc == RC_OK && parsed.sourceSize > INT32_MAX)
        rc = RC_ERR_TOO_LARGE;
    if (rc == RC_OK) {
        try {
            bytes.assign(parsed.source, parsed.source + parsed.sourceSize);
        } catch (const std::bad_alloc&) {
            rc = RC_ERR_NO_MEMORY;
        }
    }
    archive->blockFree(block);
    return rc;
}

inline int removeMediaSourceBlock(int archiveId, const char* name, const char* type)
{
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive || !isMediaBlockName(name))
        return RC_ERR_NOT_FOUND;
    return archive->blockDelete(Archive::Block(name, type));
}

} // namespace Zelkoran::audio
