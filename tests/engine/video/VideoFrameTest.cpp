// Frames on demand from clips made here, whose frames show their number:
// the frame at a time, past the end, bad requests, no new seek for a
// request ahead in the same group of pictures, and with B-frames the same
// frames as libavcodec's own at and around keyframes.
#include "engine/video/VideoTestSupport.h"
#include "support/TestFolder.h"

#include "video/FrameSeeker.h"

#include <fstream>
#include <iterator>
#include <vector>

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

// H.264 with B-frames: a keyframe shows after frames decoded before it, so
// the index's decoding times alone put it too early.
class VideoKeyframeTest : public ::testing::Test {
protected:
    static constexpr int kFrames = 40, kGroup = 12, kFrameMs = 100;

    void SetUp() override
    {
        av_log_set_level(AV_LOG_ERROR); // the encoder's report
        path = folder.path("bframes.mp4");
        videotest::ClipSpec spec;
        spec.codec = AV_CODEC_ID_H264;
        spec.frames = kFrames;
        spec.gop = kGroup;
        spec.bFrames = 2;
        spec.levels = 20;
        ASSERT_TRUE(videotest::makeClip(path, spec));
        std::ifstream in(path, std::ios::binary);
        bytes = std::make_shared<Vector<uint8_t>>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        decodeReference();
        ASSERT_EQ(reference.size(), size_t{kFrames});
        ASSERT_EQ(seeker.open(bytes, info), 0);
    }
    void TearDown() override { Main::terminate(); }

    // libavcodec's own frames, forward from the start: the luma rows of
    // each, by the frame's number.
    void decodeReference()
    {
        AVFormatContext* format = nullptr;
        ASSERT_EQ(avformat_open_input(&format, path.c_str(), nullptr, nullptr), 0);
        ASSERT_GE(avformat_find_stream_info(format, nullptr), 0);
        const AVCodec* decoder = nullptr;
        const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
        ASSERT_GE(index, 0);
        AVStream* stream = format->streams[index];
        AVCodecContext* codec = avcodec_alloc_context3(decoder);
        avcodec_parameters_to_context(codec, stream->codecpar);
        ASSERT_EQ(avcodec_open2(codec, decoder, nullptr), 0);
        AVPacket* packet = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        const auto take = [&] {
            while (avcodec_receive_frame(codec, frame) == 0) {
                const int64_t ms = av_rescale_q(frame->best_effort_timestamp, stream->time_base, AVRational{1, 1000});
                reference.push_back(lumaOf(frame));
                EXPECT_EQ(ms, int64_t{kFrameMs} * static_cast<int64_t>(reference.size() - 1));
            }
        };
        for (bool more = true; more;) {
            more = av_read_frame(format, packet) >= 0;
            // The clip must show keyframes after they decode, or it tests nothing.
            if (more && (packet->flags & AV_PKT_FLAG_KEY) && packet->pts > packet->dts)
                keyframesShowLate = true;
            avcodec_send_packet(codec, more ? packet : nullptr);
            av_packet_unref(packet);
            take();
        }
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    // The clip again, with the keyframe packet of group `group` claiming to
    // show `frames` frames later than it does, as damage would.
    std::string withLateKeyframe(int group, int frames)
    {
        const std::string late = folder.path("late.mp4");
        AVFormatContext* in = nullptr;
        AVFormatContext* out = nullptr;
        EXPECT_EQ(avformat_open_input(&in, path.c_str(), nullptr, nullptr), 0);
        EXPECT_GE(avformat_alloc_output_context2(&out, nullptr, "mp4", late.c_str()), 0);
        AVStream* stream = avformat_new_stream(out, nullptr);
        avcodec_parameters_copy(stream->codecpar, in->streams[0]->codecpar);
        stream->time_base = in->streams[0]->time_base;
        EXPECT_GE(avio_open(&out->pb, late.c_str(), AVIO_FLAG_WRITE), 0);
        EXPECT_GE(avformat_write_header(out, nullptr), 0);
        AVPacket* packet = av_packet_alloc();
        for (int keys = 0; av_read_frame(in, packet) >= 0;) {
            if ((packet->flags & AV_PKT_FLAG_KEY) && keys++ == group)
                packet->pts += frames * packet->duration;
            av_packet_rescale_ts(packet, in->streams[0]->time_base, stream->time_base);
            EXPECT_EQ(av_interleaved_write_frame(out, packet), 0);
        }
        EXPECT_EQ(av_write_trailer(out), 0);
        av_packet_free(&packet);
        avio_closep(&out->pb);
        avformat_free_context(out);
        avformat_close_input(&in);
        return late;
    }

    static std::vector<uint8_t> lumaOf(const AVFrame* frame)
    {
        std::vector<uint8_t> rows;
        for (int y = 0; y < frame->height; ++y)
            rows.insert(rows.end(), frame->data[0] + y * frame->linesize[0], frame->data[0] + y * frame->linesize[0] + frame->width);
        return rows;
    }

    // Asks the seeker for frame n; true when it gives libavcodec's frame n.
    bool givesFrame(int n)
    {
        const AVFrame* frame = nullptr;
        return seeker.frameAt(int64_t{n} * kFrameMs, &frame) == 0 && frame && lumaOf(frame) == reference[size_t(n)];
    }

    TestFolder folder;
    std::string path;
    video::SharedBytes bytes;
    std::vector<std::vector<uint8_t>> reference;
    bool keyframesShowLate = false;
    video::FrameSeeker seeker;
    VideoInfo info;
};

TEST_F(VideoKeyframeTest, StepsThroughEveryFrameWithOneSeek)
{
    EXPECT_TRUE(keyframesShowLate);
    for (int n = 0; n < kFrames; ++n)
        EXPECT_TRUE(givesFrame(n)) << n;
    EXPECT_EQ(seeker.seeks(), 1);
}

TEST_F(VideoKeyframeTest, AKeyframeShownImpossiblyLateStopsNoSeekAhead)
{
    std::ifstream in(withLateKeyframe(2, 1000), std::ios::binary);
    auto late = std::make_shared<Vector<uint8_t>>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    video::FrameSeeker damaged;
    ASSERT_EQ(damaged.open(late, info), 0);
    const AVFrame* frame = nullptr;
    // Past the damaged keyframe, back to the start, then ahead past the last keyframe.
    for (int ms : {3000, 200})
        ASSERT_EQ(damaged.frameAt(ms, &frame), 0);
    const int before = damaged.seeks();
    ASSERT_EQ(damaged.frameAt(3700, &frame), 0);
    EXPECT_EQ(damaged.seeks(), before + 1);
}

TEST_F(VideoKeyframeTest, JumpsAroundKeyframesGiveTheDecodersFrames)
{
    // Keyframes show at 0, 12, 24 and 36; seeks: whether reaching `to`
    // from `from` seeks. Only a keyframe shown after the frames decoded and
    // at or before `to` is worth one.
    const struct {
        int from;
        int to;
        int seeks;
    } jumps[] = {{2, 10, 0},  {2, 11, 0},  {11, 12, 0}, {3, 12, 1},  {3, 13, 1},  {13, 23, 0},
                 {20, 25, 1}, {25, 24, 1}, {30, 11, 1}, {23, 35, 0}, {35, 36, 0}, {39, 0, 1}};
    for (const auto& jump : jumps) {
        ASSERT_TRUE(givesFrame(jump.from)) << jump.from;
        const int before = seeker.seeks();
        EXPECT_TRUE(givesFrame(jump.to)) << jump.from << " to " << jump.to;
        EXPECT_EQ(seeker.seeks() - before, jump.seeks) << jump.from << " to " << jump.to;
    }
}

} // namespace
