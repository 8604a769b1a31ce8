#include "app/BlockTable.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr size_t kNameColumn = 32;

// The name cut to the column's characters and padded with blanks to them;
// a UTF-8 character counts once, so the bars stay in line and no
// character is cut in two.
std::string nameColumn(const char* name)
{
    const std::string_view text(name, strnlen(name, sizeof Zelkoran::Archive::Block::name));
    std::string column;
    size_t characters = 0;
    for (size_t i = 0; i < text.size() && characters < kNameColumn; ++characters) {
        const size_t length = Zelkoran::Main::instance()->tool()->utf8CharLength(text, i);
        column.append(text.substr(i, length));
        i += length;
    }
    column.append(kNameColumn - characters, ' ');
    return column;
}

} // namespace

std::string blockTableRow(uint32_t index, const Zelkoran::Archive::Block& block)
{
    char position[16];
    std::snprintf(position, sizeof position, "%-6u| ", index);
    // A type of 16 characters fills its field without a terminating zero.
    char type[24];
    std::snprintf(type, sizeof type, "| %.16s", block.type);
    return position + nameColumn(block.name) + type;
}

void writeBlockTable(Zelkoran::WidgetTextEdit& table, const Zelkoran::Archive& archive)
{
    table.setText("");
    table.appendText(kBlockTableHeader);
    table.appendLine(kBlockTableRule);
    const int entries = archive.getIndexCount();
    for (int i = 0; i < entries; ++i) {
        Zelkoran::Archive::Block block;
        if (archive.blockAt(i, block) == 0)
            table.appendLine(blockTableRow(static_cast<uint32_t>(i), block).c_str());
    }
}
