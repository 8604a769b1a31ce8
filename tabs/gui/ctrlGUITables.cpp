#include "tabs/gui/ctrlGUITables.h"

#include <cstring>

using namespace Zelkoran;

namespace CtrlGUIInternal {

const char* fontDisplayName(const char* name)
{
    constexpr char kPrefix[] = "@zk7/font/";
    constexpr size_t kPrefixLength = sizeof(kPrefix) - 1;
    return std::strlen(name) > 9 && std::strncmp(name, kPrefix, kPrefixLength) == 0 ? name + kPrefixLength : name;
}

int keyForRow(int row) { return row >= 1 && row <= kHotkeyCount ? kHotkeyOptions[row - 1].key : 0; }

int rowForKey(int key)
{
    for (int i = 0; i < kHotkeyCount; ++i)
        if (kHotkeyOptions[i].key == key)
            return i + 1;
    return 1;
}

ePositionHelper helperForRow(int row, bool x)
{
    switch (row) {
    case 2: return x ? PH_LEFT : PH_TOP;
    case 3: return PH_CENTER;
    case 4: return x ? PH_RIGHT : PH_BOTTOM;
    default: return PH_ABSOLUTE;
    }
}

int rowForHelper(ePositionHelper helper, bool x)
{
    if (helper == (x ? PH_LEFT : PH_TOP))
        return 2;
    if (helper == PH_CENTER)
        return 3;
    if (helper == (x ? PH_RIGHT : PH_BOTTOM))
        return 4;
    return 1;
}

int rowForStatus(int status) { return status == 0 ? 3 : status == 5 ? 2 : 1; }

int valueForRow(int row, int count) { return row - 1 >= 0 && row - 1 < count ? row - 1 : 0; }

int ttlSeconds(int ttlMs) { return ttlMs >= 1000 ? ttlMs / 1000 : 1; }

int sliderRangeShown(int min, int max) { return max - min + 1; }

int progressRangeShown(int min, int max) { return max - min; }

} // namespace CtrlGUIInternal
