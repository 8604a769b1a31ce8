// Helpers shared by the archive tests: a scratch folder and block shortcuts.
#pragma once

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>

#include "archive/ArchiveCrypto.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

// AddressSanitizer's own, present only in a build that links it.
extern "C" void __asan_get_shadow_mapping(size_t* scale, size_t* offset) __attribute__((weak));

namespace testutil {

using Zelkoran::Archive;
using Bytes = std::vector<uint8_t>;

class ScratchDir {
public:
    ScratchDir()
    {
        std::random_device rd;
        m_path = std::filesystem::temp_directory_path() / ("skarden-test-" + std::to_string(rd()));
        std::filesystem::create_directories(m_path);
    }
    ~ScratchDir() { std::filesystem::remove_all(m_path); }
    std::string file(const std::string& name) const { return (m_path / name).string(); }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline Bytes randomBytes(size_t n, uint32_t seed)
{
    std::mt19937 gen(seed);
    Bytes out(n);
    for (auto& b : out)
        b = static_cast<uint8_t>(gen());
    return out;
}

inline Bytes textBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

inline Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline bool contains(const Bytes& haystack, const Bytes& needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

inline int add(Archive* a, const std::string& name, const std::string& type, const Bytes& data, uint32_t storage = 1)
{
    Archive::Block b(name.c_str(), type.c_str());
    b.storage = storage;
    b.data = const_cast<uint8_t*>(data.data());
    b.size = data.size();
    return a->blockAdd(b);
}

// Loads a block; returns the engine code and fills out on success.
inline int load(Archive* a, const std::string& name, const std::string& type, Bytes& out)
{
    Archive::Block b(name.c_str(), type.c_str());
    int rc = a->blockLoad(b);
    if (rc == 0) {
        const auto* p = static_cast<const uint8_t*>(b.data);
        out.assign(p, p + b.size);
        a->blockFree(b);
    }
    return rc;
}

// The address range an AddressSanitizer build reserves for its shadow of
// the whole address space: terabytes that hold no data of the program.
inline std::pair<unsigned long, unsigned long> sanitizerShadow()
{
    if (!__asan_get_shadow_mapping)
        return {0, 0};
    size_t scale = 0, offset = 0;
    __asan_get_shadow_mapping(&scale, &offset);
    return {offset, offset + ((1ul << 47) >> scale)};
}

// Copies of passphrase in this process's writable memory, once the
// caller's own is wiped; SIZE_MAX when memory cannot be searched.
inline size_t copiesInMemory(std::string& passphrase)
{
    const auto [shadowBegin, shadowEnd] = sanitizerShadow();
    const std::string needle = passphrase;
    std::fill(passphrase.begin(), passphrase.end(), '\0');
    FILE* maps = std::fopen("/proc/self/maps", "r");
    const int mem = ::open("/proc/self/mem", O_RDONLY);
    if (!maps || mem < 0) {
        if (maps)
            std::fclose(maps);
        if (mem >= 0)
            ::close(mem);
        return SIZE_MAX;
    }
    char line[512];
    size_t scanned = 0, found = 0;
    // Read through a small buffer wiped after each look, so no copy of an
    // earlier region is found again in it.
    static char chunk[1 << 16];
    while (std::fgets(line, sizeof line, maps)) {
        unsigned long begin = 0, end = 0;
        char perms[5] = {};
        if (std::sscanf(line, "%lx-%lx %4s", &begin, &end, perms) != 3 || perms[0] != 'r' || perms[1] != 'w' ||
            (begin >= shadowBegin && end <= shadowEnd))
            continue;
        for (unsigned long at = begin; at < end; at += sizeof(chunk) - needle.size()) {
            const ssize_t n = ::pread(mem, chunk, std::min<unsigned long>(sizeof(chunk), end - at), static_cast<off_t>(at));
            if (n <= 0)
                break;
            scanned += static_cast<size_t>(n);
            for (char* it = std::search(chunk, chunk + n, needle.begin(), needle.end()); it != chunk + n;
                 it = std::search(it + 1, chunk + n, needle.begin(), needle.end()))
                if (reinterpret_cast<const char*>(at) + (it - chunk) != needle.data())
                    ++found;
            std::memset(chunk, 0, sizeof(chunk));
            if (static_cast<unsigned long>(n) < sizeof(chunk))
                break;
        }
    }
    std::fclose(maps);
    ::close(mem);
    return scanned ? found : SIZE_MAX;
}

inline Zelkoran::ArchiveMgr* mgr() { return Zelkoran::Main::instance()->archiveMgr(); }

// These tests open archives thousands of times: new keys get the cheapest
// scrypt cost. The stored cost is what a file says, so nothing else changes.
inline const bool kCheapKeys = [] {
    Zelkoran::archive::KdfParams cheap;
    cheap.logN = 10;
    Zelkoran::archive::setNewKeyCost(cheap);
    return true;
}();

} // namespace testutil
