#include "import/scene/JsonText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace JsonText {

namespace {

bool within(uint8_t c, uint8_t low, uint8_t high) { return c >= low && c <= high; }

// Length of the well-formed UTF-8 sequence at text[at] (lead byte 0x80 or
// above), 0 when it is not one (RFC 3629: no overlong forms, no surrogates).
size_t sequenceLength(std::string_view text, size_t at)
{
    const auto byte = [&](size_t k) { return at + k < text.size() ? uint8_t(text[at + k]) : uint8_t(0); };
    const uint8_t lead = byte(0);
    if (within(lead, 0xC2, 0xDF))
        return within(byte(1), 0x80, 0xBF) ? 2 : 0;
    if (within(lead, 0xE0, 0xEF)) {
        const uint8_t low = lead == 0xE0 ? 0xA0 : 0x80;
        const uint8_t high = lead == 0xED ? 0x9F : 0xBF;
        return within(byte(1), low, high) && within(byte(2), 0x80, 0xBF) ? 3 : 0;
    }
    if (within(lead, 0xF0, 0xF4)) {
        const uint8_t low = lead == 0xF0 ? 0x90 : 0x80;
        const uint8_t high = lead == 0xF4 ? 0x8F : 0xBF;
        return within(byte(1), low, high) && within(byte(2), 0x80, 0xBF) && within(byte(3), 0x80, 0xBF) ? 4 : 0;
    }
    return 0;
}

bool isNumberByte(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E'; }

// The shortest digits of value as "[-]DIGITSeEXP", which a decimal parser
// that rounds correctly reads back to value.
std::string mantissaExponent(double value)
{
    char text[64];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
    if (ec != std::errc())
        return {};
    const std::string_view written(text, size_t(end - text));
    const size_t e = written.find('e');
    std::string digits;
    for (char c : written.substr(0, e))
        if (c != '.')
            digits += c;
    const size_t fraction = written.find('.') == std::string_view::npos ? 0 : e - written.find('.') - 1;
    int exponent = 0;
    std::from_chars(written.data() + e + 1 + (written[e + 1] == '+'), written.data() + written.size(), exponent);
    return digits + "e" + std::to_string(exponent - int(fraction));
}

} // namespace

size_t firstTextFault(std::string_view text)
{
    bool inString = false;
    for (size_t i = 0; i < text.size();) {
        const auto c = uint8_t(text[i]);
        if (c >= 0x80) {
            const size_t length = sequenceLength(text, i);
            if (length == 0)
                return i;
            i += length;
            continue;
        }
        if (inString && c < 0x20)
            return i;
        if (inString && c == '\\' && i + 1 < text.size() && uint8_t(text[i + 1]) < 0x80) {
            i += 2;
            continue;
        }
        if (c == '"')
            inString = !inString;
        ++i;
    }
    return inString ? text.size() : std::string_view::npos;
}

size_t widenBigIntegers(char* text, size_t size)
{
    size_t rewritten = 0;
    bool inString = false;
    for (size_t i = 0; i < size; ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
            continue;
        }
        if (c != '-' && (c < '0' || c > '9'))
            continue;
        size_t end = i;
        while (end < size && isNumberByte(text[end]))
            ++end;
        const std::string_view token(text + i, end - i);
        const size_t first = token[0] == '-' ? 1 : 0;
        const bool integer = token.size() > first && token.find_first_not_of("0123456789", first) == std::string_view::npos;
        // Up to 19 digits always fit; a leading zero is no JSON number at all.
        if (integer && token.size() - first > 19 && token[first] != '0') {
            int64_t asSigned = 0;
            uint64_t asUnsigned = 0;
            double value = 0;
            const char* from = token.data();
            const char* to = from + token.size();
            if (std::from_chars(from, to, asSigned).ec == std::errc::result_out_of_range &&
                std::from_chars(from, to, asUnsigned).ec != std::errc() &&
                std::from_chars(from, to, value).ec == std::errc() && std::isfinite(value)) {
                const std::string shorter = mantissaExponent(value);
                if (!shorter.empty() && shorter.size() <= token.size()) {
                    std::memcpy(text + i, shorter.data(), shorter.size());
                    std::memset(text + i + shorter.size(), ' ', token.size() - shorter.size());
                    ++rewritten;
                }
            }
        }
        i = end - 1;
    }
    return rewritten;
}

} // namespace JsonText
