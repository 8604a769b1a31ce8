// The engine log the editor writes to.
#pragma once

#include <Zelkoran/Log.h>
#include <Zelkoran/Main.h>

enum eLogLevel : int { LOG_CRITICAL = 1, LOG_ERROR = 2, LOG_WARNING = 3, LOG_INFO = 4 };

inline Zelkoran::Log& editorLog() { return *Zelkoran::Main::instance()->logMgr()->get(0); }
