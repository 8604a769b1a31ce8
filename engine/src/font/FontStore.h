// What FontMgr keeps: the open fonts, built-in and bitmap.
#pragma once

#include <Zelkoran/Font.h>

#include "resource/ResourceStore.h"

#include <cstddef>

namespace Zelkoran {

struct FontMgr::Impl {
    static constexpr size_t kBuiltinCount = 8;
    resource::ResourceStore<Font> fonts;
    int builtinIds[kBuiltinCount] = {};
    bool ttfStarted = false;

    bool isBuiltin(int id) const
    {
        for (int b : builtinIds)
            if (b == id)
                return true;
        return false;
    }
};

} // namespace Zelkoran
