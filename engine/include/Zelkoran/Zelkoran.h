// Umbrella header of the engine stand-in.
#pragma once

#include <Zelkoran/Archive.h>
#include <Zelkoran/CMem.h>
#include <Zelkoran/Internal.h>
#include <Zelkoran/Log.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>
#include <Zelkoran/Timer.h>
#include <Zelkoran/Tool.h>
