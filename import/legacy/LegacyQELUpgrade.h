// Legacy archive handling: the QELv2 header probe that the open flow runs
// before the engine opens a file, the upgrade of QELv1.1 archives to QELv2
// with the editor's own QELv1 reader, and the migration of legacy blocks
// inside QELv2 archives.
// All calls: main thread.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstdint>

// Failure codes of the probe and the upgrade. Engine codes (-477 for a
// needed key or decision among them) pass through unchanged.
enum eLegacyQELResult : int {
    LQR_PROBE_OPEN = -228,         // probe: the file cannot be opened
    LQR_PROBE_READ = -1252,        // probe: fewer than 512 bytes read from a file of 512 or more
    LQR_OPEN = -524,               // the QELv1 file cannot be opened a second time
    LQR_SEEK_START = -758,         // seeking to the start failed
    LQR_READ_MAGIC = -1270,        // reading the magic again failed
    LQR_FORMAT = -1247,            // the magic changed, or an unknown index marker
    LQR_READ_HEADER = -1269,       // the 256-byte header is short
    LQR_BAD_SIZE = -1238,          // an entry count, size or offset the file cannot hold
    LQR_INDEX_MEMORY = -1036,      // no memory for the index
    LQR_READ_INDEX = -1268,        // the index is short
    LQR_INDEX_DECRYPT = -11,       // decrypting the index failed
    LQR_CHECKSUM_STATE = -1535,    // no checksum state
    LQR_CORRUPT = -1242,           // a checksum mismatch or a broken zlib stream
    LQR_FILE_SIZE = -247,          // the file size is not available
    LQR_SEEK_BLOCK = -248,         // seeking to a block failed
    LQR_STORED_MEMORY = -1528,     // no memory for a block's stored bytes
    LQR_DATA_MEMORY = -1527,       // no memory for a block's inflated data
    LQR_READ_BLOCK = -1272,        // a block's stored bytes are short
    LQR_BLOCK_DECRYPT = -246,      // decrypting a block failed
    LQR_STORAGE_MODE = -2264,      // an unknown storage mode
    LQR_NO_ARCHIVE = -1792,        // the new archive could not be made or reached
    LQR_BACKUP_RENAME = -238,      // the QELv1 file could not be moved to its backup name
    LQR_REPLACE_RENAME = -237,     // the new file could not take the QELv1 file's place
    LQR_COPY_SOURCE = -767,        // migration backup: the archive file cannot be read
    LQR_COPY_TARGET = -766,        // migration backup: the backup file cannot be created
    LQR_COPY_MEMORY = -1536,       // migration backup: no memory for the copy buffer
    LQR_COPY_WRITE = -765,         // migration backup: a write to the backup was short
    LQR_COPY_READ = -1279,         // migration backup: the copy stopped before the end of the file
};

// What the upgrade does with live encrypted blocks of a QELv1 archive.
enum eLegacyQELEncryptedBlockPolicy : int {
    LQEB_ASK = 0,            // report them (-477 with hasEncryptedBlocks) and stop
    LQEB_KEEP_ENCRYPTED = 1, // write them encrypted with the caller's key
    LQEB_STORE_RAW = 2,      // write them decrypted, storage mode 1, each one logged
};

// Reads the 512-byte header of the file at path (backslashes are taken as
// '/'). isQELv2 is set when the file starts with the QELv2 magic; the two
// encryption flags only when the version fields are the expected ones too.
// All three are cleared first. A file shorter than 512 bytes, or of another
// format, is no error.
// 0, -228 (cannot be opened) or -1252 (fewer than 512 bytes could be read).
int getQELv2EncryptionState(const Zelkoran::String& path, bool& isQELv2, bool& encryptedIndex,
                            bool& encryptedBlocks);

// Rewrites the QELv1.1 archive at path as a QELv2 archive under the same
// path; the old file stays on disk under a backup name. key/keyLength
// decrypt an encrypted QELv1 index and become the new archive's key when
// the index was encrypted or encrypted blocks stay encrypted.
// The flags are cleared first. Results:
//   0 with upgraded false: not a QELv1.1 file (or not readable at all);
//   0 with upgraded true: the QELv2 file is in place;
//   -477: input needed, needKey (a key) or hasEncryptedBlocks (a policy);
//   any other negative code: failure. A failure never changes the file at
//   path and leaves no temporary file behind.
int upgradeLegacyQELFileToQELv2(const Zelkoran::String& path, const void* key, uint32_t keyLength,
                                eLegacyQELEncryptedBlockPolicy policy, bool& upgraded, bool& needKey,
                                bool& hasEncryptedBlocks);

// Brings the blocks of the open QELv2 archive archiveId, opened from path,
// up to date: legacy "ZK7_MUSIC" and "ZK7_SOUND" blocks become audio tracks,
// images with the legacy GUI owner word get the image signature, 1536-byte
// fonts become the 128-byte compact record. When there is something to
// migrate, the file is first copied to a backup and the archive is closed
// and reopened (with key/keyLength, which may be null and 0): archiveId
// then holds the latest reopening, also a failed one. Progress goes to the
// engine log only.
// The number of blocks migrated (0 also when there were none; per-block
// failures are logged and skipped), or a negative code: -1792 (the archive
// is not open or a reopening gave 0), -767/-766/-1536/-765/-1279 (the backup
// copy failed; nothing of it stays on disk), or the result of a failed
// reopening or resize. A failed migration never leaves the file at path
// changed.
int upgradeLegacyQELBlocks(const Zelkoran::String& path, int& archiveId, const void* key, uint32_t keyLength);

// Not part of the editor's interface: the file names the upgrade writes to,
// declared here so that they can be tested on their own.
namespace LegacyQELUpgradeInternal {

// path with the extension of its file name (from the last '.' after the
// last '/' or '\') replaced by ".backup.qel"; appended when there is none.
Zelkoran::String getBackupFilename(const Zelkoran::String& path);

// The first of path, stem.bak.ext, stem.bak2.ext, stem.bak3.ext ... for
// which no file exists (stem and ext split like getBackupFilename).
Zelkoran::String getUniqueFilename(const Zelkoran::String& path);

} // namespace LegacyQELUpgradeInternal
