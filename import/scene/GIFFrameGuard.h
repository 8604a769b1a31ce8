// Feeds GIF bytes to SDL2_image's decoder and stops it at any frame but the
// ones the caller checked. Once a frame's pixels are full the decoder does
// not step over the rest of that frame's data but searches it byte by byte
// for the next block, so a frame hidden there would be decoded at whatever
// size it states. SDL2_image reads a frame's introducer alone and then its
// 9-byte descriptor; such a read after an introducer that is not a checked
// frame's gets no bytes, which ends the decode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

struct SDL_RWops;

class GIFFrameGuard {
public:
    // frameStarts: the offsets of the checked frames' introducers, in order.
    // bytes must outlive the guard.
    GIFFrameGuard(const std::vector<uint8_t>& bytes, std::vector<size_t> frameStarts)
        : m_bytes(bytes), m_frameStarts(std::move(frameStarts))
    {
    }
    GIFFrameGuard(const GIFFrameGuard&) = delete;
    GIFFrameGuard& operator=(const GIFFrameGuard&) = delete;

    // A stream over the bytes from their start, for one decode; closing it
    // leaves the guard. Null without memory.
    SDL_RWops* open();
    // Whether the decoder reached a frame the check did not see.
    bool refused() const { return m_refused; }

private:
    size_t read(void* out, size_t count);
    bool checkedFrameAt(size_t at) const;

    const std::vector<uint8_t>& m_bytes;
    const std::vector<size_t> m_frameStarts;
    size_t m_pos = 0;
    size_t m_lastReadAt = SIZE_MAX, m_lastReadSize = 0;
    bool m_refused = false;
};
