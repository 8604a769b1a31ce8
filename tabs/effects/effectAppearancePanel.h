// The effect tab's appearance panel, a floating panel beside the advanced
// one: colour keys with their ramp, the tint palette with its preview and
// the scale keys. It owns the lists it shows and routes their events.
#pragma once

#include "tabs/effects/effectAppearanceLists.h"
#include "tabs/effects/effectContext.h"
#include "tabs/effects/effectFloatingPanel.h"
#include "tabs/effects/effectWidgetIds.h"

#include <functional>

namespace Zelkoran {
class Widget;
class WidgetTextEdit;
} // namespace Zelkoran

class EffectAppearancePanel : private EffectWidgetIds {
public:
    // The tab's colour field (icon, hex text and swatch) on a panel: name,
    // icon, text and swatch ids, x, y, tooltip, initial text, text width and
    // what a picked colour runs. The text field, or null.
    using ColourField = std::function<Zelkoran::WidgetTextEdit*(
        Zelkoran::Panel*, const char*, int, int, int, int, int, const char*, const char*, int,
        std::function<void(Zelkoran::Widget&)>)>;

    // scaleKeysChanged runs after an edit of the scale keys.
    EffectAppearancePanel(EffectContext& context, std::function<void()> scaleKeysChanged);

    // Builds the panel once, hidden.
    void createAppearancePanel(const ColourField& colourField);
    EffectFloatingPanel& window() { return floating; }
    const EffectFloatingPanel& window() const { return floating; }
    Zelkoran::Panel* panel() const { return floating.panel(); }
    EffectAppearanceLists& lists() { return keyLists; }
    const EffectAppearanceLists& lists() const { return keyLists; }
    // 1 when the id belongs to the panel's edits and was taken, else 0.
    int handleAppearanceEvent(int widgetId);
    void updateStates(bool open);

private:
    // A hex field's event that changes nothing yet: an invalid text still
    // being typed, or the selected entry's own colour.
    bool hexHeldBack(int widgetId) const;

    EffectContext& context;
    EffectFloatingPanel floating;
    EffectAppearanceLists keyLists;
};
