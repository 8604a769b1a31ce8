// What the Universal VTT import's checks and messages share: the limits of
// the map picture and the ways a message is made.
#pragma once

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

#include <cstdint>

namespace uvtt {

// Limits of the map picture: its side and its pixels.
constexpr int64_t kMaxMapSide = 16384;
constexpr int64_t kMaxMapPixels = 16777216;

// Sets the message and returns the code, so a check fails in one statement.
inline int fail(Zelkoran::String& error, int code, const char* message)
{
    error = message;
    return code;
}

// The same for the checks that only pass or fail.
inline bool fail(Zelkoran::String& error, const char* message)
{
    error = message;
    return false;
}

// prefix, n in decimal, suffix.
inline Zelkoran::String counted(const char* prefix, int n, const char* suffix = "")
{
    Zelkoran::String digits;
    Zelkoran::Main::instance()->tool()->intToStrDec(n, digits);
    return prefix + digits + suffix;
}

} // namespace uvtt
