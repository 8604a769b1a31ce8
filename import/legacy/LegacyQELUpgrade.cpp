// Legacy archive handling: QELv2 header probe, upgrade file names and the
// QELv1.1 reader that feeds the upgrade.
//
// All integers are little-endian.
//
// QELv2 header, as far as the probe reads it (the engine owns the rest):
//   OFFSET  SIZE  MEANING
//   0       8     magic "ZK7QELv2"
//   8       2     format version, 2
//   10      2     second version word, 0
//   12      4     header size, 512
//   16      4     fixed field, 256
//   20      8     flags: bit 0 index encrypted, bit 1 blocks encrypted
//
// QELv1.1 file:
//   OFFSET  SIZE       MEANING
//   0       8          magic "QELv1.1\0"
//   8       256        header
//   264     count*128  index; with "SecureQEL " AES-256-ECB as a whole, key = user key zero-filled to 32
//   any     per entry  stored bytes of each block, at the offset its entry gives
// Header (offsets from its start):
//   0       10 / 8     "SecureQEL " (index encrypted) or "OpenQEL " (plain index)
//   112     4          checksum: XXH32 of magic, header with this field 0 (and with an encrypted
//                      index bytes 120..151 replaced by the zero-filled user key), decrypted index
//   116     4          entry count, 1..4096
// Index entry:
//   0       16         type, zero-terminated; "?SD_..." = deleted
//   16      64         name, zero-terminated
//   80      4          storage: 1 raw, 2 zlib, 3 AES-256-ECB with QELV1_BLOCK_AES_KEY
//   84      4          data size (decoded); 0 with no name and no type = empty slot
//   88      4          stored size
//   92      4          file offset of the stored bytes
//   96      4          XXH32 of the data
//
// Write-path invariants of the upgrade:
//   1. Nothing is written before the header, the index and every decision
//      are settled (QELv1Reader::readIndex, then the policy check).
//   2. The QELv2 archive is written under an unused temporary name; until
//      it has taken the QELv1 file's place, TemporaryArchive's destructor
//      closes it and deletes the file.
//   3. The QELv1 file is moved only in TemporaryArchive::replace: first to
//      its backup name, then the new file takes its name; a failure of the
//      second move puts it back.
#include "import/legacy/LegacyQELUpgrade.h"

#include "import/legacy/LegacyFileSupport.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Internal.h>
#include <Zelkoran/Log.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Tool.h>

#include <SDL.h>
#include <openssl/crypto.h>
#include <xxhash.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

using Zelkoran::String;

namespace {

using namespace legacyfile;

constexpr char kQELv2Magic[8] = {'Z', 'K', '7', 'Q', 'E', 'L', 'v', '2'};
constexpr size_t kQELv2HeaderSize = 512;

constexpr char kQELv1Magic[8] = "QELv1.1";
constexpr size_t kQELv1HeaderSize = 256;
constexpr size_t kQELv1EntrySize = 128;
constexpr uint32_t kQELv1MaxEntries = 4096;
constexpr size_t kHeaderChecksumOffset = 112;
constexpr size_t kHeaderCountOffset = 116;
constexpr size_t kHeaderKeyOffset = 120;
constexpr uint32_t kChecksumSeed = 41752906;
constexpr char kDeletedTypePrefix[4] = {'?', 'S', 'D', '_'};

enum eLegacyStorage : uint32_t { LS_RAW = 1, LS_COMPRESSED = 2, LS_ENCRYPTED = 3 };

// The key every QELv1 block with storage mode 3 was encrypted with.
constexpr unsigned char QELV1_BLOCK_AES_KEY[32] = "Vq7%3Bk2%5D88x%7E4410#Pol%3C95z";

// deflate cannot encode more than 258 bytes in 2 bits: a larger claim is a
// corrupt size, refused before anything is allocated for it.
constexpr uint64_t kMaxDeflateRatio = 1032;

// aes_ecb_decrypt takes an int length.
constexpr uint64_t kAesChunk = 1u << 30;

String withForwardSlashes(const String& path)
{
    String copy = path;
    std::replace(copy.begin(), copy.end(), '\\', '/');
    return copy;
}

// Position of the '.' that starts the file name's extension, or npos.
size_t extensionDot(const String& path)
{
    const size_t dot = path.rfind('.');
    const size_t separator = path.find_last_of("/\\");
    if (dot == String::npos || (separator != String::npos && dot < separator))
        return String::npos;
    return dot;
}

bool hasQELv1Magic(const char* path)
{
    Stream rw(SDL_RWFromFile(path, "rb"));
    char magic[sizeof kQELv1Magic];
    return rw && readExact(rw.get(), magic, sizeof magic) && memcmp(magic, kQELv1Magic, sizeof magic) == 0;
}

bool decryptInPlace(uint8_t* data, uint64_t size, const aes_decrypt_ctx& context)
{
    for (uint64_t done = 0; done < size;) {
        const int length = static_cast<int>(std::min(size - done, kAesChunk));
        if (aes_ecb_decrypt(data + done, data + done, length, &context) != 0)
            return false;
        done += static_cast<uint64_t>(length);
    }
    return true;
}

// The user's index key as the format uses it: zero-filled to 32 bytes.
// Wiped when it goes.
struct IndexKey {
    unsigned char bytes[32] = {};
    aes_decrypt_ctx context = {};

    IndexKey(const void* key, uint32_t length)
    {
        memcpy(bytes, key, std::min<size_t>(length, sizeof bytes));
        aes_decrypt_key256(bytes, &context);
    }
    ~IndexKey()
    {
        OPENSSL_cleanse(bytes, sizeof bytes);
        OPENSSL_cleanse(&context, sizeof context);
    }
    IndexKey(const IndexKey&) = delete;
    IndexKey& operator=(const IndexKey&) = delete;
};

struct XXH32StateFree {
    void operator()(XXH32_state_t* state) const { XXH32_freeState(state); }
};

// One QELv1 index entry, its texts always terminated.
struct LegacyEntry {
    char type[17] = {};
    char name[65] = {};
    uint32_t storage = 0;
    uint32_t dataSize = 0;
    uint32_t storedSize = 0;
    uint32_t offset = 0;
    uint32_t checksum = 0;

    explicit LegacyEntry(const uint8_t* raw)
    {
        memcpy(type, raw, 16);
        memcpy(name, raw + 16, 64);
        storage = getU32(raw + 80);
        dataSize = getU32(raw + 84);
        storedSize = getU32(raw + 88);
        offset = getU32(raw + 92);
        checksum = getU32(raw + 96);
    }

    // A block of 0 bytes is a block too: only a slot without data, name
    // and type is empty.
    bool isLive() const
    {
        return (dataSize != 0 || name[0] != 0 || type[0] != 0)
            && memcmp(type, kDeletedTypePrefix, sizeof kDeletedTypePrefix) != 0;
    }
};

// Reads a QELv1.1 file: verifies the header checksum over the decrypted
// index, then decodes one block at a time with its sizes checked against
// the file before anything is read or allocated for it.
class QELv1Reader {
public:
    // Opens the file and checks the magic once more.
    int open(const char* path)
    {
        m_stream.reset(SDL_RWFromFile(path, "rb"));
        if (!m_stream)
            return LQR_OPEN;
        if (SDL_RWseek(m_stream.get(), 0, RW_SEEK_SET) != 0)
            return LQR_SEEK_START;
        if (!readExact(m_stream.get(), m_magic, sizeof m_magic))
            return LQR_READ_MAGIC;
        if (memcmp(m_magic, kQELv1Magic, sizeof m_magic) != 0)
            return LQR_FORMAT;
        return 0;
    }

    // Reads and verifies header and index. An encrypted index without a
    // usable key sets needKey and gives -477.
    int readIndex(const void* key, uint32_t keyLength, bool& needKey)
    {
        uint8_t header[kQELv1HeaderSize];
        if (!readExact(m_stream.get(), header, sizeof header))
            return LQR_READ_HEADER;
        m_count = getU32(header + kHeaderCountOffset);
        if (m_count < 1 || m_count > kQELv1MaxEntries)
            return LQR_BAD_SIZE;
        if (memcmp(header, "SecureQEL ", 10) == 0)
            m_encryptedIndex = true;
        else if (memcmp(header, "OpenQEL ", 8) != 0)
            return LQR_FORMAT;

        const size_t indexSize = size_t{m_count} * kQELv1EntrySize;
        m_index = allocBuffer(indexSize);
        if (!m_index)
            return LQR_INDEX_MEMORY;
        if (!readExact(m_stream.get(), m_index.get(), indexSize))
            return LQR_READ_INDEX;

        const uint32_t storedChecksum = getU32(header + kHeaderChecksumOffset);
        memset(header + kHeaderChecksumOffset, 0, 4);

        std::unique_ptr<IndexKey> indexKey;
        if (m_encryptedIndex) {
            if (!key || keyLength == 0 || keyLength > 32) {
                needKey = true;
                return Zelkoran::RC_ERR_KEY;
            }
            indexKey = std::make_unique<IndexKey>(key, keyLength);
            if (!decryptInPlace(m_index.get(), indexSize, indexKey->context))
                return LQR_INDEX_DECRYPT;
            memcpy(header + kHeaderKeyOffset, indexKey->bytes, sizeof indexKey->bytes);
        }

        const std::unique_ptr<XXH32_state_t, XXH32StateFree> state(XXH32_createState());
        if (!state || XXH32_reset(state.get(), kChecksumSeed) != XXH_OK)
            return LQR_CHECKSUM_STATE;
        XXH32_update(state.get(), m_magic, sizeof m_magic);
        XXH32_update(state.get(), header, sizeof header);
        XXH32_update(state.get(), m_index.get(), indexSize);
        OPENSSL_cleanse(header + kHeaderKeyOffset, 32);
        if (XXH32_digest(state.get()) != storedChecksum)
            return LQR_CORRUPT;
        return 0;
    }

    uint32_t count() const { return m_count; }
    bool isEncryptedIndex() const { return m_encryptedIndex; }
    LegacyEntry entry(uint32_t i) const { return LegacyEntry(m_index.get() + size_t{i} * kQELv1EntrySize); }

    bool hasLiveEncryptedBlock() const
    {
        for (uint32_t i = 0; i < m_count; ++i) {
            const LegacyEntry e = entry(i);
            if (e.isLive() && e.storage == LS_ENCRYPTED)
                return true;
        }
        return false;
    }

    // Decodes the block of a live entry into data; its first dataSize
    // bytes are the block's contents, checksum verified. A compressed
    // block's verified stream stays in stream.
    int readBlock(const LegacyEntry& e, Buffer& data, Buffer& stream)
    {
        if (int r = checkSizes(e); r != 0)
            return r;
        if (SDL_RWseek(m_stream.get(), e.offset, RW_SEEK_SET) != e.offset)
            return LQR_SEEK_BLOCK;
        // One byte at least: a block of 0 bytes still has a buffer.
        Buffer stored = allocBuffer(std::max<size_t>(e.storedSize, 1));
        if (!stored)
            return LQR_STORED_MEMORY;
        if (!readExact(m_stream.get(), stored.get(), e.storedSize))
            return LQR_READ_BLOCK;

        if (e.storage == LS_COMPRESSED) {
            data = allocBuffer(std::max<size_t>(e.dataSize, 1));
            if (!data)
                return LQR_DATA_MEMORY;
            uLongf inflated = e.dataSize;
            if (uncompress(data.get(), &inflated, stored.get(), e.storedSize) != Z_OK || inflated != e.dataSize)
                return LQR_CORRUPT;
            stream = std::move(stored);
        } else {
            if (e.storage == LS_ENCRYPTED && !decryptInPlace(stored.get(), e.storedSize, m_blockKey))
                return LQR_BLOCK_DECRYPT;
            data = std::move(stored);
        }
        if (XXH32(data.get(), e.dataSize, kChecksumSeed) != e.checksum)
            return LQR_CORRUPT;
        return 0;
    }

    // Releases the index and the stream.
    void close()
    {
        m_index.reset();
        m_stream.reset();
    }

private:
    int checkSizes(const LegacyEntry& e) const
    {
        const Sint64 fileSize = SDL_RWsize(m_stream.get());
        if (fileSize < 0)
            return LQR_FILE_SIZE;
        if (uint64_t{e.offset} + e.storedSize > static_cast<uint64_t>(fileSize))
            return LQR_BAD_SIZE;
        switch (e.storage) {
        case LS_RAW:
            // The checksum and the copy cover the data size: it must lie
            // inside what is read.
            return e.dataSize > e.storedSize ? LQR_BAD_SIZE : 0;
        case LS_COMPRESSED:
            return uint64_t{e.dataSize} > uint64_t{e.storedSize} * kMaxDeflateRatio ? LQR_BAD_SIZE : 0;
        case LS_ENCRYPTED:
            return e.storedSize % 16 != 0 || e.storedSize < e.dataSize ? LQR_BAD_SIZE : 0;
        default:
            return LQR_STORAGE_MODE;
        }
    }

    Stream m_stream;
    Buffer m_index;
    char m_magic[sizeof kQELv1Magic] = {};
    uint32_t m_count = 0;
    bool m_encryptedIndex = false;
    aes_decrypt_ctx m_blockKey = makeBlockKey();

    static aes_decrypt_ctx makeBlockKey()
    {
        aes_decrypt_ctx context = {};
        aes_decrypt_key256(QELV1_BLOCK_AES_KEY, &context);
        return context;
    }
};

// QELv1 marks a sprite record's animation state by one bit of the high
// byte of its first word; QELv2 numbers the states.
struct SpriteStateMapping {
    uint8_t legacyBits;
    uint8_t state;
};
constexpr SpriteStateMapping kSpriteStateMappings[] = {
    {0x80, 0}, {0x40, 1}, {0x20, 2}, {0x10, 3}, {0x08, 4}, {0x04, 5}, {0x02, 6}, {0x01, 7}, {0xC0, 8},
};

constexpr size_t kSpriteHeaderSize = 128;
constexpr size_t kSpriteRecordSize = 256;
constexpr uint32_t kSpriteVersion = 10;

// True when at least one state word was mapped.
bool migrateSpriteStates(uint8_t* data, uint64_t size)
{
    if (size < kSpriteHeaderSize || getU32(data) != kSpriteVersion)
        return false;
    const auto records = static_cast<int32_t>(getU32(data + 44));
    if (records <= 0 || size < kSpriteHeaderSize + kSpriteRecordSize * static_cast<uint64_t>(records))
        return false;
    bool mapped = false;
    for (int32_t i = 0; i < records; ++i) {
        uint8_t& high = data[kSpriteHeaderSize + kSpriteRecordSize * static_cast<size_t>(i) + 1];
        for (const SpriteStateMapping& m : kSpriteStateMappings) {
            if (high == m.legacyBits) {
                high = m.state;
                mapped = true;
                break;
            }
        }
    }
    return mapped;
}

// Block fix-ups between the formats; types compared whole. True when the
// data changed.
bool applyFixUps(Zelkoran::Archive::Block& block)
{
    auto* data = static_cast<uint8_t*>(block.data);
    if (strcmp(block.type, "ZK7_XML") == 0) {
        // QELv1 stored XML text with its terminating zero.
        if (block.size >= 1 && data[block.size - 1] == 0) {
            --block.size;
            return true;
        }
    } else if (strcmp(block.type, "ZK7_SPRITE") == 0) {
        if (migrateSpriteStates(data, block.size)) {
            engineLog()->msg(4, "  Migrated QELv1 sprite states for %s.\n", block.name);
            return true;
        }
    }
    return false;
}

// The QELv2 archive being written under a temporary name. Until replace()
// has put it in place of the QELv1 file, the destructor closes it and
// deletes its file.
class TemporaryArchive {
public:
    explicit TemporaryArchive(String path) : m_path(std::move(path)) {}
    ~TemporaryArchive()
    {
        if (m_id > 0)
            Zelkoran::Main::instance()->archiveMgr()->close(m_id);
        if (!m_inPlace)
            std::remove(m_path.c_str());
    }
    TemporaryArchive(const TemporaryArchive&) = delete;
    TemporaryArchive& operator=(const TemporaryArchive&) = delete;

    int create(int blockLimit)
    {
        Zelkoran::ArchiveMgr* archives = Zelkoran::Main::instance()->archiveMgr();
        const int id = archives->create(m_path.c_str(), blockLimit);
        if (id <= 0)
            return id < 0 ? id : LQR_NO_ARCHIVE;
        m_id = id;
        m_archive = archives->get(id);
        // Nothing relies on this file until it replaces the original, and
        // closing it flushes it: a flush per block would only cost time.
        if (m_archive)
            m_archive->setDurable(false);
        return m_archive ? 0 : LQR_NO_ARCHIVE;
    }

    Zelkoran::Archive* archive() const { return m_archive; }

    // Deep validation, then the archive is closed whatever it found.
    int finish()
    {
        Zelkoran::ArchiveMgr* archives = Zelkoran::Main::instance()->archiveMgr();
        const int valid = archives->validate(m_id, true);
        archives->close(m_id);
        m_id = 0;
        m_archive = nullptr;
        return valid;
    }

    // Moves the file at target to backup and the new file to target.
    int replace(const String& target, const String& backup)
    {
        if (std::rename(target.c_str(), backup.c_str()) != 0)
            return LQR_BACKUP_RENAME;
        if (std::rename(m_path.c_str(), target.c_str()) != 0) {
            std::rename(backup.c_str(), target.c_str());
            return LQR_REPLACE_RENAME;
        }
        m_inPlace = true;
        return 0;
    }

private:
    String m_path;
    int m_id = 0;
    Zelkoran::Archive* m_archive = nullptr;
    bool m_inPlace = false;
};

struct CopyCounts {
    uint32_t copied = 0;
    uint32_t keptEncrypted = 0;
    uint32_t storedRaw = 0;
};

// Copies every live entry, in index order, into the new archive.
int copyBlocks(QELv1Reader& reader, Zelkoran::Archive& archive, eLegacyQELEncryptedBlockPolicy policy,
               CopyCounts& counts)
{
    Zelkoran::Tool* tool = Zelkoran::Main::instance()->tool();
    // Decided once, from the new archive as the copy starts (an encrypted
    // index is set by then): a legacy block kept encrypted must not turn
    // the blocks after it encrypted while those before it stay as they were.
    const bool secured = Zelkoran::blockStorage(archive, Zelkoran::Archive::ST_RAW) == Zelkoran::Archive::ST_ENCRYPTED;
    for (uint32_t i = 0; i < reader.count(); ++i) {
        const LegacyEntry entry = reader.entry(i);
        if (!entry.isLive())
            continue;
        Buffer data;
        Buffer stream;
        if (int r = reader.readBlock(entry, data, stream); r != 0)
            return r;

        Zelkoran::Archive::Block block;
        tool->szCopy(block.name, entry.name, sizeof block.name);
        tool->szCopy(block.type, entry.type, sizeof block.type);
        block.data = data.get();
        block.size = entry.dataSize;
        const bool changed = applyFixUps(block);

        const bool legacyEncrypted = entry.storage == LS_ENCRYPTED;
        block.storage = secured                                       ? Zelkoran::Archive::ST_ENCRYPTED
                        : legacyEncrypted && policy == LQEB_STORE_RAW ? Zelkoran::Archive::ST_RAW
                                                                      : entry.storage;
        if (legacyEncrypted && block.storage != Zelkoran::Archive::ST_ENCRYPTED) {
            ++counts.storedRaw;
            engineLog()->msg(3, "  QELv1 encrypted block stored raw in QELv2: name='%s' type='%s' size=%llu bytes.\n",
                             block.name, block.type, static_cast<unsigned long long>(entry.dataSize));
        } else if (legacyEncrypted) {
            ++counts.keptEncrypted;
        }

        // A verified stream whose data needs no fix-up is stored as it is.
        int added = 0;
        if (stream && !changed && block.storage == Zelkoran::Archive::ST_COMPRESSED) {
            block.data = stream.get();
            block.storedSize = entry.storedSize;
            added = archive.blockAddCompressed(block);
        } else {
            added = archive.blockAdd(block);
        }
        data.reset();
        stream.reset();
        if (added != 0)
            return added;
        ++counts.copied;
    }
    return 0;
}

} // namespace

namespace LegacyQELUpgradeInternal {

String getBackupFilename(const String& path)
{
    const size_t dot = extensionDot(path);
    String name = dot == String::npos ? path : path.substr(0, dot);
    name += ".backup.qel";
    return name;
}

String getUniqueFilename(const String& path)
{
    const size_t dot = extensionDot(path);
    const String stem = dot == String::npos ? path : path.substr(0, dot);
    const String extension = dot == String::npos ? String() : path.substr(dot);
    Zelkoran::Tool* tool = Zelkoran::Main::instance()->tool();
    String candidate = path;
    for (int n = 1; tool->fileExists(candidate.c_str()); ++n) {
        char number[16] = "";
        if (n > 1)
            SDL_snprintf(number, sizeof number, "%d", n);
        candidate = stem + ".bak" + number + extension;
    }
    return candidate;
}

} // namespace LegacyQELUpgradeInternal

int getQELv2EncryptionState(const String& path, bool& isQELv2, bool& encryptedIndex, bool& encryptedBlocks)
{
    isQELv2 = encryptedIndex = encryptedBlocks = false;
    const String file = withForwardSlashes(path);
    Stream rw(SDL_RWFromFile(file.c_str(), "rb"));
    if (!rw)
        return LQR_PROBE_OPEN;
    if (SDL_RWsize(rw.get()) < static_cast<Sint64>(kQELv2HeaderSize))
        return 0;
    uint8_t header[kQELv2HeaderSize];
    if (!readExact(rw.get(), header, sizeof header))
        return LQR_PROBE_READ;
    rw.reset();

    if (memcmp(header, kQELv2Magic, sizeof kQELv2Magic) != 0)
        return 0;
    isQELv2 = true;
    if (getU16(header + 8) == 2 && getU16(header + 10) == 0 && getU32(header + 12) == kQELv2HeaderSize
        && getU32(header + 16) == 256) {
        const uint64_t flags = getU64(header + 20);
        encryptedIndex = (flags & 1) != 0;
        encryptedBlocks = (flags & 2) != 0;
    }
    return 0;
}

int upgradeLegacyQELFileToQELv2(const String& path, const void* key, uint32_t keyLength,
                                eLegacyQELEncryptedBlockPolicy policy, bool& upgraded, bool& needKey,
                                bool& hasEncryptedBlocks)
{
    using namespace LegacyQELUpgradeInternal;
    upgraded = needKey = hasEncryptedBlocks = false;
    const String file = withForwardSlashes(path);
    if (!hasQELv1Magic(file.c_str()))
        return 0;
    Zelkoran::Log* log = engineLog();
    // The open flow's first call only probes; the ones after it upgrade.
    if (key || keyLength != 0 || policy != LQEB_ASK)
        log->msg(4, "\n  QELv1 archive detected. Upgrading to QELv2...\n");

    QELv1Reader reader;
    if (int r = reader.open(file.c_str()); r != 0)
        return r;
    if (int r = reader.readIndex(key, keyLength, needKey); r != 0)
        return r;

    const bool hasKey = key && keyLength != 0;
    bool keepEncrypted = false;
    if (reader.hasLiveEncryptedBlock()) {
        if (policy == LQEB_KEEP_ENCRYPTED) {
            if (!hasKey) {
                needKey = true;
                return Zelkoran::RC_ERR_KEY;
            }
            keepEncrypted = true;
        } else if (policy != LQEB_STORE_RAW) {
            hasEncryptedBlocks = true;
            return Zelkoran::RC_ERR_KEY;
        }
    }

    TemporaryArchive target(getUniqueFilename(file + ".upgrade.tmp.qel"));
    const String backup = getUniqueFilename(getBackupFilename(file));
    if (int r = target.create(static_cast<int>(reader.count())); r != 0)
        return r;
    Zelkoran::Archive& archive = *target.archive();
    if ((reader.isEncryptedIndex() || keepEncrypted) && hasKey) {
        const int length = static_cast<int>(std::min<uint32_t>(keyLength, INT_MAX));
        if (int r = archive.setKey(key, length); r != 0)
            return r;
    }

    // The index is encrypted before the copy: every block is then written
    // encrypted, none readable in the new file.
    if (reader.isEncryptedIndex()) {
        if (int r = archive.encrypt(); r != 0)
            return r;
    }
    CopyCounts counts;
    if (int r = copyBlocks(reader, archive, policy, counts); r != 0)
        return r;
    reader.close();
    if (int r = target.finish(); r != 0)
        return r;
    if (int r = target.replace(file, backup); r != 0)
        return r;

    upgraded = true;
    log->msg(4, "  QELv1 upgraded to QELv2. Copied %u block(s). Backup: %s\n", counts.copied, backup.c_str());
    if (counts.keptEncrypted > 0)
        log->msg(4, "  Legacy encrypted blocks kept encrypted in QELv2: %u.\n", counts.keptEncrypted);
    if (counts.storedRaw > 0)
        log->msg(3,
                 "  Legacy encrypted blocks stored raw in QELv2: %u. "
                 "Review the per-block log entries above if needed.\n",
                 counts.storedRaw);
    return 0;
}
