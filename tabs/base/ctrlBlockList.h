// A tab that lists the blocks of its type and edits nothing: an empty
// preview, no loaded resource, Save and Delete refused. The tabs whose editors are not
// built yet derive from it.
#pragma once

#include "tabs/base/ctrlBase.h"

class CtrlBlockList : public CtrlBase {
public:
    // blockTypeName: the type the tab lists ("" lists no block).
    CtrlBlockList(const string& name, int checkBoxId, const char* blockTypeName, ResourceManager* rm,
                  GlobalStatus* gs);

    // An empty, white preview. 0.
    int render(int value) override;
    // Refused: -1, nothing is written.
    int onSave() override;
    int onDelete() override;
    // No widgets of its own. 0.
    int updateData() override;
    // Nothing is ever loaded. 0.
    int closeResources() override;
};
