// The pixel size of a still picture read from its header alone, so that a
// large file can be judged without decoding it.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstddef>
#include <cstdint>

// An image block holds at most this many pixels a side.
inline constexpr int kMaxStoredPictureSide = 16384;

// A PNG signature followed by its IHDR chunk: the size it states, each side
// 1 .. 2^31-1. False for other bytes.
bool readPNGSize(const uint8_t* bytes, size_t size, uint32_t& width, uint32_t& height);
// The size stated by the header of the PNG or BMP file at path (told apart
// by their signatures). False when it cannot be read or is neither.
bool readPictureSize(const Zelkoran::String& path, int& width, int& height);
