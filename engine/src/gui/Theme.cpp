#include "gui/Theme.h"

#include <algorithm>
#include <array>
#include <bit>

struct Zelkoran::GUITheme::TypeSkins {
    eWidgetType type;
    GUIThemeSkin states[WS_COUNT];
};

namespace Zelkoran::theme {

namespace {

constexpr Color kNone{0, 0, 0, 0};
constexpr Color kSel{0, 120, 215, 255};

struct Skin {
    Color background;
    Color border;
    Color selection;
    int borderWidth;
    int corner;
};

struct TypeSkins {
    eWidgetType type;
    Skin states[WS_COUNT];
};

// The default theme. Per type: normal, hovered, pressed, action, deactivated.
const TypeSkins kSkins[] = {
    {WT_PANEL,
     {{{240, 240, 240, 255}, {160, 160, 160, 255}, kSel, 1, 0},
      {{240, 240, 240, 255}, {160, 160, 160, 255}, kSel, 1, 0},
      {{240, 240, 240, 255}, {160, 160, 160, 255}, kSel, 1, 0},
      {{240, 240, 240, 255}, {160, 160, 160, 255}, kSel, 1, 0},
      {{240, 240, 240, 255}, {160, 160, 160, 255}, kSel, 1, 0}}},
    {WT_LABEL,
     {{{240, 240, 240, 255}, kNone, kSel, 0, 0},
      {{240, 240, 240, 255}, kNone, kSel, 0, 0},
      {{240, 240, 240, 255}, kNone, kSel, 0, 0},
      {{240, 240, 240, 255}, kNone, kSel, 0, 0},
      {{240, 240, 240, 255}, kNone, kSel, 0, 0}}},
    {WT_BUTTON,
     {{{225, 225, 225, 255}, {173, 173, 173, 255}, kSel, 1, 3},
      {{229, 241, 251, 255}, {0, 120, 215, 255}, kSel, 1, 3},
      {{204, 228, 247, 255}, {0, 84, 153, 255}, kSel, 1, 3},
      {{225, 225, 225, 255}, {0, 120, 215, 255}, kSel, 1, 3},
      {{204, 204, 204, 255}, {191, 191, 191, 255}, kSel, 1, 3}}},
    {WT_CHECKBOX,
     {{kNone, {51, 51, 51, 255}, {32, 32, 32, 255}, 1, 0},
      {kNone, {0, 120, 215, 255}, {0, 84, 153, 255}, 1, 0},
      {kNone, {0, 84, 153, 255}, {0, 84, 153, 255}, 1, 0},
      {kNone, {51, 51, 51, 255}, {32, 32, 32, 255}, 1, 0},
      {kNone, {191, 191, 191, 255}, {160, 160, 160, 255}, 1, 0}}},
    {WT_LIST,
     {{{255, 255, 255, 255}, {122, 122, 122, 255}, kSel, 1, 0},
      {{255, 255, 255, 255}, {80, 80, 80, 255}, kSel, 1, 0},
      {{255, 255, 255, 255}, {0, 120, 215, 255}, kSel, 1, 0},
      {{255, 255, 255, 255}, {0, 120, 215, 255}, kSel, 1, 0},
      {{244, 244, 244, 255}, {204, 204, 204, 255}, {170, 170, 170, 255}, 1, 0}}},
    {WT_COMBOBOX,
     {{{255, 255, 255, 255}, {122, 122, 122, 255}, kSel, 1, 2},
      {{229, 241, 251, 255}, {0, 120, 215, 255}, kSel, 1, 2},
      {{204, 228, 247, 255}, {0, 84, 153, 255}, kSel, 1, 2},
      {{255, 255, 255, 255}, {0, 120, 215, 255}, kSel, 1, 2},
      {{244, 244, 244, 255}, {204, 204, 204, 255}, {170, 170, 170, 255}, 1, 2}}},
    {WT_SLIDER, // state 3 is the thumb
     {{{222, 222, 222, 255}, {196, 196, 196, 255}, kSel, 1, 2},
      {{222, 222, 222, 255}, {150, 150, 150, 255}, kSel, 1, 2},
      {{214, 214, 214, 255}, {0, 84, 153, 255}, kSel, 1, 2},
      {{0, 120, 215, 255}, {0, 84, 153, 255}, kSel, 1, 2},
      {{236, 236, 236, 255}, {210, 210, 210, 255}, kSel, 1, 2}}},
    {WT_PROGRESS, // state 1 track, state 2 bar
     {{{230, 230, 230, 255}, {188, 188, 188, 255}, kSel, 1, 0},
      {{230, 230, 230, 255}, {188, 188, 188, 255}, kSel, 1, 0},
      {{6, 176, 37, 255}, {188, 188, 188, 255}, kSel, 1, 0},
      {{6, 176, 37, 255}, {188, 188, 188, 255}, kSel, 1, 0},
      {{230, 230, 230, 255}, {210, 210, 210, 255}, kSel, 1, 0}}},
    {WT_TEXTEDIT,
     {{{255, 255, 255, 255}, {122, 122, 122, 255}, kEditSelection, 1, 0},
      {{255, 255, 255, 255}, {40, 40, 40, 255}, kEditSelection, 1, 0},
      {{255, 255, 255, 255}, {0, 120, 215, 255}, kEditSelection, 1, 0},
      {{255, 255, 255, 255}, {0, 120, 215, 255}, kEditSelection, 1, 0},
      {{240, 240, 240, 255}, {204, 204, 204, 255}, kEditSelection, 1, 0}}},
    {WT_FRAME,
     {{{240, 240, 240, 255}, {160, 160, 160, 255}, kSel, 1, 0},
      {{240, 240, 240, 255}, {160, 160, 160, 255}, kSel, 1, 0},
      {{240, 240, 240, 255}, {160, 160, 160, 255}, kSel, 1, 0},
      {{240, 240, 240, 255}, {160, 160, 160, 255}, kSel, 1, 0},
      {{240, 240, 240, 255}, {200, 200, 200, 255}, kSel, 1, 0}}},
    {WT_IMAGE,
     {{kNone, kNone, kSel, 0, 0},
      {kNone, kNone, kSel, 0, 0},
      {kNone, kNone, kSel, 0, 0},
      {kNone, kNone, kSel, 0, 0},
      {kNone, kNone, kSel, 0, 0}}},
};

constexpr int kTypeCount = static_cast<int>(sizeof(kSkins) / sizeof(kSkins[0]));

bool isGrey(Color c) { return std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b}) < 24; }

// Dark: the default's greys turned around (light surfaces become dark ones),
// its blue accents kept, light text. Selection colours stay: check boxes
// draw their tick on a white box.
Color darken(Color c)
{
    if (c.a == 0 || !isGrey(c))
        return c;
    const auto turn = [](uint8_t v) { return static_cast<uint8_t>(std::clamp(285 - static_cast<int>(v), 0, 255)); };
    return Color{turn(c.r), turn(c.g), turn(c.b), c.a};
}

GUIThemeSkin darkSkin(int state, const Skin& s)
{
    GUIThemeSkin out{};
    copy4(out.background, darken(s.background));
    copy4(out.border, darken(s.border));
    copy4(out.selection, s.selection);
    copy4(out.text, state == WS_DEACTIVATED ? Color{120, 120, 120, 255} : Color{232, 232, 232, 255});
    out.borderWidth = s.borderWidth;
    out.borderCorner = s.corner;
    return out;
}

// Flat: square corners, no outlines on buttons and surfaces, coloured
// buttons with white text.
GUIThemeSkin flatSkin(eWidgetType type, int state, const Skin& s)
{
    static constexpr Color kButton[WS_COUNT] = {
        {41, 128, 185, 255}, {52, 152, 219, 255}, {31, 97, 141, 255}, {41, 128, 185, 255}, {149, 165, 166, 255}};
    constexpr Color kInk{44, 62, 80, 255};
    constexpr Color kLine{189, 195, 199, 255};
    constexpr Color kSurface{236, 240, 241, 255};
    GUIThemeSkin out{};
    copy4(out.background, s.background.a == 0 ? s.background : (isGrey(s.background) ? kSurface : s.background));
    copy4(out.border, kLine);
    copy4(out.selection, Color{41, 128, 185, 255});
    copy4(out.text, kInk);
    out.borderCorner = 0;
    switch (type) {
    case WT_BUTTON:
        copy4(out.background, kButton[state]);
        copy4(out.text, Color{255, 255, 255, 255});
        out.borderWidth = 0;
        break;
    case WT_TEXTEDIT:
    case WT_LIST:
    case WT_COMBOBOX:
        copy4(out.background, Color{255, 255, 255, 255});
        copy4(out.border, state == WS_NORMAL || state == WS_DEACTIVATED ? kLine : kButton[0]);
        out.borderWidth = 1;
        break;
    case WT_CHECKBOX:
        copy4(out.border, state == WS_NORMAL ? kInk : kButton[0]);
        copy4(out.selection, kButton[0]);
        out.borderWidth = 2;
        break;
    case WT_SLIDER:
    case WT_PROGRESS:
        copy4(out.background, state == (type == WT_SLIDER ? WS_ACTION : WS_PRESSED) ? kButton[0] : kLine);
        out.borderWidth = 0;
        break;
    default: out.borderWidth = 0; break;
    }
    if (state == WS_DEACTIVATED)
        copy4(out.text, Color{149, 165, 166, 255});
    return out;
}

struct BuiltinThemes {
    GUITheme::TypeSkins skins[3][kTypeCount];

    BuiltinThemes()
    {
        for (int t = 0; t < kTypeCount; ++t)
            for (int s = 0; s < WS_COUNT; ++s) {
                const Skin& d = kSkins[t].states[s];
                const eWidgetType type = kSkins[t].type;
                GUIThemeSkin& plain = skins[0][t].states[s];
                copy4(plain.background, d.background);
                copy4(plain.border, d.border);
                copy4(plain.selection, d.selection);
                copy4(plain.text, Color{0, 0, 0, 0});
                plain.borderWidth = d.borderWidth;
                plain.borderCorner = d.corner;
                skins[1][t].states[s] = darkSkin(s, d);
                skins[2][t].states[s] = flatSkin(type, s, d);
                skins[0][t].type = skins[1][t].type = skins[2][t].type = type;
            }
    }
};

const BuiltinThemes& builtins()
{
    static const BuiltinThemes themes;
    return themes;
}

} // namespace

const GUIThemeSkin& skin(int themeId, eWidgetType type, int state)
{
    // Called for every widget drawn: straight table indexing.
    static const BuiltinThemes& themes = builtins();
    static const auto typeIndex = [] {
        std::array<int8_t, 13> index{}; // by bit number of the type
        for (int t = 0; t < kTypeCount; ++t)
            index[static_cast<size_t>(std::countr_zero(static_cast<unsigned>(kSkins[t].type)))] = static_cast<int8_t>(t);
        return index;
    }();
    if (type == WT_NUMBEREDIT)
        type = WT_TEXTEDIT;
    const unsigned bits = static_cast<unsigned>(type);
    const int t = bits != 0 && (bits & (bits - 1)) == 0 && std::countr_zero(bits) < 13
                      ? typeIndex[static_cast<size_t>(std::countr_zero(bits))]
                      : 0;
    const int theme = themeId >= GUITheme::kDefault && themeId <= GUITheme::kFlat ? themeId - 1 : 0;
    return themes.skins[theme][t].states[state >= 0 && state < WS_COUNT ? state : 0];
}

} // namespace Zelkoran::theme

namespace Zelkoran {

const GUIThemeSkin* GUITheme::getSkin(eWidgetType type, int state) const
{
    if (type == WT_NUMBEREDIT)
        type = WT_TEXTEDIT;
    if (state < 0 || state >= WS_COUNT)
        return nullptr;
    for (int t = 0; t < m_typeCount; ++t)
        if (m_skins[t].type == type)
            return &m_skins[t].states[state];
    return nullptr;
}

const GUITheme* GUITheme::builtin(int id)
{
    static const GUITheme themes[] = {
        GUITheme(kDefault, "Default", theme::builtins().skins[0], theme::kTypeCount),
        GUITheme(kDark, "Dark", theme::builtins().skins[1], theme::kTypeCount),
        GUITheme(kFlat, "Flat", theme::builtins().skins[2], theme::kTypeCount),
    };
    return id >= kDefault && id <= kFlat ? &themes[id - 1] : nullptr;
}

} // namespace Zelkoran
