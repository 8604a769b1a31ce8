#include "app/BlockTable.h"

#include <Zelkoran/Widget.h>

#include <cstdio>

std::string blockTableRow(uint32_t index, const Zelkoran::Archive::Block& block)
{
    // A type of 16 characters fills its field without a terminating zero.
    char row[128];
    std::snprintf(row, sizeof row, "%-6u| %-32.32s| %.16s", index, block.name, block.type);
    return row;
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
