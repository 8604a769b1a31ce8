// Byte-level help for JSON texts that simdjson's DOM cannot take as they
// stand: where a text that is not well-formed UTF-8 or ends inside a string
// breaks, and integers beyond 64 bits, which JSON allows and which are read
// as doubles.
#pragma once

#include <cstddef>
#include <string_view>

namespace JsonText {

// Offset of the first byte that is not well-formed UTF-8 or is a control
// character inside a string; the text's size when it ends inside a string;
// npos when neither.
size_t firstTextFault(std::string_view text);

// Rewrites, in place and at the same length, every integer outside strings
// that fits neither 64-bit type as the nearest double written in a form the
// DOM reads back to that double (mantissa, exponent, trailing blanks).
// Integers whose double is not finite stay. The number rewritten.
size_t widenBigIntegers(char* text, size_t size);

} // namespace JsonText
