// Positioned file I/O for the archive and the file replacement, with a
// fault-injection hook so tests can fail or tear any write and any sync.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace Zelkoran {

enum class IoOp { Write, Sync, Truncate, Rename, FolderSync };

// Called before each write, sync and truncate. Return a negative value to
// fail the operation before it touches the file; for a write, a value k in
// [0, length) writes only the first k bytes and then fails (a torn write);
// anything else lets the operation run. Tests only; null by default.
using FaultHook = std::function<int64_t(IoOp op, uint64_t offset, size_t length)>;
void setFaultHook(FaultHook hook);

// Called after each write with the bytes that reached the file, after each
// flush of a file (data null), after each rename (data the new path) and
// after each flush of a folder, so a test can rebuild what a power cut at
// any moment could leave across files. file is the inode number of the file
// written, flushed or moved (of the folder for FolderSync). The fault hook
// sees neither renames nor folder flushes. Tests only; null by default.
using WriteTap = std::function<void(IoOp op, uint64_t file, uint64_t offset, const void* data, size_t length)>;
void setWriteTap(WriteTap tap);

// Called with the archive's path once a change's bytes are all written,
// before the engine checks that the path still names the file it wrote,
// so a test can move the file away at that moment. Tests only; null by
// default.
using WrittenHook = std::function<void(const char* path)>;
void setChangeWrittenHook(WrittenHook hook);
void changeWritten(const char* path);

// Flushes reach the device unless switched off. Off keeps every guarantee
// against a killed process but none against a power cut: benchmarks use it
// to build large fixtures and to measure the engine without the device.
void setDeviceSync(bool on);

class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle();
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Opens an existing file read-write (read-only when writing is not
    // permitted; readOnly tells). Takes an exclusive lock when writable.
    // A file replaced at path before its lock was taken is refused: its
    // writes would land in a file nobody reads. 0, RC_ERR_NOT_FOUND,
    // RC_ERR_BUSY, RC_ERR_IO.
    int openExisting(const char* path, bool& readOnly);
    // Creates a new file (fails when it exists) and locks it, so a
    // leftover of a killed process can be told from a file in use.
    // 0, RC_ERR_ACCESS (the folder is write-protected) or RC_ERR_IO.
    int createNew(const char* path);
    // Takes the exclusive lock of the file at path, if there is one, and
    // holds it until closed, so no process opens a file about to be
    // replaced. 0 (also when there is no file) or RC_ERR_BUSY when a
    // process holds it open for an archive.
    int lockExisting(const char* path);
    // Moves other's open file (and its lock) into this handle.
    void take(FileHandle& other);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // path names the open file (same device and inode): another program
    // has not moved a new file over it, moved it away or deleted it.
    bool isAt(const char* path) const;

    // Reads exactly length bytes: 0, RC_ERR_CORRUPT on a short read (the file
    // ends early), RC_ERR_IO.
    int readAt(uint64_t offset, void* buffer, size_t length) const;
    // Writes exactly length bytes: 0 or RC_ERR_IO.
    int writeAt(uint64_t offset, const void* buffer, size_t length);
    int writeZeros(uint64_t offset, uint64_t length);
    // Copies length bytes of from, at fromOffset, to toOffset: in the
    // kernel unless a fault hook or write tap must see each write.
    int copyFrom(const FileHandle& from, uint64_t fromOffset, uint64_t toOffset, uint64_t length);
    // Flushes file data to the device. 0 or RC_ERR_IO.
    int sync();
    // Something was written since the last successful sync.
    bool hasUnsyncedWrites() const { return m_unsynced; }
    int truncate(uint64_t size);
    // Current size in bytes, or a negative code.
    int64_t size() const;

private:
    int m_fd = -1;
    bool m_unsynced = false;
};

// Removes the files "<path>.<tag>-XXXXXXXX" beside path that no process
// holds: what a killed rewrite of path left behind.
void removeLeftovers(const char* path, const char* tag);

// Moves the file at from to to, replacing what was there. 0,
// RC_ERR_ACCESS (a folder is write-protected) or RC_ERR_IO.
int renameFile(const char* from, const char* to);

// Whether this process may open the file at path for writing now: 0,
// RC_ERR_ACCESS (write-protected, or on a read-only file system) or
// RC_ERR_IO.
int writePermitted(const char* path);

// Flushes the folder holding path, so a rename inside it is durable.
int syncParentDir(const char* path);

} // namespace Zelkoran
