#include "tabs/base/TextView.h"

#include "services/CMemSkarden.h"

#include <Zelkoran/CMem.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Widget.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>
#include <vector>

using namespace Zelkoran;

namespace {

// Tab, LF, CR and every byte from 32 on except DEL.
bool isTextByte(unsigned char byte) { return byte == 9 || byte == 10 || byte == 13 || (byte >= 32 && byte != 127); }

} // namespace

int checkAndPopulateASCII(Panel& panel, const unsigned char* buffer, int length, ASCIIMode& mode, bool& endsWithNewline,
                          int textEditId)
{
    if (!buffer)
        return 0;
    WidgetTextEdit* edit = panel.getTextEdit(textEditId);
    endsWithNewline = false;
    if (edit)
        edit->setText("");
    const std::string_view text(reinterpret_cast<const char*>(buffer), static_cast<size_t>(std::max(length, 0)));
    if (!std::all_of(text.begin(), text.end(), [](char c) { return isTextByte(static_cast<unsigned char>(c)); })) {
        mode = AM_BINARY;
        if (edit)
            edit->disable();
        return 0;
    }
    if (edit)
        edit->enable();
    const bool crlf = text.find("\r\n") != std::string_view::npos;
    mode = crlf ? AM_CRLF : text.find('\n') != std::string_view::npos ? AM_LF : AM_ONE_LINE;
    const std::string_view separator = mode == AM_CRLF ? "\r\n" : mode == AM_LF ? "\n" : "";
    // Only a buffer that ends with its own separator gets one back when it is
    // rebuilt; a lone CR (or, between CR LF lines, a lone LF) at the end stays
    // inside the last line, or the rebuild would add bytes.
    endsWithNewline = mode == AM_ONE_LINE ? text.ends_with('\r') : text.ends_with(separator);

    std::vector<std::string_view> lines;
    size_t start = 0;
    if (!separator.empty())
        for (size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator, start)) {
            lines.push_back(text.substr(start, at - start));
            start = at + separator.size();
        }
    if (start < text.size())
        lines.push_back(text.substr(start));
    if (!edit)
        return 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const String line(lines[i]);
        if (i == 0)
            edit->setLine(1, line.c_str());
        else
            edit->appendLine(line.c_str());
    }
    return 0;
}

int rebuildTextBufferFromTextEdit(Panel& panel, int textEditId, ASCIIMode mode, bool endsWithNewline,
                                  unsigned char*& buffer, int& length)
{
    buffer = nullptr;
    length = 0;
    const WidgetTextEdit* edit = mode == AM_BINARY ? nullptr : panel.getTextEdit(textEditId);
    if (!edit)
        return -1;
    const int count = edit->getLineCount();
    const char* separator = mode == AM_CRLF ? "\r\n" : mode == AM_LF || count > 1 ? "\n" : "";
    String joined;
    for (int i = 1; i <= count; ++i) {
        if (i > 1)
            joined += separator;
        joined += edit->getLine(i);
    }
    if (endsWithNewline)
        joined += separator;
    if (joined.empty() || joined.size() > static_cast<size_t>(INT_MAX))
        return -1;
    buffer = static_cast<unsigned char*>(CMem::alloc(joined.size(), kSkardyMemoryModule));
    if (!buffer)
        return -1;
    std::memcpy(buffer, joined.data(), joined.size());
    length = static_cast<int>(joined.size());
    return 0;
}
