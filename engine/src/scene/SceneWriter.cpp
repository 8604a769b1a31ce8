#include "scene/SceneIO.h"

namespace Zelkoran::scene {

int writeMap(const Map&, const WriteOptions&, String&) { return RC_ERR_IO; }

} // namespace Zelkoran::scene
