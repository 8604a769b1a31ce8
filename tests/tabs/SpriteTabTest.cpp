// The sprite tab driven by real input: a sheet imported and edited
// animation by animation, saved, loaded again, and browsed.
#include "tabs/ImageFamilyTabFixture.h"

#include "tabs/images/ctrlSprites.h"

#include <Zelkoran/Sprite.h>

namespace {

using namespace Zelkoran;
namespace TS = editortest::TS;

class SpriteTabTest : public ImageFamilyTabTest<CtrlSprites> {
protected:
    // A 40 x 30 sheet: 3 animations of 4 frames of 10 x 10 once cut.
    void importSheet()
    {
        ASSERT_EQ(import(pngFile("sheet.png", filled(40, 30))), 0);
        typeInto(CtrlSprites::SW_OFFSET_X, "10");
        typeInto(CtrlSprites::SW_OFFSET_Y, "10");
    }
    Sprite* loaded(const char* name)
    {
        return Main::instance()->spriteMgr()->get(Main::instance()->spriteMgr()->load(status->iArchiveID, name));
    }
    struct AnimValues {
        uint16_t state;
        int type, hx, hy, first, last;
        std::vector<uint16_t> times;
        bool operator==(const AnimValues&) const = default;
    };
    static AnimValues values(Sprite* s, int anim)
    {
        AnimValues v{};
        s->getAnimStateIndex(anim, &v.state);
        s->getAnimTypeIndex(anim, &v.type);
        s->getAnimHotSpotIndex(anim, &v.hx, &v.hy);
        s->getAnimRangeIndex(anim, &v.first, &v.last);
        for (int f = 0; f < s->getFrameCountIndex(anim); ++f)
            s->getFrameTimeIndex(anim, f, &v.times.emplace_back());
        return v;
    }
};

TEST_F(SpriteTabTest, EditedAnimationsSaveAndReloadAsShown)
{
    importSheet();
    EXPECT_EQ(label(CtrlSprites::SW_NUM_ANIM), "Animations 1/3");
    EXPECT_EQ(label(CtrlSprites::SW_NUM_FRAMES), "Frames 1/4");
    clickOn(CtrlSprites::SW_ANIM_PLUS);
    EXPECT_EQ(label(CtrlSprites::SW_NUM_ANIM), "Animations 2/3");
    choose(CtrlSprites::SW_STATE, 4); // Left
    choose(CtrlSprites::SW_TYPE, 3); // OneShot
    choose(CtrlSprites::SW_HOT_X_MODE, 2); // Center
    typeInto(CtrlSprites::SW_HOT_X, "-2");
    typeInto(CtrlSprites::SW_FRAME_START, "2");
    typeInto(CtrlSprites::SW_FRAME_END, "4");
    clickOn(CtrlSprites::SW_FRAME_PLUS);
    EXPECT_EQ(label(CtrlSprites::SW_NUM_FRAMES), "Frames 3/4");
    typeInto(CtrlSprites::SW_FRAME_MS, "250");
    EXPECT_TRUE(tab->isDirty());
    ASSERT_EQ(save("hero"), 0);
    EXPECT_EQ(boxes(), (std::vector<std::string>{"Sprite: save to QEL / Sprite saved."}));

    const AnimValues edited{768, 4, static_cast<int>(0x61FFFFFE), 0, 1, 3, {100, 100, 250, 100}};
    Sprite* stored = loaded("hero");
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(values(stored, 1), edited);
    EXPECT_EQ(values(stored, 2), (AnimValues{0, 1, 0, 0, 0, 3, {100, 100, 100, 100}}));

    // Loaded from the list, one more event, saved again: every animation
    // keeps its values (the widgets show the sprite's current animation).
    clickOn(BW_NEW);
    ASSERT_EQ(select("hero"), 0);
    EXPECT_EQ(label(CtrlSprites::SW_NUM_ANIM), "Animations 1/3");
    EXPECT_EQ(number(CtrlSprites::SW_OFFSET_X), 10);
    tab->processEvent(0, 0);
    clickOn(CtrlSprites::SW_ANIM_PLUS);
    EXPECT_EQ(p->getList(CtrlSprites::SW_STATE)->getSelectedIndex(), 4);
    EXPECT_EQ(p->getComboBox(CtrlSprites::SW_HOT_X_MODE)->getSelectedIndex(), 2);
    EXPECT_EQ(number(CtrlSprites::SW_HOT_X), -2);
    EXPECT_EQ(number(CtrlSprites::SW_FRAME_START) * 10 + number(CtrlSprites::SW_FRAME_END), 24);
    ASSERT_EQ(save("hero"), 0);
    boxes();
    Sprite* again = loaded("hero");
    for (int anim = 0; anim < 3; ++anim)
        EXPECT_EQ(values(again, anim), values(stored, anim)) << anim;
}

TEST_F(SpriteTabTest, FramesShownBrowsedAndTimedStayInsideTheRange)
{
    importSheet();
    typeKeys(CtrlSprites::SW_FRAME_MS, "777"); // frame 1, before the range leaves it out
    typeKeys(CtrlSprites::SW_FRAME_START, "2");
    typeKeys(CtrlSprites::SW_FRAME_END, "3");
    EXPECT_EQ(label(CtrlSprites::SW_NUM_FRAMES), "Frames 2/4");
    EXPECT_EQ(number(CtrlSprites::SW_FRAME_MS), 100);
    typeKeys(CtrlSprites::SW_FRAME_MS, "333");
    const struct {
        int button;
        const char* shown;
    } steps[] = {{CtrlSprites::SW_FRAME_MINUS, "Frames 2/4"},
                 {CtrlSprites::SW_FRAME_PLUS, "Frames 3/4"},
                 {CtrlSprites::SW_FRAME_PLUS, "Frames 3/4"}};
    for (const auto& step : steps) {
        clickOn(step.button);
        EXPECT_EQ(label(CtrlSprites::SW_NUM_FRAMES), step.shown) << step.button;
    }
    typeKeys(CtrlSprites::SW_FRAME_MS, "444");
    ASSERT_EQ(save("ranged"), 0);
    boxes();
    Sprite* stored = loaded("ranged");
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(values(stored, 0), (AnimValues{0, 1, 0, 0, 1, 2, {777, 333, 444, 100}}));
}

TEST_F(SpriteTabTest, ACutThatDropsTheCurrentAnimationWritesNoOtherAnimation)
{
    importSheet();
    // Each animation gets values of its own: state, type, hot spot, range, time.
    for (int anim = 0; anim < 3; ++anim) {
        if (anim > 0)
            clickOn(CtrlSprites::SW_ANIM_PLUS);
        choose(CtrlSprites::SW_STATE, anim + 2);
        choose(CtrlSprites::SW_TYPE, anim + 2);
        typeKeys(CtrlSprites::SW_HOT_X, std::to_string(anim + 1));
        typeKeys(CtrlSprites::SW_FRAME_START, std::to_string(anim + 1));
        typeKeys(CtrlSprites::SW_FRAME_MS, std::to_string(200 + anim));
    }
    ASSERT_EQ(label(CtrlSprites::SW_NUM_ANIM), "Animations 3/3");
    ASSERT_EQ(save("cut"), 0);
    Sprite* before = loaded("cut");
    ASSERT_NE(before, nullptr);
    // Only the cell height, typed key by key: 15 leaves two rows, 10 three.
    typeKeys(CtrlSprites::SW_OFFSET_Y, "15");
    EXPECT_EQ(label(CtrlSprites::SW_NUM_ANIM), "Animations 1/2");
    EXPECT_EQ(p->getList(CtrlSprites::SW_STATE)->getSelectedIndex(), 2);
    EXPECT_EQ(p->getList(CtrlSprites::SW_TYPE)->getSelectedIndex(), 2);
    EXPECT_EQ(number(CtrlSprites::SW_HOT_X), 1);
    typeKeys(CtrlSprites::SW_OFFSET_Y, "10");
    ASSERT_EQ(save("cut"), 0);
    boxes();

    Sprite* stored = loaded("cut");
    ASSERT_NE(stored, nullptr);
    ASSERT_EQ(stored->getAnimCount(), 3);
    EXPECT_EQ(values(before, 1).state, 512);
    for (int anim = 0; anim < 2; ++anim)
        EXPECT_EQ(values(stored, anim), values(before, anim)) << anim;
}

TEST_F(SpriteTabTest, StateTypeAndRangeFollowTheirTables)
{
    importSheet();
    Sprite* s = nullptr;
    for (int id = 1; id < 100 && !s; ++id)
        if (Sprite* c = Main::instance()->spriteMgr()->get(id); c && std::string(c->getName()) == "defaultSprite")
            s = c;
    ASSERT_NE(s, nullptr);
    const struct {
        const char* start;
        const char* end;
        int first, last;
    } ranges[] = {{"2", "5", 1, 3}, {"3", "1", 2, 2}, {"0", "9", 0, 3}};
    for (const auto& r : ranges) {
        typeInto(CtrlSprites::SW_FRAME_START, r.start);
        typeInto(CtrlSprites::SW_FRAME_END, r.end);
        int first = -1, last = -1;
        s->getAnimRangeIndex(0, &first, &last);
        EXPECT_EQ(first * 10 + last, r.first * 10 + r.last) << r.start << ".." << r.end;
    }
    // Stored states select their row by the high byte; unknown ones change nothing.
    const struct {
        uint16_t state;
        int row;
    } states[] = {{0x0305, 4}, {0x0000, 1}, {0x0900, 1}, {0x0800, 9}, {0xFF00, 9}};
    for (const auto& k : states) {
        s->setAnimStateIndex(0, k.state);
        tab->updateData();
        EXPECT_EQ(p->getList(CtrlSprites::SW_STATE)->getSelectedIndex(), k.row) << k.state;
    }
    // A type chosen on frame 3 leaves the first frame's time as it was.
    clickOn(CtrlSprites::SW_FRAME_PLUS);
    clickOn(CtrlSprites::SW_FRAME_PLUS);
    typeInto(CtrlSprites::SW_FRAME_MS, "250");
    choose(CtrlSprites::SW_TYPE, 2);
    EXPECT_EQ(label(CtrlSprites::SW_NUM_FRAMES), "Frames 1/4");
    EXPECT_EQ(number(CtrlSprites::SW_FRAME_MS), 100);
    uint16_t firstMs = 0;
    s->getFrameTimeIndex(0, 0, &firstMs);
    EXPECT_EQ(firstMs, 100);
    for (int row = 1; row <= 5; ++row) {
        choose(CtrlSprites::SW_TYPE, row);
        int type = 0;
        s->getAnimTypeIndex(0, &type);
        EXPECT_EQ(type, CtrlSprites::kTypes[row - 1]);
    }
    choose(CtrlSprites::SW_STATE, 4);
    uint16_t state = 0;
    s->getAnimStateIndex(0, &state);
    EXPECT_EQ(state, 768);
    typeInto(CtrlSprites::SW_FRAME_MS, "30000");
    uint16_t ms = 0;
    s->getFrameTimeIndex(0, 0, &ms);
    EXPECT_EQ(ms, 20000);
    // Bounds: nothing before the first animation or frame, nothing after the last.
    clickOn(CtrlSprites::SW_ANIM_MINUS);
    clickOn(CtrlSprites::SW_FRAME_MINUS);
    EXPECT_EQ(label(CtrlSprites::SW_NUM_ANIM) + " " + label(CtrlSprites::SW_NUM_FRAMES), "Animations 1/3 Frames 1/4");
}

TEST_F(SpriteTabTest, PreviewOutlinesCellsAnimationAndFrameInsideThePreview)
{
    importSheet();
    clickOn(CtrlSprites::SW_ANIM_PLUS);
    clickOn(CtrlSprites::SW_FRAME_PLUS);
    SDL_Surface* shot = frame();
    ASSERT_NE(shot, nullptr);
    const SDL_FRect r = tab->imageRect();
    const int x0 = static_cast<int>(r.x), y0 = static_cast<int>(r.y);
    // Row 2 (y0 + 10 .. y0 + 19) in blue, its frame 2 (x0 + 10 ..) in green.
    EXPECT_EQ(rgbAt(shot, x0 + 35, y0 + 10), 0x0000FFu);
    EXPECT_EQ(rgbAt(shot, x0 + 15, y0 + 10), 0x00FF00u);
    EXPECT_EQ(rgbAt(shot, x0 + 15, y0 + 9), 0xFF7F7Fu); // grid: red at half opacity on white
    EXPECT_EQ(rgbAt(shot, x0 + 15, y0 + 25), 0xFFFFFFu);
    SDL_FreeSurface(shot);
}

} // namespace
