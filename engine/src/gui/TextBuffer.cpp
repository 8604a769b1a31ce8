#include "gui/TextBuffer.h"

#include "font/Utf8.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace Zelkoran {

namespace {

bool isWordByte(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x80 || std::isalnum(u) || c == '_';
}

} // namespace

void TextBuffer::setText(const char* s)
{
    lines.assign(1, String());
    caret = anchor = TextPos{};
    if (s)
        insert(s, std::strlen(s));
    scrollLine = scrollX = 0;
    preferredX = -1;
}

String TextBuffer::text() const
{
    size_t total = 0;
    for (const String& l : lines)
        total += l.size() + 1;
    String out;
    out.reserve(total);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i)
            out.push_back('\n');
        out += lines[i];
    }
    return out;
}

String TextBuffer::slice(TextPos a, TextPos b) const
{
    a = clamp(a);
    b = clamp(b);
    if (b < a)
        std::swap(a, b);
    if (a.line == b.line)
        return lines[a.line].substr(a.col, b.col - a.col);
    String out = lines[a.line].substr(a.col);
    for (int l = a.line + 1; l < b.line; ++l) {
        out.push_back('\n');
        out += lines[l];
    }
    out.push_back('\n');
    out += lines[b.line].substr(0, b.col);
    return out;
}

void TextBuffer::erase(TextPos a, TextPos b)
{
    a = clamp(a);
    b = clamp(b);
    if (b < a)
        std::swap(a, b);
    if (a.line == b.line) {
        lines[a.line].erase(a.col, b.col - a.col);
    } else {
        lines[a.line] = lines[a.line].substr(0, a.col) + lines[b.line].substr(b.col);
        lines.erase(lines.begin() + a.line + 1, lines.begin() + b.line + 1);
    }
    caret = anchor = a;
}

void TextBuffer::insert(const char* s, size_t n)
{
    caret = clamp(caret);
    String& line = lines[caret.line];
    String tail = line.substr(caret.col);
    line.erase(caret.col);
    if (!multiline) {
        for (size_t i = 0; i < n; ++i)
            if (s[i] != '\r' && s[i] != '\n')
                line.push_back(s[i]);
        caret.col = static_cast<int>(line.size());
        line += tail;
        anchor = caret;
        return;
    }
    Vector<String> pieces;
    size_t start = 0;
    for (size_t i = 0; i < n; ++i)
        if (s[i] == '\n') {
            pieces.emplace_back(s + start, i - start);
            start = i + 1;
        }
    pieces.emplace_back(s + start, n - start);
    line += pieces.front();
    if (pieces.size() == 1) {
        caret.col = static_cast<int>(line.size());
        line += tail;
    } else {
        const int at = caret.line;
        caret = TextPos{at + static_cast<int>(pieces.size()) - 1, static_cast<int>(pieces.back().size())};
        pieces.back() += tail;
        lines.insert(lines.begin() + at + 1, std::make_move_iterator(pieces.begin() + 1),
                     std::make_move_iterator(pieces.end()));
    }
    anchor = caret;
}

TextPos TextBuffer::clamp(TextPos p) const
{
    p.line = std::clamp(p.line, 0, count() - 1);
    p.col = std::clamp(p.col, 0, static_cast<int>(lines[p.line].size()));
    return p;
}

TextPos TextBuffer::left(TextPos p, bool word) const
{
    p = clamp(p);
    if (p.col == 0)
        return p.line > 0 ? TextPos{p.line - 1, static_cast<int>(lines[p.line - 1].size())} : p;
    const String& l = lines[p.line];
    if (!word)
        return TextPos{p.line, utf8::prev(l.data(), p.col)};
    int c = p.col;
    while (c > 0 && !isWordByte(l[c - 1]))
        --c;
    while (c > 0 && isWordByte(l[c - 1]))
        --c;
    return TextPos{p.line, c};
}

TextPos TextBuffer::right(TextPos p, bool word) const
{
    p = clamp(p);
    const String& l = lines[p.line];
    const int n = static_cast<int>(l.size());
    if (p.col >= n)
        return p.line + 1 < count() ? TextPos{p.line + 1, 0} : p;
    if (!word) {
        int c = p.col;
        utf8::next(l.data(), n, c);
        return TextPos{p.line, c};
    }
    int c = p.col;
    while (c < n && isWordByte(l[c]))
        ++c;
    while (c < n && !isWordByte(l[c]))
        ++c;
    return TextPos{p.line, c};
}

std::pair<TextPos, TextPos> TextBuffer::wordAt(TextPos p) const
{
    p = clamp(p);
    const String& l = lines[p.line];
    const int n = static_cast<int>(l.size());
    if (n == 0)
        return {p, p};
    const int at = std::min(p.col, n - 1);
    const bool word = isWordByte(l[at]);
    int a = at, b = at;
    while (a > 0 && isWordByte(l[a - 1]) == word)
        --a;
    while (b < n && isWordByte(l[b]) == word)
        ++b;
    return {TextPos{p.line, a}, TextPos{p.line, b}};
}

} // namespace Zelkoran
