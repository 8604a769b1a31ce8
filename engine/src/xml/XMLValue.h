// Attribute names and values between the caller's form and the form the
// document tree holds (as written in the text, entity references included).
#pragma once

#include <Zelkoran/CMem.h>

namespace Zelkoran::xml {

// True for a name the parser reads back as one: a letter, '_', ':' or a
// non-ASCII byte, then also digits, '-' and '.'.
bool isName(const char* name);

// True when the written text differs from the value it stands for.
bool needsDecoding(const char* written);
// The value a reader sees: entity and character references decoded, tabs
// and line ends turned into blanks. False when out of memory.
bool decodeValue(const char* written, String& value);
// The text that reads back as value. False when out of memory.
bool encodeValue(const char* value, String& written);

// A decimal int with an optional sign and blanks around it.
bool parseInt(const char* text, int& value);

} // namespace Zelkoran::xml
