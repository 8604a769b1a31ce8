// The scene tab's layer list: one row per layer slot of the scene, 1-based
// like the slots, empty slots included. Pure text and index rules.
#pragma once

#include <Zelkoran/CMem.h>

class SceneLayerRows {
public:
    // "[empty] Layer N" for an empty slot (type 0); otherwise the layer's
    // name, whole however long, or "Layer N" when it has none.
    static Zelkoran::String rowText(int slot, int type, const Zelkoran::String& name);
    // The row to select after the list was filled with count rows: the
    // remembered one when it is 1..count (it is then used up, set to 0),
    // otherwise row 1 (0 for an empty list; remembered stays).
    static int selectionAfterFill(int& remembered, int count);
    // A row the user may show, hide, drag or remove: 1..count and not an
    // empty slot.
    static bool usable(int row, int count, int type);
};
