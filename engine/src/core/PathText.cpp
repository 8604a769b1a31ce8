#include "core/PathText.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace Zelkoran::PathText {

namespace fs = std::filesystem;

fs::path toPath(const char* path)
{
    std::string text(path);
    std::replace(text.begin(), text.end(), '\\', '/');
    return fs::path(std::move(text));
}

String toString(const fs::path& path)
{
    const std::string text = path.generic_string();
    return String(text.data(), text.size());
}

String normalized(const fs::path& path)
{
    String text = toString(path.lexically_normal());
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

bool absolute(const fs::path& path, String& out)
{
    out.clear();
    if (path.empty())
        return false;
    std::error_code ec;
    const fs::path full = fs::absolute(path, ec);
    if (ec)
        return false;
    out = normalized(full);
    return true;
}

String fileNameFor(const String& name)
{
    String out;
    size_t start = 0;
    while (start <= name.size()) {
        const size_t end = std::min(name.find_first_of("/\\", start), name.size());
        const std::string_view part(name.data() + start, end - start);
        if (!part.empty() && part != "." && part != "..") {
            if (!out.empty())
                out += '_';
            out.append(part.data(), part.size());
        }
        start = end + 1;
    }
    if (out.empty())
        out.push_back('_');
    if (out[0] == '.')
        out[0] = '_';
    return out;
}

} // namespace Zelkoran::PathText
