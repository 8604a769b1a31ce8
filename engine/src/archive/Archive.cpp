#include "ArchiveFile.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Log.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>

namespace Zelkoran {

using archive::ArchiveFile;

namespace {
String formatDate(uint64_t seconds)
{
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local {};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &local);
    return String(text);
}

std::string absolutePath(const char* path)
{
    std::error_code ec;
    auto absolute = std::filesystem::absolute(path, ec);
    return ec ? std::string(path) : absolute.lexically_normal().string();
}
} // namespace

Archive::Block::Block(const char* blockName, const char* blockType)
{
    // Never cut: a cut name could name another block (or split a UTF-8
    // character); a text that does not fit makes the block refused. The
    // fields start zeroed: copying the text fills them.
    const size_t nameLength = blockName ? strnlen(blockName, sizeof(name)) : 0;
    const size_t typeLength = blockType ? strnlen(blockType, sizeof(type) + 1) : 0;
    tooLong = nameLength >= sizeof(name) || typeLength > sizeof(type);
    if (tooLong)
        return;
    if (blockName)
        std::memcpy(name, blockName, nameLength);
    if (blockType)
        std::memcpy(type, blockType, typeLength);
}

namespace {
// The name and type of a block as zero-terminated texts; false when the
// block was refused or its name field lacks its terminator.
bool fieldsOf(const Archive::Block& block, char (&name)[kMaxBlockName + 1], char (&type)[17])
{
    if (block.tooLong || block.name[kMaxBlockName] != '\0')
        return false;
    std::memcpy(name, block.name, sizeof(name));
    std::memcpy(type, block.type, 16);
    type[16] = '\0';
    return true;
}
} // namespace

Archive::Archive(int id, std::unique_ptr<ArchiveFile> file) : m_id(id), m_file(std::move(file)) {}
Archive::~Archive() = default;

const char* Archive::getName() const { return m_file->path().c_str(); }
int Archive::getIndexCount() const { return m_file->indexCount(); }
int Archive::getBlockCount() const { return m_file->liveCount(); }
int Archive::getBlockLimit() const { return m_file->limit(); }
float Archive::getFragmentation() const { return m_file->fragmentation(); }
String Archive::getCreationDate() const { return formatDate(m_file->created()); }

bool Archive::isCopyOf(const Archive& referring, const char* document) const
{
    if (this == &referring || getCreationDate() != referring.getCreationDate())
        return false;
    return !document || !*document || blockSearch(Block(document, "ZK7_XML")) >= 0;
}
String Archive::getModificationDate() const { return formatDate(m_file->modified()); }
bool Archive::isEncrypted() const { return m_file->indexEncrypted(); }
bool Archive::isEncryptedBlocks() const { return m_file->blocksEncrypted(); }

const char* Archive::blockTypeAt(int index) const
{
    const archive::EntryTable& table = m_file->table();
    return index >= 0 && static_cast<uint32_t>(index) < table.size() ? table.type(static_cast<uint32_t>(index)) : nullptr;
}

int Archive::blockAt(int index, Block& block) const
{
    // Listings call this for every entry of every tab: fill the block
    // straight from the compact index.
    const archive::EntryTable& table = m_file->table();
    if (index < 0 || static_cast<uint32_t>(index) >= table.size())
        return RC_ERR_NOT_FOUND;
    const auto slot = static_cast<uint32_t>(index);
    size_t nameLength = 0;
    const char* name = table.name(slot, nameLength);
    // A fixed-size clear and a short loop: a memcpy of a varying small
    // length costs more than the whole rest of this call.
    std::memset(block.name, 0, sizeof(block.name));
    for (size_t i = 0; i < nameLength; ++i)
        block.name[i] = name[i];
    std::memcpy(block.type, table.type(slot), sizeof(block.type));
    block.storage = table.storage(slot);
    block.data = nullptr;
    block.size = table.dataSize(slot);
    block.storedSize = table.storedSize(slot);
    block.deleted = table.deleted(slot);
    block.tooLong = false;
    return RC_OK;
}

int Archive::blockSearch(const Block& block) const
{
    // The lookup reads the type over its 16 bytes and the name up to its
    // terminator: both are used in place.
    if (block.tooLong || block.name[kMaxBlockName] != '\0')
        return RC_ERR_INVALID;
    return m_file->find(block.name, block.type);
}

int Archive::blockLoad(Block& block)
{
    int index = blockSearch(block);
    if (index < 0)
        return index;
    void* data = nullptr;
    uint64_t size = 0;
    if (int rc = m_file->load(index, data, size); rc != RC_OK)
        return rc == RC_ERR_CORRUPT ? damagedBlock(block) : rc;
    const auto slot = static_cast<uint32_t>(index);
    block.data = data;
    block.size = size;
    block.storage = m_file->table().storage(slot);
    block.storedSize = m_file->table().storedSize(slot);
    block.deleted = 0;
    return RC_OK;
}

void Archive::blockFree(Block& block)
{
    m_file->release(block.data);
    block.data = nullptr;
}

int Archive::checkWritable() const { return m_file->writeState(); }

int Archive::takeRefusal()
{
    const int rc = m_refusal;
    m_refusal = RC_OK;
    return rc;
}

int Archive::refused(int rc)
{
    if (rc != RC_ERR_REPLACED && rc != RC_ERR_CHANGED && rc != RC_ERR_READ_ONLY && rc != RC_ERR_ACCESS)
        return rc;
    m_refusal = rc;
    Log* log = LogMgr::current();
    if (!log)
        return rc;
    if (rc == RC_ERR_REPLACED)
        log->msg(2, " [Archive] Error: %s is no longer the file this archive opened (another program replaced, moved "
                    "or deleted it): nothing is written.\n", getName());
    else if (rc == RC_ERR_CHANGED)
        log->msg(2, " [Archive] Error: %s was changed by another program since it was opened: nothing is "
                    "written.\n", getName());
    else
        log->msg(2, " [Archive] Error: %s cannot be written: permission denied. Nothing is written.\n", getName());
    return rc;
}

int Archive::blockAdd(const Block& block)
{
    if (int rc = refusal(); rc != RC_OK)
        return rc;
    char name[kMaxBlockName + 1];
    char type[17];
    if (!fieldsOf(block, name, type))
        return RC_ERR_INVALID;
    return refused(m_file->add(name, type, block.storage, block.data, block.size));
}

int Archive::blockAddCompressed(const Block& block)
{
    if (int rc = refusal(); rc != RC_OK)
        return rc;
    char name[kMaxBlockName + 1];
    char type[17];
    if (!fieldsOf(block, name, type))
        return RC_ERR_INVALID;
    return refused(m_file->addCompressed(name, type, block.data, block.storedSize, block.size));
}

int Archive::blockPeek(const Block& block, uint64_t offset, void* out, size_t length)
{
    int index = blockSearch(block);
    if (index < 0)
        return index;
    const int rc = m_file->peek(index, offset, out, length);
    return rc == RC_ERR_CORRUPT ? damagedBlock(block) : rc;
}

int Archive::damagedBlock(const Block& block) const
{
    char name[kMaxBlockName + 1];
    char type[17];
    fieldsOf(block, name, type);
    if (Log* log = LogMgr::current())
        log->msg(2, " [Archive] Error: %s is damaged: block \"%s\" of type %s fails its check.\n", getName(), name,
                 type);
    return RC_ERR_CORRUPT;
}

int Archive::blockDelete(const Block& block)
{
    if (int rc = refusal(); rc != RC_OK)
        return rc;
    int index = blockSearch(block);
    return index < 0 ? index : refused(m_file->remove(index));
}

int Archive::blockUndelete(int index, const char* newName)
{
    const int rc = refusal();
    return rc != RC_OK ? rc : refused(m_file->undelete(index, newName));
}
int Archive::setKey(const void* key, int length)
{
    const int rc = m_file->setKey(key, length);
    if (rc != RC_OK)
        archive::forgetDerivations();
    return rc;
}
int Archive::encrypt()
{
    const int rc = refusal();
    return rc != RC_OK ? rc : refused(m_file->setIndexEncrypted(true));
}
int Archive::decrypt()
{
    const int rc = refusal();
    return rc != RC_OK ? rc : refused(m_file->setIndexEncrypted(false));
}
int Archive::validate(bool deep) { return m_file->validate(deep); }
void Archive::setDurable(bool on) { m_file->setDurable(on); }

// ---------------------------------------------------------------- manager

struct ArchiveMgr::Impl {
    std::map<int, std::unique_ptr<Archive>> open;
    int nextId = 1;

    int adopt(std::unique_ptr<archive::ArchiveFile> file)
    {
        int id = nextId++;
        open.emplace(id, std::unique_ptr<Archive>(new Archive(id, std::move(file))));
        return id;
    }
};

ArchiveMgr::ArchiveMgr() : m_impl(std::make_unique<Impl>()) {}
ArchiveMgr::~ArchiveMgr() { closeAll(); }

int ArchiveMgr::create(const char* path, int blockLimit)
{
    if (!path)
        return RC_ERR_INVALID;
    std::unique_ptr<archive::ArchiveFile> file;
    if (int rc = archive::ArchiveFile::create(absolutePath(path).c_str(), blockLimit, file); rc != RC_OK)
        return rc;
    return m_impl->adopt(std::move(file));
}

int ArchiveMgr::load(const char* path, const void* key, int keyLength)
{
    if (!path)
        return RC_ERR_INVALID;
    std::unique_ptr<archive::ArchiveFile> file;
    if (int rc = archive::ArchiveFile::open(absolutePath(path).c_str(), key, keyLength, file); rc != RC_OK) {
        // A refused key (often a mistyped one) is not kept either.
        archive::forgetDerivations();
        return rc;
    }
    return m_impl->adopt(std::move(file));
}

Archive* ArchiveMgr::get(int id)
{
    auto it = m_impl->open.find(id);
    return it == m_impl->open.end() ? nullptr : it->second.get();
}

int ArchiveMgr::find(const char* path)
{
    if (!path || !*path)
        return RC_ERR_NOT_FOUND;
    const std::string wanted = absolutePath(path);
    for (const auto& [id, archive] : m_impl->open)
        if (wanted == archive->getName())
            return id;
    return RC_ERR_NOT_FOUND;
}

int ArchiveMgr::close(int id)
{
    const bool closed = m_impl->open.erase(id) != 0;
    // No passphrase or derived key outlives the archive it opened.
    archive::forgetDerivations();
    return closed ? RC_OK : RC_ERR_NOT_FOUND;
}

int ArchiveMgr::defrag(const char* path, int newLimit, const void* key, int keyLength)
{
    if (!path)
        return RC_ERR_INVALID;
    const int rc = archive::ArchiveFile::defrag(absolutePath(path).c_str(), newLimit, key, keyLength);
    archive::forgetDerivations();
    return rc;
}

int ArchiveMgr::validate(int id, bool deep)
{
    Archive* a = get(id);
    return a ? a->validate(deep) : RC_ERR_NOT_FOUND;
}

void ArchiveMgr::closeAll()
{
    m_impl->open.clear();
    archive::forgetDerivations();
}

} // namespace Zelkoran
