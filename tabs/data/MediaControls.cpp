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

void setChecked(Panel* owner, int id, bool checked)
{
    if (WidgetCheckBox* box = owner ? owner->getCheckBox(id) : nullptr)
        box->setChecked(checked);
}

eAudioTrackTag audioTagFromWidgetID(int widgetId, int musicId, int sfxId, int voiceId, int customId,
                                    eAudioTrackTag defaultTag)
{
    if (widgetId == musicId)
        return ATT_MUSIC;
    if (widgetId == sfxId)
        return ATT_SFX;
    if (widgetId == voiceId)
        return ATT_VOICE;
    if (widgetId == customId)
        return ATT_CUSTOM;
    return defaultTag;
}

void applyAudioTagToWidgets(Panel* tagPanel, int tag, int musicId, int sfxId, int voiceId, int customId,
                            eAudioTrackTag defaultTag)
{
    if (!tagPanel)
        return;
    WidgetCheckBox* boxes[4] = {tagPanel->getCheckBox(musicId), tagPanel->getCheckBox(sfxId),
                                tagPanel->getCheckBox(voiceId), tagPanel->getCheckBox(customId)};
    for (WidgetCheckBox* box : boxes)
        if (box)
            box->setChecked(false);
    const int chosen = tag >= ATT_MUSIC && tag <= ATT_CUSTOM ? tag : defaultTag;
    // Any value outside 1..3 ticks the custom box.
    const int index = chosen >= ATT_MUSIC && chosen <= ATT_VOICE ? chosen - 1 : 3;
    if (boxes[index])
        boxes[index]->setChecked(true);
}

eAudioTrackTag selectedAudioTagFromWidgets(Panel* tagPanel, int musicId, int sfxId, int voiceId, int customId,
                                           eAudioTrackTag defaultTag)
{
    if (!tagPanel)
        return defaultTag;
    const int ids[4] = {musicId, sfxId, voiceId, customId};
    for (int i = 0; i < 4; ++i)
        if (const WidgetCheckBox* box = tagPanel->getCheckBox(ids[i]); box && box->isChecked())
            return static_cast<eAudioTrackTag>(ATT_MUSIC + i);
    return defaultTag;
}

} // namespace media
