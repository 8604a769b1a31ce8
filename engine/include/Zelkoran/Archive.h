// QELv2 archives: a file of named, typed blocks with an index.
//
// Every write is a transaction: after a crash, a power cut, a full disk or
// an I/O error the file opens with the state before or after that write,
// never between; a durable write that returned 0 survives a power cut
// (setDurable). Damage is refused with RC_ERR_CORRUPT and logged, never
// rolled back silently. With an encrypted index, no change to the file
// made without the key goes unnoticed (an index swapped for a plain one
// shows when its encrypted blocks are read); encrypted blocks are bound to
// their own version, their name and the kind of index listing them. Memory is proportional to the index
// (under 100 bytes an entry); block data is read on demand. The on-disk
// format and exactly what each mode protects: docs/archive-format.md.
// All calls: main thread.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Result.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Zelkoran {

// Longest block name in bytes; every resource saved as a block of its own
// name (image, panel, particle effect, sound, video, scene, XML) keeps to it.
inline constexpr size_t kMaxBlockName = 63;

namespace archive {
class ArchiveFile;
}

class Archive {
public:
    // ST_COMPRESSED_ENCRYPTED: compressed with zlib, then encrypted as
    // ST_ENCRYPTED is - text stays as small as ST_COMPRESSED and as secret
    // as ST_ENCRYPTED.
    enum eStorage : uint32_t { ST_RAW = 1, ST_COMPRESSED = 2, ST_ENCRYPTED = 3, ST_COMPRESSED_ENCRYPTED = 4 };
    // True for the storages that need the archive key.
    static constexpr bool isEncryptedStorage(uint32_t storage)
    {
        return storage == ST_ENCRYPTED || storage == ST_COMPRESSED_ENCRYPTED;
    }

    // One index entry, or a block to load or add.
    struct Block {
        uint32_t storage = ST_RAW; // 1 raw, 2 zlib, 3 AES-256 with the archive key, 4 zlib then AES-256
        void* data = nullptr;      // blockLoad: engine-owned until blockFree; blockAdd: the caller's
        uint64_t size = 0;         // data size (decoded)
        char name[kMaxBlockName + 1] = {}; // zero-terminated
        char type[16] = {};        // e.g. "ZK7_IMAGE", compared over 16 bytes
        uint64_t storedSize = 0;   // bytes the block occupies in the file
        uint8_t deleted = 0;       // soft-deleted index entry
        // Set by the constructor when the name (over kMaxBlockName) or the type
        // (over 16) does not fit; names are never cut, so every call given
        // such a block refuses it with RC_ERR_INVALID (-22).
        bool tooLong = false;

        Block() = default;
        Block(const char* blockName, const char* blockType);
    };

    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    int getID() const { return m_id; }
    // Absolute path of the archive file.
    const char* getName() const;
    // Index entries, deleted ones included; positions 0..count-1 are stable.
    int getIndexCount() const;
    // Live (not deleted) blocks.
    int getBlockCount() const;
    // Most live blocks the archive takes; free slots = limit - live blocks.
    int getBlockLimit() const;
    // Share of the file not holding live data, in percent (0..100).
    float getFragmentation() const;
    // "YYYY-MM-DD hh:mm:ss", local time.
    String getCreationDate() const;
    String getModificationDate() const;
    // The index is stored encrypted.
    bool isEncrypted() const;
    // At least one index entry (live or deleted) holds encrypted data.
    bool isEncryptedBlocks() const;

    // Fills block from entry index (data stays null). 0, or RC_ERR_NOT_FOUND.
    int blockAt(int index, Block& block) const;
    // The type of entry index (16 bytes, zero-padded, not terminated when
    // full), null when there is none: listings skip other types without
    // filling a block.
    const char* blockTypeAt(int index) const;
    // Index of the live block with block.name and block.type (by name alone
    // when type is empty); RC_ERR_NOT_FOUND when none.
    int blockSearch(const Block& block) const;
    // This archive, named by a "qel://" URI, is the referring archive under
    // another file name, one a copy of the other (references keep the name
    // the archive had when they were written): both were created in the
    // same second and, when document is given, this one holds that document
    // (the referring text) too.
    bool isCopyOf(const Archive& referring, const char* document) const;
    // Reads the live block named by block.name and block.type; fills data,
    // size, storage, storedSize. The data stays valid until blockFree.
    // Every block is checked before it is given: raw bytes against their
    // digest (keyed under an encrypted index), zlib by its stream (and its
    // keyed digest under an encrypted index), encrypted blocks by their tag
    // and their digest, and a compressed-then-encrypted one then by its
    // stream, which must inflate to exactly its size.
    // RC_ERR_NOT_FOUND, RC_ERR_KEY (encrypted, no key), RC_ERR_CORRUPT, RC_ERR_IO.
    int blockLoad(Block& block);
    // Releases the data of blockLoad; block.data becomes null.
    void blockFree(Block& block);
    // Copies up to length bytes of the live block's decoded data, from
    // offset on, into out, reading no more of the file than that needs (an
    // encrypted block is read whole: its bytes count only once its tag
    // holds). Raw and zlib bytes read this way are not checked against the
    // block's digest: blockLoad is what proves a block whole. The count
    // copied (0 past the end), RC_ERR_NOT_FOUND, RC_ERR_KEY, RC_ERR_CORRUPT.
    int blockPeek(const Block& block, uint64_t offset, void* out, size_t length);
    // Whether a change can reach the archive's file now: 0;
    // RC_ERR_REPLACED (-116) when its path names another file or none
    // (another program moved a new file over it, moved it or deleted it);
    // RC_ERR_READ_ONLY (-30) when it was opened without write access;
    // RC_ERR_CHANGED (-117) when another program wrote over the file in
    // place (its header is not the one this archive last read or wrote,
    // or it is shorter than the archive's data);
    // RC_ERR_ACCESS (-13) when it has been write-protected since. Every
    // change (blockAdd, blockAddCompressed, blockDelete, blockUndelete,
    // encrypt, decrypt) checks this first: refused, it writes nothing and
    // logs why, naming the file. Each checks the path again once written:
    // moved away meanwhile, the change is in the file that left the path
    // and returns RC_ERR_REPLACED, logged and kept as a refusal is.
    // setKey writes nothing and is not checked.
    int checkWritable() const;
    // The code of the latest change refused so since the last call, 0 when
    // none; clears it. Callers that do not see every change's result (a
    // tab that says only "could not be saved", a cleanup that ignores it)
    // still leave it here for the editor to tell the user once.
    int takeRefusal();
    // Writes block (name, type, storage, data, size). A live block of the
    // same name and type is replaced; its old entry stays as a deleted
    // entry. The data pointer is not kept. 0, RC_ERR_NO_SLOT (-72),
    // RC_ERR_KEY (-477: storage 3 or 4 without a key), RC_ERR_INVALID,
    // RC_ERR_IO, or a refusal of checkWritable.
    int blockAdd(const Block& block);
    // Writes block.data, a zlib stream of block.storedSize bytes that the
    // caller has checked to inflate to block.size bytes, as a compressed
    // block without inflating or deflating it again (block.storage is not
    // read). Results as blockAdd.
    int blockAddCompressed(const Block& block);
    // Soft-deletes the live block named by block.name and block.type: the
    // entry keeps its position, name, type, sizes and data. 0 or RC_ERR_NOT_FOUND.
    int blockDelete(const Block& block);
    // Restores deleted entry index, renamed to newName when not null (63
    // bytes at most: RC_ERR_INVALID for a longer one). 0, RC_ERR_NOT_FOUND
    // (not a deleted entry), RC_ERR_EXISTS (a live block has that name and
    // type), RC_ERR_NO_SLOT. An encrypted block given a new name is sealed
    // again under it (appended): RC_ERR_KEY without the key.
    int blockUndelete(int index, const char* newName);
    // Sets the key (1..32 bytes) for encrypted blocks and the index. Once
    // the archive holds encrypted data only that data's key is accepted
    // (RC_ERR_KEY_REFUSED otherwise). A new key is derived with scrypt
    // (about 0.2 s), its cost stored in the file. 0 = accepted.
    int setKey(const void* key, int length);
    // Encrypt or decrypt the index with the set key; every entry is written
    // again (encrypting reads every raw and zlib block once to give it a
    // keyed digest) and every encrypted block is sealed again, appended, for
    // the new kind of index. 0, RC_ERR_KEY without a key.
    int encrypt();
    int decrypt();
    // Re-reads the header and the index and checks them against what was
    // opened (and with deep every live block's stored bytes against their
    // digest, and with the key every live encrypted block against its tag).
    // 0 = valid; RC_ERR_CORRUPT (logged) when damaged.
    int validate(bool deep);
    // Durable (the default): a change that returned 0 is on the device -
    // its data, its index entries and the header that points at them were
    // flushed before the call returned - so it survives a power cut, and a
    // cut during a change leaves the state before or after it. Off: no
    // flush per change; a killed process still leaves the state before or
    // after each change, a power cut may leave an archive that opens with
    // an older state or not at all; closing (or switching back on) flushes
    // everything. For files nobody relies on until they are closed, such as
    // a conversion target written under a temporary name.
    void setDurable(bool on);

private:
    friend class ArchiveMgr;
    Archive(int id, std::unique_ptr<archive::ArchiveFile> file);
    // Logs the block's damage; RC_ERR_CORRUPT.
    int damagedBlock(const Block& block) const;
    // checkWritable, logged and kept for takeRefusal when it refuses.
    int refusal() { return refused(checkWritable()); }
    // rc, logged and kept for takeRefusal when it is a refusal of
    // checkWritable.
    int refused(int rc);
    int m_id;
    int m_refusal = 0;
    std::unique_ptr<archive::ArchiveFile> m_file;
};

// The archive's index or any of its blocks is encrypted: such an archive
// keeps nothing readable in its file.
inline bool isSecured(const Archive& archive) { return archive.isEncrypted() || archive.isEncryptedBlocks(); }

// The storage every writer of a block uses: ST_ENCRYPTED in a secured
// archive; else plain, the writer's choice for a plain archive (ST_RAW for
// data compressed already such as pictures, sound and video, ST_COMPRESSED
// for text and settings).
inline uint32_t blockStorage(const Archive& archive, uint32_t plain)
{
    return isSecured(archive) ? Archive::ST_ENCRYPTED : plain;
}

class ArchiveMgr {
public:
    static constexpr int kDefaultBlockLimit = 4096;
    static constexpr int kMaxBlockLimit = 16 * 1024 * 1024;

    ArchiveMgr();
    ~ArchiveMgr();
    // Makes a new, empty archive at path (an existing file is replaced only
    // once the new one is complete) and opens it. blockLimit 0 = default.
    // The archive id (> 0), RC_ERR_BUSY (-16) when another writer holds the
    // file at path open, or another negative code.
    int create(const char* path, int blockLimit);
    // Opens an archive. An encrypted index needs its key: RC_ERR_KEY (-477)
    // without it or with a wrong one. A damaged or tampered file gives
    // RC_ERR_CORRUPT (-84) and a log line; opening then writes nothing.
    // Files that rewrites killed midway left beside it are removed.
    // The archive id (> 0) or a negative code.
    int load(const char* path, const void* key, int keyLength);
    // The open archive with that id, or null.
    Archive* get(int id);
    // The id of the open archive whose file is path (compared as absolute,
    // normalised paths), or RC_ERR_NOT_FOUND.
    int find(const char* path);
    // Closes the archive (its loaded block data is released); the key it
    // was opened with is wiped from memory. 0 or RC_ERR_NOT_FOUND.
    int close(int id);
    // Rewrites the CLOSED archive at path without deleted entries and with
    // blockLimit newLimit (0 keeps the current one): a new file is written,
    // streamed (memory does not grow with the archive), flushed and then
    // atomically replaces the old. Through a symbolic link the file it
    // points to is rewritten and the link kept; other hard links of the
    // file keep the old content. 0 or a negative code (RC_ERR_NO_SLOT
    // when newLimit is below the live block count).
    int defrag(const char* path, int newLimit, const void* key, int keyLength);
    // Archive::validate of an open archive. 0 = valid.
    int validate(int id, bool deep);
    void closeAll();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace Zelkoran
