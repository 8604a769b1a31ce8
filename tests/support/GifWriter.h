// Writes small GIF files for tests: 8-bit palette frames, each with its
// delay, an optional transparent index, a place on the screen and a
// disposal, compressed as LZW literal codes only (a clear code every 128
// codes keeps them 9 bits wide).
#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace giftest {

struct Frame {
    std::vector<uint8_t> indexes; // width x height palette indexes
    int delayCs = 10;             // hundredths of a second
    int transparent = -1;         // palette index drawn transparent, -1 none
    int left = 0, top = 0;
    int width = 0, height = 0;  // 0: the screen's
    int disposal = 2;           // 1 keep, 2 background, 3 previous
    std::vector<uint8_t> after; // one more data sub-block, past the codes that fill the pixels
};

inline std::vector<uint8_t> encode(int w, int h, const std::vector<std::array<uint8_t, 3>>& palette,
                                   const std::vector<Frame>& frames)
{
    std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    const auto u16 = [&](int v) {
        out.push_back(uint8_t(v & 0xFF));
        out.push_back(uint8_t(v >> 8));
    };
    u16(w), u16(h);
    out.push_back(0xF7); // global table of 256 colours
    out.push_back(0), out.push_back(0);
    for (size_t i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c)
            out.push_back(i < palette.size() ? palette[i][size_t(c)] : 0);
    for (const Frame& f : frames) {
        out.insert(out.end(), {0x21, 0xF9, 0x04, uint8_t(f.disposal << 2 | (f.transparent >= 0 ? 1 : 0))});
        u16(f.delayCs);
        out.push_back(uint8_t(f.transparent >= 0 ? f.transparent : 0));
        out.push_back(0);
        out.push_back(0x2C);
        u16(f.left), u16(f.top), u16(f.width ? f.width : w), u16(f.height ? f.height : h);
        out.push_back(0);
        out.push_back(8); // minimum code size
        std::vector<uint8_t> bits;
        uint32_t acc = 0;
        int used = 0;
        const auto code = [&](uint32_t c) {
            acc |= c << used;
            used += 9;
            while (used >= 8) {
                bits.push_back(uint8_t(acc & 0xFF));
                acc >>= 8;
                used -= 8;
            }
        };
        for (size_t i = 0; i < f.indexes.size(); ++i) {
            if (i % 128 == 0)
                code(256);
            code(f.indexes[i]);
        }
        code(257);
        if (used > 0)
            bits.push_back(uint8_t(acc & 0xFF));
        for (size_t i = 0; i < bits.size(); i += 255) {
            const size_t n = std::min<size_t>(255, bits.size() - i);
            out.push_back(uint8_t(n));
            out.insert(out.end(), bits.begin() + long(i), bits.begin() + long(i + n));
        }
        if (!f.after.empty()) {
            out.push_back(uint8_t(f.after.size()));
            out.insert(out.end(), f.after.begin(), f.after.end());
        }
        out.push_back(0);
    }
    out.push_back(0x3B);
    return out;
}

inline void write(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
}

// Two frames of 100 ms: red, then blue with a green corner.
inline std::vector<uint8_t> twoFrames(int w = 20, int h = 20)
{
    Frame red{std::vector<uint8_t>(size_t(w * h), 1), 10, -1};
    Frame blue{std::vector<uint8_t>(size_t(w * h), 2), 10, -1};
    blue.indexes[0] = 3;
    return encode(w, h, {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}, {0, 255, 0}}, {red, blue});
}

// twoFrames(), the first frame's data ending with a sub-block that holds a
// w x h frame: a decoder that stops reading a frame once its pixels are
// full and then looks for the next block finds that frame.
inline std::vector<uint8_t> twoFramesHidingOne(int w, int h)
{
    Frame red{std::vector<uint8_t>(20 * 20, 1), 10, -1};
    red.after = {0x2C, 0, 0, 0, 0, uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8), 0,
                 2, 2, 0x44, 0x01, 0}; // code size 2: clear, index 0, end
    return encode(20, 20, {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}}, {red, Frame{std::vector<uint8_t>(20 * 20, 2)}});
}

// twoFrames() cut after 40 bytes at cut, and whole but claiming 65535 x
// 65535 (the screen and the first frame) at huge.
inline void writeBroken(const std::string& cut, const std::string& huge)
{
    std::vector<uint8_t> bytes = twoFrames();
    write(cut, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 40));
    for (size_t at : {6u, 7u, 8u, 9u, 794u, 795u, 796u, 797u})
        bytes[at] = 0xFF;
    write(huge, bytes);
}

} // namespace giftest
