// The widgets of a tab's base panel (block list, scroll slider, New, Save,
// Delete, the unsaved-changes frame, name field) and their ids, the same in
// every tab, on the panel the resource manager made for the tab.
#pragma once

class ResourceManager;

namespace Zelkoran {
class Panel;
}

enum eBaseWidget : int {
    BW_LIST = 105,
    BW_SLIDER = 106,
    BW_NEW = 107,
    BW_SAVE = 108,
    BW_DELETE = 109,
    BW_TITLE = 110,
    BW_NAME_LABEL = 111,
    BW_NAME = 112,
    BW_DIRTY_FRAME = 115,
};

// The rows below the name field, the same in every tab: three lines of
// facts about the held item, then the storage boxes (tops, in pixels).
namespace basePanelRows {
inline constexpr int kFirstLine = 241;
inline constexpr int kSecondLine = 257;
inline constexpr int kThirdLine = 273;
inline constexpr int kRawBox = 300;
inline constexpr int kCompressedBox = 327;
inline constexpr int kCryptedBox = 354;
} // namespace basePanelRows

void addBasePanelWidgets(Zelkoran::Panel& panel, const ResourceManager& rm, const char* title);
