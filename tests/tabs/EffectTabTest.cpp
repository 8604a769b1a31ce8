// The effect tab's tables and rules: combo rows, the visual choice and its
// borrowed image, fallbacks for missing fields, the max clamp, which widgets
// are usable, the preview states, a block that does not load and delete.
#include "tabs/EffectTabFixture.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Particle.h>

#include <SDL.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace effecttest;

TEST_F(EffectTab, CombosVisualChoiceAndUsableWidgets)
{
    open({}, true);
    EXPECT_EQ(rows(W::EW_VISUAL), (std::vector<std::string>{"Pixel", "Rect", "Image", "Sprite", "Soft", "Line"}));
    EXPECT_EQ(rows(W::EW_SHAPE), (std::vector<std::string>{"Point", "Line", "Rect", "Circle", "Ring", "Ellipse"}));
    EXPECT_EQ(rows(W::EW_IMAGE), (std::vector<std::string>{"None", "star"}));
    EXPECT_EQ(rows(W::EW_ANIM), (std::vector<std::string>{"Current"}));
    ASSERT_EQ(rows(W::EW_PRESET).size(), static_cast<size_t>(Main::instance()->particleMgr()->getPresetCount()));
    EXPECT_EQ(rows(W::EW_PRESET)[0], "Default");

    const struct {
        int row;
        int visual;
        bool imageUsable, spriteUsable;
    } cases[] = {
        {2, PV_RECT, false, false}, {6, PV_LINE, false, false}, {1, PV_PIXEL, false, false},
        {3, PV_IMAGE, true, false},     // the first image is picked and applied
        {4, PV_IMAGE, true, false},     // no sprite block: refused, back to the image
        {5, PV_SOFT, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(choose(W::EW_VISUAL, c.row), 0);
        EXPECT_EQ(visual(), c.visual) << "row " << c.row;
        EXPECT_EQ(usable(W::EW_IMAGE), c.imageUsable) << "row " << c.row;
        for (int id : {W::EW_SPRITE, W::EW_ANIM, W::EW_SPRITE_PHASE})
            EXPECT_EQ(usable(id), c.spriteUsable) << "row " << c.row;
    }
    // An image visual borrows the image; a preset gives it back.
    choose(W::EW_VISUAL, 3);
    EXPECT_EQ(p->getComboBox(W::EW_IMAGE)->getSelectedIndex(), 2);
    const int borrowed = tab->getBorrowedVisualId();
    ASSERT_GT(borrowed, 0);
    choose(W::EW_PRESET, 2);
    EXPECT_EQ(tab->getBorrowedVisualId(), 0);
    EXPECT_EQ(Main::instance()->imageMgr()->get(borrowed), nullptr);
    EXPECT_EQ(tab->getPreviewState(), W::PS_PLAYING);

    EXPECT_TRUE(usable(W::EW_GLOW_VALUE)) << "fire glows";
    p->getCheckBox(W::EW_GLOW)->setChecked(false);
    tab->processEvent(W::EW_GLOW, 0);
    EXPECT_FALSE(emitter()->getGlowRender(nullptr));
    EXPECT_FALSE(usable(W::EW_GLOW_VALUE));
    tab->closeResources();
    EXPECT_EQ(tab->processEvent(0, 0), 4);
    for (int id : {int(W::EW_PLAY), int(W::EW_PRESET), int(W::EW_RATE), int(W::EW_MAX), int(W::EW_BURST),
                   int(W::EW_ADVANCED), int(CtrlBase::BW_SAVE)})
        EXPECT_FALSE(usable(id)) << id;
}

TEST_F(EffectTab, ActivationOffersTheImagesTheArchiveHoldsNow)
{
    open({});
    EXPECT_EQ(rows(W::EW_IMAGE), (std::vector<std::string>{"None"}));
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 2, 2, 32, SDL_PIXELFORMAT_ARGB8888);
    const int id = Main::instance()->imageMgr()->loadFromSurface(s, "late");
    SDL_FreeSurface(s);
    ASSERT_EQ(Main::instance()->imageMgr()->get(id)->save(status->iArchiveID, "late"), 0);
    tab->onActivate();
    EXPECT_EQ(rows(W::EW_IMAGE), (std::vector<std::string>{"None", "late"}));
    choose(W::EW_VISUAL, 3);
    EXPECT_EQ(visual(), PV_IMAGE);
    tab->onDeactivate();
    tab->onActivate();
    EXPECT_EQ(p->getComboBox(W::EW_IMAGE)->getSelectedIndex(), 2) << "the shown image stays chosen";
}

TEST_F(EffectTab, MissingFieldsFallBackAndMaxIsClamped)
{
    open({});
    const struct {
        int closed, trigger;
        std::function<bool(ParticleEmitter&)> shows;
    } cases[] = {
        {W::EW_LIFE_MAX, W::EW_LIFE_MIN, [](ParticleEmitter& e) {
             float a, b;
             e.getLifeSpan(&a, &b);
             return a == 0.5f && b == 1;
         }},
        {W::EW_ANGLE, W::EW_SPREAD, [](ParticleEmitter& e) {
             float a, b;
             e.getDirection(&a, &b);
             return a == -90 && b == 12;
         }},
        {W::EW_GLOW_VALUE, W::EW_GLOW, [](ParticleEmitter& e) {
             float i = 0;
             return e.getGlowRender(&i) && i == 1;
         }},
        {W::EW_DURATION, W::EW_DURATION, [](ParticleEmitter& e) { return e.getDuration() == -1; }},
    };
    p->getNumberEdit(W::EW_LIFE_MIN)->setValue(0.5f);
    p->getNumberEdit(W::EW_SPREAD)->setValue(12);
    p->getCheckBox(W::EW_GLOW)->setChecked(true);
    for (const auto& c : cases) {
        ASSERT_EQ(p->closeWidget(c.closed), 0);
        tab->processEvent(c.trigger, 0);
        EXPECT_TRUE(c.shows(*emitter())) << "without " << c.closed;
    }
    const struct {
        const char* text;
        int max;
    } maxima[] = {{"2.9", 2}, {"70000", 65536}, {"0", 1}};
    for (const auto& m : maxima) {
        p->getNumberEdit(W::EW_MAX)->setText(m.text);
        tab->processEvent(W::EW_MAX, 0);
        EXPECT_EQ(emitter()->getMaxParticles(), m.max) << m.text;
    }
}

TEST_F(EffectTab, PreviewStatesFollowPlayPauseStopAndTheEffectsEnd)
{
    open({});
    tab->processEvent(W::EW_PLAY, 0);
    EXPECT_EQ(tab->getPreviewState(), W::PS_PLAYING);
    tab->processEvent(W::EW_PAUSE, 0);
    EXPECT_EQ(tab->getPreviewState(), W::PS_PAUSED);
    EXPECT_TRUE(p->getCheckBox(W::EW_PAUSE)->isChecked());
    tab->processEvent(W::EW_PAUSE, 0);
    EXPECT_EQ(tab->getPreviewState(), W::PS_PLAYING);
    tab->onDeactivate();
    EXPECT_EQ(emitter()->status(), PES_PAUSED);
    tab->onActivate();
    EXPECT_EQ(emitter()->status(), PES_PLAYING);
    tab->processEvent(W::EW_STOP, 0);
    EXPECT_EQ(tab->getPreviewState(), W::PS_STOPPED);
    EXPECT_EQ(emitter()->getLiveCount(), 0);

    // An explosion ends while its smoke puffs still drift: the preview goes on.
    choose(W::EW_PRESET, 5);
    ASSERT_EQ(emitter()->getPreset(), PEP_EXPLOSION);
    bool sawOneShots = false;
    for (int i = 0; i < 600 && (tab->getPreviewState() != W::PS_STOPPED || tab->getOneShotsAlive()); ++i) {
        tab->update();
        sawOneShots |= tab->getPreviewState() == W::PS_STOPPED && tab->getOneShotsAlive();
    }
    EXPECT_TRUE(sawOneShots);
    EXPECT_EQ(emitter()->status(), PES_FINISHED);
    EXPECT_FALSE(tab->getOneShotsAlive());

    // A right click outside the preview does nothing, inside it bursts.
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_RIGHT;
    e.button.x = 100;
    e.button.y = 500;
    tab->handleMouseEvent(&e);
    EXPECT_EQ(tab->getPreviewState(), W::PS_STOPPED);
    e.button.x = 700;
    tab->handleMouseEvent(&e);
    EXPECT_EQ(tab->getPreviewState(), W::PS_PLAYING);
    EXPECT_EQ(emitter()->getLiveCount(), 32);

    // The statistics line changes at most every 250 ms.
    SDL_Delay(260);
    tab->render(0);
    EXPECT_EQ(std::string(p->getLabel(W::EW_INFO)->getText()).rfind("Live: 32 (", 0), 0u);
    EXPECT_STREQ(p->getLabel(W::EW_RENDER_INFO)->getText(), "Render: soft");
    emitter()->burst(10);
    tab->render(0);
    EXPECT_EQ(std::string(p->getLabel(W::EW_INFO)->getText()).rfind("Live: 32 (", 0), 0u);
    SDL_Delay(260);
    tab->render(0);
    EXPECT_EQ(std::string(p->getLabel(W::EW_INFO)->getText()).rfind("Live: 42 (", 0), 0u);
}

TEST_F(EffectTab, ABlockThatDoesNotLoadKeepsTheOpenEffectAndDeleteAsks)
{
    open({{"broken", "ZK7_PARTICLE"}});
    const int before = tab->getItemHandle();
    p->getList(CtrlBase::BW_LIST)->setSelectedIndex(1);
    TS::pushAnswer(1);
    EXPECT_EQ(tab->processEvent(CtrlBase::BW_LIST, 1), -1);
    EXPECT_EQ(tab->getItemHandle(), before);
    EXPECT_EQ(p->getList(CtrlBase::BW_LIST)->getSelectedIndex(), 0);
    ASSERT_FALSE(TS::modalLog().empty());
    EXPECT_EQ(TS::modalLog().back().title, "Loading resource");
    EXPECT_EQ(TS::modalLog().back().text, "Particle effect 'broken' could not be loaded.\n\nError code: -84");

    p->getTextEdit(CtrlBase::BW_NAME)->setText("keep");
    TS::pushAnswer(0);
    ASSERT_EQ(tab->processEvent(CtrlBase::BW_SAVE, 0), 0);
    TS::pushAnswer(8); // No
    EXPECT_EQ(tab->processEvent(CtrlBase::BW_DELETE, 0), -1);
    EXPECT_EQ(TS::modalLog().back().text, "Are you sure you want to delete \"keep\" Particle?");
    TS::pushAnswer(4); // Yes
    tab->processEvent(CtrlBase::BW_DELETE, 0);
    EXPECT_EQ(editortest::listItems(p->getList(CtrlBase::BW_LIST)), (std::vector<std::string>{"broken"}));
    EXPECT_GT(tab->getItemHandle(), 0) << "back to a new effect";
}

TEST_F(EffectTab, AnEffectWhoseImageWasDeletedSaysSoWhenOpened)
{
    open({}, true);
    choose(W::EW_VISUAL, 3); // the image "star"
    enter(p, CtrlBase::BW_NAME, "glow");
    TS::pushAnswer(0);
    ASSERT_EQ(tab->processEvent(CtrlBase::BW_SAVE, 0), 0);
    ASSERT_EQ(archive()->blockDelete(Archive::Block("star", "ZK7_IMAGE")), 0);
    tab->onNew();
    tab->parseQEL();

    TS::clearModalLog();
    p->getList(CtrlBase::BW_LIST)->setSelectedIndex(1);
    TS::pushAnswer(1);
    EXPECT_EQ(tab->processEvent(CtrlBase::BW_LIST, 1), 0);
    ASSERT_FALSE(TS::modalLog().empty());
    EXPECT_EQ(TS::modalLog().back().title, "Loading resource");
    EXPECT_EQ(TS::modalLog().back().text,
              "Particle effect 'glow' is shown without what it names that could not be loaded:\nimage \"star\"");
    EXPECT_EQ(p->getComboBox(W::EW_IMAGE)->getSelectedIndex(), 1) << "None";
}

TEST_F(EffectTab, ASaveTheFullArchiveRefusesLeavesTheEffectItsName)
{
    open({});
    tab->show();
    const std::string before = emitter()->getName();
    char data[] = "x";
    for (int i = 0; archive()->getBlockCount() < archive()->getBlockLimit(); ++i) {
        Archive::Block filler(("filler" + std::to_string(i)).c_str(), "ZK7_XML");
        filler.data = data;
        filler.size = sizeof data;
        ASSERT_EQ(archive()->blockAdd(filler), 0);
    }
    // Typed and committed as the window does, then Save clicked.
    auto deliver = [this] {
        int result = 0;
        for (const SDL_Event& e : TS::pump())
            if (e.type == kGUIEventType && (e.user.code == 3 || (e.user.code >= 6 && e.user.code <= 9)))
                result = tab->processEvent(static_cast<int>(reinterpret_cast<intptr_t>(e.user.data1)),
                                           static_cast<int>(reinterpret_cast<intptr_t>(e.user.data2)));
        return result;
    };
    ASSERT_TRUE(TS::clickWidget(p->getID(), CtrlBase::BW_NAME));
    TS::typeText("glow");
    TS::key(SDLK_RETURN);
    deliver();
    TS::pushAnswer(0);
    ASSERT_TRUE(TS::clickWidget(p->getID(), CtrlBase::BW_SAVE));
    EXPECT_EQ(deliver(), -1);
    ASSERT_FALSE(TS::modalLog().empty());
    EXPECT_EQ(TS::modalLog().back().text,
              "There is no room for more QEL blocks.\nDefrag/resize the QEL file and try again.");
    EXPECT_EQ(emitter()->getName(), before);
    EXPECT_TRUE(tab->isDirty());
}

} // namespace
