#include "xml/XMLValue.h"

#include "xml/XMLText.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

namespace Zelkoran::xml {

namespace {

// pugixml is the one reader of values: a one-attribute document decodes
// and encodes exactly as the documents themselves are read.
constexpr std::string_view kOpen = "<v a=\"";
constexpr std::string_view kClose = "\"/>";

bool isNameStart(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80; }
bool isNameChar(unsigned char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

} // namespace

bool isName(const char* name)
{
    if (!name || !isNameStart(static_cast<unsigned char>(name[0])))
        return false;
    for (const char* c = name + 1; *c; ++c)
        if (!isNameChar(static_cast<unsigned char>(*c)))
            return false;
    return true;
}

bool needsDecoding(const char* written) { return std::strpbrk(written, "&\t\n\r") != nullptr; }

bool decodeValue(const char* written, String& value)
{
    try {
        String text;
        text.reserve(kOpen.size() + std::strlen(written) + kClose.size());
        text.append(kOpen).append(written).append(kClose);
        pugi::xml_document doc;
        const unsigned flags = pugi::parse_minimal | pugi::parse_escapes | pugi::parse_wconv_attribute | pugi::parse_eol;
        if (!doc.load_buffer(text.data(), text.size(), flags, pugi::encoding_utf8))
            return false;
        value = doc.first_child().first_attribute().value();
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool encodeValue(const char* value, String& written)
{
    try {
        // Printable ASCII that needs no reference is written as it stands;
        // the document below costs more than most values are long.
        const size_t plain = std::strcspn(value, "&<>\"'");
        if (value[plain] == 0 && std::all_of(value, value + plain, [](char c) { return c >= 0x20 && c < 0x7F; })) {
            written.assign(value, plain);
            return true;
        }
        pugi::xml_document doc;
        if (!doc.append_child("v").append_attribute("a").set_value(value))
            return false;
        String text;
        StringWriter writer(text);
        doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
        if (text.size() < kOpen.size() + kClose.size())
            return false;
        written.assign(text, kOpen.size(), text.size() - kOpen.size() - kClose.size());
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool parseInt(const char* text, int& value)
{
    std::string_view s(text);
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    // from_chars takes '-' but not '+'; a '+' must be followed by a digit.
    if (s.size() > 1 && s[0] == '+' && s[1] >= '0' && s[1] <= '9')
        s.remove_prefix(1);
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty())
        return false;
    value = v;
    return true;
}

} // namespace Zelkoran::xml
