// ADIF files come from any logbook and from anywhere: the reader must end
// on every input with records that keep the format's promises.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/text.h"
#include "export/adif_import.h"

namespace {
void Require(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const vek::AdifFile file = vek::ReadAdifRecords(text);
  // Every record is closed by its "<EOR>", and no more records come out
  // than the file has record ends.
  std::size_t ends = 0;
  const vek::Text upper = vek::Cp1252Upper(text);
  for (std::size_t at = 0; (at = upper.find("<EOR>", at)) != vek::Text::npos; at += 5) ++ends;
  Require(file.records.size() <= ends);
  for (const vek::Text& record : file.records) {
    Require(record.size() >= 5 && record.compare(record.size() - 5, 5, "<EOR>") == 0);
    for (const vek::Text& tag : file.tags) {
      if (const auto value = vek::AdifValue(record, tag)) Require(value->size() <= record.size());
    }
  }
  // Tags are named once each, never "EOR", never empty.
  for (std::size_t i = 0; i < file.tags.size(); ++i) {
    Require(!file.tags[i].empty() && file.tags[i] != "EOR");
    Require(std::count(file.tags.begin(), file.tags.end(), file.tags[i]) == 1);
  }
  return 0;
}
