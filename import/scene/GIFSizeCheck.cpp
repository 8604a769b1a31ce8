// GIF structure, little-endian:
//   OFFSET SIZE MEANING
//   0      6    "GIF87a" or "GIF89a"
//   6      2    screen width
//   8      2    screen height
//   10     1    flags: bit 7 global colour table, bits 0-2 its size (2^(n+1) entries of 3 bytes)
//   13     ..   global colour table, then blocks:
//   0x21 label, sub-blocks        an extension; label 0xF9 (graphic control):
//        size 4, flags (bits 2-4 disposal), delay(2) in hundredths of a second, transparent index, 0
//   0x2C left(2) top(2) w(2) h(2) flags(1) [local table] code size(1) sub-blocks   a frame
//   0x3B                           the trailer
// Sub-blocks: a length byte, that many bytes, ending with a length of 0.
#include "import/scene/GIFSizeCheck.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>

namespace {

class Cursor {
public:
    Cursor(const uint8_t* bytes, size_t size) : m_bytes(bytes), m_size(size) {}
    bool has(size_t n) const { return n <= m_size - m_pos; }
    size_t pos() const { return m_pos; }
    uint8_t peek(size_t ahead) const { return m_bytes[m_pos + ahead]; }
    const uint8_t* here() const { return m_bytes + m_pos; }
    bool atEnd() const { return m_pos == m_size; }
    uint8_t byte() { return m_bytes[m_pos++]; }
    int u16()
    {
        const int v = m_bytes[m_pos] | m_bytes[m_pos + 1] << 8;
        m_pos += 2;
        return v;
    }
    bool skip(size_t n)
    {
        if (!has(n))
            return false;
        m_pos += n;
        return true;
    }
    bool skipSubBlocks()
    {
        while (has(1))
            if (const uint8_t n = byte(); n == 0 || !skip(n))
                return n == 0;
        return false;
    }

private:
    const uint8_t* m_bytes;
    size_t m_size;
    size_t m_pos = 0;
};

bool sizeAllowed(int64_t w, int64_t h) { return w <= kMaxGIFSide && h <= kMaxGIFSide && w * h <= kMaxGIFFramePixels; }

size_t colourTable(uint8_t flags) { return flags & 0x80 ? size_t(3) << ((flags & 7) + 1) : 0; }

// Follows a frame's LZW codes as far as they fill its pixels, without
// making any: a code past the table's next entry (or a first code that is
// no colour) is damage that SDL2_image's decoder does not survive (it
// frees memory it never took). Codes past the filled pixels are never
// decoded, so they are not held to it.
class LZWCodes {
public:
    LZWCodes(int minSize, int64_t pixels) : m_minSize(minSize), m_left(pixels) { reset(); }
    bool sound() const { return m_sound; }
    // The codes filled the pixels or ended: later data is never decoded.
    bool finished() const { return m_left <= 0 || m_ended; }
    void feed(uint8_t byte)
    {
        if (!m_sound || m_left <= 0 || m_ended)
            return;
        m_bits |= uint32_t(byte) << m_count;
        m_count += 8;
        while (m_count >= m_size && m_sound && m_left > 0 && !m_ended) {
            const int size = m_size; // a code may widen the next ones
            const int code = int(m_bits & ((1u << size) - 1));
            m_bits >>= size;
            m_count -= size;
            take(code);
        }
    }

private:
    void reset() { m_size = m_minSize + 1, m_next = clear() + 2, m_prev = -1; }
    int clear() const { return 1 << m_minSize; }
    int lengthOf(int code) const { return code < clear() ? 1 : m_length[code]; }
    void take(int code)
    {
        if (code == clear())
            return reset();
        if (code == clear() + 1) {
            m_ended = true;
            return;
        }
        if (m_prev < 0 ? code >= clear() : code > m_next) {
            m_sound = false;
            return;
        }
        const int length = code == m_next ? lengthOf(m_prev) + 1 : lengthOf(code);
        if (m_prev >= 0 && m_next < kTable) {
            m_length[m_next] = lengthOf(m_prev) + 1;
            if (++m_next == 1 << m_size && m_size < 12)
                ++m_size;
        }
        m_prev = code;
        m_left -= length;
    }

    static constexpr int kTable = 4096;
    int m_minSize;
    int64_t m_left;
    int m_size = 0, m_next = 0, m_prev = -1;
    uint32_t m_bits = 0;
    int m_count = 0;
    bool m_sound = true, m_ended = false;
    std::array<int, kTable> m_length{};
};

// A frame's code size and data sub-blocks, their codes followed; hides:
// a sub-block past the codes holds a frame introducer.
bool skipFrameData(Cursor& at, int64_t pixels, bool& hides)
{
    if (!at.has(1))
        return false;
    const int minSize = at.byte();
    if (minSize > 11)
        return false; // its clear code would not fit a 12-bit table
    LZWCodes codes(minSize, pixels);
    while (at.has(1)) {
        const uint8_t n = at.byte();
        if (n == 0)
            return codes.sound();
        if (!at.has(n))
            return false;
        if (codes.finished())
            hides = hides || n == 0x2C || std::memchr(at.here(), 0x2C, n);
        for (uint8_t i = 0; i < n; ++i)
            codes.feed(at.byte());
    }
    return false;
}

} // namespace

bool checkGIFLayout(const uint8_t* bytes, size_t size, GIFLayout& layout, const GIFFrameVisitor& visit)
{
    layout = GIFLayout();
    Cursor at(bytes, size);
    if (!bytes || !at.has(13) || (std::memcmp(bytes, "GIF87a", 6) != 0 && std::memcmp(bytes, "GIF89a", 6) != 0))
        return false;
    at.skip(6);
    layout.width = at.u16(), layout.height = at.u16();
    const uint8_t flags = at.byte();
    at.skip(2);
    if (!sizeAllowed(layout.width, layout.height) || !at.skip(colourTable(flags)))
        return false;
    const int64_t screen = int64_t(std::max(layout.width, 1)) * std::max(layout.height, 1);
    GIFFrameSpan frame;
    while (!at.atEnd()) {
        const size_t start = at.pos();
        switch (at.byte()) {
        case 0x3B: return layout.frames > 0;
        case 0x21: {
            // A graphic control extension holds for the next frame only.
            const bool control = at.has(6) && at.peek(0) == 0xF9 && at.peek(1) == 4;
            if (control) {
                frame.disposal = at.peek(2) >> 2 & 7;
                frame.delayMs = (at.peek(3) | at.peek(4) << 8) * 10;
            }
            if (!at.skip(1) || !at.skipSubBlocks())
                return false;
            if (control)
                frame.controlAt = start, frame.controlSize = at.pos() - start;
            break;
        }
        case 0x2C: {
            if (!at.has(9))
                return false;
            const int64_t left = at.u16(), top = at.u16(), w = at.u16(), h = at.u16();
            const uint8_t local = at.byte();
            bool hides = false;
            if (!sizeAllowed(left + w, top + h) || !at.skip(colourTable(local)) || !skipFrameData(at, w * h, hides))
                return false;
            ++layout.frames;
            if (int64_t(layout.frames) * std::max(screen, w * h) > kMaxGIFTotalPixels)
                return false;
            frame.left = int(left), frame.top = int(top), frame.width = int(w), frame.height = int(h);
            frame.imageAt = start, frame.imageSize = at.pos() - start;
            frame.hidesFrame = hides;
            if (visit)
                visit(frame);
            frame = GIFFrameSpan();
            break;
        }
        default: return false;
        }
    }
    return layout.frames > 0;
}

bool checkGIFFile(const char* path, std::vector<uint8_t>& bytes, GIFLayout& layout, const GIFFrameVisitor& visit)
{
    layout = GIFLayout();
    bytes.clear();
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return false;
    const std::streamoff size = in.tellg();
    if (size <= 0 || size > (std::streamoff(1) << 30))
        return false;
    bytes.resize(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size))
        return false;
    return checkGIFLayout(bytes.data(), bytes.size(), layout, visit);
}

bool gifScreenSize(const uint8_t* bytes, size_t size, const GIFLayout& layout, int& width, int& height)
{
    width = layout.width, height = layout.height;
    GIFLayout walked;
    if (!width || !height)
        checkGIFLayout(bytes, size, walked, [&](const GIFFrameSpan& f) {
            width = layout.width ? width : std::max(width, f.left + f.width);
            height = layout.height ? height : std::max(height, f.top + f.height);
        });
    // The check measured each frame against the screen's other side alone.
    return width <= kMaxGIFSide && height <= kMaxGIFSide &&
           int64_t(std::max(layout.frames, 1)) * width * height <= kMaxGIFTotalPixels;
}
