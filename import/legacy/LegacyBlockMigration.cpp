// Migration of legacy blocks inside an open QELv2 archive.
//
// All integers are little-endian.
//
// Legacy audio block ("ZK7_MUSIC", "ZK7_SOUND"):
//   OFFSET  SIZE  MEANING
//   0       1024  header; only the two fields below are read
//   32      8     format text, ends early at a zero byte
//   296     4     payload size n (signed), > 0
//   1024    n     the encoded audio; bytes after it are ignored
//
// Image block ("ZK7_IMAGE"): the u32 at offset 4 is the owner word; the
// legacy GUI owner 0x40000000 becomes the image signature 0x10000000.
//
// Legacy font block ("ZK7_FONT", exactly 1536 bytes) -> compact record (128):
//   LEGACY  SIZE  MEANING                 RECORD  SIZE  MEANING
//   0       4     version, must be 10     0       4     10
//   4       4     carried over            4       4     same value
//                                         8       4     zero
//   8       1     carried over            12      1     same value
//                                         13      19    zero
//   1060    ...   name, zero-terminated,  32      64    the name, at most 63
//                 not empty                             characters, terminated
//                                         96      32    zero
//
// Write-path invariants:
//   1. Nothing changes before a complete backup copy exists (makeBackup);
//      a copy that fails leaves no partial backup behind. When the scan
//      finds no block that passes its conversion's checks, nothing changes
//      and no backup is made.
//   2. The archive file changes only through the engine: the resize
//      (ArchiveMgr::defrag, which replaces the file whole) and the block
//      writes of the conversions.
//   3. A resize whose archive cannot be reopened puts the backup back in
//      place of the file (restoreFromBackup), so a failed migration leaves
//      the file as it was.
#include "import/legacy/LegacyQELUpgrade.h"

#include "import/legacy/LegacyFileSupport.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/AudioTrack.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Tool.h>

#include <SDL_rwops.h>

#include <cstdio>
#include <cstring>
#include <utility>

using Zelkoran::Archive;
using Zelkoran::String;

namespace {

using namespace legacyfile;

constexpr char kMusicType[] = "ZK7_MUSIC";
constexpr char kSoundType[] = "ZK7_SOUND";
constexpr char kImageType[] = "ZK7_IMAGE";
constexpr char kFontType[] = "ZK7_FONT";

constexpr size_t kAudioHeaderSize = 1024;
constexpr size_t kAudioFormatOffset = 32;
constexpr size_t kAudioFormatLength = 8;
constexpr size_t kAudioPayloadSizeOffset = 296;

constexpr size_t kOwnerOffset = 4;
constexpr uint64_t kMinImageSize = 32;
constexpr uint32_t kLegacyGuiOwner = 0x40000000;
constexpr uint32_t kImageSignature = 0x10000000;
constexpr uint64_t kMaxImageCopy = 0x7FFFFFFF;

constexpr size_t kLegacyFontSize = 1536;
constexpr size_t kCompactFontSize = 128;
constexpr uint32_t kFontVersion = 10;
constexpr size_t kLegacyFontNameOffset = 1060;
constexpr size_t kCompactFontNameOffset = 32;
constexpr size_t kFontNameField = 64;

constexpr size_t kCopyChunk = 65536;
constexpr int kResizeStep = 1024;

// Types are compared whole, terminating zero included, against a 16-byte,
// zero-padded type field.
template <size_t N>
bool isType(const char* field, const char (&type)[N])
{
    static_assert(N <= sizeof(Archive::Block::type));
    return memcmp(field, type, N) == 0;
}

template <size_t N>
bool hasType(const Archive::Block& block, const char (&type)[N])
{
    return isType(block.type, type);
}

// A fresh block naming name and type to the engine.
Archive::Block namedBlock(const char* name, const char* type)
{
    Zelkoran::Tool* tool = Zelkoran::Main::instance()->tool();
    Archive::Block block;
    tool->szCopy(block.name, name, sizeof block.name);
    tool->szCopy(block.type, type, sizeof block.type);
    return block;
}

// Releases a loaded block's data when it goes.
class LoadedBlock {
public:
    LoadedBlock(Archive& archive, const char* name, const char* type)
        : m_archive(archive), m_block(namedBlock(name, type))
    {
    }
    ~LoadedBlock() { release(); }
    LoadedBlock(const LoadedBlock&) = delete;
    LoadedBlock& operator=(const LoadedBlock&) = delete;

    // Archive::blockLoad's result.
    int load()
    {
        const int rc = m_archive.blockLoad(m_block);
        m_loaded = rc >= 0;
        return rc;
    }
    void release()
    {
        if (m_loaded)
            m_archive.blockFree(m_block);
        m_loaded = false;
    }
    const uint8_t* data() const { return static_cast<const uint8_t*>(m_block.data); }
    uint64_t size() const { return m_block.size; }

private:
    Archive& m_archive;
    Archive::Block m_block;
    bool m_loaded = false;
};

// One legacy block found by the scan.
struct LegacyBlockInfo {
    uint32_t index = 0; // position in the index at the time of the scan
    String name;
    String type;
    uint32_t storage = 0;     // storage mode at the time of the scan
    bool convertible = false; // its contents pass the conversion's checks
};

// Reads length bytes at offset of the block; false when they are not all there.
bool peek(Archive& archive, const Archive::Block& entry, uint64_t offset, void* out, size_t length)
{
    return archive.blockPeek(entry, offset, out, length) == static_cast<int>(length);
}

// The scan reads only the few bytes each test needs, never a whole block.
bool hasLegacyGuiOwner(Archive& archive, const Archive::Block& entry)
{
    uint8_t owner[4];
    return entry.size >= kMinImageSize && peek(archive, entry, kOwnerOffset, owner, sizeof owner)
        && getU32(owner) == kLegacyGuiOwner;
}

bool audioConvertible(Archive& archive, const Archive::Block& entry)
{
    uint8_t word[4];
    if (entry.size < kAudioHeaderSize || !peek(archive, entry, kAudioPayloadSizeOffset, word, sizeof word))
        return false;
    const auto payloadSize = static_cast<int32_t>(getU32(word));
    return payloadSize > 0 && entry.size >= kAudioHeaderSize + static_cast<uint64_t>(payloadSize);
}

bool fontConvertible(Archive& archive, const Archive::Block& entry)
{
    uint8_t version[4];
    uint8_t name = 0;
    return peek(archive, entry, 0, version, sizeof version) && getU32(version) == kFontVersion
        && peek(archive, entry, kLegacyFontNameOffset, &name, 1) && name != 0;
}

// The legacy blocks of an archive, one list per kind, each in index order.
struct LegacyScan {
    Zelkoran::Vector<LegacyBlockInfo> music, sound, images, fonts;
    uint32_t convertible = 0;
    uint32_t convertibleAudio = 0;

    explicit LegacyScan(Archive& archive)
    {
        const int count = archive.getIndexCount();
        for (int i = 0; i < count; ++i) {
            // Blocks of other types are passed over without filling a block.
            const char* type = archive.blockTypeAt(i);
            if (!type || !(isType(type, kMusicType) || isType(type, kSoundType) || isType(type, kImageType)
                           || isType(type, kFontType)))
                continue;
            Archive::Block entry;
            if (archive.blockAt(i, entry) != 0 || entry.deleted)
                continue;
            Zelkoran::Vector<LegacyBlockInfo>* list = nullptr;
            bool convertibleBlock = false;
            if (hasType(entry, kMusicType) || hasType(entry, kSoundType)) {
                list = hasType(entry, kMusicType) ? &music : &sound;
                convertibleBlock = audioConvertible(archive, entry);
                convertibleAudio += convertibleBlock;
            } else if (hasType(entry, kImageType) && hasLegacyGuiOwner(archive, entry)) {
                list = &images;
                convertibleBlock = entry.size <= kMaxImageCopy;
            } else if (hasType(entry, kFontType) && entry.size == kLegacyFontSize) {
                list = &fonts;
                convertibleBlock = fontConvertible(archive, entry);
            }
            // Most blocks are not legacy ones: only the found ones are copied.
            if (!list)
                continue;
            convertible += convertibleBlock;
            list->push_back({static_cast<uint32_t>(i), String(entry.name, strnlen(entry.name, sizeof entry.name)),
                             String(entry.type, strnlen(entry.type, sizeof entry.type)), entry.storage,
                             convertibleBlock});
        }
    }

    uint32_t total() const { return static_cast<uint32_t>(music.size() + sound.size() + images.size() + fonts.size()); }
};

// Copies the file from to the new file to, byte for byte. A copy that fails
// removes what it wrote. 0 or an LQR_COPY_* code.
int copyFile(const String& from, const String& to)
{
    Stream source(SDL_RWFromFile(from.c_str(), "rb"));
    if (!source)
        return LQR_COPY_SOURCE;
    Stream target(SDL_RWFromFile(to.c_str(), "wb"));
    if (!target)
        return LQR_COPY_TARGET;
    int rc = 0;
    Buffer buffer = allocBuffer(kCopyChunk);
    if (!buffer)
        rc = LQR_COPY_MEMORY;
    while (rc == 0) {
        const size_t n = SDL_RWread(source.get(), buffer.get(), 1, kCopyChunk);
        if (n == 0)
            break;
        if (SDL_RWwrite(target.get(), buffer.get(), 1, n) != n)
            rc = LQR_COPY_WRITE;
    }
    // A read of nothing before the end is an error, not the end.
    if (rc == 0 && SDL_RWtell(source.get()) != SDL_RWsize(source.get()))
        rc = LQR_COPY_READ;
    // Closing writes what the stream still buffers.
    if (SDL_RWclose(target.release()) != 0 && rc == 0)
        rc = LQR_COPY_WRITE;
    if (rc != 0)
        std::remove(to.c_str());
    return rc;
}

class LegacyBlockMigration {
public:
    LegacyBlockMigration(const String& path, int& archiveId, const void* key, uint32_t keyLength)
        : m_path(path), m_archiveId(archiveId), m_key(keyLength != 0 ? key : nullptr),
          m_keyLength(m_key ? static_cast<int>(keyLength) : 0)
    {
    }

    int run()
    {
        Archive* archive = archives()->get(m_archiveId);
        if (!archive) {
            m_log->msg(2, "\n  Error: Invalid QEL ID.\n");
            return LQR_NO_ARCHIVE;
        }
        m_log->msg(4, "\n  Checking for legacy blocks...\n");
        const LegacyScan scan(*archive);
        if (scan.total() == 0) {
            m_log->msg(4, "  No legacy blocks found, QEL file is updated.\n");
            return 0;
        }
        logFindings(scan);

        // Blocks that will only be skipped change nothing: no backup for them.
        if (scan.convertible == 0) {
            m_log->msg(4, "  None of them can be converted; no backup needed.\n");
        } else {
            if (int rc = makeBackup(); rc != 0)
                return rc;
            if (int rc = reopen("  Error: Failed to reopen QEL after backup.\n",
                                "  Error: Failed to access QEL after backup.\n");
                rc != 0)
                return rc;
        }
        m_log->msg(4, "\n  Starting migration...\n");
        if (scan.convertibleAudio > 0) {
            if (int rc = makeRoomForAudio(); rc != 0)
                return rc;
        }

        for (const LegacyBlockInfo& block : scan.music)
            count(convertAudio(block, Zelkoran::ATT_MUSIC));
        for (const LegacyBlockInfo& block : scan.sound)
            count(convertAudio(block, Zelkoran::ATT_SFX));
        for (const LegacyBlockInfo& block : scan.images)
            count(convertImage(block));
        for (const LegacyBlockInfo& block : scan.fonts)
            count(convertFont(block));
        m_log->msg(4, "\n  Migration complete: %u successful, %u failed.\n", m_succeeded, m_failed);
        return static_cast<int>(m_succeeded);
    }

private:
    static Zelkoran::ArchiveMgr* archives() { return Zelkoran::Main::instance()->archiveMgr(); }
    Archive* archive() const { return archives()->get(m_archiveId); }

    void logFindings(const LegacyScan& scan) const
    {
        m_log->msg(4, "  Found %u legacy block(s):\n", scan.total());
        if (!scan.music.empty())
            m_log->msg(4, "    - ZK7_MUSIC: %u\n", static_cast<uint32_t>(scan.music.size()));
        if (!scan.sound.empty())
            m_log->msg(4, "    - ZK7_SOUND: %u\n", static_cast<uint32_t>(scan.sound.size()));
        if (!scan.images.empty())
            m_log->msg(4, "    - ZK7_IMAGE (GUI owner): %u\n", static_cast<uint32_t>(scan.images.size()));
        if (!scan.fonts.empty())
            m_log->msg(4, "    - ZK7_FONT (legacy format): %u\n", static_cast<uint32_t>(scan.fonts.size()));
    }

    void load() { m_archiveId = archives()->load(m_path.c_str(), m_key, m_keyLength); }

    // The archive is closed for the copy and reopened after it, also when
    // the copy failed.
    int makeBackup()
    {
        using namespace LegacyQELUpgradeInternal;
        m_backup = getUniqueFilename(getBackupFilename(m_path));
        m_log->msg(4, "  Creating backup: %s\n", m_backup.c_str());
        archives()->close(m_archiveId);
        const int rc = copyFile(m_path, m_backup);
        if (rc != 0) {
            m_log->msg(2, "  Error: Failed to create backup (error 0x%X). Aborting.\n", static_cast<unsigned>(rc));
            load();
            return rc;
        }
        return 0;
    }

    // Opens the archive again under a new id. 0, the negative result of the
    // load, or -1792.
    int reopen(const char* loadFailure, const char* accessFailure)
    {
        load();
        if (m_archiveId <= 0) {
            m_log->msg(2, loadFailure);
            return m_archiveId < 0 ? m_archiveId : LQR_NO_ARCHIVE;
        }
        if (!archive()) {
            m_log->msg(2, accessFailure);
            return LQR_NO_ARCHIVE;
        }
        return 0;
    }

    // Audio tracks are new blocks: an archive without a free slot grows
    // by kResizeStep slots first.
    int makeRoomForAudio()
    {
        Archive* a = archive();
        if (a->getBlockCount() < a->getBlockLimit())
            return 0;
        const int newLimit = a->getBlockLimit() + kResizeStep;
        m_log->msg(4, "  QEL has no free block slots. Resizing to %u blocks before audio migration...\n",
                   static_cast<unsigned>(newLimit));
        archives()->close(m_archiveId);
        const int rc = archives()->defrag(m_path.c_str(), newLimit, m_key, m_keyLength);
        if (rc < 0) {
            m_log->msg(2, "  Error: Could not resize the QEL before audio migration (error 0x%X).\n",
                       static_cast<unsigned>(rc));
            load();
            return rc;
        }
        const int reopened = reopen("  Error: Failed to reopen QEL after automatic resize.\n",
                                    "  Error: Failed to access QEL after automatic resize.\n");
        if (reopened != 0)
            restoreFromBackup();
        return reopened;
    }

    // The resize has replaced the file; the backup holds it as it was.
    void restoreFromBackup()
    {
        archives()->close(m_archiveId);
        if (std::rename(m_backup.c_str(), m_path.c_str()) == 0)
            m_log->msg(4, "  QEL file restored from the backup %s.\n", m_backup.c_str());
        else
            m_log->msg(2, "  Error: Could not restore the QEL file from the backup %s.\n", m_backup.c_str());
    }

    void count(bool migrated)
    {
        if (migrated)
            ++m_succeeded;
        else
            ++m_failed;
    }

    bool skip(int level, const char* line, int code = 0) const
    {
        m_log->msg(level, line, static_cast<unsigned>(code));
        return false;
    }

    bool convertAudio(const LegacyBlockInfo& info, Zelkoran::eAudioTrackTag tag)
    {
        const bool music = tag == Zelkoran::ATT_MUSIC;
        m_log->msg(4, music ? "\n  '%s' (ZK7_MUSIC):" : "\n  '%s' (ZK7_SOUND):", info.name.c_str());
        LoadedBlock block(*archive(), info.name.c_str(), info.type.c_str());
        if (int rc = block.load(); rc < 0)
            return skip(2, "  Error: Could not load block (error 0x%X). Skipping.\n", rc);
        if (block.size() < kAudioHeaderSize)
            return skip(2, music ? "  Error: Legacy music block is too small. Skipping.\n"
                                 : "  Error: Legacy sound block is too small. Skipping.\n");
        const auto payloadSize = static_cast<int32_t>(getU32(block.data() + kAudioPayloadSizeOffset));
        if (payloadSize <= 0 || block.size() < kAudioHeaderSize + static_cast<uint64_t>(payloadSize))
            return skip(2, music ? "  Error: Legacy music block has invalid audio size. Skipping.\n"
                                 : "  Error: Legacy sound block has invalid audio size. Skipping.\n");
        Buffer payload = allocBuffer(static_cast<size_t>(payloadSize));
        if (!payload)
            return skip(2, "  Error: Memory allocation failed. Skipping.\n");
        memcpy(payload.get(), block.data() + kAudioHeaderSize, static_cast<size_t>(payloadSize));
        char format[kAudioFormatLength + 1] = {};
        const auto* formatText = reinterpret_cast<const char*>(block.data() + kAudioFormatOffset);
        memcpy(format, formatText, strnlen(formatText, kAudioFormatLength));
        block.release();

        Zelkoran::AudioTrackMgr* tracks = Zelkoran::Main::instance()->audioTrackMgr();
        const int track =
            tracks->loadFromBuffer(payload.get(), static_cast<size_t>(payloadSize), info.name.c_str(), format, tag);
        payload.reset();
        if (track <= 0)
            return skip(2, "  Error: Could not create AudioTrack (error 0x%X). Skipping.\n", track);
        Zelkoran::AudioTrack* audio = tracks->get(track);
        if (!audio) {
            tracks->close(track);
            return skip(2, "  Error: Could not get AudioTrack object. Skipping.\n");
        }
        const int saved = audio->save(m_archiveId, "");
        tracks->close(track);
        if (saved == Zelkoran::RC_ERR_NO_SLOT)
            return skip(2, "  Error: Failed to save AudioTrack. The QEL has no free block slots left. "
                           "Defrag/resize is required.\n");
        if (saved < 0)
            return skip(2, "  Error: Failed to save AudioTrack (error 0x%X). Skipping.\n", saved);

        if (int rc = archive()->blockDelete(namedBlock(info.name.c_str(), info.type.c_str())); rc < 0)
            m_log->msg(3, "  Warning: Could not delete legacy block (error 0x%X). Block duplicated.\n",
                       static_cast<unsigned>(rc));
        m_log->msg(4, music ? "  Migrated to ZK7_AUDIOTRACK (ATT_MUSIC).\n"
                            : "  Migrated to ZK7_AUDIOTRACK (ATT_SFX).\n");
        return true;
    }

    // The old block is not deleted first: the engine keeps the replaced
    // entry as a deleted one.
    int writeBlock(const LegacyBlockInfo& info, const char* type, const void* data, uint64_t size)
    {
        Archive::Block block = namedBlock(info.name.c_str(), type);
        block.storage = blockStorage(*archive(), info.storage);
        block.data = const_cast<void*>(data);
        block.size = size;
        return archive()->blockAdd(block);
    }

    bool convertImage(const LegacyBlockInfo& info)
    {
        m_log->msg(4, "\n  '%s' (ZK7_IMAGE):", info.name.c_str());
        LoadedBlock block(*archive(), info.name.c_str(), info.type.c_str());
        if (int rc = block.load(); rc < 0)
            return skip(2, "  Error: Could not load image block (error 0x%X). Skipping.\n", rc);
        if (block.size() < kMinImageSize)
            return skip(2, "  Error: Image block is too small. Skipping.\n");
        if (block.size() > kMaxImageCopy)
            return skip(2, "  Error: Block is too large for legacy migration. Skipping.\n");
        Buffer copy = allocBuffer(block.size());
        if (!copy)
            return skip(2, "  Error: Memory allocation failed. Skipping.\n");
        const uint64_t size = block.size();
        memcpy(copy.get(), block.data(), size);
        block.release();
        putU32(copy.get() + kOwnerOffset, kImageSignature);

        const int rc = writeBlock(info, kImageType, copy.get(), size);
        if (rc == Zelkoran::RC_ERR_NO_SLOT)
            return skip(2, "  Error: Failed to save updated Image. The QEL has no free block slots left. "
                           "Defrag/resize is required.\n");
        if (rc < 0)
            return skip(2, "  Error: Failed to save updated Image (error 0x%X). Skipping.\n", rc);
        m_log->msg(4, "  Owner updated to IMAGE_SIGNATURE.\n");
        return true;
    }

    bool convertFont(const LegacyBlockInfo& info)
    {
        m_log->msg(4, "\n  '%s' (ZK7_FONT):", info.name.c_str());
        uint8_t legacy[kLegacyFontSize];
        {
            LoadedBlock block(*archive(), info.name.c_str(), info.type.c_str());
            if (int rc = block.load(); rc < 0)
                return skip(2, "  Error: Could not load font block (error 0x%X). Skipping.\n", rc);
            if (block.size() != kLegacyFontSize)
                return skip(3, "  Warning: Font block size is not legacy format. Skipping.\n");
            memcpy(legacy, block.data(), sizeof legacy);
        }
        if (getU32(legacy) != kFontVersion || legacy[kLegacyFontNameOffset] == 0)
            return skip(3, "  Warning: Font block is not a valid legacy v1.0 block. Skipping.\n");

        uint8_t record[kCompactFontSize] = {};
        putU32(record, kFontVersion);
        memcpy(record + 4, legacy + 4, 4);
        record[12] = legacy[8];
        Zelkoran::Main::instance()->tool()->szCopy(reinterpret_cast<char*>(record + kCompactFontNameOffset),
                                                    reinterpret_cast<const char*>(legacy + kLegacyFontNameOffset),
                                                    kFontNameField);
        const int rc = writeBlock(info, kFontType, record, sizeof record);
        if (rc == Zelkoran::RC_ERR_NO_SLOT)
            return skip(2, "  Error: Failed to save migrated Font. The QEL has no free block slots left. "
                           "Defrag/resize is required.\n");
        if (rc < 0)
            return skip(2, "  Error: Failed to save migrated Font (error 0x%X). Skipping.\n", rc);
        m_log->msg(4, "  Migrated legacy Font block to compact v1.0 format.\n");
        return true;
    }

    const String& m_path;
    int& m_archiveId;
    const void* m_key;
    int m_keyLength;
    String m_backup;
    Zelkoran::Log* m_log = engineLog();
    uint32_t m_succeeded = 0;
    uint32_t m_failed = 0;
};

} // namespace

int upgradeLegacyQELBlocks(const String& path, int& archiveId, const void* key, uint32_t keyLength)
{
    return LegacyBlockMigration(path, archiveId, key, keyLength).run();
}
