// A temporary copy of an archive key: up to 32 bytes, a terminating zero
// and the length. Overwritten with zero bytes before it is released.
#pragma once

#include "services/GlobalStatus.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

struct KeyBuffer {
    uint8_t bytes[GlobalStatus::kMaxKeyLength + 1] = {};
    uint32_t length = 0;

    KeyBuffer() = default;
    ~KeyBuffer() { wipe(); }
    KeyBuffer(const KeyBuffer&) = delete;
    KeyBuffer& operator=(const KeyBuffer&) = delete;

    void wipe()
    {
        OPENSSL_cleanse(bytes, sizeof bytes);
        length = 0;
    }
    // The first min(size, 32) bytes of text.
    void assign(const char* text, size_t size)
    {
        wipe();
        length = static_cast<uint32_t>(std::min<size_t>(size, GlobalStatus::kMaxKeyLength));
        memcpy(bytes, text, length);
    }
    bool empty() const { return length == 0; }
    // As the engine takes a key: null and 0 when there is none.
    const void* data() const { return length != 0 ? bytes : nullptr; }
    int size() const { return static_cast<int>(length); }
};
