// The video tab driven as a user drives it, with real clicks in the running
// editor: import a clip with sound, see its facts and first picture, play,
// pause, play and stop it, tag its sound, save, export the same bytes, delete.
#include "app/AppFixture.h"
#include "engine/video/VideoTestSupport.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/data/ctrlVideos.h"

#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Video.h>

#include <fstream>
#include <iterator>

namespace {

namespace TS = editortest::TS;

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class VideoEndToEndTest : public AppTest {
protected:
    // Clicks a widget of the videos tab and runs the main loop's pass.
    void click(int widgetId)
    {
        ASSERT_TRUE(TS::clickWidget(videos->getID(), widgetId)) << widgetId;
        app.runPass();
    }

    // Runs passes until done() holds or ms pass; whether it held.
    bool runUntil(const std::function<bool()>& done, int ms = 4000)
    {
        const uint64_t end = SDL_GetTicks64() + static_cast<uint64_t>(ms);
        while (!done()) {
            if (SDL_GetTicks64() > end)
                return false;
            app.runPass();
        }
        return true;
    }

    // The frame number the centre of the video frame shows, -1 for none.
    static int shownFrame()
    {
        SDL_Surface* frame = TS::captureFrame();
        SDL_Surface* centre = SDL_CreateRGBSurfaceWithFormat(0, 1, 1, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_Rect at{800, 520, 1, 1};
        SDL_BlitSurface(frame, &at, centre, nullptr);
        Uint8 r, g, b;
        SDL_GetRGB(*static_cast<Uint32*>(centre->pixels), centre->format, &r, &g, &b);
        SDL_FreeSurface(centre);
        SDL_FreeSurface(frame);
        if (r == 0x20 && g == 0x20 && b == 0x20)
            return -1; // the empty dark frame
        return static_cast<int>(std::lround((16.0 + r * 219.0 / 255.0 - 20.0) / 10.0));
    }

    Zelkoran::Panel* videos = nullptr;
};

TEST_F(VideoEndToEndTest, ImportPlayTagSaveExportDelete)
{
    const std::string archive = folder.path("game.qel");
    editortest::buildArchive(archive, {{"hero", "ZK7_IMAGE"}});
    const std::string clip = folder.path("Intro.mp4");
    videotest::ClipSpec spec;
    spec.sound = true;
    spec.frames = 30;
    ASSERT_TRUE(videotest::makeClip(clip, spec));
    ASSERT_EQ(start({archive}), 0);
    app.runPass();
    ASSERT_TRUE(TS::clickWidget(app.resources()->get(SR_MENU_PANEL), TAB_VIDEOS));
    app.runPass();
    videos = tabPanel("Videos");
    ASSERT_TRUE(videos && videos->isShown());
    EXPECT_EQ(shownFrame(), -1);

    TS::pushFileAnswer(true, clip.c_str());
    click(CtrlVideos::VW_IMPORT);
    const std::string info = videos->getTextEdit(CtrlVideos::VW_INFO)->getText().c_str();
    // The container's long list of names goes on over a continuation line.
    EXPECT_EQ(info.rfind("Container: mov,mp4,m4a,3gp,\n  3g2,mj2\nVideo: mpeg4\nResolution: 64x48\n", 0), 0u) << info;
    EXPECT_NE(info.find("\nDuration: 3.00s\n"), std::string::npos) << info;
    EXPECT_NE(info.find("\nAudio: aac\nAudio channels: 2\nAudio frequency: 44100 Hz\n"), std::string::npos) << info;
    EXPECT_STREQ(videos->getTextEdit(BW_NAME)->getText().c_str(), "Intro");
    EXPECT_TRUE(videos->getWidgetByID(BW_SAVE)->isEnabled()) << "named after its file, the video can be saved";
    EXPECT_EQ(shownFrame(), 0) << "the first picture shows in the frame";

    Zelkoran::Video* video = Zelkoran::Main::instance()->videoMgr()->get(1);
    ASSERT_NE(video, nullptr);
    click(CtrlVideos::VW_PLAY);
    ASSERT_TRUE(runUntil([&] { return video->getPlaybackPosition() >= 800; }));
    EXPECT_GE(shownFrame(), 6);
    click(CtrlVideos::VW_PAUSE);
    EXPECT_TRUE(videos->getCheckBox(CtrlVideos::VW_PAUSE)->isChecked());
    const int held = video->getPlaybackPosition();
    runUntil([] { return false; }, 150);
    EXPECT_EQ(video->getPlaybackPosition(), held);
    click(CtrlVideos::VW_PAUSE);
    EXPECT_FALSE(videos->getCheckBox(CtrlVideos::VW_PAUSE)->isChecked());
    ASSERT_TRUE(runUntil([&] { return video->getPlaybackPosition() > held + 200; }));
    click(CtrlVideos::VW_PAUSE);
    click(CtrlVideos::VW_PLAY);
    EXPECT_FALSE(videos->getCheckBox(CtrlVideos::VW_PAUSE)->isChecked()) << "Play after Pause plays";
    EXPECT_TRUE(runUntil([&] { return video->getPlaybackPosition() > 200; }));
    click(CtrlVideos::VW_STOP);
    EXPECT_EQ(video->getPlaybackPosition(), 0);
    runUntil([] { return false; }, 50);
    EXPECT_EQ(shownFrame(), 0) << "stopped: back at the first picture";

    click(CtrlVideos::VW_VOICE);
    EXPECT_TRUE(videos->getCheckBox(CtrlVideos::VW_VOICE)->isChecked());
    EXPECT_FALSE(videos->getCheckBox(CtrlVideos::VW_MUSIC)->isChecked());
    TS::pushAnswer(0);
    click(BW_SAVE);
    EXPECT_EQ(editortest::listItems(videos->getList(BW_LIST)), std::vector<std::string>{"Intro"});
    EXPECT_EQ(Zelkoran::Main::instance()->videoMgr()->get(1)->getTag(), Zelkoran::ATT_VOICE);

    TS::pushAnswer(Zelkoran::MBB_OK);
    click(CtrlVideos::VW_EXPORT);
    const std::string exported = folder.path("Intro.mp4.mp4");
    EXPECT_FALSE(std::filesystem::exists(exported)) << "no second extension";
    EXPECT_EQ(readBytes(folder.path("Intro.mp4")), readBytes(clip));

    TS::pushAnswer(Zelkoran::MBB_YES);
    click(BW_DELETE);
    EXPECT_EQ(editortest::listItems(videos->getList(BW_LIST)), std::vector<std::string>{});
    EXPECT_STREQ(videos->getTextEdit(CtrlVideos::VW_INFO)->getText().c_str(), "No video loaded");
    EXPECT_EQ(TS::pendingAnswers(), 0u);
    TS::quit();
    EXPECT_EQ(app.run(), 0);
}

} // namespace
