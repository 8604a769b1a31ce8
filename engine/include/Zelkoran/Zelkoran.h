// Umbrella header of the engine stand-in.
#pragma once

#include <Zelkoran/Archive.h>
#include <Zelkoran/CMem.h>
#include <Zelkoran/Cursor.h>
#include <Zelkoran/Font.h>
#include <Zelkoran/GFX.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Internal.h>
#include <Zelkoran/Log.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/Timer.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Types.h>
#include <Zelkoran/Widget.h>
