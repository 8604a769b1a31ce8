// GUI themes: the look of a widget state wherever the widget sets no value
// of its own. The engine has three built-in themes (default, dark, flat);
// GUIMgr hands out their ids, a panel picks one with Panel::setTheme and
// panels without one follow the global theme. Main thread only.
#pragma once

#include <Zelkoran/Types.h>

#include <cstdint>

namespace Zelkoran {

// One state's look in a theme (colours as r, g, b, a).
struct GUIThemeSkin {
    uint8_t background[4];
    uint8_t border[4];
    uint8_t selection[4];
    uint8_t text[4]; // alpha 0: text takes its font's own colour
    int borderWidth;
    int borderCorner;
};

class GUITheme {
public:
    // Ids of the built-in themes (GUIMgr::getThemeDefault and friends).
    static constexpr int kDefault = 1, kDark = 2, kFlat = 3;

    int getID() const { return m_id; }
    // "Default", "Dark" or "Flat".
    const char* getName() const { return m_name; }
    // The skin of a widget type in state 0..4 (a number edit answers as a
    // text edit); null for another type or state.
    const GUIThemeSkin* getSkin(eWidgetType type, int state) const;

    // Engine side: the built-in theme with that id, null for another id.
    static const GUITheme* builtin(int id);

    struct TypeSkins;

private:
    GUITheme(int id, const char* name, const TypeSkins* skins, int typeCount)
        : m_id(id), m_name(name), m_skins(skins), m_typeCount(typeCount)
    {
    }
    int m_id;
    const char* m_name;
    const TypeSkins* m_skins;
    int m_typeCount;
};

} // namespace Zelkoran
