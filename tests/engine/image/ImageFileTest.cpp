// Images from and to files: PNG and BMP decoding, nameless images, the
// codes of missing and undecodable files, and the PNG export.
#include "engine/image/ImageTestSupport.h"
#include "support/GifWriter.h"

#include <SDL_image.h>

#include <filesystem>
#include <vector>

namespace imagetest {
namespace {

using ImageFile = ImageTest;

TEST_F(ImageFile, PngAndBmpFilesDecodeToTheWrittenPixels)
{
    SDL_Surface* source = patternSurface(9, 4);
    ASSERT_EQ(IMG_SavePNG(source, dir.file("pattern.png").c_str()), 0) << IMG_GetError();
    ASSERT_EQ(SDL_SaveBMP(source, dir.file("pattern.bmp").c_str()), 0) << SDL_GetError();

    const int png = images->loadFromFile(dir.file("pattern.png").c_str(), "FromPng");
    ASSERT_GT(png, 0);
    EXPECT_STREQ(images->get(png)->getName(), "FromPng");
    EXPECT_EQ(images->get(png)->getWidth(), 9);
    EXPECT_EQ(images->get(png)->getHeight(), 4);
    EXPECT_TRUE(samePixels(source, images->get(png)->getSurface()));

    const int bmp = images->loadFromFile(dir.file("pattern.bmp").c_str(), "FromBmp");
    ASSERT_GT(bmp, 0);
    EXPECT_TRUE(samePixels(source, images->get(bmp)->getSurface(), SDL_ISPIXELFORMAT_ALPHA(source->format->format)));

    // The content decides, not the extension.
    std::filesystem::copy_file(dir.file("pattern.png"), dir.file("misnamed.bmp"));
    const int misnamed = images->loadFromFile(dir.file("misnamed.bmp").c_str(), "");
    ASSERT_GT(misnamed, 0);
    EXPECT_TRUE(samePixels(source, images->get(misnamed)->getSurface()));
    SDL_FreeSurface(source);
}

// A picture without transparency stays one, through files and blocks, so
// that it can still take a colour key; one with transparency keeps it.
TEST_F(ImageFile, TransparencyDecidesTheFormatThroughFilesAndBlocks)
{
    SDL_Surface* pattern = patternSurface(9, 4);
    SDL_Surface* opaque = SDL_ConvertSurfaceFormat(pattern, SDL_PIXELFORMAT_RGB24, 0);
    ASSERT_EQ(SDL_SaveBMP(opaque, dir.file("opaque.bmp").c_str()), 0);
    ASSERT_EQ(IMG_SavePNG(pattern, dir.file("alpha.png").c_str()), 0);
    const int pngColourTypeAt = 25, blockPngAt = 32;
    const struct {
        const char* file;
        uint32_t format;
        uint8_t pngColourType;
    } cases[] = {{"opaque.bmp", SDL_PIXELFORMAT_RGB888, 2}, {"alpha.png", SDL_PIXELFORMAT_ARGB8888, 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const int id = images->loadFromFile(dir.file(c.file).c_str(), "Pic");
        ASSERT_GT(id, 0);
        Image* img = images->get(id);
        EXPECT_EQ(img->getSurface()->format->format, c.format);
        EXPECT_TRUE(samePixels(pattern, img->getSurface(), c.pngColourType == 6));

        ASSERT_TRUE(img->saveToPNG(dir.file("out.png").c_str()));
        EXPECT_EQ(testutil::readFile(dir.file("out.png"))[pngColourTypeAt], c.pngColourType);
        const int exported = images->loadFromFile(dir.file("out.png").c_str(), "");
        EXPECT_EQ(images->get(exported)->getSurface()->format->format, c.format);
        EXPECT_TRUE(samePixels(img->getSurface(), images->get(exported)->getSurface()));

        img->setColorKey(1, 2, 3);
        ASSERT_EQ(img->save(archiveId, ""), 0);
        EXPECT_EQ(block("Pic")[blockPngAt + pngColourTypeAt], c.pngColourType);
        const int back = images->load(archiveId, "Pic");
        ASSERT_GT(back, 0);
        EXPECT_EQ(images->get(back)->getSurface()->format->format, c.format);
        EXPECT_TRUE(samePixels(img->getSurface(), images->get(back)->getSurface()));
        int16_t k[3];
        images->get(back)->getColorKey(k[0], k[1], k[2]);
        EXPECT_EQ((std::vector<int>{k[0], k[1], k[2]}), (std::vector<int>{1, 2, 3}));
        for (int open : {id, exported, back})
            images->close(open);
    }
    SDL_FreeSurface(opaque);
    SDL_FreeSurface(pattern);
}

TEST_F(ImageFile, NamelessImagesMayBeOpenTogether)
{
    SDL_Surface* source = patternSurface(2, 2);
    ASSERT_EQ(IMG_SavePNG(source, dir.file("a.png").c_str()), 0);
    SDL_FreeSurface(source);
    const int first = images->loadFromFile(dir.file("a.png").c_str(), "");
    const int second = images->loadFromFile(dir.file("a.png").c_str(), "");
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_NE(first, second);
    EXPECT_STREQ(images->get(second)->getName(), "");
}

TEST_F(ImageFile, MissingAndUndecodableFilesAreRefused)
{
    EXPECT_EQ(images->loadFromFile(dir.file("none.png").c_str(), "X"), RC_ERR_NOT_FOUND);
    EXPECT_EQ(images->loadFromFile(nullptr, "X"), RC_ERR_INVALID);
    testutil::writeFile(dir.file("junk.png"), testutil::randomBytes(300, 7));
    EXPECT_EQ(images->loadFromFile(dir.file("junk.png").c_str(), "X"), RC_ERR_CORRUPT);
    testutil::writeFile(dir.file("empty.bmp"), {});
    EXPECT_EQ(images->loadFromFile(dir.file("empty.bmp").c_str(), "X"), RC_ERR_CORRUPT);
    // A PNG cut short keeps its header but not its pixels.
    SDL_Surface* source = patternSurface(40, 40);
    ASSERT_EQ(IMG_SavePNG(source, dir.file("whole.png").c_str()), 0);
    SDL_FreeSurface(source);
    Bytes whole = testutil::readFile(dir.file("whole.png"));
    whole.resize(whole.size() / 2);
    testutil::writeFile(dir.file("half.png"), whole);
    EXPECT_EQ(images->loadFromFile(dir.file("half.png").c_str(), "X"), RC_ERR_CORRUPT);
}

// A header stating a side no block holds is refused before the decoder
// allocates it: a few hostile bytes claiming 60000 x 60000 pixels would
// otherwise take gigabytes. A file's name does not decide its format; of a
// GIF only the first frame is decoded.
TEST_F(ImageFile, PicturesStatingASideOverTheLimitAreRefusedBeforeDecoding)
{
    const auto saved = [&](const char* file, int w, int h, int (*save)(SDL_Surface*, const char*)) {
        SDL_Surface* s = patternSurface(w, h);
        EXPECT_EQ(save(s, dir.file(file).c_str()), 0) << file;
        SDL_FreeSurface(s);
        return testutil::readFile(dir.file(file));
    };
    const auto png = [](SDL_Surface* s, const char* path) { return IMG_SavePNG(s, path); };
    const auto bmp = [](SDL_Surface* s, const char* path) { return SDL_SaveBMP(s, path); };
    const auto jpg = [](SDL_Surface* s, const char* path) { return IMG_SaveJPG(s, path, 90); };
    const auto gif = [](int w, int h) {
        return giftest::encode(w, h, {{1, 2, 3}}, {{std::vector<uint8_t>(size_t(w) * size_t(h), 0)}});
    };
    Bytes smallScreenWideFrame = gif(16385, 1);
    smallScreenWideFrame[6] = 1; // the screen says 1 x 1
    Bytes wideScreenSmallFrame = gif(1, 1);
    wideScreenSmallFrame[6] = 0x01, wideScreenSmallFrame[7] = 0x40; // the screen says 16385 x 1
    const Bytes hostilePng = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                              0, 0, 0xEA, 0x60, 0, 0, 0xEA, 0x60, 8, 6, 0, 0, 0};
    const Bytes hostileJpg = {0xFF, 0xD8, 0xFF, 0xE0, 0, 4, 0, 0, 0xFF, 0xC2, 0, 17, 8, 0xFF, 0xDC, 0xFF, 0xDC, 3};
    Bytes hostileBmp(54, 0);
    hostileBmp[0] = 'B', hostileBmp[1] = 'M', hostileBmp[14] = 40;
    hostileBmp[18] = 0x60, hostileBmp[19] = 0xEA, hostileBmp[22] = 0xA0, hostileBmp[23] = 0x15; // 60000 x -60000
    hostileBmp[24] = 0xFF, hostileBmp[25] = 0xFF, hostileBmp[26] = 1, hostileBmp[28] = 32;
    const struct {
        const char* file;
        Bytes bytes;
        bool refused;
        int format, width, height; // as the header states them
    } cases[] = {
        {"edge.png", saved("edge.png", 16384, 1, png), false, PF_PNG, 16384, 1},
        {"wide.png", saved("wide.png", 16385, 1, png), true, PF_PNG, 16385, 1},
        {"tall.bmp", saved("tall.bmp", 1, 16385, bmp), true, PF_BMP, 1, 16385},
        {"wide.jpg", saved("wide.jpg", 16385, 8, jpg), true, PF_JPEG, 16385, 8},
        {"wide.gif", gif(16385, 1), true, PF_GIF, 16385, 1},
        {"frame.gif", smallScreenWideFrame, true, PF_GIF, 16385, 1},
        {"screen.gif", wideScreenSmallFrame, false, PF_GIF, 1, 1},
        {"hostile.png", hostilePng, true, PF_PNG, 60000, 60000},
        {"hostile.jpg", hostileJpg, true, PF_JPEG, 65500, 65500},
        {"hostile.bmp", hostileBmp, true, PF_BMP, 60000, 60000},
        {"hostile.gif", {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0}, true, PF_GIF, 65535, 65535},
        {"named.png", saved("named.gif", 1, 16385, bmp), true, PF_BMP, 1, 16385},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        testutil::writeFile(dir.file(c.file), c.bytes);
        int width = 0, height = 0, fromMemoryWidth = 0, fromMemoryHeight = 0;
        EXPECT_EQ(images->statedSize(dir.file(c.file).c_str(), &width, &height), c.format);
        EXPECT_EQ(images->statedSize(c.bytes.data(), c.bytes.size(), &fromMemoryWidth, &fromMemoryHeight), c.format);
        EXPECT_EQ((std::vector<int>{width, height, fromMemoryWidth, fromMemoryHeight}),
                  (std::vector<int>{c.width, c.height, c.width, c.height}));
        const int id = images->loadFromFile(dir.file(c.file).c_str(), "");
        const int fromBytes = images->loadFromBuffer(c.bytes.data(), c.bytes.size(), "");
        if (c.refused) {
            EXPECT_EQ(id, RC_ERR_TOO_LARGE);
            EXPECT_EQ(fromBytes, RC_ERR_TOO_LARGE);
        } else {
            ASSERT_GT(id, 0);
            EXPECT_GT(fromBytes, 0);
            images->close(id);
            images->close(fromBytes);
        }
    }
    const Bytes text = testutil::textBytes("no picture");
    EXPECT_EQ(images->statedSize(text.data(), text.size(), nullptr, nullptr), RC_ERR_CORRUPT);
    EXPECT_EQ(images->statedSize(hostilePng.data(), 20, nullptr, nullptr), RC_ERR_CORRUPT) << "ends before the size";
    EXPECT_EQ(images->statedSize(dir.file("none.png").c_str(), nullptr, nullptr), RC_ERR_NOT_FOUND);
}

TEST_F(ImageFile, SaveToPngWritesEveryPixelAndReplacesAnOldFile)
{
    const int id = patternImage("Export", 6, 6, 3);
    Image* img = images->get(id);
    // The key and modulation are display settings: the export keeps the
    // pixels themselves, also after a keyed draw set the surface's key.
    keyOfPixel(img, 2, 3);
    img->setAlphaMod(10);
    keyLikeADraw(img);
    SDL_Surface* expected = patternSurface(6, 6, 3);
    const std::string path = dir.file("out.png");
    testutil::writeFile(path, testutil::textBytes("old contents"));
    ASSERT_TRUE(img->saveToPNG(path.c_str()));
    const int back = images->loadFromFile(path.c_str(), "Back");
    ASSERT_GT(back, 0);
    EXPECT_TRUE(samePixels(expected, images->get(back)->getSurface()));
    SDL_FreeSurface(expected);
    // Only the file itself is left: the temporary one was renamed over it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()),
              2) << "images.qel and out.png";
}

TEST_F(ImageFile, SaveToPngReportsFailure)
{
    const int id = patternImage("Export");
    EXPECT_FALSE(images->get(id)->saveToPNG(dir.file("no/such/folder/out.png").c_str()));
    EXPECT_FALSE(images->get(id)->saveToPNG(""));
    EXPECT_FALSE(images->get(id)->saveToPNG(nullptr));
    const int empty = images->create("Empty", 10);
    EXPECT_FALSE(images->get(empty)->saveToPNG(dir.file("empty.png").c_str()));
    EXPECT_FALSE(std::filesystem::exists(dir.file("empty.png")));
}

TEST_F(ImageFile, AssignSurfaceTakesOwnershipAndKeepsTheCallersOnFailure)
{
    const int id = images->create("Target", 10);
    Image* img = images->get(id);
    EXPECT_EQ(img->getSurface(), nullptr);
    EXPECT_EQ(img->assignSurface(nullptr, 1), RC_ERR_INVALID);
    SDL_Surface* mine = patternSurface(3, 2);
    SDL_Surface* expected = patternSurface(3, 2);
    ASSERT_GE(img->assignSurface(mine, 1), 0); // the image frees mine
    EXPECT_TRUE(samePixels(expected, img->getSurface()));
    // Handing the image its own surface back must not free it.
    EXPECT_EQ(img->assignSurface(img->getSurface(), 1), 0);
    EXPECT_TRUE(samePixels(expected, img->getSurface()));
    SDL_FreeSurface(expected);
}

// An owned surface already in the image's format becomes its pixels with
// no copy; one the copy would change, or one the caller keeps, is copied.
TEST_F(ImageFile, AssignSurfaceCopiesOnlyWhatItMustChangeOrMayNotKeep)
{
    Image* img = images->get(images->create("Taken", 10));
    SDL_Surface* pattern = patternSurface(5, 3);
    const struct {
        uint32_t format;
        bool key;
        int own;
        bool kept;
    } cases[] = {{SDL_PIXELFORMAT_ARGB8888, false, 1, true},  {SDL_PIXELFORMAT_RGB888, false, 1, true},
                 {SDL_PIXELFORMAT_ARGB8888, false, 0, false}, {SDL_PIXELFORMAT_RGB888, true, 1, false},
                 {SDL_PIXELFORMAT_ABGR8888, false, 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(SDL_GetPixelFormatName(c.format) + std::string(c.key ? " keyed" : "") + (c.own ? " owned" : ""));
        SDL_Surface* given = SDL_ConvertSurfaceFormat(pattern, c.format, 0);
        SDL_SetSurfaceBlendMode(given, SDL_BLENDMODE_NONE);
        if (c.key)
            SDL_SetColorKey(given, SDL_TRUE, 0);
        const uintptr_t address = reinterpret_cast<uintptr_t>(given);
        ASSERT_EQ(img->assignSurface(given, c.own), 0);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(img->getSurface()) == address, c.kept);
        if (!c.key) {
            EXPECT_TRUE(samePixels(pattern, img->getSurface(), SDL_ISPIXELFORMAT_ALPHA(c.format)));
        }
        SDL_BlendMode blend = SDL_BLENDMODE_INVALID;
        SDL_GetSurfaceBlendMode(img->getSurface(), &blend);
        EXPECT_EQ(blend, img->getSurface()->format->Amask ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
        if (!c.own)
            SDL_FreeSurface(given);
    }
    SDL_FreeSurface(pattern);
}

} // namespace
} // namespace imagetest
