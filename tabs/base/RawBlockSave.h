// The Save of a tab that writes its block's bytes as they are (text,
// XML, files): the block goes into the open archive whole, under the
// archive's key when its storage is encrypted. Main thread only.
#pragma once

#include "tabs/base/ctrlBase.h"

#include <Zelkoran/Archive.h>

#include <functional>

class RawBlockSave {
public:
    using string = Zelkoran::String;

    explicit RawBlockSave(CtrlBase& owner) : tab(owner) {}

    // Saves a filled block (name, type, storage, data, size): key for
    // encrypted storage, blockAdd, secured and reparse flags, the tab's list
    // rebuilt with listedName selected (empty when the tab's filter hides
    // the block), refreshOwn, success notice. Messages are titled with
    // noun. 0 or -1.
    int save(const Zelkoran::Archive::Block& block, const string& noun, const string& listedName,
             const std::function<void()>& refreshOwn) const;

private:
    CtrlBase& tab;
};
