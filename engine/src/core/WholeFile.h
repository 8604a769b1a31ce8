// Reading a whole file into a byte container.
#pragma once

#include "core/PathText.h"

#include <Zelkoran/Result.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <new>

namespace Zelkoran {

// Reads the file at path into out (any container of bytes or chars).
// 0, RC_ERR_NOT_FOUND, RC_ERR_TOO_LARGE (over maxBytes), RC_ERR_NO_MEMORY,
// RC_ERR_IO.
template <class Bytes>
int readWholeFile(const char* path, Bytes& out, uint64_t maxBytes)
{
    std::error_code ec;
    const std::filesystem::path p = PathText::toPath(path);
    if (!std::filesystem::is_regular_file(p, ec))
        return RC_ERR_NOT_FOUND;
    const uintmax_t size = std::filesystem::file_size(p, ec);
    if (ec)
        return RC_ERR_IO;
    if (size > maxBytes)
        return RC_ERR_TOO_LARGE;
    try {
        out.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return RC_ERR_NO_MEMORY;
    }
    std::ifstream in(p, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size)))
        return RC_ERR_IO;
    return RC_OK;
}

} // namespace Zelkoran
