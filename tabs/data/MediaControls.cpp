#include "tabs/data/MediaControls.h"

#include <Zelkoran/Panel.h>
#include <Zelkoran/Widget.h>

using namespace Zelkoran;

namespace media {

String dialogFilter(std::initializer_list<std::pair<String, String>> pairs)
{
    String filter;
    for (const auto& [description, pattern] : pairs) {
        filter += description;
        filter += '\0';
        filter += pattern;
        filter += '\0';
    }
    filter += '\0';
    return filter;
}

void setChecked(Panel* panel, int id, bool checked)
{
    if (WidgetCheckBox* box = panel ? panel->getCheckBox(id) : nullptr)
        box->setChecked(checked);
}

} // namespace media
