// A reader of archive files written from docs/archive-format.md alone,
// with OpenSSL, zlib and xxHash and none of the engine's archive code: the
// tests hold it against what the engine writes, so the page and the writer
// cannot drift apart.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace independent {

struct Block {
    std::string name;
    std::string type;
    uint8_t storage = 0;
    bool deleted = false;
    std::vector<uint8_t> data; // decoded; empty when it cannot be read
    std::string error;         // why data could not be read (no key, a failed check)
};

struct Archive {
    std::string error; // empty when the file was read
    int layout = 0;
    bool indexEncrypted = false;
    bool blocksEncrypted = false;
    std::vector<Block> blocks; // in index order, deleted ones included
};

// Reads the archive at path; key may be empty.
Archive read(const std::string& path, const std::string& key);

} // namespace independent
