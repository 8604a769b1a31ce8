// Helpers shared by the archive tests: a scratch folder and block shortcuts.
#pragma once

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>

#include "archive/ArchiveCrypto.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

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
