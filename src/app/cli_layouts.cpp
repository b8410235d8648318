#include "app/cli_layouts.h"

#include "base/text.h"
#include "catalogue/catalogue_records.h"
#include "refdata/suite_files.h"

namespace vek::cli {

std::optional<store::FileBlockSpec> KnownLayout(const std::string& file_name) {
  const Text name = AsciiUpper(file_name);
  if (name == "QVKK") return qvkk::Spec();
  if (name == "QVKZ") return qvkz::Spec();
  for (SuiteFile f : {SuiteFile::kSetup, SuiteFile::kSetup2, SuiteFile::kProfiles, SuiteFile::kPrefixes,
                      SuiteFile::kPrefixOverrides1, SuiteFile::kPrefixOverrides2, SuiteFile::kCallBook,
                      SuiteFile::kCallList}) {
    store::FileBlockSpec spec = SuiteFileSpec(f);
    if (spec.file_name == name) return spec;
  }
  return std::nullopt;
}

}  // namespace vek::cli
