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

// How the page says an engine answers: the open refuses the file as not an
// archive, as damaged, or for its key.
enum class Refusal { None, NotArchive, Damaged, Key };

struct Archive {
    std::string error; // empty when the file was read
    Refusal refusal = Refusal::None;
    // What validate adds to the open's rules (empty when it finds nothing):
    // overlapping stored bytes; deep, a live block whose stored bytes fail
    // their digest, whose zlib stream does not decode to its size, or
    // (with the key) whose tag fails.
    std::string validateError;
    std::string deepValidateError;
    int layout = 0;
    bool indexEncrypted = false;
    bool blocksEncrypted = false;
    std::vector<Block> blocks; // in index order, deleted ones included
};

// Reads the archive at path; key may be empty.
Archive read(const std::string& path, const std::string& key);

} // namespace independent
