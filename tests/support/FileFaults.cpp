#undef _FORTIFY_SOURCE
#include "support/FileFaults.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <filesystem>
#include <set>
#include <vector>

namespace {

struct Plan {
    std::string path;
    int opens = 0;
    int reads = 0;
    int failOpenAt = 0;
    int failReadAt = 0;
    int writes = 0;
    int failWriteAt = 0;
    int failSeekWhence = -1;
    long failSeekOffset = 0;
    std::set<FILE*> streams;
    std::vector<std::string> failRenameFrom;
    std::string failArchiveOpen;
    int archiveOpens = 0;
    int failArchiveOpenFrom = 0;
    std::string failOpenAfterRenameTo;
    bool renamedOnto = false;
    std::set<std::string> writeProtected;
};

// The allocation to fail. malloc() runs before the program has started,
// also while a sanitizer sets itself up: plain values, made without code.
size_t g_failAllocMin = 0, g_failAllocMax = 0;

Plan& plan()
{
    static Plan p;
    return p;
}

template <class Fn>
Fn real(const char* name)
{
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

bool isPlanned(FILE* stream)
{
    return plan().streams.count(stream) != 0;
}

bool isProtected(const std::string& path)
{
    return plan().writeProtected.count(path) != 0;
}

bool inProtectedFolder(const std::string& path)
{
    return isProtected(std::filesystem::path(path).parent_path().string());
}

// What the system refuses a user other than root once writeProtect ran.
bool deniedOpen(const char* path, int flags)
{
    if ((flags & (O_WRONLY | O_RDWR)) != 0 && isProtected(path))
        return true;
    struct stat st {};
    return (flags & O_CREAT) != 0 && inProtectedFolder(path) && ::stat(path, &st) != 0;
}

} // namespace

namespace FileFaults {

void reset()
{
    for (const std::string& path : plan().writeProtected) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0)
            ::chmod(path.c_str(), st.st_mode | S_IWUSR);
    }
    plan() = Plan{};
    g_failAllocMin = g_failAllocMax = 0;
}

void writeProtect(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        ::chmod(path.c_str(), st.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH));
    plan().writeProtected.insert(path);
}

void failOpen(const std::string& path, int n)
{
    plan().path = path;
    plan().failOpenAt = n;
}

void failRead(const std::string& path, int n)
{
    plan().path = path;
    plan().failReadAt = n;
}

void failSeek(const std::string& path, int whence, long offset)
{
    plan().path = path;
    plan().failSeekWhence = whence;
    plan().failSeekOffset = offset;
}

void failWrite(const std::string& path, int n)
{
    plan().path = path;
    plan().failWriteAt = n;
}

void failArchiveOpen(const std::string& path, int n)
{
    plan().failArchiveOpen = path;
    plan().failArchiveOpenFrom = n;
}

void failOpenAfterRenameTo(const std::string& path)
{
    plan().failOpenAfterRenameTo = path;
}

void failAllocation(size_t minSize, size_t maxSize)
{
    g_failAllocMin = minSize;
    g_failAllocMax = maxSize;
}

void failRenameFrom(const std::string& from)
{
    plan().failRenameFrom.push_back(from);
}

int readCount(const std::string& path)
{
    return plan().path == path ? plan().reads : 0;
}

} // namespace FileFaults

extern "C" {

FILE* fopen64(const char* path, const char* mode)
{
    static const auto next = real<FILE* (*)(const char*, const char*)>("fopen64");
    Plan& p = plan();
    const bool planned = !p.path.empty() && p.path == path;
    if (planned && ++p.opens == p.failOpenAt) {
        errno = EACCES;
        return nullptr;
    }
    FILE* stream = next(path, mode);
    if (planned && stream)
        p.streams.insert(stream);
    return stream;
}

int fclose(FILE* stream)
{
    static const auto next = real<int (*)(FILE*)>("fclose");
    plan().streams.erase(stream);
    return next(stream);
}

size_t fread(void* buffer, size_t size, size_t count, FILE* stream)
{
    static const auto next = real<size_t (*)(void*, size_t, size_t, FILE*)>("fread");
    Plan& p = plan();
    if (isPlanned(stream) && ++p.reads == p.failReadAt) {
        errno = EIO;
        return 0;
    }
    return next(buffer, size, count, stream);
}

size_t fwrite(const void* buffer, size_t size, size_t count, FILE* stream)
{
    static const auto next = real<size_t (*)(const void*, size_t, size_t, FILE*)>("fwrite");
    Plan& p = plan();
    if (isPlanned(stream) && ++p.writes == p.failWriteAt) {
        errno = ENOSPC;
        return 0;
    }
    return next(buffer, size, count, stream);
}

int open(const char* path, int flags, ...)
{
    static const auto next = real<int (*)(const char*, int, ...)>("open");
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    Plan& p = plan();
    const bool counted = p.failArchiveOpen == path && ++p.archiveOpens >= p.failArchiveOpenFrom;
    if (counted || (p.renamedOnto && p.failOpenAfterRenameTo == path)) {
        errno = EIO;
        return -1;
    }
    if (deniedOpen(path, flags)) {
        errno = EACCES;
        return -1;
    }
    return next(path, flags, mode);
}

int access(const char* path, int mode) noexcept
{
    static const auto next = real<int (*)(const char*, int)>("access");
    if ((mode & W_OK) != 0 && isProtected(path)) {
        errno = EACCES;
        return -1;
    }
    return next(path, mode);
}

// Memory comes from the allocator the program would use without this
// override, which free() hands it back to: a sanitizer's, whose malloc
// stays reachable under this name, else the C library's. No dlsym(): it
// may allocate itself, and the sanitizer may be linked into the program.
extern void* __libc_malloc(size_t size);
extern void* __interceptor_malloc(size_t size) __attribute__((weak));

// Not instrumented: AddressSanitizer calls it before its shadow memory exists.
__attribute__((no_sanitize("address", "undefined"))) void* malloc(size_t size)
{
    if (g_failAllocMax != 0 && size >= g_failAllocMin && size <= g_failAllocMax) {
        g_failAllocMin = g_failAllocMax = 0;
        return nullptr;
    }
    return __interceptor_malloc ? __interceptor_malloc(size) : __libc_malloc(size);
}

int fseeko64(FILE* stream, off64_t offset, int whence)
{
    static const auto next = real<int (*)(FILE*, off64_t, int)>("fseeko64");
    const Plan& p = plan();
    if (isPlanned(stream) && whence == p.failSeekWhence && (whence != SEEK_SET || offset == p.failSeekOffset)) {
        errno = EIO;
        return -1;
    }
    return next(stream, offset, whence);
}

int rename(const char* from, const char* to) noexcept
{
    static const auto next = real<int (*)(const char*, const char*)>("rename");
    Plan& p = plan();
    for (const std::string& f : p.failRenameFrom) {
        if (f == from) {
            errno = EACCES;
            return -1;
        }
    }
    if (inProtectedFolder(from) || inProtectedFolder(to)) {
        errno = EACCES;
        return -1;
    }
    const int rc = next(from, to);
    if (rc == 0 && p.failOpenAfterRenameTo == to)
        p.renamedOnto = true;
    return rc;
}

} // extern "C"
