// Playback with sound on SDL's dummy audio driver and the offscreen window:
// the clock moves with the mixer, pause holds it, stop rewinds, the engine
// draws the due frame into the viewport, and a pass runs to its end.
#include "engine/video/VideoTestSupport.h"
#include "support/TestFolder.h"

#include <Zelkoran/Screen.h>
#include <Zelkoran/TestSupport.h>
#include <Zelkoran/Timer.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

using namespace Zelkoran;
namespace TS = Zelkoran::TestSupport;

class VideoPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Main* engine = Main::instance();
        engine->timer()->init(0);
        screen = engine->configMgr()->get(0);
        screen->setDriver(Screen::DRV_SOFT);
        screen->setSize(400, 300);
        ASSERT_EQ(screen->show(), 0);
        ASSERT_EQ(engine->configMgr()->audioInit(44100, 0x8010, 2), 0);
        videotest::ClipSpec spec;
        spec.sound = true;
        const std::string path = folder.path("tone.mp4");
        ASSERT_TRUE(videotest::makeClip(path, spec));
        const int id = engine->videoMgr()->loadFromFile(path.c_str(), "", ATT_VOICE);
        ASSERT_GT(id, 0);
        video = engine->videoMgr()->get(id);
        video->setViewport(SDL_FRect{100, 50, 200, 150});
    }
    void TearDown() override { Main::terminate(); }

    // Draws frames until done() holds or ms pass; whether it held.
    bool drawUntil(const std::function<bool()>& done, int ms = 4000)
    {
        const uint64_t end = SDL_GetTicks64() + static_cast<uint64_t>(ms);
        while (!done()) {
            if (SDL_GetTicks64() > end)
                return false;
            screen->renderFrame(false);
            SDL_Delay(5);
        }
        return true;
    }

    // The frame number the viewport's centre shows, -1 for the bare background.
    int shownFrame()
    {
        SDL_Surface* frame = TS::captureFrame();
        SDL_Surface* centre = SDL_CreateRGBSurfaceWithFormat(0, 1, 1, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_Rect at{200, 125, 1, 1};
        SDL_BlitSurface(frame, &at, centre, nullptr);
        Uint8 r, g, b;
        SDL_GetRGB(*static_cast<Uint32*>(centre->pixels), centre->format, &r, &g, &b);
        SDL_FreeSurface(centre);
        SDL_FreeSurface(frame);
        if (r == 128 && g == 128 && b == 128)
            return -1;
        return static_cast<int>(std::lround((16.0 + r * 219.0 / 255.0 - 20.0) / 10.0));
    }

    TestFolder folder;
    Screen* screen = nullptr;
    Video* video = nullptr;
};

TEST_F(VideoPlaybackTest, PlaysPausesResumesAndStops)
{
    VideoInfo info;
    video->getInfo(&info);
    EXPECT_STREQ(info.audioCodec, "aac");
    EXPECT_EQ(info.audioChannels, 2);
    EXPECT_EQ(info.audioFrequencyHz, 44100);
    EXPECT_EQ(video->pause(), RC_ERR_INVALID) << "not playing";
    EXPECT_EQ(shownFrame(), -1) << "nothing before a seek or play";
    ASSERT_EQ(video->seek(0), 0);
    EXPECT_EQ(shownFrame(), 0) << "a stopped video shows the frame it was moved to";

    ASSERT_EQ(video->play(0), 0);
    ASSERT_TRUE(drawUntil([&] { return video->getPlaybackPosition() >= 500; }));
    EXPECT_GE(shownFrame(), 4);

    ASSERT_EQ(video->pause(), 0);
    const int held = video->getPlaybackPosition();
    drawUntil([] { return false; }, 200);
    EXPECT_EQ(video->getPlaybackPosition(), held);
    const int frame = shownFrame();
    EXPECT_NEAR(frame, held / 100, 1);

    ASSERT_EQ(video->resume(), 0);
    EXPECT_EQ(video->resume(), RC_ERR_INVALID) << "not paused";
    ASSERT_TRUE(drawUntil([&] { return video->getPlaybackPosition() >= held + 300; }));
    EXPECT_GT(shownFrame(), frame);

    ASSERT_EQ(video->stop(), 0);
    EXPECT_EQ(video->getPlaybackPosition(), 0);
    EXPECT_EQ(shownFrame(), -1) << "stop clears the viewport";
}

TEST_F(VideoPlaybackTest, APassRunsToTheEndAndTheNextPlayStartsOver)
{
    ASSERT_EQ(video->seek(1500), 0);
    EXPECT_EQ(shownFrame(), 15);
    ASSERT_EQ(video->play(0), 0);
    ASSERT_TRUE(drawUntil([&] { return video->getPlaybackPosition() >= 1700; }));
    EXPECT_GE(shownFrame(), 16) << "played on from where it was moved to";
    ASSERT_TRUE(drawUntil([&] { return video->getPlaybackPosition() >= 2000; }));
    screen->renderFrame(false);
    EXPECT_EQ(video->pause(), RC_ERR_INVALID) << "the pass ended by itself";
    EXPECT_EQ(video->getPlaybackPosition(), 2000);
    EXPECT_EQ(shownFrame(), 19) << "the last frame stays";

    ASSERT_EQ(video->play(0), 0);
    ASSERT_TRUE(drawUntil([&] { return shownFrame() >= 0 && shownFrame() < 5; }));
}

TEST_F(VideoPlaybackTest, PlaysWithoutAnAudioDevice)
{
    Main::instance()->configMgr()->audioClose();
    ASSERT_EQ(video->play(0), 0);
    EXPECT_TRUE(drawUntil([&] { return video->getPlaybackPosition() >= 300; }));
}

// Frames decoded ahead reach the window in their order, never ahead of the
// clock, and none decoded before a seek or a stop shows after it. Frames
// are told by the grey level libavcodec decodes for each.
TEST_F(VideoPlaybackTest, FramesDecodedAheadShowInOrderAndNoneFromBeforeASeekOrStop)
{
    videotest::ClipSpec spec;
    spec.codec = AV_CODEC_ID_H264;
    spec.bFrames = 2;
    spec.gop = 12;
    const std::string path = folder.path("bframes.mp4");
    ASSERT_TRUE(videotest::makeClip(path, spec));
    video->stop();
    const int id = Main::instance()->videoMgr()->loadFromFile(path.c_str(), "", ATT_MUSIC);
    ASSERT_GT(id, 0);
    Main::instance()->videoMgr()->close(video->getID());
    video = Main::instance()->videoMgr()->get(id);
    video->setViewport(SDL_FRect{100, 50, 200, 150});
    // The frames shown until the clock reaches ms, each once, in the order shown.
    auto framesUntil = [&](int ms) {
        std::vector<int> seen;
        drawUntil([&] {
            const int frame = shownFrame();
            const int clock = video->getPlaybackPosition();
            EXPECT_LE(frame * 100, clock) << "frame " << frame << " ahead of the clock";
            if (frame >= 0 && (seen.empty() || seen.back() != frame))
                seen.push_back(frame);
            return clock >= ms;
        });
        return seen;
    };
    auto inOrder = [](const std::vector<int>& frames) {
        return !frames.empty() && std::is_sorted(frames.begin(), frames.end()) &&
               std::adjacent_find(frames.begin(), frames.end()) == frames.end();
    };

    ASSERT_EQ(video->play(0), 0);
    const std::vector<int> first = framesUntil(800);
    EXPECT_TRUE(inOrder(first)) << ::testing::PrintToString(first);

    // The picture from before the seek may stay until the first new one.
    ASSERT_EQ(video->seek(1500), 0);
    std::vector<int> moved = framesUntil(1800);
    if (!moved.empty() && !first.empty() && moved.front() == first.back())
        moved.erase(moved.begin());
    EXPECT_TRUE(inOrder(moved)) << ::testing::PrintToString(moved);
    EXPECT_TRUE(!moved.empty() && moved.front() >= 15) << ::testing::PrintToString(moved);

    ASSERT_EQ(video->stop(), 0);
    EXPECT_EQ(shownFrame(), -1);
    ASSERT_EQ(video->play(0), 0);
    const std::vector<int> again = framesUntil(300);
    EXPECT_TRUE(inOrder(again)) << ::testing::PrintToString(again);
}

} // namespace
