// Damaged and hostile "ZK7_IMAGE" blocks: every one gives a negative code
// (never a crash, never an image of the wrong size), through the archive
// as the editor reads them.
#include "engine/image/ImageTestSupport.h"

#include <zlib.h>

namespace imagetest {
namespace {

class ImageHostileBlock : public ImageTest {
protected:
    void SetUp() override
    {
        ImageTest::SetUp();
        const int id = patternImage("Good", 6, 4, 5);
        images->get(id)->setColorKey(1, 2, 3);
        ASSERT_EQ(images->get(id)->save(archiveId, ""), 0);
        images->close(id);
        good = block("Good");
    }
    // Loads bytes stored as a block: the engine's code, or the image's size
    // as 1000 * width + height on success (the image is closed again).
    int loadAs(const Bytes& bytes)
    {
        EXPECT_EQ(testutil::add(archive, "Bad", kType, bytes), 0);
        const int id = images->load(archiveId, "Bad");
        if (id <= 0)
            return id;
        const int size = 1000 * images->get(id)->getWidth() + images->get(id)->getHeight();
        images->close(id);
        return size;
    }
    // A block with the header of good and png as its payload.
    Bytes withPayload(const Bytes& png, uint32_t width, uint32_t height)
    {
        Bytes b(good.begin(), good.begin() + 32);
        b.insert(b.end(), png.begin(), png.end());
        put32(b, 8, width);
        put32(b, 12, height);
        put32(b, 28, static_cast<uint32_t>(png.size()));
        return b;
    }
    static void put32(Bytes& b, size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }

    Bytes good;
};

TEST_F(ImageHostileBlock, EveryTruncationIsRefused)
{
    ASSERT_EQ(loadAs(good), 6004);
    for (size_t n = 0; n < good.size(); ++n) {
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(loadAs(cut), RC_ERR_CORRUPT) << n << " of " << good.size() << " bytes";
    }
    Bytes longer = good;
    longer.push_back(0);
    EXPECT_EQ(loadAs(longer), RC_ERR_CORRUPT) << "a byte beyond the stated payload";
}

TEST_F(ImageHostileBlock, EveryFlippedByteIsRefusedOrHarmless)
{
    for (size_t at = 0; at < good.size(); ++at) {
        Bytes b = good;
        b[at] ^= 0xFF;
        const int rc = loadAs(b);
        if (at >= 17 && at < 24) {
            // Key colour, colour mod and alpha mod take any value.
            EXPECT_EQ(rc, 6004) << "byte " << at;
        } else if (at < 32) {
            EXPECT_EQ(rc, RC_ERR_CORRUPT) << "header byte " << at;
        } else {
            // PNG chunks carry CRCs; a flip the decoder still accepts (in
            // a part it skips) must not change the size.
            EXPECT_TRUE(rc == RC_ERR_CORRUPT || rc == 6004) << "payload byte " << at << ": " << rc;
        }
    }
}

TEST_F(ImageHostileBlock, SizesThatDisagreeAreRefused)
{
    Bytes b = good;
    put32(b, 8, 7);
    EXPECT_EQ(loadAs(b), RC_ERR_CORRUPT) << "header width differs from the PNG's";
    b = good;
    put32(b, 12, 0);
    EXPECT_EQ(loadAs(b), RC_ERR_CORRUPT) << "zero height";
    b = good;
    put32(b, 28, static_cast<uint32_t>(good.size()));
    EXPECT_EQ(loadAs(b), RC_ERR_CORRUPT) << "payload size beyond the block";
    b = good;
    put32(b, 24, 2);
    EXPECT_EQ(loadAs(b), RC_ERR_CORRUPT) << "unknown payload format";
    b = good;
    b[16] = 0;
    EXPECT_EQ(loadAs(b), RC_ERR_CORRUPT) << "key bytes without a key";
}

TEST_F(ImageHostileBlock, HugeClaimsAreRefusedBeforeAllocating)
{
    // A valid IHDR of 16384 x 16384 RGBA (1 GiB of pixels) in a tiny block,
    // with a CRC that checks out: refused from the sizes alone.
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                 0,    0,   0x40, 0,  0,    0,    0x40, 0,   8, 6, 0, 0, 0};
    const uLong crc = crc32(0, png.data() + 12, 17);
    for (int i = 3; i >= 0; --i)
        png.push_back(static_cast<uint8_t>(crc >> (8 * i)));
    EXPECT_EQ(loadAs(withPayload(png, 16384, 16384)), RC_ERR_CORRUPT);
    // Sides beyond the format's limit.
    png[18] = 0x80; // 32768 wide
    EXPECT_EQ(loadAs(withPayload(png, 32768, 16384)), RC_ERR_CORRUPT);
}

// A side chunk stating more bytes than follow: the decoder must be told
// that the data ran out (else it reads the same chunk again and again), as
// a block, a file and bytes in memory.
TEST_F(ImageHostileBlock, AChunkLongerThanTheDataIsRefused)
{
    Bytes png(good.begin() + 32, good.begin() + 32 + 33 + 8 + 16); // signature, IHDR, 16 bytes of the next chunk
    png[33] = 1, png[34] = png[35] = png[36] = 0;                  // the chunk states 16 MiB
    std::memcpy(&png[37], "tEXt", 4);
    EXPECT_EQ(loadAs(withPayload(png, 6, 4)), RC_ERR_CORRUPT);
    testutil::writeFile(dir.file("cut.png"), png);
    EXPECT_EQ(images->loadFromFile(dir.file("cut.png").c_str(), ""), RC_ERR_CORRUPT);
    EXPECT_EQ(images->loadFromBuffer(png.data(), png.size(), ""), RC_ERR_CORRUPT);
}

TEST_F(ImageHostileBlock, GarbageAfterAValidPngHeaderIsRefused)
{
    Bytes png(good.begin() + 32, good.begin() + 32 + 33); // signature and IHDR
    const Bytes junk = testutil::randomBytes(200, 11);
    png.insert(png.end(), junk.begin(), junk.end());
    EXPECT_EQ(loadAs(withPayload(png, 6, 4)), RC_ERR_CORRUPT);
    // A PNG of another kind (8-bit grey) is not the block's payload format.
    Bytes grey(good.begin() + 32, good.end());
    grey[25] = 0;
    EXPECT_EQ(loadAs(withPayload(grey, 6, 4)), RC_ERR_CORRUPT);
}

} // namespace
} // namespace imagetest
