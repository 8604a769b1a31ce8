// The editor's one way to put a widget on a panel. A call creates the widget
// and sets what its spec gives: font, size, place, caption, tooltip. Fields
// left at their defaults leave the toolkit's own value, so a dialog and a tab
// panel differ only in what their specs say.
//
//   ui::addLabel(*panel, {.name = "TimeLabel", .id = 1701, .x = ui::left(12),
//                         .y = ui::top(40), .text = "Time:", .font = font});
#pragma once

#include <Zelkoran/Panel.h>
#include <Zelkoran/Widget.h>

#include <cstdint>

namespace ui {

// A new hidden panel from the GUI manager, its id in id; null with id 0 when
// it cannot be had (a panel made but out of reach is closed again).
Zelkoran::Panel* addPanel(const char* name, int& id);

inline Zelkoran::Position left(float x) { return Zelkoran::Position(x, Zelkoran::PH_LEFT); }
inline Zelkoran::Position right(float x) { return Zelkoran::Position(x, Zelkoran::PH_RIGHT); }
inline Zelkoran::Position top(float y) { return Zelkoran::Position(y, Zelkoran::PH_TOP); }
inline Zelkoran::Position bottom(float y) { return Zelkoran::Position(y, Zelkoran::PH_BOTTOM); }
inline Zelkoran::Position centred(float offset = 0) { return Zelkoran::Position(offset, Zelkoran::PH_CENTER); }

struct WidgetSpec {
    const char* name = "";
    int id = 0;
    Zelkoran::Position x = left(0);
    Zelkoran::Position y = top(0);
    int w = 0; // 0 (or h 0): the widget keeps its own size
    int h = 0;
    const char* text = nullptr;    // caption of labels, buttons and check boxes
    int font = 0;                  // 0: the toolkit's font
    const char* tooltip = nullptr; // null: no tooltip set
};

// Panel grey behind labels: tab panels and the editor's dialogs.
inline constexpr uint8_t kTabGrey = 225;
inline constexpr uint8_t kDialogGrey = 240;

// Each returns the new widget, or null when the panel refused it (id or name
// taken), having set nothing.
Zelkoran::WidgetLabel* addLabel(Zelkoran::Panel& panel, const WidgetSpec& spec, uint8_t grey = kTabGrey);
Zelkoran::WidgetButton* addButton(Zelkoran::Panel& panel, const WidgetSpec& spec);
Zelkoran::WidgetCheckBox* addCheckBox(Zelkoran::Panel& panel, const WidgetSpec& spec);
Zelkoran::WidgetComboBox* addComboBox(Zelkoran::Panel& panel, const WidgetSpec& spec);
Zelkoran::WidgetTextEdit* addTextEdit(Zelkoran::Panel& panel, const WidgetSpec& spec);
Zelkoran::WidgetList* addList(Zelkoran::Panel& panel, const WidgetSpec& spec);
// Applies when committed (Enter, leaving the field, spin buttons).
Zelkoran::WidgetNumberEdit* addNumberEdit(Zelkoran::Panel& panel, const WidgetSpec& spec, float min, float max,
                                          float value);
// An unfilled frame with a one-pixel grey border that groups widgets.
Zelkoran::WidgetFrame* addOutline(Zelkoran::Panel& panel, const WidgetSpec& spec);
// A button or check box drawn by sprite in every state, with its caption
// (if any) centred over it. The widget owns the sprite from then on; a
// sprite the panel's refusal leaves unused is closed.
Zelkoran::WidgetButton* addSpriteButton(Zelkoran::Panel& panel, const WidgetSpec& spec, int sprite);
Zelkoran::WidgetCheckBox* addSpriteCheckBox(Zelkoran::Panel& panel, const WidgetSpec& spec, int sprite);

} // namespace ui
