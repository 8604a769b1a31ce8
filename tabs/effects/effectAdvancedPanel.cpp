#include "tabs/effects/effectAdvancedPanel.h"

#include "services/ResourceManager.h"
#include "tabs/base/TabServices.h"
#include "tabs/effects/ctrlEffectsListEdit.h"
#include "tabs/effects/effectWidgets.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Tool.h>

#include <string>

using namespace Zelkoran;
namespace ew = effectwidgets;
using effectlists::blendForRow;
using effectlists::effectBlendChoices;
using effectlists::parseSeed;
using effectlists::rowForBlend;

namespace {

using W = EffectWidgetIds;

constexpr int kPanelWidth = 482;
constexpr int kPanelHeight = 548;
constexpr int kFrameWidth = 232;
constexpr int kLeftCaption = 12, kLeftControl = 130;
constexpr int kRightCaption = 252, kRightControl = 370;
constexpr int kControlWidth = 100;

enum Kind { NUMBER, COMBO, SEED };

// One captioned control of the four setting groups, in creation order.
struct Control {
    int id;
    const char* name;
    Kind kind;
    int captionId;
    const char* captionName;
    const char* caption;
    int captionY;
    bool right;
    float min, max, initial;
    const char* tooltip;
};

struct Group {
    int frameId;
    const char* frameName;
    int left, top, height;
    const char* frameTooltip;
    int titleId;
    const char* titleName;
    const char* title;
    const char* titleTooltip;
};

// clang-format off
const Group kGroups[] = {
    {W::AW_MOTION_FRAME, "AdvancedMotionFrame", 5, 30, 185, "Rendering and particle motion settings", 1729, "MotionTitle", "Motion", "Particle rendering and motion settings"},
    {W::AW_FORCES_FRAME, "AdvancedForcesFrame", 245, 30, 211, "Particle force settings", 1730, "ForcesTitle", "Forces", "Particle force settings"},
    {W::AW_TRANSFORM_FRAME, "TransformFrame", 5, 223, 162, "Particle scale, rotation and stretch settings", 1731, "TransformTitle", "Transform", "Particle scale, rotation and stretch settings"},
    {W::AW_SIMULATION_FRAME, "SimulationFrame", 5, 393, 142, "Simulation and collision settings", 1732, "SimulationTitle", "Simulation & Collision", "Particle simulation and collision settings"},
    {W::AW_BURST_FRAME, "TimedBurstFrame", 245, 249, 100, "Timed burst settings", 1798, "TimedBurstTitle", "Timed bursts", "Timed burst settings"},
    {W::AW_SUB_FRAME, "SubEmitterFrame", 245, 357, 149, "Sub-emitter settings", 1733, "SubEmitterTitle", "Sub-emitters", "Sub-emitter settings"},
};

// The groups' controls; group g's controls follow its frame.
const Control kControls[][8] = {
    {
        {W::AW_BLEND, "Blend", COMBO, 1667, "BlendLabel", "Blend mode:", 52, false, 0, 0, 0, "Particle blend mode"},
        {W::AW_DRAW_ORDER, "DrawOrder", COMBO, 1669, "DrawLabel", "Draw order:", 75, false, 0, 0, 0, "Particle draw order"},
        {W::AW_EMISSION_DISTANCE, "EmissionDistance", NUMBER, 1671, "EmissionDistanceLabel", "Emission distance:", 98, false, 0, 1000000, 0, "Distance between spawned particles along the emitter direction"},
        {W::AW_VELOCITY_LIMIT, "VelocityLimit", NUMBER, 1673, "VelocityLimitLabel", "Velocity limit:", 121, false, 0, 100000, 0, "Maximum particle velocity, 0 disables the limit"},
        {W::AW_VELOCITY_INHERIT, "VelocityInherit", NUMBER, 1675, "VelocityInheritLabel", "Velocity inheritance:", 144, false, 0, 10000, 0, "Emitter velocity inherited by particles"},
        {W::AW_GRAVITY_X, "GravityX", NUMBER, 1647, "GravityXLabel", "Gravity X:", 167, false, -100000, 100000, 0, "Horizontal gravity"},
        {W::AW_GRAVITY_Y, "GravityY", NUMBER, 1649, "GravityYLabel", "Gravity Y:", 190, false, -100000, 100000, 0, "Vertical gravity"},
    },
    {
        {W::AW_DAMPING, "Damping", NUMBER, 1651, "DampingLabel", "Damping:", 52, true, 0, 100000, 0, "Velocity damping"},
        {W::AW_TURBULENCE, "Turbulence", NUMBER, 1653, "TurbulenceLabel", "Turbulence:", 75, true, 0, 100000, 0, "Random turbulence strength"},
        {W::AW_ATTRACTION, "Attraction", NUMBER, 1677, "AttractionLabel", "Attraction:", 98, true, -100000, 100000, 0, "Attraction strength toward the emitter position"},
        {W::AW_ATTRACTION_RADIUS, "AttractionRadius", NUMBER, 1679, "AttractionRadiusLabel", "Attraction radius:", 121, true, 0, 1000000, 0, "Attraction radius"},
        {W::AW_ATTRACTION_FALLOFF, "AttractionFalloff", NUMBER, 1681, "AttractionFalloffLabel", "Attraction falloff:", 144, true, 0, 10000, 1, "Attraction falloff"},
        {W::AW_ORBIT, "Orbit", NUMBER, 1683, "OrbitLabel", "Orbit:", 167, true, -100000, 100000, 0, "Orbit force around the emitter position"},
        {W::AW_ORBIT_RADIUS, "OrbitRadius", NUMBER, 1685, "OrbitRadiusLabel", "Orbit radius:", 190, true, 0, 1000000, 0, "Orbit radius"},
        {W::AW_ORBIT_FALLOFF, "OrbitFalloff", NUMBER, 1687, "OrbitFalloffLabel", "Orbit falloff:", 213, true, 0, 10000, 1, "Orbit falloff"},
    },
    {
        {W::AW_SCALE_START, "ScaleStart", NUMBER, 1690, "ScaleStartLabel", "Scale at birth:", 245, false, 0, 10000, 1, "Particle scale at birth"},
        {W::AW_SCALE_END, "ScaleEnd", NUMBER, 1692, "ScaleEndLabel", "Scale at death:", 268, false, 0, 10000, 1, "Particle scale at death"},
        {W::AW_ROTATION, "Rotation", NUMBER, 1694, "RotationLabel", "Rotation (deg):", 291, false, -100000, 100000, 0, "Initial particle rotation angle"},
        {W::AW_SPIN, "Spin", NUMBER, 1696, "SpinLabel", "Spin (deg/s):", 314, false, -100000, 100000, 0, "Particle spin velocity"},
        {W::AW_STRETCH, "Stretch", NUMBER, 1698, "StretchLabel", "Stretch:", 337, false, 0, 10000, 0, "Stretch amount"},
    },
    {
        {W::AW_SIMULATION_SCALE, "SimulationScale", NUMBER, 1702, "SimScaleLabel", "Simulation scale:", 415, false, 0, 10000, 1, "Simulation speed multiplier"},
        {W::AW_WARM_UP, "WarmUp", NUMBER, 1704, "WarmupLabel", "Warm-up (s):", 438, false, 0, 30, 0, "Pre-simulate the effect by this many seconds"},
        {W::AW_SEED, "Seed", SEED, 1706, "SeedLabel", "Seed:", 461, false, 0, 0, 0, "Deterministic simulation seed (1 to 4294967295)"},
        {W::AW_COLLISION, "Collision", COMBO, 1708, "CollisionLabel", "Collision mode:", 484, false, 0, 0, 0, "Collision with a Scene tile layer only, no particle-to-particle"},
        {W::AW_BOUNCINESS, "Bounciness", NUMBER, 1710, "BounceLabel", "Bounciness:", 507, false, 0, 10000, 1, "Collision bounciness"},
    },
    {
        {W::AW_BURST_TIME, "TimedTime", NUMBER, 1714, "TimedTimeLabel", "Time (s):", 296, true, 0, ParticleEmitter::kMaxSeconds, 0, "Timed burst time in seconds"},
        {W::AW_BURST_COUNT, "TimedCount", NUMBER, 1716, "TimedCountLabel", "Particle count:", 319, true, 1, ParticleEmitter::kMaxParticles, 1, "Timed burst particle count"},
    },
    {
        {W::AW_SUB_PROBABILITY, "SubProbability", NUMBER, 1723, "SubProbLabel", "Trigger probability:", 452, true, 0, 1, 1, "Chance per trigger from 0.00 to 1.00 (0% to 100%)"},
        {W::AW_SUB_INHERITANCE, "SubInheritance", NUMBER, 1725, "SubInheritLabel", "Velocity inheritance:", 475, true, 0, 10000, 0, "Velocity inherited by the sub-emitter"},
    },
};
// clang-format on

const char* const kDrawOrders[] = {"Store", "Oldest first", "Youngest first"};
const char* const kCollisionModes[] = {"None", "Bounce", "Stop", "Kill"};

using ui::left;
using ui::top;
using ew::addCaption;

void addCheck(Panel& p, const char* name, int id, const char* text, int x, int y, bool on, const char* tooltip)
{
    if (WidgetCheckBox* c = ui::addCheckBox(p, {.name = name, .id = id, .x = left(x), .y = top(y), .w = kControlWidth,
                                                .h = 19, .text = text, .tooltip = tooltip}))
        c->setChecked(on);
}

// A list combo with its caption and the "+" and "-" buttons on its row.
void addListRow(Panel& p, int font, int captionId, const char* captionName, const char* caption, int y, int comboId,
                const char* comboName, const char* comboTooltip, int addId, const char* addName,
                const char* addTooltip, int deleteId, const char* deleteName, const char* deleteTooltip)
{
    addCaption(p, font, captionName, captionId, caption, kRightCaption, y);
    ui::addComboBox(p, {.name = comboName, .id = comboId, .x = left(290), .y = top(y - 3), .w = 118, .h = 19,
                        .font = font, .tooltip = comboTooltip});
    ui::addButton(p, {.name = addName, .id = addId, .x = left(415), .y = top(y - 3), .w = 20, .h = 19, .text = "+",
                      .tooltip = addTooltip});
    ui::addButton(p, {.name = deleteName, .id = deleteId, .x = left(442), .y = top(y - 3), .w = 20, .h = 19,
                      .text = "-", .tooltip = deleteTooltip});
}

} // namespace

EffectAdvancedPanel::EffectAdvancedPanel(EffectContext& shared) : context(shared) {}

void EffectAdvancedPanel::createAdvancedPanel()
{
    if (panel())
        return;
    String name;
    Main::instance()->tool()->intToStrDec(EW_ADVANCED, name);
    name = "EffectsAdvanced" + name;
    Panel* created = floating.create(name.c_str(), kPanelWidth, kPanelHeight, 220, 60,
                                     {AW_TITLE, "EffectsAdvancedTitle", "Advanced effects", "Advanced particle controls"});
    if (!created)
        return;
    Panel& p = *created;
    const int font = context.services.resources().get(SR_FONT);
    ui::addButton(p, {.name = "CloseAdvanced", .id = EW_ADVANCED_CLOSE, .x = ui::right(-15), .y = ui::bottom(-15),
                      .w = 54, .h = 21, .text = "Close", .tooltip = "Hide advanced particle controls"});

    for (size_t g = 0; g < std::size(kGroups); ++g) {
        const Group& group = kGroups[g];
        ui::addOutline(p, {.name = group.frameName, .id = group.frameId, .x = left(group.left), .y = top(group.top),
                           .w = kFrameWidth, .h = group.height, .tooltip = group.frameTooltip});
        addCaption(p, font, group.titleName, group.titleId, group.title, group.left + 5, group.top + 5,
                   group.titleTooltip);
        if (group.frameId == AW_BURST_FRAME)
            addListRow(p, font, 1799, "TimedEntryLabel", "Burst:", 275, AW_BURST_LIST, "TimedEntry",
                       "Select a saved timed burst", AW_BURST_ADD, "AddTimedBurst", "Add a timed burst, up to 16",
                       AW_BURST_DELETE, "DeleteTimedBurst", "Delete the selected timed burst");
        if (group.frameId == AW_SUB_FRAME) {
            addListRow(p, font, AW_SUB_LIST_LABEL, "SubEntryLabel", "Entry:", 383, AW_SUB_LIST, "SubEntry",
                       "Select a saved sub-emitter", AW_SUB_ADD, "AddSubEmitter", "Add a sub-emitter, up to 8",
                       AW_SUB_DELETE, "DeleteSubEmitter", "Delete the selected sub-emitter");
            addCaption(p, font, "SubPresetLabel", 1719, "Preset:", kRightCaption, 406);
            ui::addComboBox(p, {.name = "SubPreset", .id = AW_SUB_PRESET, .x = left(345), .y = top(403), .w = 125,
                                .h = 19, .font = font,
                                .tooltip = "One-shot preset emitted by the selected sub-emitter"});
            addCheck(p, "SubDeath", AW_SUB_DEATH, "On death", 252, 426, true, "Emit sub-effect when a particle dies");
            addCheck(p, "SubCollision", AW_SUB_COLLISION, "On collision", 370, 426, false,
                     "Emit sub-effect on the first collision with a Scene tile layer");
        }
        for (const Control& c : kControls[g]) {
            if (!c.name)
                break;
            const int captionX = c.right ? kRightCaption : kLeftCaption;
            const ui::WidgetSpec control{.name = c.name, .id = c.id, .x = left(c.right ? kRightControl : kLeftControl),
                                         .y = top(c.captionY - 3), .w = kControlWidth, .h = 19, .font = font,
                                         .tooltip = c.tooltip};
            addCaption(p, font, c.captionName, c.captionId, c.caption, captionX, c.captionY);
            if (c.kind == NUMBER) {
                ew::addFloatNumber(p, control, c.min, c.max, c.initial);
            } else if (c.kind == COMBO) {
                ui::addComboBox(p, control);
            } else if (WidgetTextEdit* seed = ui::addTextEdit(p, control)) {
                seed->setFeatures(WF_FOCUS_LOST, true);
                seed->setText("1");
                // Applied when committed, never half typed.
                const WidgetReaction commit = [this](Widget& w) { commitSeed(static_cast<WidgetTextEdit&>(w)); };
                seed->setOnValueCommitted(commit);
                seed->setOnFocusLost(commit);
            }
        }
        if (group.frameId == AW_TRANSFORM_FRAME)
            addCheck(p, "AlignVelocity", AW_ALIGN_VELOCITY, "Align to velocity", 130, 357, false,
                     "Align stretched particles to velocity");
    }
    if (WidgetNumberEdit* probability = p.getNumberEdit(AW_SUB_PROBABILITY))
        probability->setStep(0.01f);

    auto fill = [&p](int id, const auto& rows, int row) {
        if (WidgetComboBox* c = p.getComboBox(id)) {
            for (const auto& text : rows)
                c->addItem(text);
            c->setSelectedIndex(row);
        }
    };
    if (WidgetComboBox* blend = p.getComboBox(AW_BLEND)) {
        for (const auto& choice : effectBlendChoices)
            blend->addItem(choice.label);
        blend->setSelectedIndex(2);
    }
    fill(AW_DRAW_ORDER, kDrawOrders, 1);
    fill(AW_COLLISION, kCollisionModes, 1);
}

void EffectAdvancedPanel::commitSeed(WidgetTextEdit& field)
{
    // A text that is no seed, or one refused, shows the emitter's seed again.
    uint32_t value = 0;
    ParticleEmitter* e = context.emitter();
    if (!e || context.updatingWidgets)
        return;
    const uint32_t before = e->getSeed();
    if (parseSeed(field.getText(), value) && e->setSeed(value) && value != before)
        context.markEdited();
    field.setText(std::to_string(e->getSeed()).c_str());
}

int EffectAdvancedPanel::applyAdvancedEmitterWidget(int id, ParticleEmitter* e)
{
    if (!e)
        return -1;
    Panel* p = panel();
    if (!p)
        return 0;
    auto value = [p](int widgetId, float fallback) { return ew::numberValue(p, widgetId, fallback); };
    bool ok = true;
    switch (id) {
    case AW_GRAVITY_X:
    case AW_GRAVITY_Y:
    case AW_DAMPING: ok = e->setPhysics(value(AW_GRAVITY_X, 0), value(AW_GRAVITY_Y, 0), value(AW_DAMPING, 0)); break;
    case AW_TURBULENCE: ok = e->setTurbulence(value(AW_TURBULENCE, 0)); break;
    case AW_BLEND: {
        const WidgetComboBox* c = p->getComboBox(AW_BLEND);
        ok = e->setBlendMode(blendForRow(c ? c->getSelectedIndex() : 0));
        break;
    }
    case AW_DRAW_ORDER:
        ok = e->setDrawOrder(static_cast<eParticleDrawOrder>(ew::comboRow(p, AW_DRAW_ORDER) - 1));
        break;
    case AW_EMISSION_DISTANCE: ok = e->setEmissionDistance(value(AW_EMISSION_DISTANCE, 0)); break;
    case AW_VELOCITY_LIMIT: ok = e->setVelocityLimit(value(AW_VELOCITY_LIMIT, 0)); break;
    case AW_VELOCITY_INHERIT: ok = e->setVelocityInheritance(value(AW_VELOCITY_INHERIT, 0)); break;
    case AW_ATTRACTION:
    case AW_ATTRACTION_RADIUS:
    case AW_ATTRACTION_FALLOFF:
        ok = e->setAttraction(value(AW_ATTRACTION, 0), value(AW_ATTRACTION_RADIUS, 0),
                              value(AW_ATTRACTION_FALLOFF, 1));
        break;
    case AW_ORBIT:
    case AW_ORBIT_RADIUS:
    case AW_ORBIT_FALLOFF:
        ok = e->setOrbit(value(AW_ORBIT, 0), value(AW_ORBIT_RADIUS, 0), value(AW_ORBIT_FALLOFF, 1));
        break;
    case AW_SCALE_START:
    case AW_SCALE_END: {
        // The ramp replaces every scale key: only a changed value may do
        // that, not a field merely left (its focus-lost event).
        const Vector<ParticleScaleKey>& keys = e->getScaleKeys();
        const float start = value(AW_SCALE_START, 1), end = value(AW_SCALE_END, 1);
        if (!keys.empty() && keys.front().scale == start && keys.back().scale == end)
            return 0;
        return e->setScaleRamp(start, end) ? kScaleRampApplied : -1;
    }
    case AW_ROTATION:
    case AW_SPIN: ok = e->setRotation(value(AW_ROTATION, 0), value(AW_SPIN, 0)); break;
    case AW_STRETCH:
    case AW_ALIGN_VELOCITY: ok = e->setStretch(value(AW_STRETCH, 0), ew::checked(p, AW_ALIGN_VELOCITY)); break;
    case AW_SIMULATION_SCALE: ok = e->setSimulationScale(value(AW_SIMULATION_SCALE, 1)); break;
    case AW_WARM_UP: ok = e->setWarmUp(value(AW_WARM_UP, 0)); break;
    case AW_COLLISION:
    case AW_BOUNCINESS:
        ok = e->setCollisionMode(static_cast<eParticleCollisionMode>(ew::comboRow(p, AW_COLLISION) - 1),
                                 value(AW_BOUNCINESS, 0));
        break;
    default: return 0;
    }
    return ok ? 1 : -1;
}

void EffectAdvancedPanel::fill(ParticleEmitter* e)
{
    Panel* p = panel();
    if (!p)
        return;
    ew::setCombo(p, AW_BLEND, rowForBlend(e->getBlendMode()));
    ew::setCombo(p, AW_DRAW_ORDER, static_cast<int>(e->getDrawOrder()) + 1);
    ew::setNumber(p, AW_EMISSION_DISTANCE, e->getEmissionDistance());
    ew::setNumber(p, AW_VELOCITY_LIMIT, e->getVelocityLimit());
    ew::setNumber(p, AW_VELOCITY_INHERIT, e->getVelocityInheritance());
    float a = 0, b = 0, c = 1;
    e->getPhysics(&a, &b, &c);
    ew::setNumber(p, AW_GRAVITY_X, a);
    ew::setNumber(p, AW_GRAVITY_Y, b);
    ew::setNumber(p, AW_DAMPING, c);
    ew::setNumber(p, AW_TURBULENCE, e->getTurbulence());
    c = 1;
    e->getAttraction(&a, &b, &c);
    ew::setNumber(p, AW_ATTRACTION, a);
    ew::setNumber(p, AW_ATTRACTION_RADIUS, b);
    ew::setNumber(p, AW_ATTRACTION_FALLOFF, c);
    e->getOrbit(&a, &b, &c);
    ew::setNumber(p, AW_ORBIT, a);
    ew::setNumber(p, AW_ORBIT_RADIUS, b);
    ew::setNumber(p, AW_ORBIT_FALLOFF, c);
    mirrorScaleKeys();
    e->getRotation(&a, &b);
    ew::setNumber(p, AW_ROTATION, a);
    ew::setNumber(p, AW_SPIN, b);
    bool align = false;
    e->getStretch(&a, &align);
    ew::setNumber(p, AW_STRETCH, a);
    ew::setChecked(p, AW_ALIGN_VELOCITY, align);
    ew::setNumber(p, AW_SIMULATION_SCALE, e->getSimulationScale());
    ew::setNumber(p, AW_WARM_UP, e->getWarmUp());
    ew::setText(p, AW_SEED, std::to_string(e->getSeed()).c_str());
    eParticleCollisionMode mode = PCM_NONE;
    float bounciness = 0;
    e->getCollision(nullptr, &mode, &bounciness);
    ew::setCombo(p, AW_COLLISION, static_cast<int>(mode) + 1);
    ew::setNumber(p, AW_BOUNCINESS, bounciness);
}

void EffectAdvancedPanel::mirrorScaleKeys()
{
    Panel* p = panel();
    const ParticleEmitter* e = context.emitter();
    if (!p || !e)
        return;
    const Vector<ParticleScaleKey>& keys = e->getScaleKeys();
    // Filling the fields must not be taken for an edit: an applied ramp
    // would replace every scale key with two.
    const FillingWidgets filling(context);
    ew::setNumber(p, AW_SCALE_START, keys.empty() ? 1 : keys.front().scale);
    ew::setNumber(p, AW_SCALE_END, keys.empty() ? 1 : keys.back().scale);
}

void EffectAdvancedPanel::updateStates(bool open)
{
    Panel* p = panel();
    if (!p)
        return;
    for (int id : {AW_BLEND, AW_DRAW_ORDER, AW_EMISSION_DISTANCE, AW_VELOCITY_LIMIT, AW_VELOCITY_INHERIT, AW_GRAVITY_X,
                   AW_GRAVITY_Y, AW_DAMPING, AW_TURBULENCE, AW_ATTRACTION, AW_ATTRACTION_RADIUS,
                   AW_ATTRACTION_FALLOFF, AW_ORBIT, AW_ORBIT_RADIUS, AW_ORBIT_FALLOFF, AW_SCALE_START, AW_SCALE_END,
                   AW_ROTATION, AW_SPIN, AW_STRETCH, AW_ALIGN_VELOCITY, AW_SIMULATION_SCALE, AW_WARM_UP, AW_SEED,
                   AW_COLLISION})
        ew::setUsable(p, id, open);
    ew::setUsable(p, EW_ADVANCED_CLOSE, true);
    ew::setUsable(p, AW_BOUNCINESS, open && ew::comboRow(p, AW_COLLISION) == 2);
}
