// Sample videos nobody here wrote load with the facts they hold, and their
// frames decode at their own size; the ones that are not video we take are
// refused cleanly. Skipped without the project's test data.
#include "engine/video/VideoTestSupport.h"

#include <cctype>

namespace {

using namespace Zelkoran;

struct SampleCase {
    const char* file;
    int width;
    int height;
    int durationMs;     // within 2 %
    uint64_t frames;
    const char* container;
    const char* videoCodec;
    const char* audioCodec; // "" without sound
};

class VideoSampleTest : public ::testing::TestWithParam<SampleCase> {
protected:
    void TearDown() override { Main::terminate(); }
};

TEST_P(VideoSampleTest, LoadsWithItsFactsAndDecodesItsFrames)
{
    const SampleCase& c = GetParam();
    const std::string path = videotest::sample(c.file);
    if (path.empty())
        GTEST_SKIP() << "no sample data";
    VideoMgr* videos = Main::instance()->videoMgr();
    const int id = videos->loadFromFile(path.c_str(), "", ATT_MUSIC);
    ASSERT_GT(id, 0);
    Video* video = videos->get(id);
    VideoInfo info;
    ASSERT_EQ(video->getInfo(&info), 0);
    EXPECT_EQ(video->getWidth(), c.width);
    EXPECT_EQ(video->getHeight(), c.height);
    EXPECT_NEAR(video->getDuration(), c.durationMs, c.durationMs / 50);
    EXPECT_EQ(info.durationMs, video->getDuration());
    EXPECT_EQ(info.frameCount, c.frames);
    EXPECT_STREQ(info.container, c.container);
    EXPECT_STREQ(info.videoCodec, c.videoCodec);
    EXPECT_STREQ(info.audioCodec, c.audioCodec);
    EXPECT_EQ(info.audioChannels > 0, c.audioCodec[0] != 0);
    EXPECT_GT(info.framesPerSecond, 0.0f);

    for (int ms : {0, video->getDuration() / 2, video->getDuration() - 1}) {
        SDL_Surface* frame = nullptr;
        ASSERT_EQ(video->decodeFrameAt(ms, &frame), 0) << ms;
        ASSERT_NE(frame, nullptr) << ms;
        EXPECT_EQ(frame->w, c.width);
        EXPECT_EQ(frame->h, c.height);
        EXPECT_EQ(frame->format->format, SDL_PIXELFORMAT_ARGB8888);
        SDL_FreeSurface(frame);
    }
    SDL_Surface* none = nullptr;
    EXPECT_EQ(video->decodeFrameAt(video->getDuration() + 100, &none), 0);
    EXPECT_EQ(none, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Samples, VideoSampleTest,
    ::testing::Values(SampleCase{"mp4ff-prog_8s.mp4", 640, 360, 8000, 240, "mov,mp4,m4a,3gp,3g2,mj2", "h264", "aac"},
                      SampleCase{"mp4ff-h264-1080p.mp4", 1920, 1080, 1000, 50, "mov,mp4,m4a,3gp,3g2,mj2", "h264", ""},
                      SampleCase{"infer-sample.mov", 1920, 1080, 5000, 151, "mov,mp4,m4a,3gp,3g2,mj2", "h264", ""},
                      SampleCase{"infer-sample.avi", 320, 240, 30160, 377, "avi", "mpeg4", "mp3"},
                      SampleCase{"openh264-Cisco_Men_whisper_640x320_CABAC_Bframe_9.264", 640, 320, 360, 9, "h264",
                                 "h264", ""},
                      SampleCase{"openh264-Zhling_1280x720.264", 1280, 720, 760, 19, "h264", "h264", ""}),
    [](const ::testing::TestParamInfo<SampleCase>& param) {
        std::string name = param.param.file;
        for (char& c : name)
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(VideoSampleRefusal, LengthPrefixedH264IsNotTakenForAnnexB)
{
    const std::string path = videotest::sample("mp4ff-two-frames.264");
    if (path.empty())
        GTEST_SKIP() << "no sample data";
    EXPECT_EQ(Main::instance()->videoMgr()->loadFromFile(path.c_str(), "", ATT_MUSIC), RC_ERR_CORRUPT);
    Main::terminate();
}

} // namespace
