// Blocks an encrypted index lists whose bytes still lie in the file in
// clear: stored before the index was encrypted, they stay readable without
// the key until they are saved again.
#pragma once

#include <string>

namespace Zelkoran {
class Archive;
} // namespace Zelkoran

// Live blocks stored raw or compressed under an encrypted index; 0 for a
// plain index.
int readableBlockCount(const Zelkoran::Archive& archive);
// "1 block stays" / "n blocks stay" readable ..., or "" for none.
std::string readableBlocksNotice(int count);
