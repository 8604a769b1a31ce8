// Reading and writing the widgets of the effect tab's panels, and the two
// widgets the editor's builders lack. Missing widgets are skipped when
// written and give the fallback when read.
#pragma once

#include "services/WidgetBuilders.h"

#include <cstdint>

namespace effectwidgets {

// The selected row, at least 1; fallback without the combo.
int comboRow(Zelkoran::Panel* p, int id, int fallback = 1);
float numberValue(Zelkoran::Panel* p, int id, float fallback);
// A number field's value truncated, then clamped to min..max; fallback
// without the field.
int wholeValue(Zelkoran::Panel* p, int id, int fallback, int min, int max);
bool checked(Zelkoran::Panel* p, int id);
void setCombo(Zelkoran::Panel* p, int id, int row);
void setNumber(Zelkoran::Panel* p, int id, float value);
void setChecked(Zelkoran::Panel* p, int id, bool on);
void setText(Zelkoran::Panel* p, int id, const char* text);
void setSwatch(Zelkoran::Panel* p, int id, uint8_t r, uint8_t g, uint8_t b);
void setUsable(Zelkoran::Panel* p, int id, bool usable);

// A caption at (x, y) in font on the tab grey, its own text as tooltip
// unless one is given.
Zelkoran::WidgetLabel* addCaption(Zelkoran::Panel& p, int font, const char* name, int id, const char* text, int x,
                                  int y, const char* tooltip = nullptr);
// A number field that takes fractions: scales, times and forces; counts
// drop them when applied.
Zelkoran::WidgetNumberEdit* addFloatNumber(Zelkoran::Panel& p, const ui::WidgetSpec& spec, float min, float max,
                                           float value);
// A framed 18 x 18 colour swatch, white until set.
Zelkoran::WidgetFrame* addSwatch(Zelkoran::Panel& p, const ui::WidgetSpec& spec);

} // namespace effectwidgets
