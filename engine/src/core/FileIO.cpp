#include "core/FileIO.h"

#include <Zelkoran/Result.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Zelkoran {

namespace {
FaultHook g_faultHook;
WriteTap g_writeTap;
WrittenHook g_writtenHook;
bool g_deviceSync = true;

uint64_t inodeOf(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? static_cast<uint64_t>(st.st_ino) : 0;
}

void tap(IoOp op, int fd, uint64_t offset, const void* data, size_t length)
{
    if (g_writeTap)
        g_writeTap(op, inodeOf(fd), offset, data, length);
}

// Runs the fault hook; returns the byte count a write may still do, or -1
// when the operation must fail at once.
int64_t allowed(IoOp op, uint64_t offset, size_t length)
{
    if (!g_faultHook)
        return static_cast<int64_t>(length);
    int64_t verdict = g_faultHook(op, offset, length);
    if (verdict < 0)
        return -1;
    return verdict < static_cast<int64_t>(length) ? verdict : static_cast<int64_t>(length);
}

int writeFully(int fd, uint64_t offset, const void* buffer, size_t length)
{
    const char* p = static_cast<const char*>(buffer);
    while (length > 0) {
        ssize_t n = ::pwrite(fd, p, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return RC_ERR_IO;
        p += n;
        offset += static_cast<uint64_t>(n);
        length -= static_cast<size_t>(n);
    }
    return RC_OK;
}

// Opens the file at path and takes its exclusive lock without waiting: the
// descriptor holding the lock, RC_ERR_BUSY when another descriptor holds
// it, RC_ERR_IO when there is no file or it cannot be locked.
int lockIfFree(const char* path)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return RC_ERR_IO;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return fd;
    const int rc = errno == EWOULDBLOCK ? RC_ERR_BUSY : RC_ERR_IO;
    ::close(fd);
    return rc;
}

// The code for a failed open, create or rename: a refusal of the system's
// permissions is told apart from other failures.
int failureCode()
{
    return errno == EACCES || errno == EPERM || errno == EROFS ? RC_ERR_ACCESS : RC_ERR_IO;
}
} // namespace

void setFaultHook(FaultHook hook) { g_faultHook = std::move(hook); }
void setWriteTap(WriteTap t) { g_writeTap = std::move(t); }
void setDeviceSync(bool on) { g_deviceSync = on; }
void setChangeWrittenHook(WrittenHook hook) { g_writtenHook = std::move(hook); }
void changeWritten(const char* path)
{
    if (g_writtenHook)
        g_writtenHook(path);
}

FileHandle::~FileHandle() { close(); }

int FileHandle::openExisting(const char* path, bool& readOnly)
{
    close();
    readOnly = false;
    int fd = ::open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        fd = ::open(path, O_RDONLY | O_CLOEXEC);
        readOnly = true;
    }
    if (fd < 0)
        return errno == ENOENT ? RC_ERR_NOT_FOUND : RC_ERR_IO;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return RC_ERR_IO;
    }
    // One writer per file: a second open (in this process or another) would
    // interleave commits.
    if (::flock(fd, (readOnly ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
        ::close(fd);
        return RC_ERR_BUSY;
    }
    // A rewrite holds the old file's lock until the new one is in place:
    // a lock won after that is a lock on a file nobody reads any more.
    struct stat now {};
    if (::stat(path, &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino) {
        ::close(fd);
        return RC_ERR_BUSY;
    }
    m_fd = fd;
    return RC_OK;
}

int FileHandle::createNew(const char* path)
{
    close();
    int fd = ::open(path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return failureCode();
    ::flock(fd, LOCK_EX | LOCK_NB);
    m_fd = fd;
    return RC_OK;
}

int FileHandle::lockExisting(const char* path)
{
    close();
    const int fd = lockIfFree(path);
    if (fd < 0) // no file, or none this process could open for an archive
        return fd == RC_ERR_BUSY ? RC_ERR_BUSY : RC_OK;
    m_fd = fd;
    return RC_OK;
}

bool FileHandle::isAt(const char* path) const
{
    struct stat held {};
    struct stat named {};
    return m_fd >= 0 && ::fstat(m_fd, &held) == 0 && ::stat(path, &named) == 0 && held.st_dev == named.st_dev
           && held.st_ino == named.st_ino;
}

int writePermitted(const char* path)
{
    return ::access(path, W_OK) == 0 ? RC_OK : failureCode();
}

void FileHandle::take(FileHandle& other)
{
    close();
    m_fd = other.m_fd;
    m_unsynced = other.m_unsynced;
    other.m_fd = -1;
    other.m_unsynced = false;
}

void removeLeftovers(const char* path, const char* tag)
{
    const std::filesystem::path target(path);
    const std::string prefix = target.filename().string() + "." + tag + "-";
    std::error_code ec;
    for (const auto& item : std::filesystem::directory_iterator(target.parent_path(), ec)) {
        const std::string name = item.path().filename().string();
        if (name.size() != prefix.size() + 8 || name.compare(0, prefix.size(), prefix) != 0
            || name.find_first_not_of("0123456789abcdef", prefix.size()) != std::string::npos)
            continue;
        // Held by a rewrite still running: not a leftover.
        const int fd = lockIfFree(item.path().c_str());
        if (fd < 0)
            continue;
        std::filesystem::remove(item.path(), ec);
        ::close(fd);
    }
}

void FileHandle::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_unsynced = false;
}

int FileHandle::readAt(uint64_t offset, void* buffer, size_t length) const
{
    char* p = static_cast<char*>(buffer);
    while (length > 0) {
        ssize_t n = ::pread(m_fd, p, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return RC_ERR_IO;
        if (n == 0)
            return RC_ERR_CORRUPT;
        p += n;
        offset += static_cast<uint64_t>(n);
        length -= static_cast<size_t>(n);
    }
    return RC_OK;
}

int FileHandle::writeAt(uint64_t offset, const void* buffer, size_t length)
{
    int64_t permitted = allowed(IoOp::Write, offset, length);
    if (permitted < 0)
        return RC_ERR_IO;
    m_unsynced = true;
    if (static_cast<size_t>(permitted) < length) {
        if (writeFully(m_fd, offset, buffer, static_cast<size_t>(permitted)) == RC_OK)
            tap(IoOp::Write, m_fd, offset, buffer, static_cast<size_t>(permitted));
        return RC_ERR_IO;
    }
    const int rc = writeFully(m_fd, offset, buffer, length);
    if (rc == RC_OK)
        tap(IoOp::Write, m_fd, offset, buffer, length);
    return rc;
}

int FileHandle::writeZeros(uint64_t offset, uint64_t length)
{
    // In large writes: the system then caches the space in large pages,
    // and an open reads an index written so markedly faster.
    static const char zeros[1024 * 1024] = {};
    while (length > 0) {
        size_t n = length < sizeof(zeros) ? static_cast<size_t>(length) : sizeof(zeros);
        if (int rc = writeAt(offset, zeros, n); rc != RC_OK)
            return rc;
        offset += n;
        length -= n;
    }
    return RC_OK;
}

int FileHandle::copyFrom(const FileHandle& from, uint64_t fromOffset, uint64_t toOffset, uint64_t length)
{
    if (length > 0)
        m_unsynced = true; // the kernel copy bypasses writeAt
    while (length > 0 && !g_faultHook && !g_writeTap) {
        loff_t in = static_cast<loff_t>(fromOffset), out = static_cast<loff_t>(toOffset);
        ssize_t n = ::copy_file_range(from.m_fd, &in, m_fd, &out, static_cast<size_t>(std::min<uint64_t>(length, 1u << 30)), 0);
        if (n <= 0)
            break; // not supported here, or a short source: fall back to plain reads
        fromOffset += static_cast<uint64_t>(n);
        toOffset += static_cast<uint64_t>(n);
        length -= static_cast<uint64_t>(n);
    }
    std::vector<uint8_t> buffer;
    while (length > 0) {
        size_t piece = static_cast<size_t>(std::min<uint64_t>(length, 8u << 20));
        if (buffer.size() < piece)
            buffer.resize(piece);
        if (int rc = from.readAt(fromOffset, buffer.data(), piece); rc != RC_OK)
            return rc;
        if (int rc = writeAt(toOffset, buffer.data(), piece); rc != RC_OK)
            return rc;
        fromOffset += piece;
        toOffset += piece;
        length -= piece;
    }
    return RC_OK;
}

int FileHandle::sync()
{
    if (allowed(IoOp::Sync, 0, 0) < 0)
        return RC_ERR_IO;
    if (g_deviceSync && ::fdatasync(m_fd) != 0)
        return RC_ERR_IO;
    m_unsynced = false;
    tap(IoOp::Sync, m_fd, 0, nullptr, 0);
    return RC_OK;
}

int FileHandle::truncate(uint64_t size)
{
    if (allowed(IoOp::Truncate, size, 0) < 0)
        return RC_ERR_IO;
    m_unsynced = true;
    return ::ftruncate(m_fd, static_cast<off_t>(size)) == 0 ? RC_OK : RC_ERR_IO;
}

int64_t FileHandle::size() const
{
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        return RC_ERR_IO;
    return static_cast<int64_t>(st.st_size);
}

int syncParentDir(const char* path)
{
    std::string dir(path);
    size_t slash = dir.find_last_of('/');
    dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : dir.substr(0, slash));
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return RC_ERR_IO;
    int rc = ::fsync(fd) == 0 ? RC_OK : RC_ERR_IO;
    if (rc == RC_OK)
        tap(IoOp::FolderSync, fd, 0, nullptr, 0);
    ::close(fd);
    return rc;
}

int renameFile(const char* from, const char* to)
{
    struct stat moved {};
    const bool tapped = g_writeTap && ::stat(from, &moved) == 0;
    if (std::rename(from, to) != 0)
        return failureCode();
    if (tapped)
        g_writeTap(IoOp::Rename, static_cast<uint64_t>(moved.st_ino), 0, to, std::strlen(to));
    return RC_OK;
}

} // namespace Zelkoran
