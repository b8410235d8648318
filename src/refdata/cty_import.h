// The country file cty.dat (as Debian's hamradio-files ships it) turned into
// the suite's prefix table QVPREFIX and, for its exact calls, the override
// table QVPREFEE.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/suite_files.h"

namespace vek {

struct CtyAlias {
  Text text;            // prefix, or the whole call when exact
  bool exact = false;   // "=CALL"
  Text cq, itu, continent;  // the entity's, or the alias's own overrides
};

struct CtyEntity {
  Text name;
  Text cq, itu, continent;
  Text primary;  // DXCC prefix (a leading '*' marks a WAE-only entity and is dropped)
  std::vector<CtyAlias> aliases;
};

// Parses the whole file; malformed entities are skipped and counted.
std::vector<CtyEntity> ParseCtyDat(std::string_view text, int* skipped = nullptr);
// cty.csv: primary prefix -> DXCC entity number (third column).
std::map<Text, int> ParseCtyCsv(std::string_view text);

struct CtyImportCounts {
  int prefixes = 0;         // entries written to QVPREFIX
  int exact_calls = 0;      // entries written to QVPREFEE
  int too_long = 0;         // prefixes longer than the six characters of the field
  int refused = 0;          // exact calls whose first six characters another exact call holds
  std::vector<Text> refused_calls;
};

// Replaces the contents of QVPREFIX and QVPREFEE.
bool ImportCty(SuiteFiles& files, const std::vector<CtyEntity>& entities, const std::map<Text, int>& numbers,
               CtyImportCounts& counts);

}  // namespace vek
