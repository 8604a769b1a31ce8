#undef _FORTIFY_SOURCE
#include "archive/FileFaults.h"

#include <dlfcn.h>

#include <cerrno>
#include <set>
#include <vector>

namespace {

struct Plan {
    std::string path;
    int opens = 0;
    int reads = 0;
    int failOpenAt = 0;
    int failReadAt = 0;
    int failSeekWhence = -1;
    long failSeekOffset = 0;
    std::set<FILE*> streams;
    std::vector<std::string> failRenameFrom;
};

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

} // namespace

namespace FileFaults {

void reset()
{
    plan() = Plan{};
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
    for (const std::string& f : plan().failRenameFrom) {
        if (f == from) {
            errno = EACCES;
            return -1;
        }
    }
    return next(from, to);
}

} // extern "C"
