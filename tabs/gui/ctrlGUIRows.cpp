#include "tabs/gui/ctrlGUIRows.h"

#include "services/WidgetBuilders.h"

using namespace Zelkoran;

namespace CtrlGUIInternal {

void addCaptions(Panel& panel, int font, std::initializer_list<CaptionRow> rows)
{
    for (const CaptionRow& r : rows)
        ui::addLabel(panel, {.name = r.name, .id = r.id, .x = ui::left(static_cast<float>(r.x)),
                             .y = ui::top(static_cast<float>(r.y)), .text = r.text, .font = font});
}

void addCombos(Panel& panel, int font, std::initializer_list<ComboRow> rows)
{
    for (const ComboRow& r : rows)
        if (WidgetComboBox* c = ui::addComboBox(panel, {.name = r.name, .id = r.id,
                                                        .x = ui::left(static_cast<float>(r.x)),
                                                        .y = ui::top(static_cast<float>(r.y)), .w = r.w, .h = 19,
                                                        .font = font, .tooltip = r.tooltip})) {
            for (const char* row : r.rows)
                c->addItem(row);
            c->setSelectedIndex(1);
        }
}

void addNumbers(Panel& panel, int font, std::initializer_list<NumberRow> rows)
{
    for (const NumberRow& r : rows)
        ui::addNumberEdit(panel,
                          {.name = r.name, .id = r.id, .x = ui::left(static_cast<float>(r.x)),
                           .y = ui::top(static_cast<float>(r.y)), .w = r.w, .h = 19, .font = font,
                           .tooltip = r.tooltip},
                          static_cast<float>(r.min), static_cast<float>(r.max), static_cast<float>(r.value));
}

void addChecks(Panel& panel, std::initializer_list<CheckRow> rows)
{
    for (const CheckRow& r : rows)
        ui::addCheckBox(panel, {.name = r.name, .id = r.id, .x = ui::left(static_cast<float>(r.x)),
                                .y = ui::top(static_cast<float>(r.y)), .w = r.w, .h = 19, .text = r.text,
                                .tooltip = r.tooltip});
}

} // namespace CtrlGUIInternal
