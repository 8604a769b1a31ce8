// Resource names and the names of their hidden image blocks.
#pragma once

#include <Zelkoran/Archive.h>
#include <Zelkoran/CMem.h>

#include <cstddef>
#include <cstring>

namespace Zelkoran::resource {

// A resource name leaves room for the three-character prefix within a
// block name.
inline constexpr size_t kMaxResourceName = kMaxBlockName - 3;

// Not null and at most kMaxResourceName characters (may be empty).
inline bool fitsResourceName(const char* name) { return name && std::strlen(name) <= kMaxResourceName; }

// prefix + name, e.g. "#S_" + "hero".
inline String hiddenImageName(const char* prefix, const char* name) { return String(prefix) + name; }

} // namespace Zelkoran::resource
