// The list pick of a tab that holds one block at a time (scenes, text,
// media): it tells a newly chosen block from the one already held, so that
// the tab loads only on a change. Main thread only.
#pragma once

#include "tabs/base/ctrlBase.h"

class SelectionSwitch {
public:
    using string = Zelkoran::String;

    explicit SelectionSwitch(CtrlBase& owner) : tab(owner) {}

    // The base list handling, then 1 when another block was chosen (its
    // name in selected and now the current item; the held one dropped), 0
    // when the same one, -1 when refused.
    int toSelected(string& selected) const;

private:
    CtrlBase& tab;
};
