// The DXCC number table: five-character prefixes indexed by DXCC entity
// number (1..516), blanks where a number is not assigned.
#pragma once

#include <string_view>

#include "base/text.h"

namespace vek {

constexpr int kDxccTableSize = 516;
// The home-prefix check list of the call-sign split is the table up to here.
constexpr int kHomePrefixCheckSize = 513;

// The entry padded to five characters with blanks; five blanks for a number
// without an entry or outside the table.
Text DxccTableEntry(int number);
// The entry without blanks (empty when there is none).
Text DxccPrefixOfNumber(int number);
// The first number whose entry (without blanks) equals `prefix`, 0 when none.
int DxccNumberOfTablePrefix(std::string_view prefix);
// Whether `part` equals one of the first 513 entries (blanks removed).
bool IsHomePrefixCheckEntry(std::string_view part);

}  // namespace vek
