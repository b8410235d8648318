// What every output of a log reads: a snapshot of the log's definition and
// its two catalogue records, the station, the language and the clock, and
// the files through which the log itself is opened. Outputs never change
// any of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "catalogue/catalogue_controller.h"
#include "catalogue/catalogue_records.h"
#include "catalogue/setup_model.h"
#include "refdata/station_settings.h"

namespace vek {

// The pages the footers of the sheet name.
inline constexpr const char* kMakerWebAddress = "https://vek-contest.example";
inline constexpr const char* kSuiteWebAddress = "https://quilvaret.example";

struct ExportInputs {
  ContestDefinition definition;
  char contest_code = 'g';
  std::int32_t log_number = 0;
  std::vector<std::uint8_t> qvkk = std::vector<std::uint8_t>(qvkk::kLength);
  std::vector<std::uint8_t> qvkz = std::vector<std::uint8_t>(qvkz::kLength);
  StationSettings station;
  bool english = false;
  const Clock* clock = nullptr;
  SuiteFiles* files = nullptr;
  const SuffixTable* suffixes = nullptr;  // the station's, for the log's keys
  std::string program_folder;             // station description files; "" = current folder

  int ClassNumber() const { return GetU8(qvkk, qvkk::kClassNumber.offset); }
  // The entry class chosen for the log, nullptr without one.
  const EntryClass* Class() const;
  bool Listener() const { return definition.SentFieldsShown != 0; }
  const Text& OwnCall() const { return station.own_call; }
  const Text& ListenerCall() const { return station.swl_number; }
  StoredTotals Totals() const { return ReadStoredTotals(qvkk, qvkz); }
  std::int64_t Score() const { return FinalScore(definition, Totals()); }
};

// From the setup dialog's records as they stand in their buffers.
ExportInputs ExportInputsFrom(const SetupContext& ctx);
// From the catalogue: selects the log and rebuilds its definition; nullopt
// when the catalogue holds no log of that number.
std::optional<ExportInputs> ExportInputsFor(CatalogueController& catalogue, std::int32_t log_number,
                                            const Clock& clock);

}  // namespace vek
