#include "tabs/effects/effectMainPanel.h"

#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "services/TextFit.h"
#include "tabs/base/TabServices.h"
#include "tabs/effects/effectWidgets.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Tool.h>

#include <algorithm>
#include <cstring>

using namespace Zelkoran;
namespace ew = effectwidgets;

namespace {

enum Kind { LABEL, COMBO, CHECK, NUMBER, FRAME, BUTTON, SPRITE_BUTTON, SPRITE_CHECK, SPRITE_IMAGE };

// One widget of the main panel, in creation order.
struct Spec {
    int id;
    Kind kind;
    const char* name;
    const char* text;
    int w, h;
    Position x, y;
    float min, max, initial; // number fields
    const char* tooltip;
    int sprite; // sprite widgets: the clone's resource
};

using ui::top;
Position at(float offset) { return ui::left(offset); }
const Position kCentred = ui::centred();
const Position kAboveBottom = ui::bottom(-35);

using W = EffectWidgetIds;

// Wide enough for the toolkit's box and the whole caption ("Glow", "Local").
constexpr int kGlowWidth = 52;
constexpr int kLocalWidth = 54;

// clang-format off
const Spec kWidgets[] = {
    {W::EW_BG_CHECKER, SPRITE_CHECK, "BgChecker", "", 0, 0, at(10), top(244), 0, 0, 0, "Use checkerboard background", SS_BLOCKY},
    {W::EW_BG_WHITE, SPRITE_CHECK, "BgWhite", "", 0, 0, at(45), top(244), 0, 0, 0, "Use white background", SS_WHITEY},
    {W::EW_BG_BLACK, SPRITE_CHECK, "BgBlack", "", 0, 0, at(80), top(244), 0, 0, 1, "Use black background", SS_BLACKY},
    {W::EW_INFO, LABEL, "EffectInfo", "Live: 0 (0)", 0, 0, at(114), top(240), 0, 0, 0, "Live particles and current render FPS", 0},
    {W::EW_RENDER_INFO, LABEL, "RenderLabel", "Render: n/a", 0, 0, at(114), top(260), 0, 0, 0, "Renderer driver in use", 0},
    {W::EW_PRESET_LABEL, LABEL, "PresetLabel", "Preset:", 0, 0, at(5), top(290), 0, 0, 0, nullptr, 0},
    {W::EW_PRESET, COMBO, "Preset", "", 147, 19, at(47), top(287), 0, 0, 0, "Built-in particle preset", 0},
    {W::EW_VISUAL_FRAME, FRAME, "VisualFrame", "", 190, 120, at(5), top(316), 0, 0, 0, "Particle visual settings", 0},
    {W::EW_VISUAL_LABEL, LABEL, "VisualLabel", "Visual:", 0, 0, at(12), top(324), 0, 0, 0, nullptr, 0},
    {W::EW_VISUAL, COMBO, "Visual", "", 72, 19, at(66), top(321), 0, 0, 0, "Particle visual type", 0},
    {W::EW_GLOW, CHECK, "Glow", "Glow", kGlowWidth, 19, at(141), top(321), 0, 0, 0, "Use additive glow rendering when supported", 0},
    {W::EW_IMAGE_LABEL, LABEL, "ImageLabel", "Image:", 0, 0, at(12), top(347), 0, 0, 0, nullptr, 0},
    {W::EW_IMAGE, COMBO, "Image", "", 118, 19, at(66), top(344), 0, 0, 0, "Image resource from the current QEL", 0},
    {W::EW_SPRITE_LABEL, LABEL, "SpriteLabel", "Sprite:", 0, 0, at(12), top(370), 0, 0, 0, nullptr, 0},
    {W::EW_SPRITE, COMBO, "Sprite", "", 118, 19, at(66), top(367), 0, 0, 0, "Sprite resource from the current QEL", 0},
    {W::EW_ANIM_LABEL, LABEL, "AnimLabel", "Anim:", 0, 0, at(12), top(393), 0, 0, 0, nullptr, 0},
    {W::EW_ANIM, COMBO, "Anim", "", 62, 19, at(66), top(390), 0, 0, 0, "Sprite animation used by the particle visual", 0},
    {W::EW_GLOW_VALUE_LABEL, LABEL, "GlowValueLabel", "Int:", 0, 0, at(132), top(393), 0, 0, 0, nullptr, 0},
    {W::EW_GLOW_VALUE, NUMBER, "GlowValue", "", 32, 19, at(155), top(390), 0, 1, 1, "Glow intensity", 0},
    {W::EW_SPRITE_PHASE_LABEL, LABEL, "SpritePhaseLabel", "Phase:", 0, 0, at(12), top(416), 0, 0, 0, nullptr, 0},
    {W::EW_SPRITE_PHASE, COMBO, "SpritePhase", "", 118, 19, at(66), top(413), 0, 0, 0, "Use one shared Sprite frame or a random frame offset per particle", 0},
    {W::EW_EMITTER_FRAME, FRAME, "EmitterFrame", "", 190, 75, at(5), top(438), 0, 0, 0, "Emitter shape settings", 0},
    {W::EW_SHAPE_LABEL, LABEL, "ShapeLabel", "Shape:", 0, 0, at(12), top(446), 0, 0, 0, nullptr, 0},
    {W::EW_SHAPE, COMBO, "Shape", "", 72, 19, at(66), top(443), 0, 0, 0, "Emitter spawn shape", 0},
    {W::EW_LOCAL_SPACE, CHECK, "LocalSpace", "Local", kLocalWidth, 19, at(82), top(488), 0, 0, 0, "Use emitter-local particle movement", 0},
    {W::EW_WIDTH_ICON, SPRITE_IMAGE, "WidthIcon", "", 0, 0, at(13), top(465), 0, 0, 0, "Emitter shape width", SS_WIDTH_ICON},
    {W::EW_WIDTH, NUMBER, "Width", "", 45, 19, at(38), top(466), 0, 1000000, 0, "Emitter shape width", 0},
    {W::EW_HEIGHT_ICON, SPRITE_IMAGE, "HeightIcon", "", 0, 0, at(93), top(465), 0, 0, 0, "Emitter shape height", SS_HEIGHT_ICON},
    {W::EW_HEIGHT, NUMBER, "Height", "", 45, 19, at(118), top(466), 0, 1000000, 0, "Emitter shape height", 0},
    {W::EW_COORDINATES_LABEL, LABEL, "CoordinatesLabel", "Coordinates:", 0, 0, at(12), top(491), 0, 0, 0, nullptr, 0},
    {W::EW_EMISSION_FRAME, FRAME, "EmissionFrame", "", 190, 98, at(5), top(515), 0, 0, 0, "Emission timing and lifetime settings", 0},
    {W::EW_RATE_LABEL, LABEL, "RateLabel", "Rate:", 0, 0, at(12), top(523), 0, 0, 0, nullptr, 0},
    {W::EW_RATE, NUMBER, "Rate", "", 48, 19, at(51), top(520), 0, 1000000, 10, "Particles emitted per second", 0},
    {W::EW_MAX_LABEL, LABEL, "MaxLabel", "Max:", 0, 0, at(106), top(523), 0, 0, 0, nullptr, 0},
    {W::EW_MAX, NUMBER, "Max", "", 42, 19, at(143), top(520), 1, ParticleEmitter::kMaxParticles, 128, "Maximum live particles", 0},
    {W::EW_DURATION_LABEL, LABEL, "DurationLabel", "Duration (s):", 0, 0, at(12), top(546), 0, 0, 0, nullptr, 0},
    {W::EW_DURATION, NUMBER, "Duration", "", 60, 19, at(90), top(543), -1, ParticleEmitter::kMaxSeconds, -1, "Emission duration in seconds, -1 for unlimited", 0},
    {W::EW_PLAYBACK_LABEL, LABEL, "PlaybackLabel", "Playback:", 0, 0, at(12), top(569), 0, 0, 0, nullptr, 0},
    {W::EW_LOOP, CHECK, "Loop", "Loop", 50, 19, at(75), top(566), 0, 0, 1, "Loop emission when duration ends", 0},
    {W::EW_LIFE_MIN_LABEL, LABEL, "LifeMinLabel", "Life:", 0, 0, at(12), top(592), 0, 0, 0, nullptr, 0},
    {W::EW_LIFE_MIN, NUMBER, "LifeMin", "", 48, 19, at(51), top(589), 0.01f, ParticleEmitter::kMaxSeconds, 1, "Minimum particle lifetime in seconds", 0},
    {W::EW_LIFE_MAX_LABEL, LABEL, "LifeMaxLabel", "-", 0, 0, at(106), top(592), 0, 0, 0, nullptr, 0},
    {W::EW_LIFE_MAX, NUMBER, "LifeMax", "", 48, 19, at(122), top(589), 0.01f, ParticleEmitter::kMaxSeconds, 1, "Maximum particle lifetime in seconds", 0},
    {W::EW_MOTION_FRAME, FRAME, "MotionFrame", "", 190, 98, at(5), top(615), 0, 0, 0, "Particle direction and speed settings", 0},
    {W::EW_DIRECTION_LABEL, LABEL, "DirectionLabel", "Mode:", 0, 0, at(12), top(623), 0, 0, 0, nullptr, 0},
    {W::EW_DIRECTION, COMBO, "Direction", "", 70, 19, at(56), top(620), 0, 0, 0, "Particle direction mode", 0},
    {W::EW_ANGLE_LABEL, LABEL, "AngleLabel", "Angle (deg):", 0, 0, at(12), top(646), 0, 0, 0, nullptr, 0},
    {W::EW_ANGLE, NUMBER, "Angle", "", 42, 19, at(85), top(643), -100000, 100000, -90, "Base emission angle in degrees", 0},
    {W::EW_SPREAD_LABEL, LABEL, "SpreadLabel", "Spread:", 0, 0, at(12), top(669), 0, 0, 0, nullptr, 0},
    {W::EW_SPREAD, NUMBER, "Spread", "", 42, 19, at(62), top(666), 0, 360, 0, "Random direction spread in degrees", 0},
    {W::EW_SPEED_MIN_LABEL, LABEL, "SpeedMinLabel", "Speed:", 0, 0, at(12), top(692), 0, 0, 0, nullptr, 0},
    {W::EW_SPEED_MIN, NUMBER, "SpeedMin", "", 42, 19, at(62), top(689), 0, 100000, 0, "Minimum particle start speed", 0},
    {W::EW_SPEED_MAX_LABEL, LABEL, "SpeedMaxLabel", "-", 0, 0, at(109), top(692), 0, 0, 0, nullptr, 0},
    {W::EW_SPEED_MAX, NUMBER, "SpeedMax", "", 42, 19, at(124), top(689), 0, 100000, 0, "Maximum particle start speed", 0},
    {W::EW_ADVANCED, BUTTON, "Advanced", "Advanced Effects", 160, 22, kCentred, top(734), 0, 0, 0, "Show advanced particle settings", 0},
    {W::EW_APPEARANCE, BUTTON, "Appearance", "Particle Appearance", 160, 22, kCentred, top(762), 0, 0, 0, "Show particle colour key controls", 0},
    {W::EW_BURST_LABEL, LABEL, "BurstLabel", "Burst:", 0, 0, at(14), top(863), 0, 0, 0, nullptr, 0},
    {W::EW_BURST, NUMBER, "Burst", "", 50, 19, at(60), top(860), 1, ParticleEmitter::kMaxParticles, 32, "Particles emitted on right click", 0},
    {W::EW_PLAY, SPRITE_BUTTON, "Play", "", 0, 0, at(30), kAboveBottom, 0, 0, 0, "Play the current particle effect", SS_PLAY_AUDIO},
    {W::EW_PAUSE, SPRITE_CHECK, "Pause", "", 0, 0, kCentred, kAboveBottom, 0, 0, 0, "Pause particle preview", SS_PAUSE_AUDIO},
    {W::EW_STOP, SPRITE_BUTTON, "Stop", "", 0, 0, ui::right(-30), kAboveBottom, 0, 0, 0, "Stop particle preview", SS_STOP_AUDIO},
};
// clang-format on

const char* const kShapes[] = {"Point", "Line", "Rect", "Circle", "Ring", "Ellipse"};
const char* const kDirectionModes[] = {"Fixed", "Radial"};
const char* const kSpritePhases[] = {"Shared", "Random offset"};

} // namespace

EffectMainPanel::EffectMainPanel(EffectContext& shared) : panel(shared.services.panel()), context(shared) {}

void EffectMainPanel::create()
{
    const ResourceManager& rm = context.services.resources();
    const int font = rm.get(SR_FONT);
    for (const Spec& s : kWidgets) {
        // Buttons keep the toolkit's font.
        const bool button = s.kind == BUTTON || s.kind == SPRITE_BUTTON || s.kind == SPRITE_CHECK;
        const ui::WidgetSpec spec{.name = s.name, .id = s.id, .x = s.x, .y = s.y, .w = s.w, .h = s.h,
                                  .text = s.text, .font = button ? 0 : font,
                                  .tooltip = s.kind == LABEL && !s.tooltip ? s.text : s.tooltip};
        switch (s.kind) {
        case LABEL: ui::addLabel(panel, spec); break;
        case COMBO: ui::addComboBox(panel, spec); break;
        case CHECK:
        case SPRITE_CHECK:
            if (WidgetCheckBox* c = ui::addCheckBox(panel, spec)) {
                c->setChecked(s.initial != 0);
                if (s.kind == SPRITE_CHECK)
                    c->setBackgroundSprite(rm.getClone(s.sprite), WS_ALL, 0);
            }
            break;
        case NUMBER: ew::addFloatNumber(panel, spec, s.min, s.max, s.initial); break;
        case FRAME: ui::addOutline(panel, spec); break;
        case BUTTON: ui::addButton(panel, spec); break;
        case SPRITE_BUTTON:
            if (WidgetButton* b = ui::addButton(panel, spec))
                b->setBackgroundSprite(rm.getClone(s.sprite), WS_ALL, 0);
            break;
        case SPRITE_IMAGE:
            if (WidgetImage* i = panel.createImage(s.name, s.id)) {
                i->setBackgroundSprite(rm.getClone(s.sprite), WS_ALL, 0);
                i->setFeatures(WF_EVENTS, true);
                i->setPosition(s.x, s.y);
                i->setTooltip(s.tooltip);
            }
            break;
        }
    }
    auto fill = [&](int id, const auto& rows) {
        if (WidgetComboBox* c = panel.getComboBox(id)) {
            for (const auto& row : rows)
                c->addItem(row);
            c->setSelectedIndex(1);
        }
    };
    if (WidgetComboBox* c = panel.getComboBox(EW_VISUAL)) {
        for (const VisualChoice& v : vEffectVisualChoices)
            c->addItem(v.label);
        c->setSelectedIndex(1);
    }
    fill(EW_SHAPE, kShapes);
    fill(EW_DIRECTION, kDirectionModes);
    fill(EW_SPRITE_PHASE, kSpritePhases);
}

void EffectMainPanel::populatePresetList()
{
    WidgetComboBox* combo = panel.getComboBox(EW_PRESET);
    if (!combo)
        return;
    ParticleMgr* particles = Main::instance()->particleMgr();
    presets.clear();
    combo->clearItems();
    for (int i = 0; i < particles->getPresetCount(); ++i) {
        if (const ParticlePresetDesc* d = particles->getPresetDesc(i)) {
            presets.push_back(d->preset);
            combo->addItem(d->name);
        }
    }
    if (!presets.empty())
        combo->setSelectedIndex(1);
}

bool EffectMainPanel::applyPreset(ParticleEmitter* e)
{
    const size_t index = static_cast<size_t>(std::max(ew::comboRow(&panel, EW_PRESET), 1) - 1);
    if (index >= presets.size() || !e->applyPreset(presets[index]))
        return false;
    closeBorrowedVisualResource();
    return true;
}

int EffectMainPanel::burstSize() const { return ew::wholeValue(&panel, EW_BURST, 32, 1, ParticleEmitter::kMaxParticles); }

void EffectMainPanel::closeBorrowedVisualResource()
{
    if (borrowedId > 0) {
        if (borrowedKind == PV_IMAGE)
            Main::instance()->imageMgr()->close(borrowedId);
        else if (borrowedKind == PV_SPRITE)
            Main::instance()->spriteMgr()->close(borrowedId);
    }
    borrowedId = 0;
    borrowedKind = 0;
}

int EffectMainPanel::applyMainEmitterWidget(int id, ParticleEmitter* e)
{
    if (!e)
        return -1;
    auto value = [this](int widgetId, float fallback) { return ew::numberValue(&panel, widgetId, fallback); };
    auto row = [this](int widgetId) { return ew::comboRow(&panel, widgetId); };
    auto on = [this](int widgetId) { return ew::checked(&panel, widgetId); };
    bool ok = true;
    switch (id) {
    case EW_SHAPE:
    case EW_WIDTH:
    case EW_HEIGHT:
        ok = e->setShape(row(EW_SHAPE) - 1, value(EW_WIDTH, 0), value(EW_HEIGHT, 0));
        break;
    case EW_GLOW:
    case EW_GLOW_VALUE: ok = e->setGlowRender(on(EW_GLOW), value(EW_GLOW_VALUE, 1)); break;
    case EW_LOCAL_SPACE: ok = e->setLocalSpace(on(EW_LOCAL_SPACE)); break;
    case EW_RATE: ok = e->setEmissionRate(value(EW_RATE, 0)); break;
    case EW_MAX:
        ok = e->setMaxParticles(ew::wholeValue(&panel, EW_MAX, 128, 1, ParticleEmitter::kMaxParticles));
        // A whole count: a typed fraction is dropped, and the field says so.
        if (ok)
            ew::setNumber(&panel, EW_MAX, static_cast<float>(e->getMaxParticles()));
        break;
    case EW_DURATION: ok = e->setDuration(value(EW_DURATION, -1)); break;
    case EW_LOOP: ok = e->setLoop(on(EW_LOOP)); break;
    case EW_LIFE_MIN:
    case EW_LIFE_MAX: ok = e->setLifeSpan(value(EW_LIFE_MIN, 1), value(EW_LIFE_MAX, 1)); break;
    case EW_ANGLE:
    case EW_SPREAD: ok = e->setDirection(value(EW_ANGLE, -90), value(EW_SPREAD, 0)); break;
    case EW_SPEED_MIN:
    case EW_SPEED_MAX: ok = e->setSpeed(value(EW_SPEED_MIN, 0), value(EW_SPEED_MAX, 0)); break;
    case EW_DIRECTION: ok = e->setDirectionMode(row(EW_DIRECTION) - 1); break;
    case EW_SPRITE_PHASE: ok = e->setSpriteAnimation(row(EW_SPRITE_PHASE) - 1); break;
    case EW_VISUAL:
    case EW_IMAGE:
    case EW_SPRITE:
    case EW_ANIM: {
        const int visualRow = row(EW_VISUAL);
        if (id == EW_VISUAL && visualRow == 3 && row(EW_IMAGE) <= 1 && !imageNames.empty())
            ew::setCombo(&panel, EW_IMAGE, 2);
        if (id == EW_VISUAL && visualRow == 4 && row(EW_SPRITE) <= 1 && !spriteNames.empty())
            ew::setCombo(&panel, EW_SPRITE, 2);
        if (id == EW_SPRITE || (id == EW_VISUAL && visualRow == 4)) {
            const size_t pick = static_cast<size_t>(row(EW_SPRITE));
            populateSpriteAnimationList(pick >= 2 && pick - 2 < spriteNames.size() ? spriteNames[pick - 2] : "", -1);
        }
        ok = applyVisualFromWidgets(e);
        break;
    }
    default: return 0;
    }
    return ok ? 1 : -1;
}

bool EffectMainPanel::applyVisualFromWidgets(ParticleEmitter* e)
{
    if (!e)
        return false;
    const WidgetComboBox* combo = panel.getComboBox(EW_VISUAL);
    const int row = combo ? combo->getSelectedIndex() : 0;
    const int visual = row >= 1 && row <= 6 ? vEffectVisualChoices[row - 1].visual : PV_PIXEL;
    const int archiveId = context.services.status().iArchiveID;
    int resource = 0;
    if (visual == PV_IMAGE || visual == PV_SPRITE) {
        const bool image = visual == PV_IMAGE;
        const Vector<String>& names = image ? imageNames : spriteNames;
        const size_t pick = static_cast<size_t>(ew::comboRow(&panel, image ? EW_IMAGE : EW_SPRITE));
        if (pick < 2 || pick - 2 >= names.size())
            return false;
        const char* name = names[pick - 2].c_str();
        resource = image ? Main::instance()->imageMgr()->load(archiveId, name) : Main::instance()->spriteMgr()->load(archiveId, name);
        if (resource <= 0)
            return false;
        const size_t anim = static_cast<size_t>(ew::comboRow(&panel, EW_ANIM) - 1);
        const int animation = !image && anim < spriteAnimationIds.size() ? spriteAnimationIds[anim] : -1;
        if (!e->setVisual(visual, resource, animation)) {
            image ? Main::instance()->imageMgr()->close(resource) : Main::instance()->spriteMgr()->close(resource);
            return false;
        }
    } else if (!e->setVisual(visual, 0, -1)) {
        return false;
    }
    closeBorrowedVisualResource();
    borrowedId = resource;
    borrowedKind = visual;
    return true;
}

void EffectMainPanel::populateVisualResourceLists()
{
    WidgetComboBox* images = panel.getComboBox(EW_IMAGE);
    WidgetComboBox* sprites = panel.getComboBox(EW_SPRITE);
    if (!images || !sprites)
        return;
    imageNames.clear();
    spriteNames.clear();
    for (WidgetComboBox* c : {images, sprites}) {
        c->clearItems();
        c->addItem("None");
    }
    if (const Archive* archive = Main::instance()->archiveMgr()->get(context.services.status().iArchiveID)) {
        for (int i = 0; i < archive->getIndexCount(); ++i) {
            Archive::Block block;
            if (archive->blockAt(i, block) != 0 || block.deleted || block.name[0] == '#')
                continue;
            // A long name shows its start and end; the row stands for the
            // whole name kept in the names list.
            const auto add = [&block](Vector<String>& names, WidgetComboBox& c) {
                names.push_back(block.name);
                c.addItem(ui::shortenToWidth(c, block.name, ui::comboRowRoom(c)).c_str());
            };
            if (std::memcmp(block.type, "ZK7_IMAGE\0\0\0\0\0\0\0", 16) == 0)
                add(imageNames, *images);
            else if (std::memcmp(block.type, "ZK7_SPRITE\0\0\0\0\0\0", 16) == 0)
                add(spriteNames, *sprites);
        }
    }
    images->setSelectedIndex(1);
    sprites->setSelectedIndex(1);
}

void EffectMainPanel::populateSpriteAnimationList(const String& spriteName, int animation)
{
    WidgetComboBox* combo = panel.getComboBox(EW_ANIM);
    if (!combo)
        return;
    spriteAnimationIds.clear();
    combo->clearItems();
    combo->addItem("Current");
    spriteAnimationIds.push_back(-1);
    const int archiveId = context.services.status().iArchiveID;
    if (!spriteName.empty() && archiveId >= 1) {
        const int id = Main::instance()->spriteMgr()->load(archiveId, spriteName.c_str());
        if (const Sprite* sprite = id > 0 ? Main::instance()->spriteMgr()->get(id) : nullptr) {
            for (int i = 0; i < sprite->getAnimCount(); ++i) {
                String text;
                Main::instance()->tool()->intToStrDec(i, text);
                combo->addItem(text.c_str());
                spriteAnimationIds.push_back(i);
            }
        }
        if (id > 0)
            Main::instance()->spriteMgr()->close(id);
    }
    const auto found = std::find(spriteAnimationIds.begin(), spriteAnimationIds.end(), animation);
    combo->setSelectedIndex(found == spriteAnimationIds.end() ? 1 : static_cast<int>(found - spriteAnimationIds.begin()) + 1);
}

void EffectMainPanel::fillVisual(ParticleEmitter* e)
{
    int visual = PV_PIXEL, resource = 0, animation = -1;
    e->getVisual(&visual, &resource, &animation);
    int visualRow = 1;
    for (int r = 0; r < 6; ++r)
        if (vEffectVisualChoices[r].visual == visual)
            visualRow = r + 1;
    ew::setCombo(&panel, EW_VISUAL, visualRow);
    String name;
    if (visual == PV_IMAGE)
        if (const Image* img = Main::instance()->imageMgr()->get(resource))
            name = img->getName();
    if (visual == PV_SPRITE)
        if (const Sprite* sprite = Main::instance()->spriteMgr()->get(resource))
            name = sprite->getName();
    auto rowOf = [&](const Vector<String>& names) {
        const auto it = std::find(names.begin(), names.end(), name);
        return it == names.end() || name.empty() ? 1 : static_cast<int>(it - names.begin()) + 2;
    };
    ew::setCombo(&panel, EW_IMAGE, rowOf(imageNames));
    ew::setCombo(&panel, EW_SPRITE, rowOf(spriteNames));
    populateSpriteAnimationList(visual == PV_SPRITE ? name : String(), animation);
}

void EffectMainPanel::fill(ParticleEmitter* e)
{
    auto setNumber = [this](int id, float value) { ew::setNumber(&panel, id, value); };
    auto setChecked = [this](int id, bool on) { ew::setChecked(&panel, id, on); };
    fillVisual(e);
    ew::setCombo(&panel, EW_SPRITE_PHASE, e->getSpriteAnimation() + 1);
    float intensity = 1;
    setChecked(EW_GLOW, e->getGlowRender(&intensity));
    setNumber(EW_GLOW_VALUE, intensity);

    int shape = 0;
    float w = 0, h = 0, a = 0, b = 0;
    e->getShape(&shape, &w, &h);
    ew::setCombo(&panel, EW_SHAPE, shape + 1);
    setNumber(EW_WIDTH, w);
    setNumber(EW_HEIGHT, h);
    setChecked(EW_LOCAL_SPACE, e->getLocalSpace());
    setNumber(EW_RATE, e->getEmissionRate());
    setNumber(EW_MAX, static_cast<float>(e->getMaxParticles()));
    setNumber(EW_DURATION, e->getDuration());
    setChecked(EW_LOOP, e->getLoop());
    e->getLifeSpan(&a, &b);
    setNumber(EW_LIFE_MIN, a);
    setNumber(EW_LIFE_MAX, b);
    e->getDirection(&a, &b);
    setNumber(EW_ANGLE, a);
    setNumber(EW_SPREAD, b);
    ew::setCombo(&panel, EW_DIRECTION, e->getDirectionMode() + 1);
    e->getSpeed(&a, &b);
    setNumber(EW_SPEED_MIN, a);
    setNumber(EW_SPEED_MAX, b);

    const auto preset = std::find(presets.begin(), presets.end(), e->getPreset());
    ew::setCombo(&panel, EW_PRESET, preset == presets.end() ? 1 : static_cast<int>(preset - presets.begin()) + 1);
}

void EffectMainPanel::updateStates(bool open)
{
    for (int id : {EW_PLAY, EW_PAUSE, EW_STOP, EW_PRESET, EW_VISUAL, EW_GLOW, EW_ADVANCED, EW_APPEARANCE,
                   EW_WIDTH_ICON, EW_WIDTH, EW_HEIGHT_ICON, EW_HEIGHT, EW_SHAPE, EW_LOCAL_SPACE, EW_RATE, EW_MAX,
                   EW_DURATION, EW_LOOP, EW_LIFE_MIN, EW_LIFE_MAX, EW_DIRECTION, EW_ANGLE, EW_SPREAD, EW_SPEED_MIN,
                   EW_SPEED_MAX, EW_BURST})
        ew::setUsable(&panel, id, open);
    const int visualRow = panel.getComboBox(EW_VISUAL) ? panel.getComboBox(EW_VISUAL)->getSelectedIndex() : 0;
    ew::setUsable(&panel, EW_IMAGE, open && visualRow == 3);
    for (int id : {EW_SPRITE, EW_ANIM, EW_SPRITE_PHASE})
        ew::setUsable(&panel, id, open && visualRow == 4);
    ew::setUsable(&panel, EW_GLOW_VALUE, open && ew::checked(&panel, EW_GLOW));
}
