// The plain error box the menu's actions show.
#pragma once

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

// An OK box of type error that stays until answered.
inline void showError(const char* title, const char* text)
{
    Zelkoran::Main::instance()->tool()->messageBox(title, text, Zelkoran::MBB_OK, Zelkoran::MBT_ERROR, 0, -1, -1);
}
