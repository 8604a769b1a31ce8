// What FontMgr keeps besides its fonts: the built-in ones' ids.
#pragma once

#include <Zelkoran/Font.h>

#include <cstddef>

namespace Zelkoran {

struct FontMgr::Impl {
    static constexpr size_t kBuiltinCount = 8;
    int builtinIds[kBuiltinCount] = {};
    bool ttfStarted = false;
};

} // namespace Zelkoran
