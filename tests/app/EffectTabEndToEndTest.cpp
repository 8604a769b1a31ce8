// The effect tab driven as a user drives it: a preset chosen, a value typed
// on the main panel, the emitter dragged, a right-click burst, the floating
// panels' lists edited, the effect saved and opened again from the block
// list.
#include "app/AppFixture.h"
#include "particle/ParticleAccess.h"
#include "tabs/base/TabCheckBoxIds.h"

#include "tabs/effects/ctrlEffects.h"

#include <Zelkoran/Particle.h>

#include <SDL.h>

#include <cmath>
#include <functional>

namespace {

namespace TS = editortest::TS;
using namespace Zelkoran;

class EffectTabTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        const std::string path = folder.path("fx.qel");
        editortest::buildArchive(path, {});
        ASSERT_EQ(start({path}), 0);
        app.runPass();
        ASSERT_TRUE(TS::clickWidget(app.resources()->get(SR_MENU_PANEL), TAB_EFFECTS));
        app.runPass();
        for (CtrlBase* tab : app.menu()->getCtrls())
            if (tab->getCheckBoxID() == TAB_EFFECTS)
                effects = dynamic_cast<CtrlEffects*>(tab);
        ASSERT_NE(effects, nullptr);
        p = tabPanel("Effects");
        ASSERT_NE(p, nullptr);
    }
    ParticleEmitter* emitter() { return Main::instance()->particleMgr()->get(effects->getItemHandle()); }
    bool click(int widgetId, Panel* on = nullptr)
    {
        const bool found = TS::clickWidget((on ? on : p)->getID(), widgetId);
        app.runPass();
        return found;
    }
    // Saves the open effect as name, starts a new one and opens name again.
    void saveNewAndReopen(const char* name)
    {
        typeKeys(p->getID(), CtrlBase::BW_NAME, name);
        TS::pushAnswer(0); // the timed "saved" notice
        ASSERT_TRUE(click(CtrlBase::BW_SAVE));
        ASSERT_FALSE(effects->isDirty());
        ASSERT_TRUE(click(CtrlBase::BW_NEW));
        const SDL_Rect list = p->getList(CtrlBase::BW_LIST)->getRect();
        TS::click(list.x + 20, list.y + p->getList(CtrlBase::BW_LIST)->getRowHeight() / 2 + 2);
        app.runPass();
        ASSERT_NE(emitter(), nullptr);
        ASSERT_STREQ(emitter()->getName(), name);
    }
    // Picks row of a combo box with the keyboard, as from its open list.
    void chooseRow(int comboId, int row)
    {
        ASSERT_TRUE(click(comboId));
        for (int r = p->getComboBox(comboId)->getSelectedIndex(); r < row; ++r)
            TS::key(SDLK_DOWN);
        TS::key(SDLK_RETURN);
        app.runPass();
    }

    CtrlEffects* effects = nullptr;
    Panel* p = nullptr;
};

TEST_F(EffectTabTest, PresetValueDragBurstSaveAndReload)
{
    ASSERT_NE(emitter(), nullptr) << "a fresh tab holds a new effect";
    EXPECT_EQ(effects->getPreviewState(), CtrlEffects::PS_STOPPED);
    EXPECT_FALSE(effects->isDirty());

    chooseRow(CtrlEffects::EW_PRESET, 2);
    EXPECT_STREQ(p->getComboBox(CtrlEffects::EW_PRESET)->getSelectedText(), "Fire");
    EXPECT_EQ(emitter()->getPreset(), PEP_FIRE);
    EXPECT_EQ(effects->getPreviewState(), CtrlEffects::PS_PLAYING);
    EXPECT_TRUE(effects->isDirty());
    EXPECT_EQ(p->getNumberEdit(CtrlEffects::EW_RATE)->getValue(), 140) << "the widgets show the preset";

    typeKeys(p->getID(), CtrlEffects::EW_RATE, "250");
    EXPECT_EQ(emitter()->getEmissionRate(), 250);
    typeKeys(p->getID(), CtrlEffects::EW_LIFE_MIN, "5");
    float lifeMin = 0, lifeMax = 0;
    emitter()->getLifeSpan(&lifeMin, &lifeMax);
    EXPECT_EQ(lifeMin, 0.6f) << "min above max is refused";
    EXPECT_EQ(p->getNumberEdit(CtrlEffects::EW_LIFE_MIN)->getValue(), 0.6f) << "and the field shows the emitter's";

    TS::mouseDown(600, 500);
    TS::mouseMove(650, 520);
    TS::mouseUp(650, 520);
    app.runPass();
    particle::Emitter& core = particle::Access::core(*emitter());
    EXPECT_EQ(core.x(), 650);
    EXPECT_EQ(core.y(), 520);

    typeKeys(p->getID(), CtrlEffects::EW_BURST, "500");
    emitter()->clear();
    TS::click(900, 300, SDL_BUTTON_RIGHT);
    app.runPass();
    EXPECT_EQ(core.x(), 900);
    EXPECT_GE(emitter()->getLiveCount(), 500);

    ASSERT_TRUE(click(CtrlBase::BW_NAME));
    TS::typeText("campfire");
    TS::pushAnswer(0); // the timed "saved" notice
    ASSERT_TRUE(click(CtrlBase::BW_SAVE));
    EXPECT_FALSE(effects->isDirty());
    EXPECT_EQ(editortest::listItems(p->getList(CtrlBase::BW_LIST)), (std::vector<std::string>{"campfire"}));

    ASSERT_TRUE(click(CtrlBase::BW_NEW));
    EXPECT_EQ(emitter()->getPreset(), PEP_DEFAULT);
    const SDL_Rect list = p->getList(CtrlBase::BW_LIST)->getRect();
    TS::click(list.x + 20, list.y + p->getList(CtrlBase::BW_LIST)->getRowHeight() / 2 + 2);
    app.runPass();
    ASSERT_NE(emitter(), nullptr);
    EXPECT_STREQ(emitter()->getName(), "campfire");
    EXPECT_EQ(emitter()->getPreset(), PEP_FIRE);
    EXPECT_EQ(emitter()->getEmissionRate(), 250);
    EXPECT_EQ(effects->getPreviewState(), CtrlEffects::PS_STOPPED) << "a loaded effect is not started";
    EXPECT_STREQ(p->getComboBox(CtrlEffects::EW_PRESET)->getSelectedText(), "Fire");
    EXPECT_EQ(p->getNumberEdit(CtrlEffects::EW_RATE)->getValue(), 250);
    EXPECT_FALSE(effects->isDirty());
}

TEST_F(EffectTabTest, FloatingPanelsBurstSubEmitterColourKeySaveAndReload)
{
    Panel* advanced = effects->advancedPanel();
    Panel* appearance = effects->appearancePanel();
    ASSERT_TRUE(click(CtrlEffects::EW_ADVANCED));
    ASSERT_TRUE(click(CtrlEffects::EW_APPEARANCE));
    EXPECT_TRUE(advanced->baseWidget()->isShown());
    EXPECT_TRUE(appearance->baseWidget()->isShown());

    ASSERT_TRUE(click(CtrlEffects::AW_BURST_ADD, advanced));
    ASSERT_TRUE(click(CtrlEffects::AW_BURST_ADD, advanced));
    typeKeys(advanced->getID(), CtrlEffects::AW_BURST_COUNT, "40");
    ASSERT_TRUE(click(CtrlEffects::AW_SUB_ADD, advanced));
    typeKeys(advanced->getID(), CtrlEffects::AW_SUB_PROBABILITY, "0.25");
    typeKeys(appearance->getID(), CtrlEffects::PW_COLOR_TEXT, "ff000080");
    EXPECT_EQ(appearance->getTextEdit(CtrlEffects::PW_COLOR_TEXT)->getText(), "#FF000080");
    ASSERT_TRUE(click(CtrlEffects::PW_TINT_ADD, appearance));
    EXPECT_TRUE(effects->isDirty());

    const Vector<ParticleBurst> bursts = *emitter()->getBursts();
    const Vector<ParticleSubEmitter> subs = *emitter()->getSubEmitters();
    const Vector<ParticleColorKey> keys = emitter()->getColorKeys();
    ASSERT_EQ(bursts.size(), 2u);
    EXPECT_EQ(bursts[1].count, 40);
    ASSERT_EQ(subs.size(), 1u);
    EXPECT_EQ(subs[0].probability, 0.25f);
    EXPECT_EQ(keys[0].color.r, 255);
    EXPECT_EQ(keys[0].color.a, 128);

    saveNewAndReopen("sparkler");
    ASSERT_NE(emitter()->getBursts(), nullptr);
    ASSERT_EQ(emitter()->getBursts()->size(), bursts.size());
    for (size_t i = 0; i < bursts.size(); ++i) {
        EXPECT_EQ((*emitter()->getBursts())[i].time, bursts[i].time);
        EXPECT_EQ((*emitter()->getBursts())[i].count, bursts[i].count);
    }
    ASSERT_NE(emitter()->getSubEmitters(), nullptr);
    EXPECT_EQ((*emitter()->getSubEmitters())[0].preset, subs[0].preset);
    EXPECT_EQ((*emitter()->getSubEmitters())[0].probability, 0.25f);
    EXPECT_EQ(emitter()->getColorKeys()[0].color.a, 128);
    EXPECT_EQ(emitter()->getTintPalette().size(), 1u);
    EXPECT_EQ(advanced->getComboBox(CtrlEffects::AW_BURST_LIST)->getItemCount(), 2) << "the panels show it";
    EXPECT_EQ(appearance->getTextEdit(CtrlEffects::PW_COLOR_TEXT)->getText(), "#FF000080");
    EXPECT_FALSE(effects->isDirty());

    ASSERT_TRUE(click(CtrlEffects::EW_ADVANCED_CLOSE, advanced));
    EXPECT_FALSE(advanced->baseWidget()->isShown());
}

// Numbers typed key by key take effect when committed, as typed: nothing is
// applied or rewritten while the caret is in the field, and a text that is
// no number leaves the old value.
TEST_F(EffectTabTest, TypedNumbersApplyWhenCommittedAndAsTyped)
{
    chooseRow(CtrlEffects::EW_PRESET, 9);
    ASSERT_EQ(emitter()->getPreset(), PEP_FOUNTAIN);
    Panel* advanced = effects->advancedPanel();
    Panel* appearance = effects->appearancePanel();
    // Both panels open side by side: each field is clicked where it shows.
    ASSERT_TRUE(click(CtrlEffects::EW_ADVANCED));
    ASSERT_TRUE(click(CtrlEffects::EW_APPEARANCE));
    ASSERT_TRUE(click(CtrlEffects::AW_BURST_ADD, advanced));
    ASSERT_TRUE(click(CtrlEffects::AW_SUB_ADD, advanced));

    using Read = std::function<float(ParticleEmitter&)>;
    const Read speedMax = [](ParticleEmitter& e) {
        float lo = 0, hi = 0;
        e.getSpeed(&lo, &hi);
        return hi;
    };
    const Read duration = [](ParticleEmitter& e) { return e.getDuration(); };
    const Read seed = [](ParticleEmitter& e) { return static_cast<float>(e.getSeed()); };
    const float kOld = NAN; // the value before typing stays
    const struct {
        Panel* on;
        int field;
        const char* typed;
        Commit commit;
        Read read;
        float expected;
        const char* shown = nullptr; // after the commit, when not as typed
    } cases[] = {
        {p, CtrlEffects::EW_SPEED_MAX, "500", Commit::Enter, speedMax, 500},
        {p, CtrlEffects::EW_SPEED_MAX, "420", Commit::Tab, speedMax, 420},
        {advanced, CtrlEffects::AW_BURST_TIME, "0.25", Commit::Enter,
         [](ParticleEmitter& e) { return (*e.getBursts())[0].time; }, 0.25f},
        {advanced, CtrlEffects::AW_SUB_PROBABILITY, "0.5", Commit::Enter,
         [](ParticleEmitter& e) { return (*e.getSubEmitters())[0].probability; }, 0.5f},
        {p, CtrlEffects::EW_MAX, "2.7", Commit::Enter,
         [](ParticleEmitter& e) { return static_cast<float>(e.getMaxParticles()); }, 2, "2"},
        {p, CtrlEffects::EW_DURATION, "", Commit::Enter, duration, kOld},
        {p, CtrlEffects::EW_DURATION, "-", Commit::Tab, duration, kOld},
        {advanced, CtrlEffects::AW_SEED, "12a", Commit::Enter, seed, kOld},
        {advanced, CtrlEffects::AW_SEED, "77", Commit::Enter, seed, 77},
        {appearance, CtrlEffects::PW_COLOR_TIME, "0.25", Commit::Tab,
         [](ParticleEmitter& e) { return e.getColorKeys()[0].time; }, 0.25f},
        {appearance, CtrlEffects::PW_SCALE_VALUE, "0.5", Commit::Enter,
         [](ParticleEmitter& e) { return e.getScaleKeys()[0].scale; }, 0.5f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.field) + " \"" + c.typed + "\"");
        WidgetTextEdit* field = c.on->getTextEdit(c.field);
        ASSERT_NE(field, nullptr);
        const float before = c.read(*emitter());
        const String shownBefore = field->getText();
        typeKeys(c.on->getID(), c.field, c.typed, Commit::None);
        EXPECT_STREQ(field->getText().c_str(), c.typed) << "the text under the caret stays as typed";
        EXPECT_EQ(c.read(*emitter()), before) << "nothing applied before the commit";
        TS::key(c.commit == Commit::Enter ? SDLK_RETURN : SDLK_TAB);
        app.runPass();
        app.runPass();
        const bool keeps = std::isnan(c.expected);
        EXPECT_EQ(c.read(*emitter()), keeps ? before : c.expected);
        if (keeps)
            EXPECT_EQ(field->getText(), shownBefore) << "the old value shows again";
        else
            EXPECT_STREQ(field->getText().c_str(), c.shown ? c.shown : c.typed);
        EXPECT_EQ(effects->getPreviewState(), CtrlEffects::PS_PLAYING) << "the preview plays on";
    }
}

// An effect opened from the list plays where a new one does, in the
// preview, not at the window's corner under the tab's panel.
TEST_F(EffectTabTest, AReopenedEffectPlaysWhereANewOneDoes)
{
    particle::Emitter* core = &particle::Access::core(*emitter());
    const float newX = core->x(), newY = core->y();
    ASSERT_TRUE(effects->previewArea().isInContentArea(newX, newY));
    typeKeys(p->getID(), CtrlEffects::EW_RATE, "300");
    saveNewAndReopen("drift");
    core = &particle::Access::core(*emitter());
    EXPECT_EQ(core->x(), newX);
    EXPECT_EQ(core->y(), newY);
    EXPECT_FALSE(effects->isDirty());
}

// Saving under the name of another stored effect warns and keeps both.
TEST_F(EffectTabTest, SavingUnderAnotherEffectsNameIsRefused)
{
    typeKeys(p->getID(), CtrlEffects::EW_RATE, "111");
    saveNewAndReopen("first");
    ASSERT_TRUE(click(CtrlBase::BW_NEW));
    typeKeys(p->getID(), CtrlEffects::EW_RATE, "222");
    typeKeys(p->getID(), CtrlBase::BW_NAME, "second");
    TS::pushAnswer(0); // the timed "saved" notice
    ASSERT_TRUE(click(CtrlBase::BW_SAVE));
    ASSERT_FALSE(effects->isDirty());
    const struct {
        bool fromNew; // a new effect, else the open "second" renamed
    } cases[] = {{true}, {false}};
    for (const auto& c : cases) {
        if (c.fromNew) {
            ASSERT_TRUE(click(CtrlBase::BW_NEW));
            typeKeys(p->getID(), CtrlEffects::EW_RATE, "333");
        } else {
            const SDL_Rect list = p->getList(CtrlBase::BW_LIST)->getRect();
            TS::click(list.x + 20, list.y + p->getList(CtrlBase::BW_LIST)->getRowHeight() * 3 / 2 + 2);
            app.runPass();
            ASSERT_STREQ(emitter()->getName(), "second");
        }
        TS::clearModalLog();
        typeKeys(p->getID(), CtrlBase::BW_NAME, "first");
        TS::pushAnswer(0); // the timed warning
        ASSERT_TRUE(click(CtrlBase::BW_SAVE));
        ASSERT_EQ(TS::modalLog().size(), 1u) << c.fromNew;
        EXPECT_EQ(TS::modalLog()[0].text, "Could not rename the particle effect.");
        EXPECT_TRUE(effects->isDirty()) << "nothing was saved";
    }
    EXPECT_EQ(editortest::listItems(p->getList(CtrlBase::BW_LIST)), (std::vector<std::string>{"first", "second"}));
    for (const auto& [name, rate] : {std::pair{"first", 111}, std::pair{"second", 222}}) {
        const int id = Main::instance()->particleMgr()->load(app.globalStatus()->iArchiveID, name);
        ASSERT_GT(id, 0) << name;
        EXPECT_EQ(Main::instance()->particleMgr()->get(id)->getEmissionRate(), rate) << name;
        Main::instance()->particleMgr()->close(id);
    }
    // Its own name saves, twice.
    for (int i = 0; i < 2; ++i) {
        typeKeys(p->getID(), CtrlBase::BW_NAME, "second");
        TS::pushAnswer(0); // the timed "saved" notice
        ASSERT_TRUE(click(CtrlBase::BW_SAVE));
        EXPECT_FALSE(effects->isDirty());
    }
}

// Closing the archive takes the floating panels with the tab; they come
// back when the tab is shown with the next archive.
TEST_F(EffectTabTest, FloatingPanelsGoWithAClosedArchive)
{
    Panel* floating[] = {effects->advancedPanel(), effects->appearancePanel()};
    ASSERT_TRUE(click(CtrlEffects::EW_ADVANCED));
    ASSERT_TRUE(click(CtrlEffects::EW_APPEARANCE));
    const std::string path = app.globalStatus()->sArchivePath.c_str();
    const int menu = app.resources()->get(SR_MENU_PANEL);
    TS::pushAnswer(4); // Yes: close it
    ASSERT_TRUE(TS::clickWidget(menu, Menu::MB_CLOSE));
    app.runPass();
    ASSERT_FALSE(app.globalStatus()->bArchiveLoaded);
    for (Panel* f : floating)
        EXPECT_FALSE(f->baseWidget()->isShown()) << f->getName();
    editortest::openAsEditorArchive(*app.globalStatus(), path);
    app.menu()->update();
    ASSERT_TRUE(TS::clickWidget(menu, TAB_EFFECTS));
    app.runPass();
    for (Panel* f : floating)
        EXPECT_TRUE(f->baseWidget()->isShown()) << f->getName();
}

} // namespace
