#include "app/cli_layouts.h"

#include "base/record_bytes.h"
#include "base/text.h"
#include "store/keys.h"
#include "catalogue/catalogue_records.h"
#include "logging/qso_record.h"
#include "refdata/suite_files.h"

namespace vek::cli {

std::optional<store::FileBlockSpec> KnownLayout(const std::string& file_name) {
  const Text name = AsciiUpper(file_name);
  if (name == "QVKK") return qvkk::Spec();
  if (name == "QVKZ") return qvkz::Spec();
  // Contest logs QVLK0001 .. QVLK9999.
  if (name.size() == 8 && name.compare(0, 4, "QVLK") == 0 &&
      name.find_first_not_of("0123456789", 4) == std::string::npos)
    return qso::LogSpec(std::stoi(name.substr(4)));
  if (name == "QVLKTEMP") {
    store::FileBlockSpec s = qso::LogSpec(0);
    s.file_name = "QVLKTEMP";
    s.keys = {{5, false}};
    s.builder = [](ConstBytes r, int) { return store::LongToKey(GetI32(r, qso::kEntryNo.offset)); };
    s.auto_number_key = 1;
    return s;
  }
  for (SuiteFile f : {SuiteFile::kSetup, SuiteFile::kSetup2, SuiteFile::kProfiles, SuiteFile::kPrefixes,
                      SuiteFile::kPrefixOverrides1, SuiteFile::kPrefixOverrides2, SuiteFile::kCallBook,
                      SuiteFile::kCallList}) {
    store::FileBlockSpec spec = SuiteFileSpec(f);
    if (spec.file_name == name) return spec;
  }
  return std::nullopt;
}

}  // namespace vek::cli
