// The effect tab driven as a user drives it: a preset chosen, a value typed
// on the main panel, the emitter dragged, a right-click burst, the effect
// saved and opened again from the block list.
#include "app/AppFixture.h"
#include "particle/ParticleAccess.h"

#include "tabs/effects/ctrlEffects.h"

#include <Zelkoran/Particle.h>

#include <SDL.h>

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
        ASSERT_TRUE(TS::clickWidget(app.resources()->get(SR_MENU_PANEL), 225));
        app.runPass();
        for (CtrlBase* tab : app.menu()->getCtrls())
            if (tab->getCheckBoxID() == 225)
                effects = dynamic_cast<CtrlEffects*>(tab);
        ASSERT_NE(effects, nullptr);
        p = tabPanel("Effects");
        ASSERT_NE(p, nullptr);
    }
    ParticleEmitter* emitter() { return Main::instance()->particleMgr()->get(effects->getItemHandle()); }
    bool click(int widgetId)
    {
        const bool found = TS::clickWidget(p->getID(), widgetId);
        app.runPass();
        return found;
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
    void type(int editId, const char* text)
    {
        ASSERT_TRUE(click(editId));
        TS::key(SDLK_a, KMOD_CTRL);
        TS::typeText(text);
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

    type(CtrlEffects::EW_RATE, "250");
    EXPECT_EQ(emitter()->getEmissionRate(), 250);
    type(CtrlEffects::EW_LIFE_MIN, "5");
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

    type(CtrlEffects::EW_BURST, "500");
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

} // namespace
