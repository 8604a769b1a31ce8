#include "scene/SceneIO.h"

namespace Zelkoran::scene {

int readMap(const void*, size_t, const Origin&, Map&, String& error)
{
    error = "scene reading is not built yet";
    return RC_ERR_CORRUPT;
}

} // namespace Zelkoran::scene
