// The Save and Delete of a tab whose blocks are engine resources (images,
// tiles, sprites, effects, videos, audio): the tab gives the engine's step,
// this part wraps it in the name check, the question and the list and dirty
// bookkeeping. Main thread only.
#pragma once

#include "tabs/base/ctrlBase.h"

#include <functional>

class ResourceSave {
public:
    using string = Zelkoran::String;
    // The tab's own step, given the block name: 0 when it succeeded. A
    // failing save step has shown its message already.
    using NamedStep = std::function<int(const string& name)>;

    explicit ResourceSave(CtrlBase& owner) : tab(owner) {}

    // The required name, the tab's save, then the tab's finishResourceSave.
    // 0 or -1.
    int save(const string& kind, const string& emptyNameMessage, const NamedStep& step) const;
    // The delete of the selected block after a Yes to the question; remove
    // is the engine's removal, failure the text shown when it fails (empty:
    // noun + " could not be deleted."). 0, or -1 when refused, cancelled or
    // failed (the block is then loaded again).
    int deleteSelected(const string& noun, const NamedStep& remove, const string& failure = {}) const;

private:
    CtrlBase& tab;
};
