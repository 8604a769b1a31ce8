#include "core/ByteOrder.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <functional>
#include <vector>

using Zelkoran::bytes::ByteReader;
using Zelkoran::bytes::ByteWriter;

namespace {

// n bytes ending right before a page that cannot be read, so a read past
// the end faults instead of passing unseen.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::vector<uint8_t>& content)
    {
        m_page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        void* map = mmap(nullptr, 2 * m_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        m_map = map == MAP_FAILED ? nullptr : static_cast<uint8_t*>(map);
        if (!m_map)
            return;
        mprotect(m_map + m_page, m_page, PROT_NONE);
        m_data = m_map + m_page - content.size();
        std::copy(content.begin(), content.end(), m_data);
    }
    ~GuardedBytes()
    {
        if (m_map)
            munmap(m_map, 2 * m_page);
    }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;
    const uint8_t* data() const { return m_data; }

private:
    size_t m_page = 0;
    uint8_t* m_map = nullptr;
    uint8_t* m_data = nullptr;
};

struct Width {
    const char* name;
    size_t bytes;
    std::function<uint64_t(ByteReader&)> read;
};

const Width kWidths[] = {
    {"u8", 1, [](ByteReader& r) { return uint64_t{r.u8()}; }},
    {"u16", 2, [](ByteReader& r) { return uint64_t{r.u16()}; }},
    {"u32", 4, [](ByteReader& r) { return uint64_t{r.u32()}; }},
    {"u64", 8, [](ByteReader& r) { return r.u64(); }},
    {"i32", 4, [](ByteReader& r) { return static_cast<uint64_t>(r.i32()); }},
    {"f32", 4, [](ByteReader& r) { return uint64_t{std::bit_cast<uint32_t>(r.f32())}; }},
};

} // namespace

TEST(ByteReader, EveryWidthPastTheEndFailsWithZeroAndStaysFailed)
{
    for (const Width& w : kWidths)
        for (size_t have = 0; have < w.bytes; ++have) {
            SCOPED_TRACE(std::string(w.name) + " over " + std::to_string(have) + " bytes");
            GuardedBytes bytes(std::vector<uint8_t>(have, 0xA5));
            ASSERT_NE(bytes.data(), nullptr);
            ByteReader r(bytes.data(), have);
            EXPECT_EQ(w.read(r), 0u);
            EXPECT_FALSE(r.ok());
            // The bytes still there are not handed out after the failure.
            EXPECT_EQ(r.u8(), 0u);
            EXPECT_FALSE(r.ok());
        }
}

TEST(ByteReader, TextsOutsideTheirBoundsFail)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        uint32_t max;
        const char* text; // null: the read fails
    } cases[] = {
        {"fits", {3, 0, 0, 0, 'a', 'b', 'c'}, 3, "abc"},
        {"empty", {0, 0, 0, 0}, 0, ""},
        {"longer than max", {3, 0, 0, 0, 'a', 'b', 'c'}, 2, nullptr},
        {"longer than the bytes", {4, 0, 0, 0, 'a', 'b', 'c'}, 9, nullptr},
        {"huge length", {0xFF, 0xFF, 0xFF, 0xFF, 'a'}, 0xFFFFFFFF, nullptr},
        {"zero byte inside", {3, 0, 0, 0, 'a', 0, 'c'}, 3, nullptr},
        {"length cut short", {3, 0, 0}, 3, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GuardedBytes bytes(c.bytes);
        ASSERT_NE(bytes.data(), nullptr);
        ByteReader r(bytes.data(), c.bytes.size());
        const std::string_view text = r.text(c.max);
        EXPECT_EQ(r.ok(), c.text != nullptr);
        EXPECT_EQ(text, c.text ? c.text : "");
    }
}

TEST(ByteWriter, EveryWidthStoresLittleEndianAndReadsBackBitExact)
{
    struct Case {
        const char* what;
        std::function<void(ByteWriter<std::vector<uint8_t>>&)> write;
        std::vector<uint8_t> stored;
        std::function<bool(ByteReader&)> readsBack;
    } cases[] = {
        {"u8", [](auto& w) { w.u8(0xFE); }, {0xFE}, [](ByteReader& r) { return r.u8() == 0xFE; }},
        {"u16", [](auto& w) { w.u16(0xBEEF); }, {0xEF, 0xBE}, [](ByteReader& r) { return r.u16() == 0xBEEF; }},
        {"u32", [](auto& w) { w.u32(0x01020304); }, {4, 3, 2, 1},
         [](ByteReader& r) { return r.u32() == 0x01020304; }},
        {"u64", [](auto& w) { w.u64(0x8877665544332211); }, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88},
         [](ByteReader& r) { return r.u64() == 0x8877665544332211; }},
        {"negative i32", [](auto& w) { w.i32(-2); }, {0xFE, 0xFF, 0xFF, 0xFF},
         [](ByteReader& r) { return r.i32() == -2; }},
        {"lowest i32", [](auto& w) { w.i32(INT32_MIN); }, {0, 0, 0, 0x80},
         [](ByteReader& r) { return r.i32() == INT32_MIN; }},
        {"negative zero", [](auto& w) { w.f32(-0.0f); }, {0, 0, 0, 0x80},
         [](ByteReader& r) { return std::bit_cast<uint32_t>(r.f32()) == 0x80000000u; }},
        {"NaN with payload", [](auto& w) { w.f32(std::bit_cast<float>(0x7FC00123u)); }, {0x23, 0x01, 0xC0, 0x7F},
         [](ByteReader& r) { return std::bit_cast<uint32_t>(r.f32()) == 0x7FC00123u; }},
        {"smallest subnormal", [](auto& w) { w.f32(std::bit_cast<float>(1u)); }, {1, 0, 0, 0},
         [](ByteReader& r) { return std::bit_cast<uint32_t>(r.f32()) == 1u; }},
        {"1.5", [](auto& w) { w.f32(1.5f); }, {0, 0, 0xC0, 0x3F}, [](ByteReader& r) { return r.f32() == 1.5f; }},
        {"text cut at max", [](auto& w) { w.text("abcdef", 4); }, {4, 0, 0, 0, 'a', 'b', 'c', 'd'},
         [](ByteReader& r) { return r.text(4) == "abcd"; }},
        {"null text", [](auto& w) { w.text(nullptr, 4); }, {0, 0, 0, 0}, [](ByteReader& r) { return r.text(4).empty(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> out{0x99}; // appends after what is there
        ByteWriter w(out);
        c.write(w);
        ASSERT_EQ(out.size(), 1 + c.stored.size());
        EXPECT_EQ(std::vector<uint8_t>(out.begin() + 1, out.end()), c.stored);
        ByteReader r(out.data() + 1, out.size() - 1);
        EXPECT_TRUE(c.readsBack(r));
        EXPECT_TRUE(r.ok());
        EXPECT_TRUE(r.atEnd());
    }
}
