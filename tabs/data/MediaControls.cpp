#include "tabs/data/MediaControls.h"

#include "services/ResourceManager.h"

#include <Zelkoran/Panel.h>
#include <Zelkoran/Widget.h>

using namespace Zelkoran;

namespace media {

void addSpriteButton(Panel* panel, ResourceManager* rm, int id, const char* name, Position x, Position y, int sprite,
                     const char* tooltip)
{
    if (WidgetButton* button = panel->createButton(name, id)) {
        button->setText("", Position(0, PH_CENTER), Position(0, PH_CENTER));
        button->setPosition(x, y);
        button->setBackgroundSprite(rm->getClone(sprite), WS_ALL, 0);
        button->setTooltip(tooltip);
    }
}

void addPauseBox(Panel* panel, ResourceManager* rm, int id, Position y)
{
    if (WidgetCheckBox* pause = panel->createCheckBox("Pause", id)) {
        pause->setText("", Position(0, PH_CENTER), Position(0, PH_CENTER));
        pause->setPosition(Position(0, PH_CENTER), y);
        pause->setBackgroundSprite(rm->getClone(SS_PAUSE_AUDIO), WS_ALL, 0);
        pause->setTooltip("Pause or resume playback");
    }
}

void addTagBox(Panel* panel, int font, int id, const char* name, const char* text, float top, const char* tooltip)
{
    if (WidgetCheckBox* box = panel->createCheckBox(name, id)) {
        box->setFont(font, WS_ALL);
        box->setText(text, Position(0, PH_CENTER), Position(0, PH_CENTER));
        box->setSize(80, 22);
        box->setPosition(Position(0, PH_CENTER), Position(top, PH_TOP));
        box->setTooltip(tooltip);
    }
}

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
