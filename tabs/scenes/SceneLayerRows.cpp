#include "tabs/scenes/SceneLayerRows.h"

#include <string>

Zelkoran::String SceneLayerRows::rowText(int slot, int type, const Zelkoran::String& name)
{
    const std::string number = std::to_string(slot);
    if (type == 0)
        return Zelkoran::String("[empty] Layer ") + number.c_str();
    if (!name.empty())
        return name;
    return Zelkoran::String("Layer ") + number.c_str();
}

int SceneLayerRows::selectionAfterFill(int& remembered, int count)
{
    if (remembered >= 1 && remembered <= count) {
        const int row = remembered;
        remembered = 0;
        return row;
    }
    return count >= 1 ? 1 : 0;
}

bool SceneLayerRows::usable(int row, int count, int type) { return row >= 1 && row <= count && type != 0; }
