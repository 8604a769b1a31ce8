// The ids of the effect tab's widgets on its three panels, the preview
// states and the rows of the visual combo: shared by the tab and its parts.
#pragma once

#include <Zelkoran/Particle.h>

struct EffectWidgetIds {
    enum eEffectWidget : int {
        EW_PRESET_LABEL = 1601,
        EW_PRESET = 1602,
        EW_VISUAL_FRAME = 1603,
        EW_VISUAL_LABEL = 1604,
        EW_VISUAL = 1605,
        EW_IMAGE_LABEL = 1606,
        EW_IMAGE = 1607,
        EW_SPRITE_LABEL = 1608,
        EW_SPRITE = 1609,
        EW_ANIM_LABEL = 1610,
        EW_ANIM = 1611,
        EW_GLOW = 1612,
        EW_GLOW_VALUE_LABEL = 1613,
        EW_GLOW_VALUE = 1614,
        EW_EMITTER_FRAME = 1615,
        EW_SHAPE_LABEL = 1616,
        EW_SHAPE = 1617,
        EW_COORDINATES_LABEL = 1618,
        EW_WIDTH = 1619,
        EW_PLAYBACK_LABEL = 1620,
        EW_HEIGHT = 1621,
        EW_LOCAL_SPACE = 1622,
        EW_EMISSION_FRAME = 1623,
        EW_RATE_LABEL = 1624,
        EW_RATE = 1625,
        EW_MAX_LABEL = 1626,
        EW_MAX = 1627,
        EW_DURATION_LABEL = 1628,
        EW_DURATION = 1629,
        EW_LOOP = 1630,
        EW_LIFE_MIN_LABEL = 1631,
        EW_LIFE_MIN = 1632,
        EW_LIFE_MAX_LABEL = 1633,
        EW_LIFE_MAX = 1634,
        EW_MOTION_FRAME = 1635,
        EW_ANGLE_LABEL = 1636,
        EW_ANGLE = 1637,
        EW_SPREAD_LABEL = 1638,
        EW_SPREAD = 1639,
        EW_SPEED_MIN_LABEL = 1640,
        EW_SPEED_MIN = 1641,
        EW_SPEED_MAX_LABEL = 1642,
        EW_SPEED_MAX = 1643,
        EW_DIRECTION_LABEL = 1644,
        EW_DIRECTION = 1645,
        EW_PLAY = 1655,
        EW_PAUSE = 1656,
        EW_STOP = 1657,
        EW_BURST_LABEL = 1658,
        EW_BURST = 1659,
        EW_WIDTH_ICON = 1660,
        EW_HEIGHT_ICON = 1661,
        EW_BG_CHECKER = 1662,
        EW_BG_WHITE = 1663,
        EW_BG_BLACK = 1664,
        EW_INFO = 1665,
        EW_RENDER_INFO = 1666,
        EW_ADVANCED = 1727,
        EW_ADVANCED_CLOSE = 1728,
        EW_APPEARANCE = 1734,
        EW_APPEARANCE_CLOSE = 1735,
        EW_SPRITE_PHASE_LABEL = 1807,
        EW_SPRITE_PHASE = 1808,
    };

    // The advanced panel's settings, timed bursts and sub-emitters.
    enum eAdvancedWidget : int {
        AW_TITLE = 1600,
        AW_FORCES_FRAME = 1646,
        AW_GRAVITY_X = 1648,
        AW_GRAVITY_Y = 1650,
        AW_DAMPING = 1652,
        AW_TURBULENCE = 1654,
        AW_BLEND = 1668,
        AW_DRAW_ORDER = 1670,
        AW_EMISSION_DISTANCE = 1672,
        AW_VELOCITY_LIMIT = 1674,
        AW_VELOCITY_INHERIT = 1676,
        AW_ATTRACTION = 1678,
        AW_ATTRACTION_RADIUS = 1680,
        AW_ATTRACTION_FALLOFF = 1682,
        AW_ORBIT = 1684,
        AW_ORBIT_RADIUS = 1686,
        AW_ORBIT_FALLOFF = 1688,
        AW_SCALE_START = 1691,
        AW_SCALE_END = 1693,
        AW_ROTATION = 1695,
        AW_SPIN = 1697,
        AW_STRETCH = 1699,
        AW_ALIGN_VELOCITY = 1700,
        AW_SIMULATION_SCALE = 1703,
        AW_WARM_UP = 1705,
        AW_SEED = 1707,
        AW_COLLISION = 1709,
        AW_BOUNCINESS = 1711,
        AW_BURST_TIME = 1715,
        AW_BURST_COUNT = 1717,
        AW_SUB_PRESET = 1720,
        AW_SUB_DEATH = 1721,
        AW_SUB_COLLISION = 1722,
        AW_SUB_PROBABILITY = 1724,
        AW_SUB_INHERITANCE = 1726,
        AW_BURST_LIST = 1800,
        AW_BURST_ADD = 1801,
        AW_BURST_DELETE = 1802,
        AW_SUB_LIST_LABEL = 1803,
        AW_SUB_LIST = 1804,
        AW_SUB_ADD = 1805,
        AW_SUB_DELETE = 1806,
    };

    // The appearance panel: colour keys, tint palette, scale keys.
    enum eAppearanceWidget : int {
        PW_TITLE = 1736,
        PW_COLOR_KEY = 1739,
        PW_COLOR_ADD = 1740,
        PW_COLOR_DELETE = 1741,
        PW_COLOR_TIME = 1743,
        PW_COLOR_ICON = 1745,
        PW_COLOR_TEXT = 1746,
        PW_COLOR_SWATCH = 1747,
        PW_TINT_ENTRY = 1754,
        PW_TINT_ADD = 1755,
        PW_TINT_DELETE = 1756,
        PW_TINT_ICON = 1758,
        PW_TINT_TEXT = 1759,
        PW_TINT_SWATCH = 1760,
        PW_RAMP_SWATCH = 1763, // to 1774
        PW_SCALE_KEY = 1778,
        PW_SCALE_ADD = 1779,
        PW_SCALE_DELETE = 1780,
        PW_SCALE_TIME = 1782,
        PW_SCALE_VALUE = 1784,
        PW_TINT_SWATCH_0 = 1786, // to 1797
    };

    // Preview states.
    enum ePreviewState : int { PS_STOPPED = 0, PS_PLAYING = 1, PS_PAUSED = 2 };

    // The visual combo's rows: label and engine visual, row r is entry r - 1.
    struct VisualChoice {
        const char* label;
        Zelkoran::eParticleVisual visual;
    };
    static constexpr VisualChoice vEffectVisualChoices[6] = {
        {"Pixel", Zelkoran::PV_PIXEL}, {"Rect", Zelkoran::PV_RECT}, {"Image", Zelkoran::PV_IMAGE},
        {"Sprite", Zelkoran::PV_SPRITE}, {"Soft", Zelkoran::PV_SOFT},  {"Line", Zelkoran::PV_LINE},
    };
};
