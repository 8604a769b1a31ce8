// The video tab's rules on a headless engine: export extensions, the
// viewport, the info lines, the state without a video, a video without
// sound, and the failures the user is told about.
#include "engine/video/VideoTestSupport.h"
#include "support/LogCapture.h"
#include "tabs/ProtocolTab.h"
#include "tabs/base/BasePanel.h"
#include "tabs/data/ctrlVideos.h"

#include <filesystem>
#include <fstream>

namespace {

namespace TS = Zelkoran::TestSupport;
using Zelkoran::MBB_NONE;
using Zelkoran::MBB_OK;
using Zelkoran::MBT_ERROR;
using Zelkoran::MBT_INFORMATION;
using Zelkoran::MBT_WARNING;

TEST(VideoTabRules, ExportExtensionFollowsTheContainer)
{
    const struct {
        const char* container;
        const char* extension;
    } cases[] = {
        {"mov,mp4,m4a,3gp,3g2,mj2", "mp4"}, {"QuickTime MOV", "mp4"}, {"MP4", "mp4"}, {"avi", "avi"},
        {"AVI", "avi"}, {"h264", "h264"}, {"Raw H264", "h264"}, {"h264 stream", "mp4"}, {"", "mp4"}, {"xy", "mp4"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::string(CtrlVideos::exportExtension(c.container).c_str()), c.extension) << c.container;
}

TEST(VideoTabRules, ViewportFitsTheFrameOfTheWindow)
{
    const SDL_FRect frame = CtrlVideos::videoFrame(1400, 1000);
    EXPECT_EQ(frame.x, 400.0f);
    EXPECT_EQ(frame.y, 295.0f);
    const struct {
        int w, h;
        SDL_FRect expected;
    } cases[] = {
        {1920, 1080, {400, 295, 800, 450}},
        {400, 225, {400, 295, 800, 450}}, // small videos are enlarged
        {1080, 1920, {673.4375f, 295, 253.125f, 450}},
    };
    for (const auto& c : cases) {
        const SDL_FRect v = CtrlVideos::viewportIn(frame, c.w, c.h);
        EXPECT_FLOAT_EQ(v.x, c.expected.x) << c.w << "x" << c.h;
        EXPECT_FLOAT_EQ(v.y, c.expected.y);
        EXPECT_FLOAT_EQ(v.w, c.expected.w);
        EXPECT_FLOAT_EQ(v.h, c.expected.h);
    }
}

class VideoTab : public CtrlVideos {
public:
    using CtrlVideos::CtrlVideos;
    Zelkoran::Panel* basePanel() const { return &tabServices().panel(); }
    int handle() const { return getItemHandle(); }
};

class VideoTabTest : public ProtocolTest {
protected:
    void SetUp() override
    {
        ProtocolTest::SetUp();
        openArchive({{"Picture", "ZK7_IMAGE"}});
        tab.reset(new (std::nothrow) VideoTab(&*resources, &*status));
        ASSERT_NE(tab, nullptr);
        tab->parseQEL();
        panel = tab->basePanel();
    }
    void TearDown() override
    {
        tab.reset();
        ProtocolTest::TearDown();
    }

    int event(int id) { return tab->processEvent(id, 0); }
    std::string info() { return panel->getTextEdit(CtrlVideos::VW_INFO)->getText().c_str(); }
    bool enabled(int id) { return panel->getWidgetByID(id)->isEnabled(); }
    bool checked(int id) { return panel->getCheckBox(id)->isChecked(); }

    int importFile(const std::string& path)
    {
        TS::pushFileAnswer(true, path.c_str());
        return event(CtrlVideos::VW_IMPORT);
    }

    std::unique_ptr<VideoTab> tab;
    Zelkoran::Panel* panel = nullptr;
};

TEST_F(VideoTabTest, WithoutVideoOnlyImportWorks)
{
    EXPECT_EQ(event(BW_NEW), 4);
    EXPECT_EQ(info(), "No video loaded");
    EXPECT_TRUE(checked(CtrlVideos::VW_MUSIC));
    for (int id : std::initializer_list<int>{BW_SAVE, CtrlVideos::VW_EXPORT, CtrlVideos::VW_PLAY, CtrlVideos::VW_PAUSE, CtrlVideos::VW_STOP,
                   CtrlVideos::VW_MUSIC, CtrlVideos::VW_SFX, CtrlVideos::VW_VOICE, CtrlVideos::VW_CUSTOM,
                   CtrlVideos::VW_INFO})
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_TRUE(enabled(CtrlVideos::VW_IMPORT));
    panel->getCheckBox(CtrlVideos::VW_VOICE)->setChecked(true);
    EXPECT_EQ(event(CtrlVideos::VW_VOICE), 4);
    EXPECT_TRUE(checked(CtrlVideos::VW_MUSIC));
    EXPECT_FALSE(checked(CtrlVideos::VW_VOICE));
    EXPECT_FALSE(tab->isDirty());

    panel->getTextEdit(BW_NAME)->setText("clip");
    TS::pushAnswer(0);
    EXPECT_EQ(tab->onExport(status->sArchivePath), -1);
    TS::pushAnswer(0);
    EXPECT_EQ(event(BW_SAVE), -1);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{
                               {"Video export", "Video could not be exported:\nvideo resource is not opened.", MBB_NONE,
                                MBT_WARNING, 2000},
                               {"Video: save to QEL", "Could not get the video.", MBB_NONE, MBT_ERROR, 2000}}));
}

TEST_F(VideoTabTest, ImportsASilentVideoAndDescribesIt)
{
    const std::string junk = folder.path("junk.mp4");
    std::ofstream(junk) << "not a video";
    TS::pushAnswer(MBB_OK);
    EXPECT_EQ(importFile(junk), 4);
    const std::string clip = folder.path("Count.avi");
    videotest::ClipSpec spec;
    spec.format = "avi";
    ASSERT_TRUE(videotest::makeClip(clip, spec));
    EXPECT_EQ(importFile(clip), 0);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Video import", "", 0, 0, 0},
                                             {"Video import", "Video could not be imported.", MBB_OK, MBT_ERROR, 0},
                                             {"Video import", "", 0, 0, 0}}));
    EXPECT_TRUE(tab->isDirty());
    EXPECT_EQ(std::string(panel->getTextEdit(BW_NAME)->getText().c_str()), "Count") << "named after the file";
    Zelkoran::VideoInfo facts;
    Zelkoran::Main::instance()->videoMgr()->get(tab->handle())->getInfo(&facts);
    EXPECT_GT(facts.videoBitRateKbps, 0);
    EXPECT_EQ(info(), "Container: avi\nVideo: mpeg4\nResolution: 64x48\nFPS: 10.00\nFrames: 20\nDuration: 2.00s\n"
                      "Pixel: yuv420p\nVideo bitrate: " +
                          std::to_string(facts.videoBitRateKbps) +
                          " Kbps\nAudio: None\nAudio channels: 0\nAudio frequency: 0 Hz\nAudio bitrate: 0 Kbps");
    for (int id :
        {CtrlVideos::VW_EXPORT, CtrlVideos::VW_PLAY, CtrlVideos::VW_PAUSE, CtrlVideos::VW_STOP, CtrlVideos::VW_INFO})
        EXPECT_TRUE(enabled(id)) << id;
    for (int id : {CtrlVideos::VW_MUSIC, CtrlVideos::VW_SFX, CtrlVideos::VW_VOICE, CtrlVideos::VW_CUSTOM})
        EXPECT_FALSE(enabled(id)) << id << ": no sound to tag";
    panel->getCheckBox(CtrlVideos::VW_SFX)->setChecked(true);
    event(CtrlVideos::VW_SFX);
    EXPECT_TRUE(checked(CtrlVideos::VW_MUSIC)) << "a click changes nothing";
}

TEST_F(VideoTabTest, AFailedLoadClearsTheFactsAndControlsAtOnce)
{
    const std::string clip = folder.path("Count.avi");
    videotest::ClipSpec spec;
    spec.format = "avi";
    ASSERT_TRUE(videotest::makeClip(clip, spec));
    ASSERT_EQ(importFile(clip), 0);
    TS::pushAnswer(0);
    ASSERT_EQ(event(BW_SAVE), 0);
    Zelkoran::Archive::Block junk("junk", "ZK7_VIDEO");
    char bytes[] = "not a video";
    junk.data = bytes;
    junk.size = sizeof(bytes);
    ASSERT_EQ(archive()->blockAdd(junk), 0);
    tab->parseQEL();
    ASSERT_EQ(tab->selectBlockListItemByName("Count"), 1);
    event(BW_LIST);
    ASSERT_EQ(info().rfind("Container: avi", 0), 0u);
    takeBoxes();

    TS::pushAnswer(MBB_OK);
    ASSERT_EQ(tab->selectBlockListItemByName("junk"), 1);
    LogCapture log(folder.path("log.txt"));
    EXPECT_EQ(event(BW_LIST), -1);
    EXPECT_NE(log.text().find("\n[Videos] Error: could not load 'junk' (error "), std::string::npos);
    EXPECT_EQ(takeBoxes(), (std::vector<Box>{{"Loading resource", "Video could not be loaded.", MBB_OK, MBT_ERROR, 0}}));
    EXPECT_EQ(info(), "No video loaded");
    for (int id : std::initializer_list<int>{BW_SAVE, CtrlVideos::VW_EXPORT, CtrlVideos::VW_PLAY, CtrlVideos::VW_PAUSE, CtrlVideos::VW_STOP,
                   CtrlVideos::VW_INFO})
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_EQ(tab->onExport(status->sArchivePath), -1) << "nothing of the last video is exported";
    takeBoxes();
}

} // namespace
