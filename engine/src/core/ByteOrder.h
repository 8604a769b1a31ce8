// Little-endian fields of the stored formats: raw getters and putters for
// records whose bounds are checked once, a reader that checks every field,
// and a writer that appends.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

namespace Zelkoran::bytes {

// Host order to little-endian order and back: a swap on big-endian hosts.
template <class T>
constexpr T littleEndian(T v)
{
    if constexpr (std::endian::native == std::endian::big && sizeof(T) > 1) {
        T swapped = 0;
        for (size_t i = 0; i < sizeof(T); ++i, v >>= 8)
            swapped = static_cast<T>(swapped << 8 | (v & 0xFF));
        return swapped;
    }
    return v;
}

// Fields at a place the caller has already checked lies inside its buffer.
template <class T>
T get(const uint8_t* at)
{
    static_assert(std::is_unsigned_v<T>);
    T v;
    std::memcpy(&v, at, sizeof(v));
    return littleEndian(v);
}
template <class T>
void put(uint8_t* at, T v)
{
    static_assert(std::is_unsigned_v<T>);
    v = littleEndian(v);
    std::memcpy(at, &v, sizeof(v));
}
inline uint16_t getU16(const uint8_t* at) { return get<uint16_t>(at); }
inline uint32_t getU32(const uint8_t* at) { return get<uint32_t>(at); }
inline uint64_t getU64(const uint8_t* at) { return get<uint64_t>(at); }
inline int32_t getI32(const uint8_t* at) { return static_cast<int32_t>(getU32(at)); }
inline void putU16(uint8_t* at, uint16_t v) { put(at, v); }
inline void putU32(uint8_t* at, uint32_t v) { put(at, v); }
inline void putU64(uint8_t* at, uint64_t v) { put(at, v); }
inline void putI32(uint8_t* at, int32_t v) { put(at, static_cast<uint32_t>(v)); }

// Reads fields in order. A read past the end, or any read after a failure,
// gives 0 and leaves the reader failed, so a caller checks ok() once where
// the format lets it stop.
class ByteReader {
public:
    ByteReader(const void* data, size_t size) : m_p(static_cast<const uint8_t*>(data)), m_left(data ? size : 0) {}

    bool ok() const { return m_ok; }
    bool atEnd() const { return m_left == 0; }
    size_t left() const { return m_left; }
    // Marks the data damaged: a value read was out of its range.
    void fail() { m_ok = false; }

    // The next n bytes, or null past the end.
    const uint8_t* take(size_t n)
    {
        if (!m_ok || n > m_left) {
            m_ok = false;
            return nullptr;
        }
        const uint8_t* p = m_p;
        m_p += n;
        m_left -= n;
        return p;
    }
    uint8_t u8() { return field<uint8_t>(); }
    uint16_t u16() { return field<uint16_t>(); }
    uint32_t u32() { return field<uint32_t>(); }
    uint64_t u64() { return field<uint64_t>(); }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    float f32() { return std::bit_cast<float>(u32()); }
    // A 32-bit length and that many bytes holding no zero byte; a length
    // over max fails.
    std::string_view text(uint32_t max)
    {
        const uint32_t n = u32();
        if (n > max)
            m_ok = false;
        const uint8_t* p = take(n);
        if (!p || std::memchr(p, 0, n)) {
            m_ok = false;
            return {};
        }
        return {reinterpret_cast<const char*>(p), n};
    }

private:
    template <class T>
    T field()
    {
        const uint8_t* p = take(sizeof(T));
        return p ? get<T>(p) : 0;
    }

    const uint8_t* m_p;
    size_t m_left;
    bool m_ok = true;
};

// Appends fields to a byte vector.
template <class Bytes>
class ByteWriter {
public:
    explicit ByteWriter(Bytes& out) : m_out(out) {}

    void bytes(const void* p, size_t n)
    {
        const auto* b = static_cast<const uint8_t*>(p);
        m_out.insert(m_out.end(), b, b + n);
    }
    void u8(uint8_t v) { m_out.push_back(v); }
    void u16(uint16_t v) { field(v); }
    void u32(uint32_t v) { field(v); }
    void u64(uint64_t v) { field(v); }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float v) { u32(std::bit_cast<uint32_t>(v)); }
    // A 32-bit length and the first max bytes of s at most (none for null).
    void text(const char* s, uint32_t max)
    {
        const size_t n = s ? strnlen(s, max) : 0;
        u32(static_cast<uint32_t>(n));
        bytes(s, n);
    }

private:
    template <class T>
    void field(T v)
    {
        uint8_t b[sizeof(T)];
        put(b, v);
        bytes(b, sizeof(T));
    }

    Bytes& m_out;
};

} // namespace Zelkoran::bytes
