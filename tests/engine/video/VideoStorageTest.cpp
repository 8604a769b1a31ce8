// Videos kept in an archive and written back: the bytes never change, the
// tag travels with them, names and removal behave as for other resources;
// hostile files and blocks give a clear code and no video.
#include "engine/video/VideoTestSupport.h"
#include "support/TestFolder.h"

#include <Zelkoran/Archive.h>

#include <fstream>
#include <iterator>

namespace {

using namespace Zelkoran;

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class VideoStorageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        videos = Main::instance()->videoMgr();
        clip = folder.path("clip.avi");
        videotest::ClipSpec spec;
        spec.format = "avi";
        ASSERT_TRUE(videotest::makeClip(clip, spec));
        archiveId = Main::instance()->archiveMgr()->create(folder.path("v.qel").c_str(), 16);
        ASSERT_GT(archiveId, 0);
    }
    void TearDown() override { Main::terminate(); }

    int addBlock(const char* name, const std::string& bytes)
    {
        Archive::Block block(name, "ZK7_VIDEO");
        block.data = const_cast<char*>(bytes.data());
        block.size = bytes.size();
        return Main::instance()->archiveMgr()->get(archiveId)->blockAdd(block);
    }

    TestFolder folder;
    VideoMgr* videos = nullptr;
    std::string clip;
    int archiveId = 0;
};

TEST_F(VideoStorageTest, SavedAndExportedBytesStayTheSource)
{
    const int id = videos->loadFromFile(clip.c_str(), "", ATT_MUSIC);
    ASSERT_GT(id, 0);
    Video* video = videos->get(id);
    EXPECT_EQ(video->save(archiveId, ""), RC_ERR_INVALID) << "no name at all";
    ASSERT_EQ(videos->setName(id, "Intro"), 0);
    ASSERT_EQ(video->setTag(ATT_VOICE), 0);
    EXPECT_EQ(video->setTag(static_cast<eAudioTrackTag>(9)), RC_ERR_INVALID);
    ASSERT_EQ(video->save(archiveId, ""), 0);

    const int again = videos->load(archiveId, "Intro");
    ASSERT_GT(again, 0);
    EXPECT_EQ(videos->setName(again, "Intro"), RC_ERR_EXISTS) << "the first one holds the name";
    EXPECT_EQ(videos->get(again)->getTag(), ATT_VOICE);
    const std::string exported = folder.path("out.avi");
    ASSERT_EQ(videos->get(again)->saveToFile(exported.c_str()), 0);
    EXPECT_EQ(readBytes(exported), readBytes(clip));

    ASSERT_EQ(videos->remove(archiveId, "Intro"), 0);
    EXPECT_EQ(videos->load(archiveId, "Intro"), RC_ERR_NOT_FOUND);
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    Archive::Block entry;
    ASSERT_EQ(archive->blockAt(0, entry), 0);
    EXPECT_TRUE(entry.deleted) << "removal only marks the block deleted";
    ASSERT_EQ(archive->blockUndelete(0, nullptr), 0);
    EXPECT_GT(videos->load(archiveId, "Intro"), 0);
    EXPECT_EQ(videos->close(again), 0);
    EXPECT_EQ(videos->close(again), RC_ERR_NOT_FOUND);
}

TEST_F(VideoStorageTest, DamagedBlockHeadersAreRefused)
{
    const int id = videos->loadFromFile(clip.c_str(), "", ATT_MUSIC);
    ASSERT_GT(id, 0);
    ASSERT_EQ(videos->setName(id, "Good"), 0);
    ASSERT_EQ(videos->get(id)->save(archiveId, ""), 0);
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    Archive::Block stored("Good", "ZK7_VIDEO");
    ASSERT_EQ(archive->blockLoad(stored), 0);
    const std::string good(static_cast<const char*>(stored.data), stored.size);
    archive->blockFree(stored);
    auto with = [&](size_t at, char value) {
        std::string bytes = good;
        bytes[at] = value;
        return bytes;
    };
    std::string noSource = good.substr(0, 24);
    std::fill(noSource.begin() + 16, noSource.end(), '\0');
    const struct {
        const char* what;
        std::string bytes;
    } blocks[] = {
        {"magic", with(0, 'X')},
        {"version", with(8, 2)},
        {"header size", with(10, 32)},
        {"tag", with(12, 9)},
        {"source size", good.substr(0, good.size() - 1)},
        {"cut in the header", good.substr(0, 20)},
        {"no source", noSource},
    };
    for (const auto& block : blocks) {
        ASSERT_GT(addBlock(block.what, block.bytes), -1) << block.what;
        EXPECT_EQ(videos->load(archiveId, block.what), RC_ERR_CORRUPT) << block.what;
    }
    EXPECT_GT(videos->load(archiveId, "Good"), 0);
}

TEST_F(VideoStorageTest, HostileFilesAndBlocksAreRefused)
{
    const std::string source = readBytes(clip);
    videotest::ClipSpec raw;
    raw.format = "avi";
    raw.codec = AV_CODEC_ID_RAWVIDEO;
    const std::string rawPath = folder.path("raw.avi");
    ASSERT_TRUE(videotest::makeClip(rawPath, raw));
    const std::string rawSource = readBytes(rawPath);
    ASSERT_GT(videos->loadFromFile(rawPath.c_str(), "", ATT_MUSIC), 0);
    // The stream header's frame size (BITMAPINFOHEADER after "strf" and its length).
    const size_t strf = rawSource.find("strf", rawSource.find("vids"));
    ASSERT_NE(strf, std::string::npos);
    auto withSize = [&](uint32_t w, uint32_t h) {
        std::string bytes = rawSource;
        std::memcpy(&bytes[strf + 12], &w, 4);
        std::memcpy(&bytes[strf + 16], &h, 4);
        return bytes;
    };
    const struct {
        const char* what;
        std::string bytes;
    } files[] = {
        {"empty", ""},
        {"text", "not a video at all"},
        {"truncated", source.substr(0, source.size() / 3)},
        {"header only", source.substr(0, 512)},
        {"absurd frame size", withSize(1000000, 1000000)},
        {"frame larger than the data", withSize(16000, 16000)},
        {"zero frame size", withSize(0, 0)},
    };
    for (const auto& file : files) {
        const std::string path = folder.path("hostile.avi");
        writeBytes(path, file.bytes);
        EXPECT_EQ(videos->loadFromFile(path.c_str(), "", ATT_MUSIC), RC_ERR_CORRUPT) << file.what;
        ASSERT_GT(addBlock(file.what, file.bytes), -1) << file.what;
        EXPECT_EQ(videos->load(archiveId, file.what), RC_ERR_CORRUPT) << file.what << ": not a video block";
    }
    EXPECT_EQ(videos->loadFromFile(folder.path("none.mp4").c_str(), "", ATT_MUSIC), RC_ERR_NOT_FOUND);
    EXPECT_EQ(videos->loadFromFile(clip.c_str(), "", static_cast<eAudioTrackTag>(0)), RC_ERR_INVALID);
}

} // namespace
