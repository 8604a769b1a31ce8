// Reading, writing and building the widgets of the effect tab's panels.
// Missing widgets are skipped when written and give the fallback when read.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Types.h>

class ResourceManager;

namespace Zelkoran {
class Panel;
class WidgetComboBox;
class WidgetNumberEdit;
} // namespace Zelkoran

namespace effectwidgets {

// The selected row, at least 1; fallback without the combo.
int comboRow(Zelkoran::Panel* p, int id, int fallback = 1);
float numberValue(Zelkoran::Panel* p, int id, float fallback);
bool checked(Zelkoran::Panel* p, int id);
void setCombo(Zelkoran::Panel* p, int id, int row);
void setNumber(Zelkoran::Panel* p, int id, float value);
void setChecked(Zelkoran::Panel* p, int id, bool on);
void setText(Zelkoran::Panel* p, int id, const char* text);
void setSwatch(Zelkoran::Panel* p, int id, uint8_t r, uint8_t g, uint8_t b);
void setUsable(Zelkoran::Panel* p, int id, bool usable);

// A floating panel: modeless on screen 0, draggable, hidden, with the grey
// background, the border and a title bar of the full width. Its id, 0 when
// the engine refused it.
int createFloatingPanel(const char* name, int width, int height, int x, int y, int titleId,
                        const char* titleName, const char* title, const char* titleTooltip);
// An unfilled group frame with a 1-pixel grey border.
void addEffectFrame(Zelkoran::Panel* p, const Zelkoran::String& name, int id, int top, int height,
                    const char* tooltip, int left, int width);
// A caption in the editor font on the panel's grey, its own text as
// tooltip when tooltip is null.
void addEffectLabel(Zelkoran::Panel* p, ResourceManager* rm, const Zelkoran::String& name, int id,
                    const Zelkoran::String& text, int x, int y, const char* tooltip);
// A combo box in the editor font.
Zelkoran::WidgetComboBox* addEffectCombo(Zelkoran::Panel* p, ResourceManager* rm, const char* name, int id, int w,
                                         int x, int y, const char* tooltip);
// A number edit in the editor font that raises an event when left.
Zelkoran::WidgetNumberEdit* addEffectNumber(Zelkoran::Panel* p, ResourceManager* rm, const char* name, int id,
                                            int w, int x, int y, float min, float max, float initial,
                                            const char* tooltip);
// A button with its text centred and the engine's font.
void addEffectButton(Zelkoran::Panel* p, const char* name, int id, const char* text, int w, int h,
                     Zelkoran::Position x, Zelkoran::Position y, const char* tooltip);
// A framed colour swatch.
void addEffectSwatch(Zelkoran::Panel* p, const Zelkoran::String& name, int id, int x, int y, const char* tooltip);

} // namespace effectwidgets
