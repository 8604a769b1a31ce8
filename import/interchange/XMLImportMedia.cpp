// VUQv1 elements without a picture: "music" and "sound" (audio tracks) and
// "file" (a file stored byte for byte as a "ZK7_FILE" block).
#include "import/legacy/LegacyFileSupport.h"
#include "import/interchange/XMLImportContext.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/AudioTrack.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Tool.h>

#include <cstdint>

using namespace Zelkoran;

namespace xmlimport {

namespace {

bool buildTrack(ImportContext& ctx, bool music)
{
    String source;
    if (!ctx.readName() || !ctx.text("source", source))
        return false;
    AudioTrackMgr* tracks = Main::instance()->audioTrackMgr();
    const int id = tracks->loadFromFile(source.c_str(), ctx.name.c_str(), music ? ATT_MUSIC : ATT_SFX, 1, false);
    if (id <= 0)
        return false;
    AudioTrack* track = tracks->get(id);
    const bool saved = track && track->save(ctx.archiveId, "") == 0;
    tracks->close(id);
    return saved;
}

uint32_t storageMode(const String& method)
{
    if (method == "raw")
        return Archive::ST_RAW;
    if (method == "compressed")
        return Archive::ST_COMPRESSED;
    if (method == "crypted")
        return Archive::ST_ENCRYPTED;
    return 0;
}

// 0, or the failure's code: RC_ERR_NO_SLOT has a warning of its own.
int storeFile(ImportContext& ctx)
{
    String method, source;
    if (!ctx.readName() || !ctx.text("storemethod", method) || !ctx.text("source", source))
        return RC_ERR_INVALID;
    Archive::Block block;
    block.storage = storageMode(method);
    if (block.storage == 0)
        return RC_ERR_INVALID;
    Tool* tool = Main::instance()->tool();
    // A longer name is cut between characters: half a letter would stay in
    // the name.
    const String name = ctx.name.substr(0, tool->utf8Prefix(ctx.name, kMaxBlockName));
    tool->szCopy(block.name, name.c_str(), sizeof block.name);
    tool->szCopy(block.type, "ZK7_FILE", sizeof block.type);

    legacyfile::Stream file(SDL_RWFromFile(source.c_str(), "rb"));
    if (!file)
        return RC_ERR_NOT_FOUND;
    const int64_t size = SDL_RWsize(file.get());
    if (size < 1 || size > INT32_MAX)
        return RC_ERR_INVALID;
    legacyfile::Buffer data = legacyfile::allocBuffer(static_cast<size_t>(size));
    if (!data || !legacyfile::readExact(file.get(), data.get(), static_cast<size_t>(size)))
        return RC_ERR_IO;
    block.data = data.get();
    block.size = static_cast<uint64_t>(size);

    Archive* archive = Main::instance()->archiveMgr()->get(ctx.archiveId);
    if (!archive)
        return RC_ERR_NOT_FOUND;
    // A secured archive stores the file encrypted whatever the document asks.
    block.storage = blockStorage(*archive, block.storage);
    if (block.storage == Archive::ST_ENCRYPTED
        && (!ctx.key || archive->setKey(ctx.key, static_cast<int>(ctx.keyLength)) != 0))
        return RC_ERR_KEY;
    return archive->blockAdd(block);
}

} // namespace

void importAudio(ImportContext& ctx, bool music)
{
    ctx.tally(music ? IK_MUSIC : IK_SOUND, buildTrack(ctx, music), music ? "music" : "sound");
}

void importFile(ImportContext& ctx)
{
    const int rc = storeFile(ctx);
    if (rc != RC_ERR_NO_SLOT) {
        ctx.tally(IK_FILE, rc == 0, "file");
        return;
    }
    ++ctx.counts.failed[IK_FILE];
    ctx.warn("  [XML2QEL] Warning: could not import '%s' file because the QEL has no free block slots left.\n",
             ctx.name.c_str());
}

} // namespace xmlimport
