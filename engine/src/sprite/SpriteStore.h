// What SpriteMgr keeps: the open sprites.
#pragma once

#include <Zelkoran/Sprite.h>

#include "resource/ResourceStore.h"

namespace Zelkoran {

struct SpriteMgr::Impl {
    resource::ResourceStore<Sprite> sprites;
};

} // namespace Zelkoran
