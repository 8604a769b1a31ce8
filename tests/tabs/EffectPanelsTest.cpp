// The effect tab's floating panels on a real emitter: advanced settings
// and the seed field, the scale mirror, timed bursts and sub-emitters, the
// colour keys with their ramp, the tint palette and the scale keys.
#include "tabs/EffectTabFixture.h"

#include "tabs/base/ctrlBaseControls.h"

#include <functional>

namespace {

using namespace effecttest;

class EffectPanels : public EffectTab {
protected:
    void SetUp() override
    {
        EffectTab::SetUp();
        open({});
        ASSERT_NE(adv, nullptr);
        ASSERT_NE(app, nullptr);
    }
    std::vector<int> swatch(int id)
    {
        uint8_t r = 0, g = 0, b = 0;
        app->getFrame(id)->getBackgroundColor(&r, &g, &b, WS_NORMAL);
        return {r, g, b};
    }
    int selectedRow(Panel* on, int id) { return on->getComboBox(id)->getSelectedIndex(); }
    // Runs one step from a clean tab; whether it left the tab dirty.
    bool dirties(const std::function<void()>& step)
    {
        tab->setDirty(false);
        step();
        return tab->isDirty();
    }
};

TEST_F(EffectPanels, AdvancedSettingsAndTheSeedReachTheEmitter)
{
    const struct {
        const char* what;
        std::function<void()> edit;
        std::function<bool(ParticleEmitter&)> shows;
    } cases[] = {
        {"Multiply is blend 4", [&] { choose(W::AW_BLEND, 4, adv); },
         [](ParticleEmitter& e) { return e.getBlendMode() == PBM_MULTIPLY; }},
        {"None is blend 0", [&] { choose(W::AW_BLEND, 1, adv); },
         [](ParticleEmitter& e) { return e.getBlendMode() == PBM_NONE; }},
        {"draw order row 3", [&] { choose(W::AW_DRAW_ORDER, 3, adv); },
         [](ParticleEmitter& e) { return e.getDrawOrder() == PDO_YOUNGEST_FIRST; }},
        {"gravity Y sends x and damping along",
         [&] {
             adv->getNumberEdit(W::AW_GRAVITY_X)->setValue(2);
             adv->getNumberEdit(W::AW_DAMPING)->setValue(0.5f);
             enter(adv, W::AW_GRAVITY_Y, 9.5f);
         },
         [](ParticleEmitter& e) {
             float x, y, d;
             e.getPhysics(&x, &y, &d);
             return x == 2 && y == 9.5f && d == 0.5f;
         }},
        {"align resends the stretch",
         [&] {
             adv->getNumberEdit(W::AW_STRETCH)->setValue(3);
             tick(adv, W::AW_ALIGN_VELOCITY, true);
         },
         [](ParticleEmitter& e) {
             float s;
             bool align;
             e.getStretch(&s, &align);
             return s == 3 && align;
         }},
        {"largest seed", [&] { enter(adv, W::AW_SEED, "4294967295"); },
         [](ParticleEmitter& e) { return e.getSeed() == 4294967295u; }},
        {"seed 1", [&] { enter(adv, W::AW_SEED, "1"); }, [](ParticleEmitter& e) { return e.getSeed() == 1; }},
    };
    for (const auto& c : cases) {
        c.edit();
        EXPECT_TRUE(c.shows(*emitter())) << c.what;
    }
    for (const char* text : {"0", "", "-5", " 7", "12a", "4294967296"}) {
        EXPECT_FALSE(dirties([&] { enter(adv, W::AW_SEED, text); })) << '"' << text << '"';
        EXPECT_EQ(emitter()->getSeed(), 1u) << text;
        EXPECT_EQ(adv->getTextEdit(W::AW_SEED)->getText(), "1") << "the field shows the seed again";
    }
    choose(W::AW_COLLISION, 2, adv);
    EXPECT_TRUE(usable(W::AW_BOUNCINESS, adv));
    choose(W::AW_COLLISION, 4, adv);
    EXPECT_FALSE(usable(W::AW_BOUNCINESS, adv));
}

TEST_F(EffectPanels, TheScaleMirrorKeepsEveryScaleKey)
{
    ASSERT_TRUE(emitter()->setScaleKeys({{0, 1}, {0.5f, 3}, {1, 2}}));
    tab->updateData();
    choose(W::PW_SCALE_KEY, 2, app);
    enter(app, W::PW_SCALE_VALUE, 4);
    ASSERT_EQ(emitter()->getScaleKeys().size(), 3u) << "a scale key edit keeps the others";
    EXPECT_EQ(emitter()->getScaleKeys()[1].scale, 4);
    EXPECT_EQ(adv->getNumberEdit(W::AW_SCALE_START)->getValue(), 1);
    EXPECT_EQ(adv->getNumberEdit(W::AW_SCALE_END)->getValue(), 2);
    // Leaving "Scale at birth" unchanged is no ramp.
    EXPECT_FALSE(dirties([&] { tab->processEvent(W::AW_SCALE_START, 0); }));
    EXPECT_EQ(emitter()->getScaleKeys().size(), 3u);
    enter(adv, W::AW_SCALE_END, 5);
    EXPECT_EQ(emitter()->getScaleKeys().size(), 2u) << "a changed ramp replaces the keys";
    EXPECT_EQ(rows(W::PW_SCALE_KEY, app), (std::vector<std::string>{"Key 1 (0%)", "Key 2 (100%)"}));
}

TEST_F(EffectPanels, TimedBurstsAddEditFollowAndDelete)
{
    EXPECT_FALSE(usable(W::AW_BURST_DELETE, adv));
    EXPECT_TRUE(dirties([&] { tab->processEvent(W::AW_BURST_ADD, 0); }));
    EXPECT_EQ(rows(W::AW_BURST_LIST, adv), (std::vector<std::string>{"1: 0.00s / 1"}));
    adv->getNumberEdit(W::AW_BURST_TIME)->setValue(5);
    enter(adv, W::AW_BURST_COUNT, 40);
    tab->processEvent(W::AW_BURST_ADD, 0);
    EXPECT_EQ(rows(W::AW_BURST_LIST, adv), (std::vector<std::string>{"1: 5.00s / 40", "2: 5.10s / 40"}));
    EXPECT_EQ(tab->getSelectedBurst(), 1);

    const struct {
        const char* typed;
        int count;
    } counts[] = {{"2.9", 2}, {"70000", 65536}, {"0", 1}};
    for (const auto& c : counts) {
        adv->getNumberEdit(W::AW_BURST_COUNT)->setText(c.typed);
        tab->processEvent(W::AW_BURST_COUNT, 0);
        EXPECT_EQ((*emitter()->getBursts())[1].count, c.count) << c.typed;
    }
    // Moved to the front by the emitter's order: still the selected one.
    enter(adv, W::AW_BURST_TIME, 1);
    EXPECT_EQ(tab->getSelectedBurst(), 0);
    EXPECT_EQ(selectedRow(adv, W::AW_BURST_LIST), 1);
    EXPECT_EQ(adv->getNumberEdit(W::AW_BURST_TIME)->getValue(), 1);

    while (emitter()->getBursts()->size() < 16)
        tab->processEvent(W::AW_BURST_ADD, 0);
    EXPECT_FALSE(usable(W::AW_BURST_ADD, adv));
    EXPECT_FALSE(dirties([&] { tab->processEvent(W::AW_BURST_ADD, 0); })) << "the 17th is refused";
    EXPECT_EQ(emitter()->getBursts()->size(), 16u);

    const Vector<ParticleBurst> three{{1, 1}, {2, 2}, {3, 3}};
    const struct {
        int selected;
        int after;
        float timeShown;
    } deletes[] = {{1, 1, 3}, {2, 1, 2}};
    for (const auto& d : deletes) {
        ASSERT_TRUE(emitter()->setBursts(three));
        tab->updateData();
        choose(W::AW_BURST_LIST, d.selected + 1, adv);
        tab->processEvent(W::AW_BURST_DELETE, 0);
        EXPECT_EQ(tab->getSelectedBurst(), d.after);
        EXPECT_EQ(adv->getNumberEdit(W::AW_BURST_TIME)->getValue(), d.timeShown);
    }
    ASSERT_TRUE(emitter()->setBursts({{7, 7}}));
    tab->updateData();
    tab->processEvent(W::AW_BURST_DELETE, 0);
    EXPECT_EQ(emitter()->getBursts(), nullptr);
    EXPECT_EQ(tab->getSelectedBurst(), -1);
    EXPECT_EQ(adv->getNumberEdit(W::AW_BURST_COUNT)->getValue(), 1);
}

TEST_F(EffectPanels, SubEmittersKeepATriggerAndAnOfferedPreset)
{
    const std::vector<std::string> presetRows = rows(W::AW_SUB_PRESET, adv);
    ASSERT_GE(presetRows.size(), 2u);
    EXPECT_EQ(presetRows[0], "None");
    tab->processEvent(W::AW_SUB_ADD, 0);
    ASSERT_NE(emitter()->getSubEmitters(), nullptr);
    const ParticleSubEmitter first = (*emitter()->getSubEmitters())[0];
    EXPECT_EQ(first.triggers, uint32_t(PST_DEATH));
    EXPECT_EQ(first.probability, 1);
    EXPECT_EQ(rows(W::AW_SUB_LIST, adv), (std::vector<std::string>{"1: " + presetRows[1]}));

    const struct {
        const char* what;
        std::function<void()> edit;
        bool dirty;
        uint32_t triggers;
    } steps[] = {
        {"collision added", [&] { tick(adv, W::AW_SUB_COLLISION, true); }, true, PST_DEATH | PST_COLLISION},
        {"death removed", [&] { tick(adv, W::AW_SUB_DEATH, false); }, true, PST_COLLISION},
        {"the last trigger stays", [&] { tick(adv, W::AW_SUB_COLLISION, false); }, false, PST_COLLISION},
        {"None is no preset", [&] { choose(W::AW_SUB_PRESET, 1, adv); }, false, PST_COLLISION},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(dirties(s.edit), s.dirty) << s.what;
        EXPECT_EQ((*emitter()->getSubEmitters())[0].triggers, s.triggers) << s.what;
        EXPECT_EQ(checked(W::AW_SUB_COLLISION, adv), (s.triggers & PST_COLLISION) != 0) << s.what;
        EXPECT_EQ(selectedRow(adv, W::AW_SUB_PRESET), 2) << s.what;
    }
    while (emitter()->getSubEmitters()->size() < 8)
        tab->processEvent(W::AW_SUB_ADD, 0);
    EXPECT_FALSE(dirties([&] { tab->processEvent(W::AW_SUB_ADD, 0); })) << "the 9th is refused";
    EXPECT_EQ(emitter()->getSubEmitters()->size(), 8u);
}

TEST_F(EffectPanels, ColourKeysRampAndHexText)
{
    const SDL_Color red{255, 0, 0, 255}, blue{0, 0, 255, 255};
    ASSERT_TRUE(emitter()->setColorKeys({{0, red}, {1, blue}}));
    tab->processEvent(W::EW_APPEARANCE, 0);
    EXPECT_EQ(swatch(W::PW_RAMP_SWATCH + 5), (std::vector<int>{139, 0, 116}));
    EXPECT_EQ(app->getTextEdit(W::PW_COLOR_TEXT)->getText(), "#FF0000FF");

    EXPECT_TRUE(dirties([&] { tab->processEvent(W::PW_COLOR_ADD, 0); }));
    EXPECT_EQ(rows(W::PW_COLOR_KEY, app), (std::vector<std::string>{"Key 1 (0%)", "Key 2 (50%)", "Key 3 (100%)"}));
    EXPECT_EQ(selectedRow(app, W::PW_COLOR_KEY), 2) << "the new key, where the emitter put it";

    EXPECT_TRUE(dirties([&] { enter(app, W::PW_COLOR_TEXT, "ff000080"); }));
    EXPECT_EQ(emitter()->getColorKeys()[1].color.a, 128);
    EXPECT_EQ(app->getTextEdit(W::PW_COLOR_TEXT)->getText(), "#FF000080");
    EXPECT_FALSE(dirties([&] { enter(app, W::PW_COLOR_TEXT, "#FF0000"); }));
    EXPECT_EQ(emitter()->getColorKeys()[1].color.a, 128);
    EXPECT_EQ(app->getTextEdit(W::PW_COLOR_TEXT)->getText(), "#FF000080") << "the key's colour again";
    EXPECT_TRUE(dirties([&] {
        TS::pushScript([](int dialogId) {
            TS::clickWidget(dialogId, CtrlBaseControls::CP_FIRST_SWATCH + 8); // blue
            TS::clickWidget(dialogId, CtrlBaseControls::CP_OK);
        });
        click(app, W::PW_COLOR_ICON);
    })) << "a colour taken from the picker";
    EXPECT_EQ(emitter()->getColorKeys()[1].color.b, 255);
    EXPECT_EQ(emitter()->getColorKeys()[1].color.r, 0);

    // The second of two identical keys stays selected when re-applied.
    ASSERT_TRUE(emitter()->setColorKeys({{0, red}, {0.5f, blue}, {0.5f, blue}}));
    tab->updateData();
    choose(W::PW_COLOR_KEY, 3, app);
    EXPECT_TRUE(tab->appearanceEditor().lists().applyColorKeyWidgets());
    EXPECT_EQ(tab->getSelectedColorKey(), 2);
    tab->processEvent(W::PW_COLOR_DELETE, 0);
    EXPECT_EQ(emitter()->getColorKeys().size(), 2u);
    EXPECT_EQ(tab->getSelectedColorKey(), 1) << "the new last key";

    while (emitter()->getColorKeys().size() < 8)
        tab->processEvent(W::PW_COLOR_ADD, 0);
    EXPECT_FALSE(usable(W::PW_COLOR_ADD, app));
    EXPECT_FALSE(dirties([&] { tab->processEvent(W::PW_COLOR_ADD, 0); })) << "the 9th key is refused";
    EXPECT_EQ(tab->appearanceEditor().handleAppearanceEvent(W::PW_COLOR_ICON), 0);
    EXPECT_EQ(tab->appearanceEditor().handleAppearanceEvent(W::PW_RAMP_SWATCH), 0);
}

TEST_F(EffectPanels, TintPaletteAndTheLastEntryOfEachList)
{
    ASSERT_TRUE(emitter()->setTintPalette({}));
    ASSERT_TRUE(emitter()->setColorKeys({{0, {9, 9, 9, 255}}}));
    ASSERT_TRUE(emitter()->setScaleKeys({{0, 1}}));
    tab->updateData();
    for (int del : {W::PW_COLOR_DELETE, W::PW_SCALE_DELETE})
        EXPECT_FALSE(dirties([&] { tab->processEvent(del, 0); })) << "the last entry stays: " << del;
    EXPECT_TRUE(dirties([&] { tab->processEvent(W::PW_TINT_ADD, 0); }));
    EXPECT_EQ(rows(W::PW_TINT_ENTRY, app), (std::vector<std::string>{"Tint 1"}));
    EXPECT_EQ(app->getTextEdit(W::PW_TINT_TEXT)->getText(), "#FFFFFFFF");
    EXPECT_FALSE(dirties([&] { tab->processEvent(W::PW_TINT_DELETE, 0); }));

    // A picked colour the effect does not take is not left on show.
    ASSERT_TRUE(emitter()->setTintPalette({}));
    tab->processEvent(W::EW_APPEARANCE, 0);
    TS::pushScript([](int id) {
        TS::clickWidget(id, CtrlBaseControls::CP_FIRST_SWATCH + 8);
        TS::clickWidget(id, CtrlBaseControls::CP_OK);
    });
    EXPECT_FALSE(dirties([&] {
        ASSERT_TRUE(TS::clickWidget(app->getID(), W::PW_TINT_SWATCH));
        TS::pump();
    }));
    EXPECT_EQ(TS::modalLog().size(), 1u) << "the picker ran";
    EXPECT_EQ(app->getTextEdit(W::PW_TINT_TEXT)->getText(), "#FFFFFFFF");
    EXPECT_EQ(swatch(W::PW_TINT_SWATCH), (std::vector<int>{255, 255, 255}));

    ASSERT_TRUE(emitter()->setTintPalette({{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}}));
    tab->updateData();
    const std::vector<int> entry[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(swatch(W::PW_TINT_SWATCH_0 + i), entry[i / 4]) << "swatch " << i;
    choose(W::PW_TINT_ENTRY, 3, app);
    tab->processEvent(W::PW_TINT_ADD, 0);
    EXPECT_EQ(tab->getSelectedTintEntry(), 3);
    EXPECT_EQ(emitter()->getTintPalette()[3].b, 255) << "a copy of the selected colour";
}

} // namespace
