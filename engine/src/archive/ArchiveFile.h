// The transactional core of an open QELv2 archive.
//
// Write-path invariants (each checked by the fault-injection tests; the
// lines that keep them say "W1".."W5" in ArchiveFile.cpp):
//  W1 Block data is appended past the committed data end; nothing the
//     committed state references is ever overwritten.   (append, reseal)
//  W2 A changed index entry is written to the slot version the committed
//     state does not use, stamped with the new generation.   (commit)
//  W3 Data and versions are flushed before the commit record points at
//     them, when durable.                                     (commit)
//  W4 The commit record goes to the header's other record place; the
//     header is one 512-byte write, flushed before the change returns
//     when durable, so nothing later overwrites what it points to before
//     it is on the device.                                    (commit)
//  W5 A failed commit zeroes the versions it wrote and restores the header;
//     if that fails too, the archive refuses further writes until reopened,
//     and opening zeroes versions newer than the committed generation.
//                                                  (rollback, loadState)
#pragma once

#include "ArchiveCrypto.h"
#include "ArchiveFormat.h"
#include "core/FileIO.h"
#include "EntryTable.h"
#include "IndexSegments.h"
#include "LoadBuffers.h"

#include <memory>
#include <string>
#include <vector>

namespace Zelkoran::archive {

class ArchiveFile {
public:
    static int create(const char* path, int blockLimit, std::unique_ptr<ArchiveFile>& out);
    static int open(const char* path, const void* key, int keyLength, std::unique_ptr<ArchiveFile>& out);
    // Writes a compacted copy of the closed archive at path and puts it in
    // the original's place. newLimit 0 keeps the limit.
    static int defrag(const char* path, int newLimit, const void* key, int keyLength);

    ~ArchiveFile();

    const std::string& path() const { return m_path; }
    int indexCount() const { return static_cast<int>(m_table.size()); }
    int liveCount() const { return m_table.liveCount(); }
    int limit() const { return static_cast<int>(m_rec.limit); }
    uint64_t created() const { return m_rec.created; }
    uint64_t modified() const { return m_rec.modified; }
    bool indexEncrypted() const { return m_rec.flags & RF_INDEX_ENCRYPTED; }
    bool blocksEncrypted() const { return m_rec.flags & RF_BLOCKS_ENCRYPTED; }
    float fragmentation() const;
    // Copies entry index into out; false when there is none.
    bool entry(int index, Entry& out) const
    {
        if (index < 0 || static_cast<uint32_t>(index) >= m_table.size())
            return false;
        out = m_table.get(static_cast<uint32_t>(index));
        return true;
    }
    // True when entry index exists and is not deleted.
    bool isLive(int index) const
    {
        return index >= 0 && static_cast<uint32_t>(index) < m_table.size() && !m_table.deleted(static_cast<uint32_t>(index));
    }
    // The index as it is in memory, for listings.
    const EntryTable& table() const { return m_table; }

    // Index of the live entry with that name (and type, a 16-byte field,
    // unless it is empty), or RC_ERR_NOT_FOUND.
    int find(const char* name, const char* type) const { return m_table.find(name, type); }
    // Decodes live entry index into a new buffer owned by this archive.
    int load(int index, void*& data, uint64_t& size);
    void release(void* data);
    // Copies up to length decoded bytes from offset of live entry index;
    // the count copied or a negative code.
    int peek(int index, uint64_t offset, void* out, size_t length);

    // Whether a change can reach the file at path() now: 0,
    // RC_ERR_REPLACED (path names another file or none), RC_ERR_READ_ONLY
    // (opened without write access), RC_ERR_CHANGED (written over in place:
    // its header is not the one last read or written, or it is shorter than
    // the data) or RC_ERR_ACCESS (write-protected since).
    int writeState() const;
    int add(const char* name, const char* type, uint32_t storage, const void* data, uint64_t size);
    // Adds a zlib stream as it is; the caller has checked that it inflates
    // to size bytes.
    int addCompressed(const char* name, const char* type, const void* stream, uint64_t streamSize, uint64_t size);
    int remove(int index);
    int undelete(int index, const char* newName);
    int setKey(const void* key, int length);
    int setIndexEncrypted(bool on);
    int validate(bool deep);
    void setDurable(bool on);

private:
    struct SlotWrite {
        uint32_t slot;
        Entry entry;
    };

    // One slot's version in force, as chosen at open.
    struct SlotChoice {
        int best = -1;
        uint64_t generation = 0;
        Entry entry;
        bool stale[2] = {false, false};
    };

    ArchiveFile() = default;
    // open, on the file held (open and locked) when not null.
    static int openHeld(const char* path, FileHandle* held, const void* key, int keyLength,
                        std::unique_ptr<ArchiveFile>& out);
    // The record in force of header and its place; false (what says why)
    // when the header is damaged.
    static bool pickRecord(const uint8_t header[kHeaderSize], CommitRecord& out, int& place, std::string& what);
    // Logs why the archive at path is refused; RC_ERR_CORRUPT.
    static int damaged(const std::string& path, const std::string& what);
    // Notes what is damaged for damaged(); RC_ERR_CORRUPT.
    int corrupt(const char* what);
    // Notes why the key refuses the open, logged like damage; RC_ERR_KEY.
    int keyRefused(const char* what);
    int useKey(const CommitRecord& rec, const void* key, int keyLength);
    // Derives the key given at open for an archive without a key check,
    // the first time it is needed; true when there is a key.
    bool keyReady();
    void forgetWaitingKey();
    int chooseVersion(const uint8_t* slotBytes, uint32_t slot, const CommitRecord& rec, SlotChoice& out) const;
    int loadState(const CommitRecord& rec, const void* key, int keyLength, uint64_t fileSize);
    // Reads where rec's index slots lie into segments.
    int loadSegments(const CommitRecord& rec, IndexSegments& segments);
    // The header on disk against the one last read or written: 0,
    // RC_ERR_CHANGED, or RC_ERR_CORRUPT when it cannot be read as one.
    int headerOnDisk() const;
    // Re-reads the header and the index: RC_ERR_CORRUPT (logged) when they
    // no longer match what was opened.
    int checkIndexOnDisk();
    int repair(const std::vector<std::pair<uint64_t, size_t>>& staleVersions);
    // wholeIndex: writes rewrite every slot.
    int commit(const std::vector<SlotWrite>& writes, CommitRecord next, bool wholeIndex = false);
    // Sets next's index tag for the versions writes replace.
    int updateIndexTag(const std::vector<SlotWrite>& writes, CommitRecord& next, bool wholeIndex) const;
    // Zeroes each slot's version not in force.
    void wipeOlderVersions();
    // With a key of an earlier derivation verified, derives the current
    // one (new salt) for rekey.
    void prepareRekey(const KdfParams& current, const void* key, int keyLength);
    // Moves the archive to the prepared key, if any: every encrypted block
    // and keyed digest made again, a new key check. Before the first write.
    int rekey();
    void rollback(const std::vector<std::pair<uint64_t, size_t>>& written);
    bool readsAsZero(uint64_t offset, size_t length) const;
    void apply(const SlotWrite& write);
    // rc of a change that wrote its file, or RC_ERR_REPLACED when the
    // path no longer names that file.
    int reached(int rc) const;
    int checkAdd(const char* name, const char* type, uint32_t storage, uint64_t size, int& existing) const;
    // Appends e's stored bytes and commits its entry (replacing existing).
    int append(Entry e, const uint8_t* stored, int existing);
    int growIndex(uint32_t needed);
    // Seals stored's block again into e for an index that is encrypted or
    // not (a new seal id), appended at dataEnd.
    int reseal(const Entry& stored, Entry& e, bool indexEncrypted, uint64_t& dataEnd, const ArchiveKey* with = nullptr);
    int ensureKeyCheck(CommitRecord& next);
    // Writes source's live blocks, packed, with rec's index and header into out.
    static int writeDefragged(const ArchiveFile& source, CommitRecord& rec, FileHandle& out);
    // Reads an entry's stored bytes into buffer and checks their hash.
    int readVerified(const Entry& e, void* buffer) const;
    // Checks e's stored bytes against its digest and gives it the keyed
    // or the XXH3 one.
    int redigest(Entry& e, bool keyed, std::vector<uint8_t>& piece, const ArchiveKey* with = nullptr) const;
    // Reads an entry's stored bytes through piece and checks their hash
    // (and a zlib stream's sizes).
    int checkStored(const Entry& e, std::vector<uint8_t>& piece) const;
    // Reads and decodes an entry's data into out (size bytes).
    int readDecoded(const Entry& e, void* out) const;
    // Checks and opens a sealed entry's stored bytes into out (stored size
    // - kSealOverhead bytes: the data, or a sealed zlib stream).
    int openSealed(const Entry& e, void* out) const;
    // Opens a sealed zlib stream and inflates it into out (size bytes).
    int readSealedZlib(const Entry& e, void* out) const;
    const ArchiveKey* sealKeyFor(const CommitRecord& rec) const;

    FileHandle m_file;
    std::string m_path;
    bool m_readOnly = false;
    bool m_poisoned = false;
    bool m_durable = true;
    CommitRecord m_rec;       // the committed state
    uint8_t m_header[kHeaderSize] = {}; // the header as it is on disk
    int m_activeRecord = 0;   // header place of m_rec
    EntryTable m_table;
    IndexSegments m_segments; // where m_rec's slots lie
    ArchiveKey m_key;
    uint8_t m_pendingSalt[kSaltSize] = {}; // salt of m_key before any key check is stored
    uint8_t m_waitingKey[kMaxUserKey] = {}; // the user key keyReady derives
    int m_waitingKeyLength = 0;
    ArchiveKey m_nextKey;                   // the current derivation, for rekey
    uint8_t m_nextSalt[kSaltSize] = {};
    std::string m_refusal;     // why loadState refused: what is damaged, or the key
    LoadBuffers m_loaded;
};

} // namespace Zelkoran::archive
