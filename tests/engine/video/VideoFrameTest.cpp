// Frames on demand from clips made here, whose frames show their number:
// the frame at a time, past the end, bad requests, and no new seek for a
// request ahead in the same group of pictures.
#include "engine/video/VideoTestSupport.h"
#include "support/TestFolder.h"

#include "video/FrameSeeker.h"

#include <fstream>
#include <iterator>

namespace {

using namespace Zelkoran;

class VideoFrameTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        path = folder.path(std::string("count.") + GetParam());
        videotest::ClipSpec spec;
        spec.format = GetParam();
        ASSERT_TRUE(videotest::makeClip(path, spec));
        id = Main::instance()->videoMgr()->loadFromFile(path.c_str(), "", ATT_MUSIC);
        ASSERT_GT(id, 0);
        video = Main::instance()->videoMgr()->get(id);
    }
    void TearDown() override { Main::terminate(); }

    // The number of the frame decoded at ms; -1 for none.
    int frameAt(int ms)
    {
        SDL_Surface* surface = nullptr;
        EXPECT_EQ(video->decodeFrameAt(ms, &surface), 0) << ms;
        if (!surface)
            return -1;
        const int n = videotest::frameNumberOf(surface);
        SDL_FreeSurface(surface);
        return n;
    }

    TestFolder folder;
    std::string path;
    int id = 0;
    Video* video = nullptr;
};

TEST_P(VideoFrameTest, GivesTheFrameShownAtEachTime)
{
    EXPECT_EQ(video->getWidth(), 64);
    EXPECT_EQ(video->getHeight(), 48);
    EXPECT_EQ(video->getDuration(), 2000);
    // 20 frames at 10 fps, a keyframe every 5: forward, backward, across
    // groups, the last frame and past the end.
    const struct {
        int ms;
        int frame;
    } steps[] = {{0, 0}, {99, 0}, {100, 1}, {730, 7}, {1250, 12}, {300, 3}, {1999, 19}, {2000, -1}, {60000, -1}, {0, 0}};
    for (const auto& step : steps)
        EXPECT_EQ(frameAt(step.ms), step.frame) << step.ms;
}

TEST_P(VideoFrameTest, RefusesBadRequests)
{
    SDL_Surface* surface = reinterpret_cast<SDL_Surface*>(&id);
    EXPECT_EQ(video->decodeFrameAt(-1, &surface), RC_ERR_INVALID);
    EXPECT_EQ(surface, nullptr);
    EXPECT_EQ(video->decodeFrameAt(0, nullptr), RC_ERR_INVALID);
}

TEST_P(VideoFrameTest, ForwardInTheSameGroupNeedsNoSeek)
{
    std::ifstream in(path, std::ios::binary);
    auto bytes = std::make_shared<Vector<uint8_t>>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    video::FrameSeeker seeker;
    VideoInfo info;
    ASSERT_EQ(seeker.open(bytes, info), 0);
    const AVFrame* frame = nullptr;
    for (int ms : {0, 100, 200, 400})
        ASSERT_EQ(seeker.frameAt(ms, &frame), 0);
    const int inGroup = seeker.seeks();
    ASSERT_EQ(seeker.frameAt(1200, &frame), 0); // two groups ahead: seeks
    EXPECT_EQ(seeker.seeks(), inGroup + 1);
    ASSERT_EQ(seeker.frameAt(1300, &frame), 0);
    ASSERT_EQ(seeker.frameAt(100, &frame), 0); // backward: seeks
    EXPECT_EQ(seeker.seeks(), inGroup + 2);
    EXPECT_EQ(seeker.shownMs(), 100);
}

INSTANTIATE_TEST_SUITE_P(Containers, VideoFrameTest, ::testing::Values("mp4", "avi"));

} // namespace
