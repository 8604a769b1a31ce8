// Contents of legacy blocks as QELv1 archives and old QELv2 archives hold
// them (audio blocks with their 1024-byte header, GUI-owned images, 1536-byte
// fonts), a small WAV file to put in them, and QELv2 archives built through
// the engine with any block contents.
#pragma once

#include "import/legacy/QELv1Writer.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace legacy {

using qelv1::Bytes;
using qelv1::putU32;

// A mono 16-bit PCM WAV of samples samples at 8000 Hz.
inline Bytes wav(size_t samples, int seed = 1)
{
    const auto dataSize = static_cast<uint32_t>(samples * 2);
    std::array<uint8_t, 44> header{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                   16,  0,   0,   0,   1, 0, 1, 0, 0,   0,   0,   0,   0,   0,   0,   0,
                                   2,   0,   16,  0,   'd', 'a', 't', 'a', 0, 0, 0, 0};
    putU32(header.data() + 4, 36 + dataSize);
    putU32(header.data() + 24, 8000);
    putU32(header.data() + 28, 16000);
    putU32(header.data() + 40, dataSize);
    Bytes out(header.size() + dataSize);
    std::copy(header.begin(), header.end(), out.begin());
    for (size_t i = 0; i < samples; ++i) {
        const double wave = 8000 * std::sin(0.05 * static_cast<double>(i) * seed);
        const auto v = static_cast<uint16_t>(static_cast<int16_t>(wave));
        out[44 + 2 * i] = static_cast<uint8_t>(v);
        out[45 + 2 * i] = static_cast<uint8_t>(v >> 8);
    }
    return out;
}

// A legacy "ZK7_MUSIC" or "ZK7_SOUND" block: the 1024-byte header with the
// format text and the payload size, the payload, then tail bytes.
inline Bytes audioBlock(const std::string& format, const Bytes& payload, size_t tail = 0)
{
    Bytes out(1024 + payload.size() + tail, 0x77);
    std::fill(out.begin(), out.begin() + 1024, uint8_t{0x11});
    std::fill(out.begin() + 32, out.begin() + 40, uint8_t{0});
    std::copy(format.begin(), format.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(format.size(), 8)),
              out.begin() + 32);
    putU32(out.data() + 296, static_cast<uint32_t>(payload.size()));
    std::copy(payload.begin(), payload.end(), out.begin() + 1024);
    return out;
}

// An image block of size bytes with the owner word at offset 4.
inline Bytes image(size_t size, uint32_t owner)
{
    Bytes out(size);
    for (size_t i = 0; i < size; ++i)
        out[i] = static_cast<uint8_t>(i * 13 + 5);
    if (size >= 8)
        putU32(out.data() + 4, owner);
    return out;
}

constexpr uint32_t kGuiOwner = 0x40000000;
constexpr uint32_t kImageSignature = 0x10000000;

// A legacy 1536-byte font block.
inline Bytes font(uint32_t version, uint32_t word4, uint8_t byte8, const std::string& name)
{
    Bytes out(1536, 0x3C);
    putU32(out.data(), version);
    putU32(out.data() + 4, word4);
    out[8] = byte8;
    std::memcpy(out.data() + 1060, name.c_str(), name.size() + 1);
    return out;
}

// The 128-byte compact font record the migration makes of font(...).
inline Bytes compactFont(uint32_t word4, uint8_t byte8, const std::string& name)
{
    Bytes out(128, 0);
    putU32(out.data(), 10);
    putU32(out.data() + 4, word4);
    out[12] = byte8;
    std::memcpy(out.data() + 32, name.c_str(), std::min<size_t>(name.size(), 63));
    return out;
}

struct Block {
    std::string name, type;
    Bytes data;
    uint32_t storage = 1;
    bool deleted = false;
};

// Writes a QELv2 archive with the blocks through the engine and closes it.
inline void buildQELv2(const std::string& path, const std::vector<Block>& blocks, int blockLimit = 0,
                       const std::string& key = "")
{
    Zelkoran::ArchiveMgr* archives = Zelkoran::Main::instance()->archiveMgr();
    const int id = archives->create(path.c_str(), blockLimit);
    ASSERT_GT(id, 0) << path;
    Zelkoran::Archive* archive = archives->get(id);
    archive->setDurable(false);
    if (!key.empty()) {
        ASSERT_EQ(archive->setKey(key.data(), static_cast<int>(key.size())), 0);
    }
    for (const Block& b : blocks) {
        Zelkoran::Archive::Block block(b.name.c_str(), b.type.c_str());
        block.storage = b.storage;
        block.data = const_cast<uint8_t*>(b.data.data());
        block.size = b.data.size();
        ASSERT_EQ(archive->blockAdd(block), 0) << b.name;
        if (b.deleted) {
            ASSERT_EQ(archive->blockDelete(block), 0) << b.name;
        }
    }
    archives->close(id);
}

} // namespace legacy
