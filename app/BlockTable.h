// The text of the block table: every index entry of an archive, deleted
// entries and hidden ('#') names included, under a header and a rule.
#pragma once

#include <Zelkoran/Archive.h>

#include <cstdint>
#include <string>

namespace Zelkoran {
class WidgetTextEdit;
}

inline constexpr const char* kBlockTableHeader = "Index | Name                            | Type";
inline constexpr const char* kBlockTableRule = "------|---------------------------------|-------------------";

// The position padded to 6 characters (never cut), the name cut and padded
// to 32 characters (not bytes), then the type as stored.
std::string blockTableRow(uint32_t index, const Zelkoran::Archive::Block& block);
// Empties table, then writes the header, the rule and a row for each
// position that blockAt gives.
void writeBlockTable(Zelkoran::WidgetTextEdit& table, const Zelkoran::Archive& archive);
